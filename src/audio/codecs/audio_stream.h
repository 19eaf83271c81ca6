// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "audio/core/au_stream.h"

struct AVIOContext;

// Presents a pipeline stream to FFmpeg as custom I/O, seen from a chosen
// byte (the origin) on: FFmpeg's position 0 is the stream's byte `origin`.
// Read answers the count read, or end of file when it is 0; Write writes all
// bytes; Seek moves by the full 64-bit offset from the given origin and also
// answers the size. A stream error becomes an FFmpeg I/O error, never an
// exception through FFmpeg's C code. The stream is not owned and must
// outlive the adapter; both are used by one thread at a time.
class TAudioStream {
public:
    enum class Direction { Read, Write };

    // FFmpeg reads through a context made for reading, writes through one
    // made for writing.
    TAudioStream(AuStream& stream, std::int64_t origin, Direction direction);
    ~TAudioStream();
    TAudioStream(const TAudioStream&) = delete;
    TAudioStream& operator=(const TAudioStream&) = delete;

    // The I/O context FFmpeg reads, writes and seeks through; owned here.
    [[nodiscard]] AVIOContext* Context() const { return m_context.get(); }

private:
    struct ContextFreer {
        void operator()(AVIOContext* context) const;
    };

    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static int Write(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    AuStream& m_stream;
    std::int64_t m_origin;
    std::unique_ptr<AVIOContext, ContextFreer> m_context;
};
