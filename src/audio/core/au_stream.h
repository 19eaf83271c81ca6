// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class SeekOrigin { Begin, Current, End };

// A byte stream that inputs read from and outputs write to. Positions and
// sizes are bytes. I/O errors raise EAuException. A stream is used by one
// thread at a time (the worker of the run that uses it).
class AuStream {
public:
    AuStream() = default;
    virtual ~AuStream() = default;
    AuStream(const AuStream&) = delete;
    AuStream& operator=(const AuStream&) = delete;

    // Reads up to `count` bytes; returns the bytes read, 0 at the end.
    [[nodiscard]] virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes all `count` bytes or raises EAuException "Stream write error".
    virtual void Write(const void* buffer, std::size_t count) = 0;
    // Moves the position; returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    [[nodiscard]] virtual std::int64_t Size() = 0;
    // Cuts or lengthens (with zeros) the stream; the position is kept.
    virtual void SetSize(std::int64_t size) = 0;

    [[nodiscard]] std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }
    // Reads exactly `count` bytes or raises EAuException "Stream read error".
    void ReadBuffer(void* buffer, std::size_t count);
};

// A stream over a growable block of memory that it owns.
class AuMemoryStream : public AuStream {
public:
    AuMemoryStream() = default;
    explicit AuMemoryStream(std::vector<std::uint8_t> data);

    [[nodiscard]] std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    [[nodiscard]] std::int64_t Size() override { return static_cast<std::int64_t>(m_data.size()); }
    void SetSize(std::int64_t size) override;

    [[nodiscard]] const std::vector<std::uint8_t>& Data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
    std::int64_t m_position = 0;  // may lie beyond the end; a write there fills with zeros
};
