// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a CDDB server is told about a disc: its disc id and the "cddb query"
// command, both made from the table of contents.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint32_t kCddbFramesPerSecond = 75;

// A disc's table of contents in CD frames (1/75 s) counted from the very start
// of the disc, the 150 frames before a first track at 00:02:00 included.
// Every track counts, data tracks too.
struct TCddbToc {
    std::vector<std::uint32_t> trackStarts;
    std::uint32_t leadOut = 0;
};

// The 32-bit disc id: the digit sums of the track starts in whole seconds
// (mod 255), the whole seconds from the first track to the lead-out, and the
// track count.
[[nodiscard]] std::uint32_t CddbDiscId(const TCddbToc& toc);

// The disc id as the protocol writes it: eight lower-case hex digits.
[[nodiscard]] std::string CddbDiscIdText(std::uint32_t discId);

// "cddb query <id> <count> <start frames...> <lead-out seconds>".
[[nodiscard]] std::string CddbQueryCommand(const TCddbToc& toc);
