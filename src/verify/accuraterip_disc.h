// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the AccurateRip database is asked about a disc: its three ids, the
// request path, and for every audio track the sectors its sums cover and
// where its entries sit in an answer. Pure functions of the table of
// contents; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::size_t kArMaxTracks = 99;

// One table-of-contents entry as the drive reports it.
struct TArTocTrack {
    std::uint32_t startSector = 0;  // logical sector number: the sector at 00:02:00 is 0
    bool data = false;              // control bit 0x04 set
};

// A disc's table of contents: every track in order (the first is track 1),
// data tracks included, and the disc's lead-out as a logical sector number.
struct TArToc {
    std::vector<TArTocTrack> tracks{};
    std::uint32_t leadOut = 0;
};

// The key of a disc in the database; every chunk of an answer repeats it.
struct TArIds {
    std::size_t audioTracks = 0;
    std::uint32_t id1 = 0;
    std::uint32_t id2 = 0;
    std::uint32_t cddbId = 0;
};

// One audio track as the sums see it.
struct TArTrack {
    int number = 0;                 // in the table of contents, 1-based
    std::uint32_t startSector = 0;  // logical sector number
    std::uint32_t sectors = 0;      // up to the next track, or the end of the audio part
    bool first = false;             // first audio track: its first 2939 samples are not summed
    bool last = false;              // last audio track: its last 2940 samples are not summed
    // Index of the track's entry in every chunk of an answer. None on a
    // mixed-mode disc's last audio track: there the data track holds the
    // first entry and the chunks end one entry before the audio does.
    std::optional<std::size_t> slot{};
};

struct TArDisc {
    TArIds ids{};
    std::vector<TArTrack> tracks{};  // audio tracks in order
};

// The disc's ids and audio tracks. Data tracks are left out of the ids and
// the ordinals that weigh id2; the ids use the disc's own lead-out, while the
// audio part of an enhanced CD (audio, then a data session) ends 11400
// sectors (lead-out, lead-in and pregap of that session) before the data
// track. The CDDB id counts every track. Nothing when the table holds no
// audio track, more than 99 tracks, or starts that do not rise to the
// lead-out.
[[nodiscard]] std::optional<TArDisc> AccurateRipDisc(const TArToc& toc);

// "/accuraterip/<d1>/<d2>/<d3>/dBAR-<NNN>-<id1>-<id2>-<cddb>.bin": d1..d3 are
// the last three hex digits of id1 from the last, NNN the audio track count.
[[nodiscard]] std::string AccurateRipPath(const TArIds& ids);

// "NNN-id1-id2-cddb", the disc's id as logs show it.
[[nodiscard]] std::string AccurateRipIdText(const TArIds& ids);
