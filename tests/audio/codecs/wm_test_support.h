// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec_test_support.h"

// A file's audio as ffmpeg decodes it to 16-bit samples (all channels
// interleaved); `options` go before the output (for example "-ar 44100").
std::vector<std::int16_t> FfmpegS16(const std::string& input, const std::string& options = "");

// Signal-to-noise ratio in dB of `test` against `reference` over their
// first `count` values, starting at `offset` in `test`.
double SnrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& test,
             std::size_t count, std::size_t offset = 0);
