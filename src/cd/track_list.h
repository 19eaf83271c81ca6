// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of the main window's track list, built from the disc's table of
// contents and the cached titles. Plain data: the window shows the rows.

#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "settings/options_setting.h"

struct TTrackRow {
    std::string caption;  // the track number in decimal
    bool checked = true;
    std::string title;
    std::string start;   // MM:SS of the track's start address, lead-in included
    std::string length;  // MM:SS up to the next track or the lead-out
};

// One row per track of a table of contents in minute/second/frame form.
// Frames are ignored: lengths are the differences of minutes and seconds.
// Empty titles in info become "Track" and the two-digit track number.
[[nodiscard]] std::vector<TTrackRow> BuildTrackRows(const TTOC& toc, TCDInfo& info);

struct TTrackListRead {
    bool ok = false;
    std::vector<TTrackRow> rows;
    std::string statusText;  // kNoTOCText when the table could not be read
};

// Switches the handle to minute/second/frame addresses, reads the table of
// contents and builds its rows.
[[nodiscard]] TTrackListRead ReadTrackList(TCDHandle handle, TCDInfo& info);
