// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/accuraterip_sums.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The first track's first summed sample and the last track's unsummed tail.
constexpr std::uint64_t kFirstSummed = 5 * kArSamplesPerSector;
constexpr std::uint64_t kLastUnsummed = 5 * kArSamplesPerSector;

// Samples 1-based: sector 450 holds samples 264601..265188.
constexpr std::uint64_t kFrame450Before = 450 * kArSamplesPerSector;

constexpr std::uint64_t kMarginSamples = kArScanMarginSectors * kArSamplesPerSector;
// Steps from the smallest shift to the largest.
constexpr std::size_t kShiftSteps = 2 * kArMaxShift;

// [from, to) of a run of words starting at index `first` that falls inside
// [lo, hi], as offsets into the run.
struct TOverlap {
    std::size_t from = 0;
    std::size_t to = 0;
};
TOverlap Overlap(std::uint64_t first, std::size_t count, std::uint64_t lo, std::uint64_t hi) {
    const std::uint64_t begin = std::max(first, lo);
    const std::uint64_t end = std::min(first + count, hi + 1);
    if (begin >= end) {
        return {};
    }
    return {static_cast<std::size_t>(begin - first), static_cast<std::size_t>(end - first)};
}

// Of the 16-bit value in the low half.
std::uint32_t Magnitude(std::uint32_t half) {
    const int value = static_cast<std::int16_t>(half);
    return static_cast<std::uint32_t>(value < 0 ? -value : value);
}

}  // namespace

TArSummedRange::TArSummedRange(std::uint64_t samples, bool first, bool last)
    : samples(samples), lo(first ? kFirstSummed : 1), hi(samples) {
    if (last) {
        hi = samples > kLastUnsummed ? samples - kLastUnsummed : 0;
    }
}

std::span<const std::uint32_t> TArWordStream::Feed(std::span<const std::uint8_t> bytes) {
    m_firstIndex += m_words.size();
    m_words.clear();
    const auto word = [](const std::uint8_t* b) {
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    };
    while (m_pendingBytes > 0 && !bytes.empty()) {
        m_pending[m_pendingBytes++] = bytes.front();
        bytes = bytes.subspan(1);
        if (m_pendingBytes == m_pending.size()) {
            m_pendingBytes = 0;
            m_words.push_back(word(m_pending.data()));
        }
    }
    const std::size_t whole = bytes.size() / 4;
    const std::size_t before = m_words.size();
    m_words.resize(before + whole);
    for (std::size_t i = 0; i < whole; ++i) {
        m_words[before + i] = word(bytes.data() + 4 * i);
    }
    for (std::size_t i = 4 * whole; i < bytes.size(); ++i) {
        m_pending[m_pendingBytes++] = bytes[i];
    }
    return m_words;
}

TArChecksummer::TArChecksummer(std::uint64_t samples, bool first, bool last)
    : m_range(samples, first, last), m_crc(static_cast<std::uint32_t>(crc32_z(0, nullptr, 0))) {}

void TArChecksummer::Update(std::span<const std::uint8_t> bytes) {
    m_crc = static_cast<std::uint32_t>(crc32_z(m_crc, bytes.data(), bytes.size()));
    const std::span<const std::uint32_t> words = m_stream.Feed(bytes);
    Sum(m_stream.FirstIndex(), words);
}

