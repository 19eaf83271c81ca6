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

// A piece size that makes outputs gather their blocks from several reads.
constexpr std::size_t kOddPiece = 5000;

// Interleaved little-endian PCM: a sine of `hertz` per channel (each channel
// a different phase) plus a little noise, at 70 % of full scale.
std::vector<std::uint8_t> SinePcm(std::size_t frames, int bitsPerSample, int channels,
                                  int sampleRate, double hertz = 440.0);
