// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one genre table: every ID3v1 genre number (0..147) with the name the
// genre list shows the user, in the order the user picks from (an empty
// entry first, then 148 names sorted alphabetically), and the name the ID3v1
// genre list gives it where that is spelled differently. Stored genre values
// (settings, disc cache) are positions in the user's list; tags carry the
// numbers. Constant data, any thread.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

inline constexpr int kId3v1GenreCount = 148;
inline constexpr int kGenreListSize = kId3v1GenreCount + 1;
inline constexpr std::uint8_t kId3NoGenre = 255;

// The ID3v1 genre names in genre-number order.
[[nodiscard]] const std::array<std::string_view, kId3v1GenreCount>& Id3v1GenreNames();

// The 149 list entries in list order; position 0 is "".
[[nodiscard]] std::span<const std::string_view> GenreListNames();

// The ID3v1 genre number (0..147) of a list position; 255 for position 0, for
// no selection (-1) and for any position outside the list.
[[nodiscard]] std::uint8_t GenreFromListPosition(int position);

// The first list position whose name equals name without regard to ASCII
// letter case, or -1 when none does. The empty name matches position 0.
[[nodiscard]] int GenreListPosition(std::string_view name);
