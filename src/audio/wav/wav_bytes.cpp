// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/wav_bytes.h"

std::uint16_t GetLE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t GetLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(GetLE16(p)) |
           (static_cast<std::uint32_t>(GetLE16(p + 2)) << 16);
}

void PutLE16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::uint8_t* p, std::uint32_t value) {
    PutLE16(p, value);
    PutLE16(p + 2, value >> 16);
}
