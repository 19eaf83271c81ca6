// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_format.h"

#include <array>

namespace ape {

namespace {

constexpr uint32_t kStandardBlocksPerFrame = 73728;

constexpr std::array<NnFilterSpec, 1> kNormalFilters{{{16, 11}}};
constexpr std::array<NnFilterSpec, 1> kHighFilters{{{64, 11}}};
constexpr std::array<NnFilterSpec, 2> kExtraHighFilters{{{256, 13}, {32, 10}}};
constexpr std::array<NnFilterSpec, 3> kInsaneFilters{{{1280, 15}, {256, 13}, {16, 11}}};

}  // namespace

bool IsValidLevel(int level) {
    return level == kLevelFast || level == kLevelNormal || level == kLevelHigh ||
           level == kLevelExtraHigh || level == kLevelInsane;
}

uint32_t BlocksPerFrame(int level) {
    switch (level) {
        case kLevelExtraHigh:
            return kStandardBlocksPerFrame * 4;
        case kLevelInsane:
            return kStandardBlocksPerFrame * 16;
        default:
            return kStandardBlocksPerFrame;
    }
}

std::span<const NnFilterSpec> NnFiltersOfLevel(int level) {
    switch (level) {
        case kLevelNormal:
            return kNormalFilters;
        case kLevelHigh:
            return kHighFilters;
        case kLevelExtraHigh:
            return kExtraHighFilters;
        case kLevelInsane:
            return kInsaneFilters;
        default:
            return {};
    }
}

}  // namespace ape
