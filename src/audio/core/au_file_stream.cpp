// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "audio/core/au_exception.h"

namespace {

int AccessFlags(std::uint16_t mode) {
    switch (mode & 3) {
        case 1:
            return O_WRONLY;
        case 2:
            return O_RDWR;
        default:
            return O_RDONLY;
    }
}

int LockKind(std::uint16_t mode) {
    const int sharing = (mode & 0xF0) >> 4;
    return sharing <= 1 ? LOCK_EX : LOCK_SH;
}

// Opens and locks; nothing open on any failure.
FileDescriptor OpenLocked(const std::string& fileName, int flags, int lock) {
    FileDescriptor file(open(fileName.c_str(), flags | O_CLOEXEC, 0644));
    if (file.IsOpen() && flock(file.Get(), lock | LOCK_NB) != 0) {
        return {};
    }
    return file;
}

}  // namespace

TAuFileStream::TAuFileStream(const std::string& fileName, std::uint16_t mode) {
    if (mode == kCreate) {
        // Lock before truncating so that a file in use is never cut.
        m_file = OpenLocked(fileName, O_RDWR | O_CREAT, LOCK_EX);
        if (!m_file.IsOpen() || ftruncate(m_file.Get(), 0) != 0) {
            throw EAuException(FormatAuMessage("Cannot create file %s", fileName));
        }
        return;
    }
    m_file = OpenLocked(fileName, AccessFlags(mode), LockKind(mode));
    if (!m_file.IsOpen()) {
        throw EAuException(FormatAuMessage("Cannot open file %s", fileName));
    }
}

std::size_t TAuFileStream::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = read(m_file.Get(), buffer, count);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            throw EAuException("Stream read error");
        }
    }
}

void TAuFileStream::Write(const void* buffer, std::size_t count) {
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const ssize_t put = write(m_file.Get(), data, count);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            throw EAuException("Stream write error");
        }
        data += put;
        count -= static_cast<std::size_t>(put);
    }
}

std::int64_t TAuFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t position = lseek(m_file.Get(), offset, whence);
    if (position < 0) {
        throw EAuException("Stream seek error");
    }
    return position;
}

std::int64_t TAuFileStream::Size() {
    struct stat info {};
    if (fstat(m_file.Get(), &info) != 0) {
        throw EAuException("Stream size error");
    }
    return info.st_size;
}

void TAuFileStream::SetSize(std::int64_t size) {
    if (size < 0 || ftruncate(m_file.Get(), size) != 0) {
        throw EAuException("Stream size error");
    }
}
