// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/musicbrainz_disc_toc.h"

namespace {

constexpr std::uint8_t kDataTrackBit = 0x04;

}  // namespace

TMbDiscToc MusicBrainzTocOf(const TTOC& toc) {
    TMbDiscToc discToc;
    discToc.firstTrack = toc.FirstTrack;
    const int count = toc.LastTrack - toc.FirstTrack + 1;
    for (int k = 0; k < count; ++k) {
        const TTOCTrack& entry = toc.Tracks[k];
        discToc.tracks.push_back({static_cast<std::uint32_t>(AddressFrames(entry)),
                                  (entry.AdrControl & kDataTrackBit) != 0});
    }
    discToc.leadOut = static_cast<std::uint32_t>(AddressFrames(toc.Tracks[count]));
    return discToc;
}

std::optional<TMbDiscToc> ReadMusicBrainzToc(TCDHandle handle) {
    TTOC toc;
    if (ModifyCDParms(handle, kCDParmMSF, 1) != 1 || ReadTOC(handle, &toc) != 1 ||
        toc.LastTrack < toc.FirstTrack || toc.LastTrack - toc.FirstTrack + 1 >= kMaxTOCEntries) {
        return std::nullopt;
    }
    return MusicBrainzTocOf(toc);
}
