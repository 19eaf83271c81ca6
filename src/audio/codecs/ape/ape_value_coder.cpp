// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_value_coder.h"

#include <algorithm>
#include <array>
#include <bit>

namespace ape {

namespace {

constexpr uint32_t kEscapeSymbol = 63;
constexpr uint32_t kSplitPivot = 65536;

// Widths of the overflow model's symbols out of 65536; from symbol 18 on
// each has width 1, the last (63) being the escape.
constexpr std::array<uint32_t, 18> kLeadingWidths = {
    19578, 16582, 12257, 7906, 4576, 2366, 1170, 536, 261, 119, 65, 31, 19, 10, 6, 3, 3, 2};

struct ModelSymbol {
    uint32_t total;
    uint32_t width;
};

constexpr std::array<ModelSymbol, 64> MakeModel() {
    std::array<ModelSymbol, 64> model{};
    uint32_t total = 0;
    for (size_t s = 0; s < model.size(); ++s) {
        const uint32_t width = s < kLeadingWidths.size() ? kLeadingWidths[s] : 1;
        model[s] = {total, width};
        total += width;
    }
    return model;
}

constexpr std::array<ModelSymbol, 64> kModel = MakeModel();
static_assert(kModel[63].total + kModel[63].width == 65536);

}  // namespace

void ValueCoder::Encode(RangeEncoder& encoder, int32_t residual) {
    // Zigzag: 0, 1, -1, 2, -2 ... become 0, 1, 2, 3, 4 ...
    const auto magnitude = static_cast<uint32_t>(residual);
    const uint32_t value = residual > 0 ? 2 * magnitude - 1 : 0U - 2 * magnitude;

    const uint32_t pivot = std::max<uint32_t>(1, m_ksum / 32);
    const uint32_t overflow = value / pivot;
    const uint32_t base = value - overflow * pivot;
    m_ksum += static_cast<uint32_t>((uint64_t{value} + 1) / 2) - (m_ksum + 16) / 32;

    if (overflow < kEscapeSymbol) {
        encoder.EncodeSymbol(kModel[overflow].total, kModel[overflow].width);
    } else {
        encoder.EncodeSymbol(kModel[kEscapeSymbol].total, kModel[kEscapeSymbol].width);
        encoder.EncodeRaw16((overflow >> 16) & 0xFFFF);
        encoder.EncodeRaw16(overflow & 0xFFFF);
    }

    if (pivot < kSplitPivot) {
        encoder.EncodeUniform(base, pivot);
    } else {
        // The coder's precision is 16 bits: send the top 16 bits, then the rest.
        const int pivotBits = std::bit_width(pivot);
        const uint32_t split = 1U << (pivotBits - 16);
        encoder.EncodeUniform(base / split, pivot / split + 1);
        encoder.EncodeUniform(base % split, split);
    }
}

}  // namespace ape
