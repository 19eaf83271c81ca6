// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_nn_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ape {

namespace {

// Sum of products wrapped to 32 bits, as every decoder computes it.
int32_t DotProduct(const int16_t* a, const int16_t* b, size_t count) {
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum += static_cast<uint32_t>(int32_t{a[i]} * int32_t{b[i]});
    }
    return static_cast<int32_t>(sum);
}

// Coefficients wrap at 16 bits. Multiplying by the direction (-1, 0 or +1)
// instead of branching on it keeps the unpredictable sign of each residual
// out of the branch predictor.
void AdaptCoefficients(int16_t* coefficients, const int16_t* steps, size_t count,
                       int16_t direction) {
    for (size_t i = 0; i < count; ++i) {
        coefficients[i] = static_cast<int16_t>(coefficients[i] + steps[i] * direction);
    }
}

// 1 when the condition holds, else 0.
int Count(bool condition) {
    return static_cast<int>(condition);
}

int16_t Saturate16(int32_t value) {
    return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

// Step for the newest input: 8, 16 or 32 as its magnitude exceeds 0, 4/3 and
// 3 times the running mean (never negative), with the sign opposite to the
// input's. Adding up the comparisons avoids data-dependent branches.
int16_t AdaptationStep(int32_t input, int64_t magnitude, int64_t average) {
    const int step = 8 * (Count(magnitude > 0) + Count(magnitude > 4 * average / 3) +
                          2 * Count(magnitude > 3 * average));
    return static_cast<int16_t>(input > 0 ? -step : step);
}

}  // namespace

NnFilter::NnFilter(int order, int shift)
    : m_order(static_cast<size_t>(order)),
      m_shift(shift),
      m_coefficients(m_order),
      m_inputs(m_order + kWindow),
      m_steps(m_order + kWindow),
      m_next(m_order) {}

void NnFilter::Reset() {
    m_average = 0;
    std::fill(m_coefficients.begin(), m_coefficients.end(), 0);
    std::fill(m_inputs.begin(), m_inputs.end(), 0);
    std::fill(m_steps.begin(), m_steps.end(), 0);
    m_next = m_order;
}

int32_t NnFilter::Compress(int32_t input) {
    const int16_t* inputs = &m_inputs[m_next - m_order];
    int16_t* steps = &m_steps[m_next - m_order];

    const int64_t dot = DotProduct(m_coefficients.data(), inputs, m_order);
    const int64_t prediction = (dot + (int64_t{1} << (m_shift - 1))) >> m_shift;
    const auto output = static_cast<int32_t>(static_cast<uint32_t>(int64_t{input} - prediction));

    AdaptCoefficients(m_coefficients.data(), steps, m_order,
                      static_cast<int16_t>(Count(output < 0) - Count(output > 0)));

    const int64_t magnitude = std::llabs(int64_t{input});
    m_inputs[m_next] = Saturate16(input);
    m_steps[m_next] = AdaptationStep(input, magnitude, m_average);
    m_average += (magnitude - m_average) / 16;
    // Steps lose weight with age: halved at ages 2, 3 and 9.
    m_steps[m_next - 1] = static_cast<int16_t>(m_steps[m_next - 1] >> 1);
    m_steps[m_next - 2] = static_cast<int16_t>(m_steps[m_next - 2] >> 1);
    m_steps[m_next - 8] = static_cast<int16_t>(m_steps[m_next - 8] >> 1);

    if (++m_next == m_inputs.size()) {
        std::memmove(m_inputs.data(), &m_inputs[kWindow], m_order * sizeof(int16_t));
        std::memmove(m_steps.data(), &m_steps[kWindow], m_order * sizeof(int16_t));
        m_next = m_order;
    }
    return output;
}

}  // namespace ape
