// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ape {

// The zlib / IEEE 802.3 CRC-32 (reflected 0xEDB88320, initial and final
// value 0xFFFFFFFF) of a byte range.
[[nodiscard]] uint32_t Crc32(std::span<const uint8_t> bytes);

// Incremental MD5 (RFC 1321).
class Md5 {
public:
    Md5();
    void Update(std::span<const uint8_t> bytes);
    // Ends the message; the object must not be updated afterwards.
    [[nodiscard]] std::array<uint8_t, 16> Finish();

private:
    void ProcessBlock(const uint8_t* block);

    std::array<uint32_t, 4> m_state;
    std::array<uint8_t, 64> m_pending{};  // bytes of an incomplete block
    uint64_t m_totalBytes = 0;
};

}  // namespace ape
