// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/msf_toc.h"

std::optional<TTOC> ReadMsfToc(TCDHandle handle) {
    TTOC toc;
    if (ModifyCDParms(handle, kCDParmMSF, 1) != 1 || ReadTOC(handle, &toc) != 1 ||
        toc.LastTrack < toc.FirstTrack || toc.LastTrack - toc.FirstTrack + 1 >= kMaxTOCEntries) {
        return std::nullopt;
    }
    return toc;
}
