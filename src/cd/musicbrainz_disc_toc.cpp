// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/musicbrainz_disc_toc.h"

#include "cd/msf_toc.h"

TMbDiscToc MusicBrainzTocOf(const TTOC& toc) {
    TMbDiscToc discToc;
    discToc.firstTrack = toc.FirstTrack;
    const int count = toc.LastTrack - toc.FirstTrack + 1;
    for (int k = 0; k < count; ++k) {
        const TTOCTrack& entry = toc.Tracks[k];
        discToc.tracks.push_back(
            {static_cast<std::uint32_t>(AddressFrames(entry)), IsDataTrack(entry)});
    }
    discToc.leadOut = static_cast<std::uint32_t>(AddressFrames(toc.Tracks[count]));
    return discToc;
}

std::optional<TMbDiscToc> ReadMusicBrainzToc(TCDHandle handle) {
    const std::optional<TTOC> toc = ReadMsfToc(handle);
    if (!toc) {
        return std::nullopt;
    }
    return MusicBrainzTocOf(*toc);
}
