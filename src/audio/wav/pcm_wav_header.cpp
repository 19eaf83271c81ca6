// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/pcm_wav_header.h"

#include <cstring>

#include "audio/wav/wav_bytes.h"

namespace {

constexpr std::uint16_t kPcmFormatTag = 1;
constexpr std::uint32_t kFmtChunkBytes = 16;

}  // namespace

std::array<std::uint8_t, kPcmWavHeaderBytes> RenderPcmWavHeader(const TPcmWavFormat& format,
                                                                std::uint32_t dataBytes) {
    const std::uint32_t blockAlign = (format.BitsPerSample * format.Channels) >> 3;
    std::array<std::uint8_t, kPcmWavHeaderBytes> header{};
    std::uint8_t* out = header.data();
    std::memcpy(out, "RIFF", 4);
    PutLE32(out + 4, dataBytes + 36);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    PutLE32(out + 16, kFmtChunkBytes);
    PutLE16(out + 20, kPcmFormatTag);
    PutLE16(out + 22, format.Channels);
    PutLE32(out + 24, format.SampleRate);
    PutLE32(out + 28, format.SampleRate * blockAlign);
    PutLE16(out + 32, blockAlign);
    PutLE16(out + 34, format.BitsPerSample);
    std::memcpy(out + 36, "data", 4);
    PutLE32(out + kPcmWavDataSizeOffset, dataBytes);
    return header;
}
