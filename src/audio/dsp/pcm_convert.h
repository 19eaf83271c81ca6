// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// In-place conversions of interleaved little-endian PCM blocks, shared by
// the sample converter and the resampler. 8-bit samples are unsigned (128
// is silence), 16-bit and 24-bit samples signed. Each takes the block's
// length in bytes and returns the new length; blocks that grow must have
// room for the result in `data`. Pure functions, any thread.

enum TMSConverterMode : std::uint8_t { msmMonoToBoth, msmMonoToLeft, msmMonoToRight };

// Stereo to mono: each frame becomes the mean of left and right (8-bit and
// 24-bit rounded down, 16-bit truncated toward zero).
std::size_t MixStereoToMono(std::uint8_t* data, std::size_t bytes, int bitsPerSample);
// Mono to stereo: msmMonoToBoth puts each sample on both channels; the other
// modes put it on one channel and silence on the other.
std::size_t SpreadMonoToStereo(std::uint8_t* data, std::size_t bytes, int bitsPerSample,
                               TMSConverterMode mode);
// 24-bit to 16-bit: keeps the upper two bytes of each sample.
std::size_t Narrow24To16(std::uint8_t* data, std::size_t bytes);
// The same from `in` into `out`, which holds two thirds of `bytes`; `out`
// may be `in` but no other place inside it.
std::size_t Narrow24To16(const std::uint8_t* in, std::size_t bytes, std::uint8_t* out);
// 8-bit to 16-bit: byte × 256 − 32768.
std::size_t Widen8To16(std::uint8_t* data, std::size_t bytes);
// 16-bit to 8-bit: the high byte with its sign bit flipped.
std::size_t Narrow16To8(std::uint8_t* data, std::size_t bytes);
// 16-bit to 24-bit: a zero low byte below the 16-bit sample.
std::size_t Widen16To24(std::uint8_t* data, std::size_t bytes);
