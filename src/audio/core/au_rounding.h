// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// numerator / denominator rounded to the nearest integer, ties to even
// (50.5 -> 50, 51.5 -> 52). Denominator must be positive; numerator >= 0.
[[nodiscard]] std::int64_t RoundHalfEven(std::int64_t numerator, std::int64_t denominator);
