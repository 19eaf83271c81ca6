// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/core/au_input.h"

// Reads a whole pass through the public input operations, asking for
// `request` bytes at a time.
std::vector<std::uint8_t> ReadPass(TAuInput& input, std::size_t request = 16384);

// 16-bit samples as the little-endian bytes of PCM data, and back (an odd
// last byte is dropped).
std::vector<std::uint8_t> AsBytes(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> AsSamples(const std::vector<std::uint8_t>& bytes);
