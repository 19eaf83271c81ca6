// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The name a track's files get from its title. The title itself stays as
// typed (tags, lists); only its files are named by this rule.

#include <cstddef>
#include <string>
#include <string_view>

// Room left in a 255-byte file name for what a rip adds after the stem: a
// " (NN)" that keeps the rip's names apart (6 bytes up to " (100)") and the
// longest extension with a temporary suffix (".ape" and the APE writer's
// ".XXXXXX", 11 bytes; ".flac" and the normalizer's ".nor" are shorter).
inline constexpr std::size_t kMaxFileStemBytes = 255 - 6 - 11;

// The file name without extension for a title of track trackNumber: white
// space around the title is dropped, every "/", NUL and other control
// character becomes "-", the result is cut to kMaxFileStemBytes on a UTF-8
// character boundary (and spaces the cut leaves at its end dropped). Nothing
// left, "." and ".." give the default title ("Track07").
[[nodiscard]] std::string FileStemOf(std::string_view title, int trackNumber);
