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
    return static_cast<int32_t>(value > 0) - static_cast<int32_t>(value < 0);
}

// x - (31/32) * last, the fixed stage-1 filter (arithmetic shift: floor).
int32_t FirstOrder(int32_t x, int32_t last) {
    return Wrap32(int64_t{x} - ((int64_t{31} * last) >> 5));
}

}  // namespace

ChannelPredictor::ChannelPredictor(int level) {
    for (const NnFilterSpec& filter : NnFiltersOfLevel(level)) {
        m_filters.emplace_back(filter.order, filter.shift);
    }
    Reset();
}

void ChannelPredictor::Reset() {
    m_lastX = 0;
    m_lastY = 0;
    m_inputsA = {};
    m_signsA = {};
    m_lastB = 0;
    m_deltasB = {};
    m_signsB = {};
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

// The A side sees only past values; the B side also the current b and its
// difference to the last one. Unsigned arithmetic gives the decoders' 32-bit
// wrap-around.
int32_t ChannelPredictor::PredictAndAdapt(int32_t a, int32_t b) {
    const auto deltaB = static_cast<int32_t>(Difference(b, m_lastB));
    uint32_t sumA = 0;
    for (size_t i = 0; i < m_inputsA.size(); ++i) {
        sumA += Unsigned(m_weightsA[i]) * Unsigned(m_inputsA[i]);
    }
    uint32_t sumB =
        Unsigned(m_weightsB[0]) * Unsigned(b) + Unsigned(m_weightsB[1]) * Unsigned(deltaB);
    for (size_t i = 0; i < m_deltasB.size(); ++i) {
        sumB += Unsigned(m_weightsB[i + 2]) * Unsigned(m_deltasB[i]);
    }
    const uint32_t prediction = sumA + Unsigned(static_cast<int32_t>(sumB) >> 1);
    const auto residual =
        static_cast<int32_t>(Unsigned(a) - Unsigned(static_cast<int32_t>(prediction) >> 10));

    // Sign-sign adaptation towards a smaller residual.
    if (residual != 0) {
        const int32_t direction = Sign(residual);
        for (size_t i = 0; i < m_weightsA.size(); ++i) {
            m_weightsA[i] += direction * m_signsA[i];
        }
        m_weightsB[0] += direction * Sign(b);
        m_weightsB[1] += direction * Sign(deltaB);
        for (size_t i = 0; i < m_signsB.size(); ++i) {
            m_weightsB[i + 2] += direction * m_signsB[i];
        }
    }

    const auto deltaA = static_cast<int32_t>(Difference(a, m_inputsA[0]));
    m_inputsA = {a, deltaA, m_inputsA[1], m_inputsA[2]};
    m_signsA = {Sign(a), Sign(deltaA), m_signsA[1], m_signsA[2]};
    m_lastB = b;
    m_deltasB = {deltaB, m_deltasB[0], m_deltasB[1]};
    m_signsB = {Sign(deltaB), m_signsB[0], m_signsB[1]};
    return residual;
}

}  // namespace ape
