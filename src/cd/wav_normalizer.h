// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scales the samples of a ripped WAV file (44-byte header, then 16-bit
// little-endian samples) by a percentage, through a temporary ".nor" file
// beside it that then replaces the WAV file. The level is not measured first:
// 100 percent keeps the file as it is, less lowers it, more raises it and
// clips at the 16-bit limits. Any thread; one call per file at a time.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "audio/wav/pcm_wav_header.h"

inline constexpr std::size_t kRipWavHeaderBytes = kPcmWavHeaderBytes;

// Scales the complete 16-bit samples of block in place: sample × gain, with
// the product computed exactly, rounded to nearest with halves to even and
// clipped to -32768..32767. A trailing odd byte is left as it is.
void ScaleSamples(std::span<std::uint8_t> block, float gain);

// Called before each block with the share of the file done so far, 0..100.
using NormalizeProgress = std::function<void(std::int32_t percent)>;

// Normalises the file at wavPath in blocks of blockBytes. Returns false when a
// file could not be opened, read or written; the WAV file is then unchanged
// and the ".nor" file removed. When the ".nor" file cannot be moved over the
// WAV file, both stay and the result is still true: the audio is intact, just
// not scaled.
[[nodiscard]] bool NormalizeWavFile(const std::string& wavPath, std::int32_t percent,
                                    std::size_t blockBytes, const NormalizeProgress& progress);
