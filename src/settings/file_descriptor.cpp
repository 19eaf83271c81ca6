// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/file_descriptor.h"

#include <unistd.h>

TFileDescriptor::~TFileDescriptor() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool TFileDescriptor::Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd >= 0 && ::close(fd) == 0;
}
