// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/protocol/cddb_toc.h"

#include <cstdio>

namespace {

std::uint32_t DigitSum(std::uint32_t n) {
    std::uint32_t sum = 0;
    for (; n > 0; n /= 10) {
        sum += n % 10;
    }
    return sum;
}

}  // namespace

std::uint32_t CddbDiscId(const TCddbToc& toc) {
    if (toc.trackStarts.empty()) {
        return 0;
    }
    std::uint32_t digitSums = 0;
    for (const std::uint32_t start : toc.trackStarts) {
        digitSums += DigitSum(start / kCddbFramesPerSecond);
    }
    // Both ends are truncated to seconds before subtracting, as servers do.
    const std::uint32_t seconds =
        toc.leadOut / kCddbFramesPerSecond - toc.trackStarts.front() / kCddbFramesPerSecond;
    return (digitSums % 255) << 24 | (seconds & 0xFFFF) << 8 |
           (static_cast<std::uint32_t>(toc.trackStarts.size()) & 0xFF);
}

std::string CddbDiscIdText(std::uint32_t discId) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", discId);
    return text;
}

std::string CddbQueryCommand(const TCddbToc& toc) {
    std::string command = "cddb query " + CddbDiscIdText(CddbDiscId(toc)) + " " +
                          std::to_string(toc.trackStarts.size());
    for (const std::uint32_t start : toc.trackStarts) {
        // Appended in two steps: GCC 12 warns wrongly (-Wrestrict) about
        // " " + a temporary string when it inlines it.
        command += ' ';
        command += std::to_string(start);
    }
    return command + " " + std::to_string(toc.leadOut / kCddbFramesPerSecond);
}
