// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/close_cd.h"

bool CloseCD(TCDHandle handle) {
    return handle == 0 || CloseCDHandle(handle) != 0;
}
