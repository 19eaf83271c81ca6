// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_rounding.h"

std::int64_t RoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    const std::int64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0)) {
        return quotient + 1;
    }
    return quotient;
}
