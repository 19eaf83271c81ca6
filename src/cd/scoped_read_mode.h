// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "cd/access/cd_access.h"

// A drive's read mode for one task (a rip, an offset search), given back at
// its end: the player and the main window read the same handle afterwards.
// Driving thread.
class ScopedCDReadMode {
public:
    explicit ScopedCDReadMode(TCDHandle handle) : m_handle(handle) {
        m_readable = GetCDReadMode(handle, &m_mode) == 1;
    }
    ~ScopedCDReadMode() {
        if (m_previous) {
            static_cast<void>(SetCDReadMode(m_handle, *m_previous));
        }
    }
    ScopedCDReadMode(const ScopedCDReadMode&) = delete;
    ScopedCDReadMode& operator=(const ScopedCDReadMode&) = delete;

    // Whether the handle told its mode; nothing is set otherwise.
    [[nodiscard]] bool Readable() const { return m_readable; }
    // The mode the drive reads with: as the handle had it, or as set.
    [[nodiscard]] const TCDReadMode& Mode() const { return m_mode; }

    // Sets mode unless the drive reads so already; Mode then gives it as the
    // handle took it (retries rounded).
    void Set(const TCDReadMode& mode) {
        if (!m_readable || mode == m_mode || SetCDReadMode(m_handle, mode) != 1) {
            return;
        }
        if (!m_previous) {
            m_previous = m_mode;
        }
        static_cast<void>(GetCDReadMode(m_handle, &m_mode));
    }

private:
    const TCDHandle m_handle;
    bool m_readable = false;
    TCDReadMode m_mode;
    std::optional<TCDReadMode> m_previous;  // while another mode is set
};
