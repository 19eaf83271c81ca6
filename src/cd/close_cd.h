// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cd/access/cd_access.h"

// Closes a handle of the CD access module: true when the handle is 0
// (nothing to close) or the close succeeded, false otherwise.
bool CloseCD(TCDHandle handle);
