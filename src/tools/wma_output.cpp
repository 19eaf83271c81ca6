// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/wma_output.h"

std::unique_ptr<TAuFileOut> MakeWmaOutput() {
    // The Windows Media writer is not part of this build yet.
    return nullptr;
}
