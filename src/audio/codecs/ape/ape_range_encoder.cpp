// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_range_encoder.h"

namespace ape {

namespace {

constexpr uint32_t kTop = 0x80000000U;
constexpr uint32_t kBottom = 0x00800000U;
constexpr uint32_t kShiftBits = 23;
// Below this, no later carry can reach the cache byte any more.
constexpr uint32_t kCarryFree = 0x7F800000U;

}  // namespace

void RangeEncoder::EncodeSymbol(uint32_t total, uint32_t width) {
    Normalize();
    const uint32_t quotient = m_range >> 16;
    m_range = quotient * width;
    m_low += quotient * total;
}

void RangeEncoder::EncodeRaw16(uint32_t value) {
    Normalize();
    m_range >>= 16;
    m_low += m_range * value;
}

void RangeEncoder::EncodeUniform(uint32_t value, uint32_t count) {
    Normalize();
    const uint32_t quotient = m_range / count;
    m_range = quotient;
    m_low += quotient * value;
}

void RangeEncoder::Finish() {
    Normalize();
    const uint32_t last = (m_low >> kShiftBits) + 1;
    EmitCacheAndPending(last > 0xFF);
    m_output.push_back(static_cast<uint8_t>(last));
    m_output.insert(m_output.end(), 3, 0);
}

void RangeEncoder::Normalize() {
    while (m_range <= kBottom) {
        if (m_low < kCarryFree || m_low >= kTop) {
            EmitCacheAndPending(m_low >= kTop);
            m_cache = (m_low >> kShiftBits) & 0xFF;
        } else {
            ++m_pending;
        }
        m_low = (m_low << 8) & (kTop - 1);
        m_range <<= 8;
    }
}

void RangeEncoder::EmitCacheAndPending(bool carry) {
    m_output.push_back(static_cast<uint8_t>(m_cache + (carry ? 1 : 0)));
    m_output.insert(m_output.end(), m_pending, carry ? 0x00 : 0xFF);
    m_pending = 0;
}

}  // namespace ape
