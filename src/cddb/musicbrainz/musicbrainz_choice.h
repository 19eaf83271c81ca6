// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which releases and media of a MusicBrainz answer fit the disc, and the disc
// description a chosen one gives. Any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cddb/musicbrainz/musicbrainz_answer.h"
#include "disc/disc_info.h"

// One medium of one release that may be the disc, with what a list of
// candidates shows.
struct TMbCandidate {
    std::size_t release = 0;  // index in the answer's releases
    std::size_t medium = 0;   // index in that release's media
    bool exact = false;       // the medium carries the disc id
    std::string artist{};
    std::string title{};
    std::string country{};
    std::string date{};
    std::string label{};  // the release's labels, comma separated
    std::string format{};
    int discNumber = 0;  // "disc N of M"
    int discTotal = 0;
    int trackCount = 0;
};

// The media that may be the disc: those carrying the disc id when any does (a
// disc answer, a stub), otherwise those with as many tracks as the disc has
// audio tracks (a fuzzy release list, which names releases, not media). The
// likeliest come first: media with as many tracks as the disc, then official
// releases, then the earliest dates, undated last; otherwise in answer order.
// One candidate means the disc is identified.
[[nodiscard]] std::vector<TMbCandidate> MusicBrainzCandidates(const TMbAnswer& answer,
                                                              std::string_view discId,
                                                              int audioTrackCount);

// The disc as the candidate describes it: artist and album from the release,
// the year from its date (else its group's first release date), the genre
// list entry of the first of its genres by votes that has one, the disc
// number and total, barcode and ids, and one track per track of the medium
// (artist only where it differs from the release's, the first ISRC). Tracks
// are numbered as on the disc, whose first audio track is firstTrack: medium
// position p is track firstTrack + p - 1.
[[nodiscard]] DiscInfo MusicBrainzDiscInfo(const TMbAnswer& answer, const TMbCandidate& candidate,
                                           std::string_view discId, int firstTrack);

// The genre list position a MusicBrainz genre name maps to, or -1: names are
// compared in lower case with "&" as "and" and all but letters and digits
// dropped, after a few aliases ("alternative rock", "indie rock" ...).
[[nodiscard]] int MusicBrainzGenrePosition(std::string_view genre);
