// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Little-endian integers in RIFF headers. The pointers must reach 2 or 4
// bytes.
[[nodiscard]] std::uint16_t GetLE16(const std::uint8_t* p);
[[nodiscard]] std::uint32_t GetLE32(const std::uint8_t* p);
void PutLE16(std::uint8_t* p, std::uint32_t value);  // low 16 bits
void PutLE32(std::uint8_t* p, std::uint32_t value);
