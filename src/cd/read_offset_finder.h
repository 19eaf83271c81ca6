// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finds a drive's read offset correction from the disc in it: the first
// tracks are read once, with no correction, and their AccurateRip sums at
// every read shift are compared with what others submitted for the disc.
//
// Threads: any but the GUI thread; a search blocks for the fetch and the
// reads. It uses the handle as any other caller does (the access layer
// serialises the calls) and gives the handle's read mode back when it ends.

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "cd/access/cd_access.h"

enum class TReadOffsetOutcome {
    Found,           // offset holds the correction every checked track agrees on
    Image,           // a disc image, which needs no correction; nothing was fetched
    NoAudioDisc,     // the drive gives no table of contents with an audio track
    LookupFailed,    // reason says why the database could not be asked
    DiscNotPresent,  // the database does not know the disc; nothing was read
    NoOffset,        // no shift at which every checked track with entries matches
    ReadFailed,      // reason says which read failed
    Stopped,
};

struct TReadOffsetSearch {
    TReadOffsetOutcome outcome = TReadOffsetOutcome::NoAudioDisc;
    std::int32_t offset = 0;           // for Found, in samples, as TCDReadMode takes it
    std::vector<int> checkedTracks{};  // numbers of the tracks read and compared
    TCDDriveIdentity drive{};          // empty when the handle gives none
    std::string reason{};              // for LookupFailed and ReadFailed
};

// The tracks a search reads: the first three audio tracks, never the disc's
// last one, whose end a drive reading late may fail to deliver; a disc with
// a single audio track checks that one, as a rip of it reads the same sectors.
inline constexpr std::size_t kReadOffsetMaxTracks = 3;

// Searches the read offset of the handle's drive with the AccurateRip
// server (the setting's form, see FetchAccurateRip). The answer is fetched
// before anything is read, so a disc the database does not know costs no
// reading; a disc image is answered at once. stop ends the search between
// reads.
[[nodiscard]] TReadOffsetSearch FindReadOffset(TCDHandle handle, std::string_view server,
                                               std::stop_token stop);
