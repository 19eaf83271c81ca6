// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writes BIN/CUE disc images of audio tracks, so tests and the demo know every
// byte a rip of the disc must produce. Audio is 16-bit little-endian stereo
// at 44100 Hz, the layout libcdio reads from a BINARY data file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace discimage {

inline constexpr std::uint32_t kSectorBytes = 2352;
inline constexpr std::uint32_t kFramesPerSecond = 75;  // CD frames (sectors) per second
inline constexpr std::uint32_t kLeadInSectors = 150;   // 00:02:00, added by the reader

// One track's samples: interleaved 16-bit little-endian stereo bytes.
using Pcm = std::vector<std::uint8_t>;

// Where the tracks of a written image lie, in logical sectors (0 = the first
// track's start; the table of contents shows sector + kLeadInSectors).
struct DiscLayout {
    std::vector<std::uint32_t> trackStarts;
    std::uint32_t leadOut = 0;
};

struct WriteResult {
    bool ok = false;
    std::string message;  // why it failed
    DiscLayout layout;
};

// CD-Text for the cue sheet's TITLE and PERFORMER lines, in UTF-8; empty
// texts get no line. Cue readers take cue text as ISO-8859-1, so it is
// written so: every character must be one of ISO-8859-1's, and neither a
// double quote nor a control character.
struct TrackText {
    std::string title;
    std::string performer;
};
struct CueText {
    std::string title;  // the album
    std::string performer;
    std::vector<TrackText> tracks;  // tracks[i] for track i + 1; may be shorter
};

// The track padded with zeros to whole sectors: what a rip of it returns.
[[nodiscard]] Pcm PadToSectors(Pcm pcm);

// The cue sheet text for tracks of the given lengths (bytes, unpadded),
// with the CD-Text lines of text; a text that cannot be written (see
// CueText) gets no line.
[[nodiscard]] std::string CueSheet(const std::string& binName,
                                   const std::vector<std::size_t>& trackBytes,
                                   const CueText& text = {});

// Writes cuePath and the data file beside it (same name, ".bin"). Every
// track is padded to whole sectors; an empty track list, an empty track and
// a text that cannot be written are refused.
[[nodiscard]] WriteResult WriteDiscImage(const std::filesystem::path& cuePath,
                                         const std::vector<Pcm>& tracks, const CueText& text = {});

}  // namespace discimage
