// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_predictor.h"

#include "audio/codecs/ape/ape_format.h"

namespace ape {

namespace {

constexpr std::array<int32_t, 4> kInitialWeightsA = {360, 317, -109, 98};

// Two's-complement wrap to 32 bits; the decoders compute in 32-bit ints.
int32_t Wrap32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t Sign(int32_t value) {
    return (value > 0) - (value < 0);
}

// x - (31/32) * last, the fixed stage-1 filter (arithmetic shift: floor).
int32_t FirstOrder(int32_t x, int32_t last) {
    return Wrap32(int64_t{x} - ((int64_t{31} * last) >> 5));
}

}  // namespace

ChannelPredictor::ChannelPredictor(int level) {
    for (const NnFilterSpec& spec : NnFiltersOfLevel(level)) {
        m_filters.emplace_back(spec.order, spec.shift);
    }
    Reset();
}

void ChannelPredictor::Reset() {
    m_lastX = 0;
    m_lastY = 0;
    m_pastA = {};
    m_pastB = {};
    m_weightsA = kInitialWeightsA;
    m_weightsB = {};
    for (NnFilter& filter : m_filters) {
        filter.Reset();
    }
}

int32_t ChannelPredictor::Compress(int32_t x, int32_t y) {
    const int32_t a = FirstOrder(x, m_lastX);
    const int32_t b = FirstOrder(y, m_lastY);
    m_lastX = x;
    m_lastY = y;

    int32_t residual = PredictAndAdapt(a, b);
    for (NnFilter& filter : m_filters) {
        residual = filter.Compress(residual);
    }
    return residual;
}

int32_t ChannelPredictor::PredictAndAdapt(int32_t a, int32_t b) {
    // The A side sees only past values; the B side includes the current b.
    const std::array<int32_t, 4> inputsA = {m_pastA[0], Wrap32(int64_t{m_pastA[0]} - m_pastA[1]),
                                            Wrap32(int64_t{m_pastA[1]} - m_pastA[2]),
                                            Wrap32(int64_t{m_pastA[2]} - m_pastA[3])};
    const std::array<int32_t, 5> inputsB = {
        b, Wrap32(int64_t{b} - m_pastB[0]), Wrap32(int64_t{m_pastB[0]} - m_pastB[1]),
        Wrap32(int64_t{m_pastB[1]} - m_pastB[2]), Wrap32(int64_t{m_pastB[2]} - m_pastB[3])};

    uint32_t sumA = 0;
    for (size_t i = 0; i < inputsA.size(); ++i) {
        sumA += static_cast<uint32_t>(m_weightsA[i]) * static_cast<uint32_t>(inputsA[i]);
    }
    uint32_t sumB = 0;
    for (size_t i = 0; i < inputsB.size(); ++i) {
        sumB += static_cast<uint32_t>(m_weightsB[i]) * static_cast<uint32_t>(inputsB[i]);
    }
    const int32_t prediction =
        Wrap32(int64_t{static_cast<int32_t>(sumA)} + (static_cast<int32_t>(sumB) >> 1));
    const int32_t residual = Wrap32(int64_t{a} - (prediction >> 10));

    // Sign-sign adaptation towards a smaller residual.
    const int32_t direction = Sign(residual);
    if (direction != 0) {
        for (size_t i = 0; i < inputsA.size(); ++i) {
            m_weightsA[i] += direction * Sign(inputsA[i]);
        }
        for (size_t i = 0; i < inputsB.size(); ++i) {
            m_weightsB[i] += direction * Sign(inputsB[i]);
        }
    }

    m_pastA = {a, m_pastA[0], m_pastA[1], m_pastA[2]};
    m_pastB = {b, m_pastB[0], m_pastB[1], m_pastB[2]};
    return residual;
}

}  // namespace ape
