// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_checksums.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace ape {

namespace {

// Slicing-by-4 tables: table[k][b] is the CRC of byte b followed by k zeros.
using CrcTables = std::array<std::array<uint32_t, 256>, 4>;

CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t crc = b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
        }
        tables[0][b] = crc;
    }
    for (uint32_t b = 0; b < 256; ++b) {
        for (size_t k = 1; k < tables.size(); ++k) {
            const uint32_t previous = tables[k - 1][b];
            tables[k][b] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

const CrcTables& CrcTable() {
    static const CrcTables tables = MakeCrcTables();
    return tables;
}

constexpr std::array<uint32_t, 64> kMd5Shifts = {
    7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
    14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
    4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};

std::array<uint32_t, 64> MakeMd5Constants() {
    std::array<uint32_t, 64> constants{};
    for (size_t i = 0; i < constants.size(); ++i) {
        constants[i] =
            static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    }
    return constants;
}

uint32_t LoadLe32(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
    const CrcTables& table = CrcTable();
    uint32_t crc = 0xFFFFFFFFU;
    size_t i = 0;
    for (; i + 4 <= bytes.size(); i += 4) {
        crc ^= LoadLe32(&bytes[i]);
        crc = table[3][crc & 0xFF] ^ table[2][(crc >> 8) & 0xFF] ^ table[1][(crc >> 16) & 0xFF] ^
              table[0][crc >> 24];
    }
    for (; i < bytes.size(); ++i) {
        crc = (crc >> 8) ^ table[0][(crc ^ bytes[i]) & 0xFF];
    }
    return crc ^ 0xFFFFFFFFU;
}

Md5::Md5() : m_state{0x67452301U, 0xEFCDAB89U, 0x98BADCFEU, 0x10325476U} {}

void Md5::Update(std::span<const uint8_t> bytes) {
    size_t used = m_totalBytes % 64;
    m_totalBytes += bytes.size();
    size_t i = 0;
    if (used > 0) {
        const size_t take = std::min(bytes.size(), 64 - used);
        std::memcpy(&m_pending[used], bytes.data(), take);
        i = take;
        used += take;
        if (used < 64) {
            return;
        }
        ProcessBlock(m_pending.data());
    }
    for (; i + 64 <= bytes.size(); i += 64) {
        ProcessBlock(&bytes[i]);
    }
    std::memcpy(m_pending.data(), bytes.data() + i, bytes.size() - i);
}

std::array<uint8_t, 16> Md5::Finish() {
    const uint64_t messageBits = m_totalBytes * 8;
    std::array<uint8_t, 72> padding{};
    padding[0] = 0x80;
    const size_t used = m_totalBytes % 64;
    const size_t padBytes = used < 56 ? 56 - used : 120 - used;
    for (int k = 0; k < 8; ++k) {
        padding[padBytes + k] = static_cast<uint8_t>(messageBits >> (8 * k));
    }
    Update(std::span(padding.data(), padBytes + 8));

    std::array<uint8_t, 16> digest{};
    for (size_t word = 0; word < m_state.size(); ++word) {
        for (size_t k = 0; k < 4; ++k) {
            digest[word * 4 + k] = static_cast<uint8_t>(m_state[word] >> (8 * k));
        }
    }
    return digest;
}

void Md5::ProcessBlock(const uint8_t* block) {
    static const std::array<uint32_t, 64> constants = MakeMd5Constants();
    std::array<uint32_t, 16> words{};
    for (size_t k = 0; k < words.size(); ++k) {
        words[k] = LoadLe32(block + 4 * k);
    }
    uint32_t a = m_state[0];
    uint32_t b = m_state[1];
    uint32_t c = m_state[2];
    uint32_t d = m_state[3];
    for (uint32_t i = 0; i < 64; ++i) {
        uint32_t f = 0;
        uint32_t g = 0;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated =
            std::rotl(a + f + constants[i] + words[g], static_cast<int>(kMd5Shifts[i]));
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

}  // namespace ape
