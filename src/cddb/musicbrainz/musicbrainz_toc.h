// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What MusicBrainz is told about a disc: its disc id, the table-of-contents
// string and the lookup request's path, all made from the table of contents.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A disc's table of contents as the drive reports it, in CD frames (1/75 s)
// counted from the very start of the disc, the 150 frames before a first
// track at 00:02:00 included. Data tracks count too.
struct TMbDiscTrack {
    std::uint32_t start = 0;
    bool data = false;  // control bit 0x04 set
};
struct TMbDiscToc {
    int firstTrack = 1;  // number of tracks[0]; the others follow in order
    std::vector<TMbDiscTrack> tracks{};
    std::uint32_t leadOut = 0;
};

// The values the disc id is made of: the first track, the last audio track,
// the lead-out of the audio part and the start of every track first..last.
struct TMbIdToc {
    int first = 1;
    int last = 0;
    std::uint32_t leadOut = 0;
    std::vector<std::uint32_t> starts;  // starts[i] belongs to track first + i
};

// The id's values after the data-track rules: the first track stays even when
// it holds data; the last is the last audio track; when a data track follows
// it (an enhanced CD, data in a second session) the audio part ends 11400
// frames (lead-out, lead-in and pregap of that session) before the data
// track; audio tracks starting at or after that end are left out. A track
// said to start at 0 (copy-protected discs) counts as starting at 150. Nothing
// when no audio track remains or the numbers leave 1..99.
[[nodiscard]] std::optional<TMbIdToc> MusicBrainzIdToc(const TMbDiscToc& toc);

// The 28-character disc id: SHA-1 over the first and last track as two and
// the lead-out and 99 track starts as eight upper-case hex digits, in Base64
// with "._-" in place of "+/=".
[[nodiscard]] std::string MusicBrainzDiscId(const TMbIdToc& toc);

// "first last lead-out start1 ... startN", decimal, space separated.
[[nodiscard]] std::string MusicBrainzTocString(const TMbIdToc& toc);

// "/ws/2/discid/<id>?toc=<toc with +>&inc=...&fmt=json": one request that
// answers with the exact disc, else a CD stub, else releases whose media
// have the same track count and similar lengths.
[[nodiscard]] std::string MusicBrainzLookupPath(const TMbIdToc& toc);
