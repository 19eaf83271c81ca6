// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The canonical 44-byte header of a linear PCM WAV file: RIFF, a 16-byte
// "fmt " chunk and the "data" chunk's header. Pure function, any thread.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kPcmWavHeaderBytes = 44;
inline constexpr std::size_t kPcmWavDataSizeOffset = 40;  // of the data chunk's size field

struct TPcmWavFormat {
    std::uint32_t Channels = 2;
    std::uint32_t SampleRate = 44100;
    std::uint32_t BitsPerSample = 16;
};

// The header for dataBytes bytes of audio. The RIFF size is dataBytes + 36,
// computed modulo 2^32 like the field itself.
[[nodiscard]] std::array<std::uint8_t, kPcmWavHeaderBytes> RenderPcmWavHeader(
    const TPcmWavFormat& format, std::uint32_t dataBytes);
