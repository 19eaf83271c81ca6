// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ape {

// A sign-LMS prediction filter on 16-bit histories with 16-bit coefficients
// (the "NN" filter). Compress turns one input value into its residual and
// adapts; all state is reset at every frame.
class NnFilter {
public:
    NnFilter(int order, int shift);

    void Reset();
    [[nodiscard]] int32_t Compress(int32_t input);

private:
    // Histories are kept in windows of kWindow entries past the last m_order,
    // so that the newest m_order entries are always contiguous.
    static constexpr size_t kWindow = 512;

    size_t m_order;
    int m_shift;
    int64_t m_average = 0;  // running mean of |input|
    std::vector<int16_t> m_coefficients;
    std::vector<int16_t> m_inputs;  // saturated inputs, oldest first
    std::vector<int16_t> m_steps;   // adaptation steps, aligned with m_inputs
    size_t m_next;                  // index the next input goes to
};

}  // namespace ape
