// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

TMemoryFile::TMemoryFile(std::span<const std::uint8_t> bytes)
    : m_fd(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
    // A fuzz run cannot go on without its input file.
    if (m_fd < 0 ||
        ::write(m_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::lseek(m_fd, 0, SEEK_SET) != 0) {
        std::abort();
    }
}

TMemoryFile::~TMemoryFile() {
    ::close(m_fd);
}
