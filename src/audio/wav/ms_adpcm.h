// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/wav/wav_header.h"

// Decodes one Microsoft ADPCM block (or the part of it that was read) into
// interleaved 16-bit samples. Block header per channel: predictor index,
// delta, sample 1, sample 2 (stereo: each field for channel 0 then 1).
// Output begins with sample 2, then sample 1, then one sample per code, two
// codes per byte, high nibble first (stereo: high nibble channel 0).
// `channels` is 1 or 2; at most `samplesPerBlock` frames are written to
// `out`. Returns the frames written; 0 when the block is too short for its
// header or names a predictor beyond `coefficients` (a corrupt block).
[[nodiscard]] std::size_t DecodeMSADPCMBlock(std::span<const std::uint8_t> block, int channels,
                                             std::size_t samplesPerBlock,
                                             std::span<const TMSADPCMCoefficient> coefficients,
                                             std::int16_t* out);

// Frames a block yields at most: all of samplesPerBlock when the block's
// codes reach that far, else what they hold.
[[nodiscard]] std::size_t MSADPCMFramesInBlock(std::size_t blockBytes, int channels,
                                               std::size_t samplesPerBlock);
