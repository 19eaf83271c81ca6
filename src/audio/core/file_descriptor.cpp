// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/file_descriptor.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool FileDescriptor::Close() {
    const int fd = std::exchange(m_fd, -1);
    return fd >= 0 && ::close(fd) == 0;
}

std::int64_t ReadAt(int fd, std::span<std::uint8_t> data, off_t offset) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t got =
            ::pread(fd, data.data() + done, data.size() - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool WriteAt(int fd, std::span<const std::span<const std::uint8_t>> pieces, off_t offset) {
    std::vector<iovec> vectors;
    vectors.reserve(pieces.size());
    for (const std::span<const std::uint8_t> piece : pieces) {
        if (!piece.empty()) {
            vectors.push_back({const_cast<std::uint8_t*>(piece.data()), piece.size()});
        }
    }
    std::size_t first = 0;  // the first vector not completely written
    while (first < vectors.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(vectors.size() - first, IOV_MAX));
        const ssize_t put = ::pwritev(fd, &vectors[first], count, offset);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        offset += static_cast<off_t>(put);
        // Skips what was written, leaving a partly written vector's rest.
        for (auto left = static_cast<std::size_t>(put); left > 0;) {
            iovec& vector = vectors[first];
            const std::size_t step = std::min(left, vector.iov_len);
            vector.iov_base = static_cast<std::uint8_t*>(vector.iov_base) + step;
            vector.iov_len -= step;
            left -= step;
            if (vector.iov_len == 0) {
                ++first;
            }
        }
    }
    return true;
}

bool WriteAt(int fd, std::span<const std::uint8_t> data, off_t offset) {
    return WriteAt(fd, std::span<const std::span<const std::uint8_t>>(&data, 1), offset);
}
