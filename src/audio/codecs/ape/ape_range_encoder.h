// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace ape {

// The carry-propagating range coder of one frame. Bytes are appended to a
// caller-owned vector in logical (unswapped) order; the first byte of every
// frame is the coder's initial 0x00.
class RangeEncoder {
public:
    explicit RangeEncoder(std::vector<uint8_t>& output) : m_output(output) {}

    // A symbol of a 16-bit model: start and width out of 65536.
    void EncodeSymbol(uint32_t total, uint32_t width);
    // A raw 16-bit field, value < 65536.
    void EncodeRaw16(uint32_t value);
    // A value uniformly distributed over [0, count).
    void EncodeUniform(uint32_t value, uint32_t count);
    // Flushes the coder; the decoder consumes exactly the bytes written.
    void Finish();

private:
    void Normalize();
    void EmitCacheAndPending(bool carry);

    std::vector<uint8_t>& m_output;
    uint32_t m_low = 0;
    uint32_t m_range = 0x80000000U;
    uint32_t m_cache = 0;    // last byte still open to a carry
    uint32_t m_pending = 0;  // undecided bytes after the cache
};

}  // namespace ape
