// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "audio/core/au_stream.h"
#include "audio/core/file_descriptor.h"

// A file opened by name (UTF-8 path) with the access and sharing of a 16-bit
// mode. Mode $FFFF creates the file (replacing it), read and write, no
// sharing. Any other mode opens an existing file: access = mode & 3 (0 read,
// 1 write, 2 both), sharing = (mode & $F0) >> 4 (0, 1 none; 2 others may
// read; 3 others may write; 4 both). Sharing is enforced among cooperating
// programs with advisory flock locks: "none" takes an exclusive lock, the
// others a shared one, so a second "none" open of a file in use fails.
// Owns its descriptor; used by one thread at a time.
class TAuFileStream : public AuStream {
public:
    // The modes the program opens files with.
    static constexpr std::uint16_t kCreate = 0xFFFF;
    static constexpr std::uint16_t kReadShareRead = 0x20;       // read; others may read
    static constexpr std::uint16_t kReadShareReadWrite = 0x40;  // read; others may read and write
    static constexpr std::uint16_t kReadWriteExclusive = 0x12;  // read and write, no sharing

    // Raises EAuException "Cannot create file %s" / "Cannot open file %s".
    TAuFileStream(const std::string& fileName, std::uint16_t mode);

    [[nodiscard]] std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    [[nodiscard]] std::int64_t Size() override;
    void SetSize(std::int64_t size) override;

    // The descriptor, for the tag containers' file operations; still owned.
    [[nodiscard]] int Handle() const { return m_file.Get(); }

private:
    FileDescriptor m_file;
};
