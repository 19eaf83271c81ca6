// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/ms_adpcm.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array<int, 16> kAdaptationTable = {230, 230, 230, 230, 307, 409, 512, 614,
                                                  768, 614, 512, 409, 307, 230, 230, 230};
constexpr std::size_t kHeaderBytes = 7;  // per channel
constexpr int kMinDelta = 16;
// Keeps delta × 768 and delta × 8 within 32 bits on hostile input; real
// encoders stay far below.
constexpr int kMaxDelta = 0x7FFFFFFF / 768;

struct Channel {
    int Coef1 = 0;
    int Coef2 = 0;
    int Delta = 0;
    int Sample1 = 0;
    int Sample2 = 0;
};

std::int16_t S16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

std::int16_t Expand(Channel& channel, int code) {
    // Division truncating toward zero, in 64 bits: the products of two
    // 16-bit values may sum beyond 32 bits.
    const std::int64_t prediction = (std::int64_t{channel.Sample1} * channel.Coef1 +
                                     std::int64_t{channel.Sample2} * channel.Coef2) /
                                    256;
    const int signedCode = code >= 8 ? code - 16 : code;
    const auto sample = static_cast<int>(std::clamp<std::int64_t>(
        prediction + std::int64_t{channel.Delta} * signedCode, -32768, 32767));
    channel.Delta = std::clamp(channel.Delta * kAdaptationTable[code] / 256, kMinDelta, kMaxDelta);
    channel.Sample2 = channel.Sample1;
    channel.Sample1 = sample;
    return static_cast<std::int16_t>(sample);
}

}  // namespace

std::size_t MSADPCMFramesInBlock(std::size_t blockBytes, int channels,
                                 std::size_t samplesPerBlock) {
    const std::size_t header = kHeaderBytes * channels;
    if ((channels != 1 && channels != 2) || blockBytes < header || samplesPerBlock < 2) {
        return 0;
    }
    // Two codes per byte: two mono samples or one stereo frame.
    const std::size_t codedFrames = (blockBytes - header) * 2 / channels;
    return 2 + std::min(samplesPerBlock - 2, codedFrames);
}

std::size_t DecodeMSADPCMBlock(std::span<const std::uint8_t> block, int channels,
                               std::size_t samplesPerBlock,
                               std::span<const TMSADPCMCoefficient> coefficients,
                               std::int16_t* out) {
    const std::size_t frames = MSADPCMFramesInBlock(block.size(), channels, samplesPerBlock);
    if (frames == 0) {
        return 0;
    }
    const std::uint8_t* p = block.data();
    Channel state[2];
    for (int c = 0; c < channels; ++c) {
        const std::uint8_t predictor = p[c];
        if (predictor >= coefficients.size()) {
            return 0;
        }
        state[c].Coef1 = coefficients[predictor].Coef1;
        state[c].Coef2 = coefficients[predictor].Coef2;
        state[c].Delta = S16(p + channels + 2 * c);
        state[c].Sample1 = S16(p + 3 * channels + 2 * c);
        state[c].Sample2 = S16(p + 5 * channels + 2 * c);
        out[c] = static_cast<std::int16_t>(state[c].Sample2);
        out[channels + c] = static_cast<std::int16_t>(state[c].Sample1);
    }
    const std::uint8_t* codes = p + kHeaderBytes * channels;
    std::int16_t* next = out + 2 * channels;
    const std::size_t samples = (frames - 2) * channels;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::uint8_t byte = codes[i / 2];
        const int code = (i % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
        // Mono: every code is the one channel's; stereo: high nibble is
        // channel 0, low nibble channel 1.
        next[i] = Expand(state[channels == 2 ? i % 2 : 0], code);
    }
    return frames;
}
