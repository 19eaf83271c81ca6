// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/track_list.h"

#include "cd/cd_drive.h"
#include "settings/settings_helpers.h"

namespace {

std::string MinutesSeconds(int minutes, int seconds) {
    return TwoDigits(minutes) + ":" + TwoDigits(seconds);
}

}  // namespace

std::vector<TTrackRow> BuildTrackRows(const TTOC& toc, TCDInfo& info) {
    std::vector<TTrackRow> rows;
    const int first = toc.FirstTrack;
    const int last = toc.LastTrack;
    // A table this module did not fill could name tracks without entries.
    if (first < 1 || last < first || last - first + 1 >= kMaxTOCEntries) {
        return rows;
    }
    int minute = toc.Tracks[0].Address[1];
    int second = toc.Tracks[0].Address[2];
    for (int n = first; n <= last; ++n) {
        const TTOCTrack& next = toc.Tracks[n - first + 1];
        const int nextMinute = next.Address[1];
        const int nextSecond = next.Address[2];
        int lengthMinutes = nextMinute - minute;
        int lengthSeconds = nextSecond - second;
        if (lengthSeconds < 0) {
            lengthSeconds += 60;
            --lengthMinutes;
        }
        if (info.Titles[n].empty()) {
            info.Titles[n] = DefaultTrackTitle(n);
        }
        rows.push_back({std::to_string(n), true, info.Titles[n], MinutesSeconds(minute, second),
                        MinutesSeconds(lengthMinutes, lengthSeconds)});
        minute = nextMinute;
        second = nextSecond;
    }
    return rows;
}

TTrackListRead ReadTrackList(TCDHandle handle, TCDInfo& info) {
    TTrackListRead result;
    ModifyCDParms(handle, kCDParmMSF, 1);
    TTOC toc;
    if (ReadTOC(handle, &toc) != 1) {
        result.statusText = kNoTOCText;
        return result;
    }
    result.rows = BuildTrackRows(toc, info);
    result.ok = true;
    return result;
}
