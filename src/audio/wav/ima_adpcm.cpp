// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/ima_adpcm.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 16> kIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8,
                                             -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kMaxStepIndex = 88;
constexpr int kMaxPredictor = 32767;
constexpr int kMinPredictor = -32767;    // symmetric, as the encoder's clamp
constexpr std::size_t kHeaderBytes = 4;  // per channel
constexpr std::size_t kGroupBytes = 4;   // stereo: bytes of one channel in a row

// Applies one code to the state (shared by decoder and encoder so that
// both track the same predictor).
void Apply(TImaChannel& channel, std::uint8_t code) {
    const int step = kStepTable[channel.StepIndex];
    int delta = step >> 3;
    if (code & 4) {
        delta += step;
    }
    if (code & 2) {
        delta += step >> 1;
    }
    if (code & 1) {
        delta += step >> 2;
    }
    if (code & 8) {
        delta = -delta;
    }
    channel.Predictor = static_cast<std::int16_t>(
        std::clamp(channel.Predictor + delta, kMinPredictor, kMaxPredictor));
    channel.StepIndex = static_cast<std::uint8_t>(
        std::clamp(channel.StepIndex + kIndexTable[code], 0, kMaxStepIndex));
}

// Reads the channel headers; false for a step index beyond the table.
bool ReadHeaders(std::span<const std::uint8_t> block, int channels, TImaChannel* state) {
    for (int c = 0; c < channels; ++c) {
        const std::uint8_t* header = block.data() + kHeaderBytes * c;
        state[c].Predictor = static_cast<std::int16_t>(header[0] | (header[1] << 8));
        if (header[2] > kMaxStepIndex) {
            return false;
        }
        state[c].StepIndex = header[2];
    }
    return true;
}

}  // namespace

std::size_t ImaFramesPerBlock(std::size_t blockAlign, int channels) {
    if (channels == 1) {
        return blockAlign < kHeaderBytes ? 0 : 1 + 2 * (blockAlign - kHeaderBytes);
    }
    if (channels == 2) {
        const std::size_t headers = 2 * kHeaderBytes;
        return blockAlign < headers ? 0 : 1 + 8 * ((blockAlign - headers) / (2 * kGroupBytes));
    }
    return 0;
}

std::size_t DecodeImaBlock(std::span<const std::uint8_t> block, int channels, std::int16_t* out) {
    const std::size_t frames = ImaFramesPerBlock(block.size(), channels);
    TImaChannel state[2];
    if (frames == 0 || !ReadHeaders(block, channels, state)) {
        return 0;
    }
    const std::uint8_t* codes = block.data() + kHeaderBytes * channels;
    for (int c = 0; c < channels; ++c) {
        out[c] = state[c].Predictor;
    }
    if (channels == 1) {
        for (std::size_t k = 0; k + 1 < frames; ++k) {
            const std::uint8_t byte = codes[k / 2];
            Apply(state[0], (k % 2 == 0) ? (byte & 0x0F) : (byte >> 4));
            out[1 + k] = state[0].Predictor;
        }
        return frames;
    }
    // Stereo: each 8-byte group holds 8 codes of channel 0, then 8 of channel 1.
    for (std::size_t k = 0; k + 1 < frames; ++k) {
        const std::size_t group = (k / 8) * 2 * kGroupBytes;
        const std::size_t inGroup = (k % 8) / 2;
        for (int c = 0; c < 2; ++c) {
            const std::uint8_t byte = codes[group + kGroupBytes * c + inGroup];
            Apply(state[c], (k % 2 == 0) ? (byte & 0x0F) : (byte >> 4));
            out[2 * (1 + k) + c] = state[c].Predictor;
        }
    }
    return frames;
}

std::uint8_t EncodeImaSample(TImaChannel& channel, int sample) {
    const int step = kStepTable[channel.StepIndex];
    int diff = sample - channel.Predictor;
    std::uint8_t code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    if (diff >= step) {
        code |= 4;
        diff -= step;
    }
    if (diff >= step >> 1) {
        code |= 2;
        diff -= step >> 1;
    }
    if (diff >= step >> 2) {
        code |= 1;
    }
    Apply(channel, code);
    return code;
}

void EncodeImaBlock(std::span<const std::int16_t> frames, int channels, TImaChannel* state,
                    std::span<std::uint8_t> block) {
    const std::size_t count = ImaFramesPerBlock(block.size(), channels);
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    for (int c = 0; c < channels; ++c) {
        state[c].Predictor = frames[c];
        std::uint8_t* header = block.data() + kHeaderBytes * c;
        header[0] = static_cast<std::uint8_t>(frames[c] & 0xFF);
        header[1] = static_cast<std::uint8_t>((frames[c] >> 8) & 0xFF);
        header[2] = state[c].StepIndex;
    }
    std::uint8_t* codes = block.data() + kHeaderBytes * channels;
    for (std::size_t k = 0; k + 1 < count; ++k) {
        for (int c = 0; c < channels; ++c) {
            const std::uint8_t code = EncodeImaSample(state[c], frames[channels * (1 + k) + c]);
            const std::size_t byte =
                channels == 1 ? k / 2 : (k / 8) * 2 * kGroupBytes + kGroupBytes * c + (k % 8) / 2;
            codes[byte] |= (k % 2 == 0) ? code : static_cast<std::uint8_t>(code << 4);
        }
    }
}
