// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "audio/codecs/ape/ape_range_encoder.h"

namespace ape {

// Adaptive coder of one channel's residuals: an overflow symbol from a fixed
// model plus a uniform remainder, both scaled by a running mean ("ksum").
// One instance per coded channel, reset at every frame.
class ValueCoder {
public:
    void Reset() { m_ksum = kInitialKsum; }
    void Encode(RangeEncoder& encoder, int32_t residual);

private:
    static constexpr uint32_t kInitialKsum = 16384;
    uint32_t m_ksum = kInitialKsum;
};

}  // namespace ape
