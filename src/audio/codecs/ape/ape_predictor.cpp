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

uint32_t Unsigned(int32_t value) {
    return static_cast<uint32_t>(value);
}

uint32_t Difference(int32_t newer, int32_t older) {
    return Unsigned(newer) - Unsigned(older);
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
    // Unsigned arithmetic gives the decoders' 32-bit wrap-around.
    const std::array<uint32_t, 4> inputsA = {
        Unsigned(m_pastA[0]), Difference(m_pastA[0], m_pastA[1]),
        Difference(m_pastA[1], m_pastA[2]), Difference(m_pastA[2], m_pastA[3])};
    const std::array<uint32_t, 5> inputsB = {
        Unsigned(b), Difference(b, m_pastB[0]), Difference(m_pastB[0], m_pastB[1]),
        Difference(m_pastB[1], m_pastB[2]), Difference(m_pastB[2], m_pastB[3])};

    uint32_t sumA = 0;
    for (size_t i = 0; i < inputsA.size(); ++i) {
        sumA += Unsigned(m_weightsA[i]) * inputsA[i];
    }
    uint32_t sumB = 0;
    for (size_t i = 0; i < inputsB.size(); ++i) {
        sumB += Unsigned(m_weightsB[i]) * inputsB[i];
    }
    const uint32_t prediction = sumA + Unsigned(static_cast<int32_t>(sumB) >> 1);
    const auto residual =
        static_cast<int32_t>(Unsigned(a) - Unsigned(static_cast<int32_t>(prediction) >> 10));

    // Sign-sign adaptation towards a smaller residual.
    if (residual != 0) {
        const int32_t direction = Sign(residual);
        for (size_t i = 0; i < inputsA.size(); ++i) {
            m_weightsA[i] += direction * Sign(static_cast<int32_t>(inputsA[i]));
        }
        for (size_t i = 0; i < inputsB.size(); ++i) {
            m_weightsB[i] += direction * Sign(static_cast<int32_t>(inputsB[i]));
        }
    }

    m_pastA = {a, m_pastA[0], m_pastA[1], m_pastA[2]};
    m_pastB = {b, m_pastB[0], m_pastB[1], m_pastB[2]};
    return residual;
}

}  // namespace ape
