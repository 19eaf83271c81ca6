// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// IEEE float samples (32 or 64 bits, little-endian, full scale ±1.0) as
// 24-bit little-endian PCM written to `out`, which holds 3 bytes for every
// whole sample of `in`: rounded to the nearest step (halves away from
// zero), clipped to the 24-bit range, NaN as silence. Returns the bytes
// written. A pure function, any thread.
std::size_t FloatTo24BitPcm(std::span<const std::uint8_t> in, int floatBits, std::uint8_t* out);
