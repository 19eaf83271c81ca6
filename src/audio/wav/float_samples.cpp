// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/float_samples.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "audio/wav/wav_bytes.h"

namespace {

constexpr double kFullScale = 8388608.0;  // 2^23: ±1.0 in 24-bit steps

double ReadFloat(const std::uint8_t* p, int floatBits) {
    if (floatBits == 32) {
        return std::bit_cast<float>(GetLE32(p));
    }
    const std::uint64_t bits = GetLE32(p) | (std::uint64_t{GetLE32(p + 4)} << 32);
    return std::bit_cast<double>(bits);
}

std::int32_t To24Bit(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // Clipped before rounding, so that infinities and huge values never
    // reach the integer conversion.
    const double scaled = std::clamp(value * kFullScale, -kFullScale, kFullScale - 1);
    return static_cast<std::int32_t>(std::lround(scaled));
}

}  // namespace

std::size_t FloatTo24BitPcm(std::span<const std::uint8_t> in, int floatBits, std::uint8_t* out) {
    const auto width = static_cast<std::size_t>(floatBits / 8);
    const std::size_t samples = in.size() / width;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::int32_t sample = To24Bit(ReadFloat(in.data() + i * width, floatBits));
        out[3 * i] = static_cast<std::uint8_t>(sample);
        out[3 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
        out[3 * i + 2] = static_cast<std::uint8_t>(sample >> 16);
    }
    return samples * 3;
}
