// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "support/audio/memory_input.h"
#include "support/audio/pcm_bytes.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

// Interleaved 16-bit samples: a sine of `hertz` per channel (channel c a
// little higher than c - 1) at `amplitude`.
std::vector<std::int16_t> Sine(std::size_t frames, int channels, int rate, double hertz = 440.0,
                               double amplitude = 12000.0);

// A 44-byte linear PCM header followed by `data`.
std::vector<std::uint8_t> PcmWav(const std::vector<std::uint8_t>& data, int channels, int rate,
                                 int bits = 16);
// The file decoded by ffmpeg to 16-bit samples (channels as in the file);
// `extra` goes before the input (for example "-c:a mp3").
std::vector<std::int16_t> FfmpegDecode(const std::string& path, const TestFolder& dir,
                                       const std::string& extra = "");

// Largest difference between samples at the same index (over the shorter).
int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b);
