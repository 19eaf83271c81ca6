// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/audio_stream.h"

#include <cstdio>
#include <exception>
#include <new>

#include "audio/codecs/ffmpeg_handles.h"

namespace {

constexpr int kBufferBytes = 1 << 16;

}  // namespace

void TAudioStream::ContextFreer::operator()(AVIOContext* context) const {
    av_freep(&context->buffer);
    avio_context_free(&context);
}

TAudioStream::TAudioStream(AuStream& stream, std::int64_t origin, Direction direction)
    : m_stream(stream), m_origin(origin) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    m_context.reset(avio_alloc_context(buffer, kBufferBytes, direction == Direction::Write ? 1 : 0,
                                       this, &Read, &Write, &Seek));
    if (!m_context) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    m_stream.SetPosition(origin);
}

TAudioStream::~TAudioStream() = default;

int TAudioStream::Read(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<TAudioStream*>(opaque);
    try {
        const std::size_t count = self->m_stream.Read(buffer, static_cast<std::size_t>(size));
        return count == 0 ? AVERROR_EOF : static_cast<int>(count);
    } catch (const std::exception&) {
        return AVERROR(EIO);
    }
}

int TAudioStream::Write(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<TAudioStream*>(opaque);
    try {
        self->m_stream.Write(buffer, static_cast<std::size_t>(size));
        return size;
    } catch (const std::exception&) {
        return AVERROR(EIO);
    }
}

std::int64_t TAudioStream::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<TAudioStream*>(opaque);
    try {
        AuStream& stream = self->m_stream;
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return stream.Size() - self->m_origin;
            case SEEK_SET:
                return stream.Seek(self->m_origin + offset, SeekOrigin::Begin) - self->m_origin;
            case SEEK_CUR:
                return stream.Seek(offset, SeekOrigin::Current) - self->m_origin;
            case SEEK_END:
                return stream.Seek(offset, SeekOrigin::End) - self->m_origin;
            default:
                return AVERROR(EINVAL);
        }
    } catch (const std::exception&) {
        return AVERROR(EIO);
    }
}
