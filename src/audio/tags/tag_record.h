// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What one output file is tagged with: the disc's and the track's fields, as
// the rip and the file converter collect them, and the loudness values a rip
// measured. Every format's tag writer maps from this one record, through the
// list of fields under their Vorbis comment names. Plain values; any thread
// (a record belongs to one thread at a time).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A ReplayGain 2.0 pair: the gain that brings the audio to -18 LUFS, and the
// true peak as a fraction of full scale (may exceed 1).
struct TReplayGain {
    double GainDb = 0;
    double Peak = 0;

    bool operator==(const TReplayGain&) const = default;
};

struct TTagRecord {
    std::string Title{};
    std::string Artist{};  // the track's artist (a compilation credits each track)
    std::string Album{};
    std::string AlbumArtist{};
    std::string Date{};  // "1987" or "1987-04-01"
    std::string Genre{};
    std::string Comment{};
    int TrackNumber = 0;  // 0: none
    int TrackTotal = 0;
    int DiscNumber = 0;
    int DiscTotal = 0;
    std::string Isrc{};
    std::string Barcode{};
    std::string MusicBrainzReleaseId{};
    std::string MusicBrainzReleaseGroupId{};
    std::string MusicBrainzRecordingId{};
    std::string MusicBrainzTrackId{};
    std::string MusicBrainzDiscId{};
    std::vector<std::uint8_t> Cover{};  // the front cover's file bytes; empty: none
    std::string CoverType{};            // MIME type of Cover, "image/jpeg"
    std::optional<TReplayGain> TrackGain{};
    std::optional<TReplayGain> AlbumGain{};

    bool operator==(const TTagRecord&) const = default;
};

// How numbers with a total are written: Vorbis comments keep the total in a
// field of its own (TRACKNUMBER=3, TRACKTOTAL=12); ID3v2, APEv2 and the
// property names of other formats write "3/12".
enum class TNumberStyle : std::uint8_t { SeparateTotal, Slashed };

struct TTagField {
    std::string Name;  // Vorbis comment name in capitals: "TITLE", "MUSICBRAINZ_ALBUMID"
    std::string Value;

    bool operator==(const TTagField&) const = default;
};

// The record's text fields in a fixed order, empty ones left out. The names
// for the MusicBrainz ids and ReplayGain are the ones other taggers use
// (MUSICBRAINZ_TRACKID is the recording, MUSICBRAINZ_RELEASETRACKID the
// track). Control characters other than tab, line feed and carriage return
// become spaces, so a value can never end a field early or split it. The
// cover is not a text field.
[[nodiscard]] std::vector<TTagField> TagFieldsOf(const TTagRecord& record, TNumberStyle numbers);

// The record `over` with every field it lacks taken from `base` (a number
// counts as lacking when it is 0, the cover when it has no bytes).
[[nodiscard]] TTagRecord Overlaid(const TTagRecord& base, const TTagRecord& over);

// ReplayGain texts as players read them: "-7.23 dB", "0.988525".
[[nodiscard]] std::string ReplayGainText(double gainDb);
[[nodiscard]] std::string ReplayGainPeakText(double peak);
