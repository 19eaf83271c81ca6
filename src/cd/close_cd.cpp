// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/close_cd.h"

bool CloseCD(TCDHandle handle) {
    return handle == 0 || CloseCDHandle(handle) != 0;
}
