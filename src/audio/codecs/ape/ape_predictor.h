// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/codecs/ape/ape_nn_filter.h"

namespace ape {

// The prediction pipeline of one coded channel: a fixed first-order filter,
// an adaptive sign-sign predictor that also looks at a second ("B") signal,
// then the level's NN filters. Reset at every frame.
class ChannelPredictor {
public:
    explicit ChannelPredictor(int level);

    void Reset();
    // Residual of value x, given the B-side value y (0 when there is none).
    [[nodiscard]] int32_t Compress(int32_t x, int32_t y);

private:
    [[nodiscard]] int32_t PredictAndAdapt(int32_t a, int32_t b);

    int32_t m_lastX = 0;  // stage-1 memories
    int32_t m_lastY = 0;
    std::array<int32_t, 4> m_pastA{};  // stage-1 A outputs, newest first
    std::array<int32_t, 4> m_pastB{};  // stage-1 B outputs, newest first
    std::array<int32_t, 4> m_weightsA{};
    std::array<int32_t, 5> m_weightsB{};
    std::vector<NnFilter> m_filters;
};

}  // namespace ape
