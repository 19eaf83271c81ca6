// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A POSIX file descriptor with one owner, and whole-buffer reads and writes at
// a position that retry after interruptions and short transfers.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Owns one open file descriptor and closes it on destruction. Used by one
// thread at a time; movable, not copyable.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

    // Closes now and reports whether the close succeeded (it may be the first
    // to report a write error).
    [[nodiscard]] bool Close();

private:
    int m_fd = -1;
};

// Reads into data from offset (bytes) until it is full or the file ends.
// Returns the number of bytes read, or -1 on an error (errno set).
[[nodiscard]] std::int64_t ReadAt(int fd, std::span<std::uint8_t> data, off_t offset);

// Writes all of data at offset (bytes). False on an error (errno set); a disk
// that fills up reports ENOSPC.
[[nodiscard]] bool WriteAt(int fd, std::span<const std::uint8_t> data, off_t offset);

// Writes the pieces one after the other from offset, as WriteAt would piece
// by piece, with as few system calls as the kernel allows.
[[nodiscard]] bool WriteAt(int fd, std::span<const std::span<const std::uint8_t>> pieces,
                           off_t offset);
