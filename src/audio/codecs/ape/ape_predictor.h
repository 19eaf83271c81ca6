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
    // Stage-2 inputs that are already known before the next value: the A
    // side's last output and its three newest differences; the B side's last
    // output and its three newest differences. Each with its sign, which
    // steers the adaptation.
    std::array<int32_t, 4> m_inputsA{};
    std::array<int32_t, 4> m_signsA{};
    int32_t m_lastB = 0;
    std::array<int32_t, 3> m_deltasB{};
    std::array<int32_t, 3> m_signsB{};
    std::array<int32_t, 4> m_weightsA{};
    std::array<int32_t, 5> m_weightsB{};
    std::vector<NnFilter> m_filters;
};

}  // namespace ape
