// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SHA-1 (FIPS 180-4) of a short byte string, for the MusicBrainz disc id,
// which is defined over it. Not for anything that needs a secure hash.

#include <array>
#include <cstdint>
#include <string_view>

[[nodiscard]] std::array<std::uint8_t, 20> Sha1(std::string_view bytes);
