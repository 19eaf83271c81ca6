// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the CD access module's own sources and the CDDB access, which
// reports its results through the same last error; other callers use
// cd_access.h.

#include <optional>

#include "cd/access/cd_access.h"
#include "cd/access/cd_backend.h"

// Records the calling thread's last error; 1 for cdeNoError, else 0, so a
// function can return the result of the call.
int SetCDAccessResult(TCDAccessError error);

// The layout of the disc behind the handle, read afresh; nothing (with the
// last error set) when the handle is not open or the disc has no valid table.
[[nodiscard]] std::optional<CDDiscLayout> ReadDiscLayout(TCDHandle handle);
