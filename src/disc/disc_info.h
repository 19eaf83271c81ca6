// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What is known about a disc and its tracks: plain values that the disc
// cache and every lookup produce, the main window shows and edits, and the
// rip, the converter and the tag writers read. All texts are UTF-8. Any
// thread (each value belongs to one thread at a time).

#include <cstdint>
#include <string>
#include <vector>

struct TrackInfo {
    int Number = 0;        // track number in the table of contents
    std::string Title{};   // any text; file names come from FileStemOf
    std::string Artist{};  // empty: the disc's artist
    std::string Isrc{};
    std::string RecordingId{};  // MusicBrainz recording id
    std::string TrackId{};      // MusicBrainz track id
    bool Ticked = true;         // chosen for the next rip

    bool operator==(const TrackInfo&) const = default;
};

struct DiscInfo {
    std::string Artist{};
    std::string Album{};
    std::string AlbumArtist{};
    std::string Year{};  // date text as given: "1987", "1987-04-01"
    std::string Genre{};
    int GenrePosition = -1;  // position in the genre list, -1 none
    std::string Comment{};
    int DiscNumber = 0;  // 0 unknown
    int DiscTotal = 0;   // 0 unknown
    std::string Barcode{};
    std::string ReleaseId{};            // MusicBrainz release id
    std::string ReleaseGroupId{};       // MusicBrainz release group id
    std::string DiscId{};               // MusicBrainz disc id
    std::vector<std::uint8_t> Cover{};  // picture file bytes
    std::string CoverType{};            // MIME type of Cover
    std::vector<TrackInfo> Tracks{};    // in disc order

    bool operator==(const DiscInfo&) const = default;
};