void TArChecksummer::Sum(std::uint64_t index, std::span<const std::uint32_t> words) {
    // Word index i is sample i + 1.
    const TOverlap summed = Overlap(index + 1, words.size(), m_range.lo, m_range.hi);
    // Multipliers fit in 32 bits (a disc holds fewer samples), which lets the
    // compiler use 32 x 32 -> 64-bit vector multiplies.
    const auto firstMultiplier = static_cast<std::uint32_t>(index + 1);
    std::uint32_t v1 = 0;
    std::uint32_t high = 0;
    for (std::size_t i = summed.from; i < summed.to; ++i) {
        const std::uint64_t product =
            static_cast<std::uint64_t>(firstMultiplier + static_cast<std::uint32_t>(i)) * words[i];
        v1 += static_cast<std::uint32_t>(product);
        high += static_cast<std::uint32_t>(product >> 32);
    }
    m_v1 += v1;
    m_highHalves += high;

    const TOverlap sector450 = Overlap(index + 1, words.size(), kFrame450Before + 1,
                                       kFrame450Before + kArSamplesPerSector);
    for (std::size_t i = sector450.from; i < sector450.to; ++i) {
        m_frame450 += static_cast<std::uint32_t>(index + 1 + i - kFrame450Before) * words[i];
    }

    std::uint32_t peak = m_peak;
    for (const std::uint32_t word : words) {
        peak = std::max(peak, std::max(Magnitude(word), Magnitude(word >> 16)));
    }
    m_peak = peak;
}

std::optional<TArSums> TArChecksummer::Finish() const {
    if (!m_stream.Whole() || m_stream.Words() != m_range.samples) {
        return std::nullopt;
    }
    return TArSums{.v1 = m_v1,
                   .v2 = m_v1 + m_highHalves,
                   .frame450 = m_frame450,
                   .crc32 = m_crc,
                   .peak = m_peak};
}

TArOffsetScanner::TArOffsetScanner(std::uint64_t samples, bool first, bool last)
    : m_range(samples, first, last), m_head(kShiftSteps), m_tail(kShiftSteps) {}

void TArOffsetScanner::Update(std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint32_t> words = m_stream.Feed(bytes);
    Take(m_stream.FirstIndex(), words);
}

// Input word j is disc sample start - margin + j. At the smallest shift the
// track's sample m is input word m (the margin is one sample wider than the
// shift); each step up drops input word lo + step from the range and takes
// in word hi + 1 + step.
void TArOffsetScanner::Take(std::uint64_t index, std::span<const std::uint32_t> words) {
    if (m_range.hi < m_range.lo) {
        return;
    }
    const TOverlap summed = Overlap(index, words.size(), m_range.lo, m_range.hi);
    std::uint32_t weighted = 0;
    std::uint32_t plain = 0;
    for (std::size_t i = summed.from; i < summed.to; ++i) {
        weighted += static_cast<std::uint32_t>(index + i) * words[i];
        plain += words[i];
    }
    m_weighted += weighted;
    m_plain += plain;

    const auto keep = [&](std::uint64_t from, std::vector<std::uint32_t>& window) {
        const TOverlap part = Overlap(index, words.size(), from, from + kShiftSteps - 1);
        std::copy(words.begin() + static_cast<std::ptrdiff_t>(part.from),
                  words.begin() + static_cast<std::ptrdiff_t>(part.to),
                  window.begin() + static_cast<std::ptrdiff_t>(index + part.from - from));
    };
    keep(m_range.lo, m_head);
    keep(m_range.hi + 1, m_tail);
}

std::optional<TArShiftedSums> TArOffsetScanner::Finish() const {
    if (!m_stream.Whole() || m_stream.Words() != m_range.samples + 2 * kMarginSamples) {
        return std::nullopt;
    }
    TArShiftedSums sums{std::vector<std::uint32_t>(kShiftSteps + 1)};
    if (m_range.hi < m_range.lo) {
        return sums;
    }
    const auto lo = static_cast<std::uint32_t>(m_range.lo);
    const auto hi = static_cast<std::uint32_t>(m_range.hi);
    std::uint32_t weighted = m_weighted;
    std::uint32_t plain = m_plain;
    sums.v1[0] = weighted;
    for (std::size_t step = 0; step < kShiftSteps; ++step) {
        weighted += hi * m_tail[step] - plain - (lo - 1) * m_head[step];
        plain += m_tail[step] - m_head[step];
        sums.v1[step + 1] = weighted;
    }
    return sums;
}
