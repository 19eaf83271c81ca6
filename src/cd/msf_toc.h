// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The drive's table of contents in minute/second/frame form, as the disc
// ids of the lookup services are made from. Any thread that may use the
// handle.

#include <optional>

#include "cd/access/cd_access.h"

// Switches the handle to minute/second/frame addresses and reads its table;
// nothing when the drive gives none or the table lists no track (or more
// than it can hold with its lead-out).
[[nodiscard]] std::optional<TTOC> ReadMsfToc(TCDHandle handle);

// Control bit 0x04 of an entry: the track holds data, not audio.
[[nodiscard]] inline bool IsDataTrack(const TTOCTrack& entry) {
    return (entry.AdrControl & 0x04) != 0;
}
