// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/audio/pcm_bytes.h"

using Bytes = std::vector<std::uint8_t>;

// Interleaved 16-bit stereo that resembles music: a few tones with moving
// amplitudes plus a little noise, peaking near `peak`.
std::vector<std::int16_t> MusicLike(std::size_t frames, int sampleRate, double peak);

// Resamples 16-bit stereo with sox's resampler at its highest quality.
std::vector<std::int16_t> SoxResample(const std::vector<std::int16_t>& samples, int fromRate,
                                      int toRate);

// Signal-to-noise ratio of `actual` against `reference` in dB, over the
// samples both have, leaving out `margin` samples at either end.
double SnrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& actual,
             std::size_t margin);
