// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// An anonymous in-memory file holding the given bytes, for code that reads
// through a file descriptor; closed when the object goes. The position is
// at the start.
class TMemoryFile {
public:
    explicit TMemoryFile(std::span<const std::uint8_t> bytes);
    ~TMemoryFile();
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    [[nodiscard]] int Fd() const { return m_fd; }

private:
    int m_fd;
};
