// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns a POSIX file descriptor and closes it when destroyed. -1 holds none.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : m_fd(fd) {}
    ~TFileDescriptor();
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

    // Closes now and reports whether the close succeeded (it may be the first
    // to report a write error).
    [[nodiscard]] bool Close();

private:
    int m_fd;
};
