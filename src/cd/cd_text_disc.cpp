// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/cd_text_disc.h"

DiscInfo DiscInfoFromCDText(const TCDText& text) {
    DiscInfo disc;
    disc.Album = text.Title;
    disc.Artist = text.Performer;
    for (const TCDTextTrack& track : text.Tracks) {
        if (track.Title.empty()) {
            continue;
        }
        TrackInfo info;
        info.Number = track.Number;
        info.Title = track.Title;
        if (track.Performer != text.Performer) {
            info.Artist = track.Performer;
        }
        disc.Tracks.push_back(std::move(info));
    }
    return disc;
}
