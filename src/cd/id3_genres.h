// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The genre list the user picks from (an empty entry, then 148 names sorted
// alphabetically) and its translation to ID3v1 genre numbers. Stored genre
// values (settings, disc cache) are positions in this list.

#include <cstdint>
#include <span>
#include <string_view>

inline constexpr int kGenreListSize = 149;
inline constexpr std::uint8_t kId3NoGenre = 255;

// The 149 list entries in list order; position 0 is "".
[[nodiscard]] std::span<const std::string_view> GenreListNames();

// The ID3v1 genre number (0..147) of a list position; 255 for position 0, for
// no selection (-1) and for any position outside the list.
[[nodiscard]] std::uint8_t GenreFromListPosition(int position);

// The first list position whose name equals name without regard to ASCII
// letter case, or -1 when none does. The empty name matches position 0.
[[nodiscard]] int GenreListPosition(std::string_view name);
