// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// 4-bit IMA ADPCM ("DVI") blocks in the WAV layout: per channel a 4-byte
// header (first sample, step index, reserved 0), then the codes. Mono: two
// codes per byte, low nibble first. Stereo: alternating groups of 4 bytes
// (8 codes) of channel 0 and of channel 1. Predictors are clamped to
// -32767..32767. Pure functions; the caller owns all buffers.

// The running state of one channel.
struct TImaChannel {
    std::int16_t Predictor = 0;
    std::uint8_t StepIndex = 0;  // 0..88
};

// Sample frames a block of `blockAlign` bytes decodes to: mono 1 + 2 per
// code byte; stereo 1 + 8 per whole group pair (a partial group is unused).
// 0 when the block cannot hold the channel headers.
[[nodiscard]] std::size_t ImaFramesPerBlock(std::size_t blockAlign, int channels);

// Decodes one block (or the part of it that was read) into interleaved
// 16-bit samples. `channels` is 1 or 2; `out` must hold
// ImaFramesPerBlock(block.size(), channels) frames. Returns the frames
// written, 0 when the block is too short for its headers or names a step
// index beyond 88 (a corrupt block).
[[nodiscard]] std::size_t DecodeImaBlock(std::span<const std::uint8_t> block, int channels,
                                         std::int16_t* out);

// Codes one sample against a channel's state and advances it.
[[nodiscard]] std::uint8_t EncodeImaSample(TImaChannel& channel, int sample);

// Encodes ImaFramesPerBlock(block.size(), channels) interleaved frames into
// `block`. The first frame becomes the headers (state predictors := it);
// the step indices carry over in `state` from block to block.
void EncodeImaBlock(std::span<const std::int16_t> frames, int channels, TImaChannel* state,
                    std::span<std::uint8_t> block);
