// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/accuraterip_disc_toc.h"

#include "cd/msf_toc.h"

namespace {

constexpr std::int32_t kLeadInFrames = 150;  // 00:02:00, where sector 0 lies

std::optional<std::uint32_t> LogicalSector(const TTOCTrack& entry) {
    const std::int32_t sector = AddressFrames(entry) - kLeadInFrames;
    return sector < 0 ? std::nullopt : std::optional(static_cast<std::uint32_t>(sector));
}

}  // namespace

std::optional<TArToc> AccurateRipTocOf(const TTOC& toc) {
    TArToc discToc;
    const int count = toc.LastTrack - toc.FirstTrack + 1;
    for (int k = 0; k < count; ++k) {
        const TTOCTrack& entry = toc.Tracks[k];
        const std::optional<std::uint32_t> start = LogicalSector(entry);
        if (!start) {
            return std::nullopt;
        }
        discToc.tracks.push_back({*start, IsDataTrack(entry)});
    }
    const std::optional<std::uint32_t> leadOut = LogicalSector(toc.Tracks[count]);
    if (!leadOut) {
        return std::nullopt;
    }
    discToc.leadOut = *leadOut;
    return discToc;
}

std::optional<TArToc> ReadAccurateRipToc(TCDHandle handle) {
    const std::optional<TTOC> toc = ReadMsfToc(handle);
    if (!toc) {
        return std::nullopt;
    }
    return AccurateRipTocOf(*toc);
}
