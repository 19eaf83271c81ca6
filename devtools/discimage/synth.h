// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Synthesised test and demo signals as 16-bit little-endian stereo PCM at
// 44100 Hz. Deterministic: the same arguments always give the same bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "discimage/disc_image.h"

namespace discimage {

inline constexpr int kSampleRate = 44100;

// A sine tone; amplitude 0..1 of full scale. The right channel is the left
// one negated, so channel mix-ups show in a comparison.
[[nodiscard]] Pcm SineTone(double frequencyHz, std::uint32_t frames, double amplitude);

// Bytes whose value depends on their position and the seed: every sector of
// a disc made from it differs from every other.
[[nodiscard]] Pcm BytePattern(std::size_t bytes, std::uint32_t seed);

// One note of a melody: a pitch in semitones above A4 (440 Hz), or silence
// for kRest, lasting beats beats.
struct Note {
    int semitone = 0;
    double beats = 1.0;
};
inline constexpr int kRest = 1000;

// Plays notes with a few harmonics and a soft attack/decay envelope, over a
// quiet bass drone of the tonic; tempo in beats per minute.
[[nodiscard]] Pcm Melody(const std::vector<Note>& notes, double beatsPerMinute, int tonic);

// The demo album: several short pieces, one per track.
[[nodiscard]] std::vector<Pcm> DemoAlbum();
// The demo album's CD-Text: its title, performer and a title per piece.
[[nodiscard]] CueText DemoAlbumText();

}  // namespace discimage
