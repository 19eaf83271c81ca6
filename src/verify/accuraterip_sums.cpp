// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/accuraterip_sums.h"

#include <libdeflate.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

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

// Word i of a run.
std::uint32_t WordAt(const TArWordRun& run, std::size_t i) {
    std::uint32_t word = 0;
    std::memcpy(&word, run.bytes + 4 * i, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap32(word);
    }
    return word;
}

// 16-bit value i of a run (the left one of sample i / 2 when i is even).
std::int16_t HalfAt(const TArWordRun& run, std::size_t i) {
    std::uint16_t half = 0;
    std::memcpy(&half, run.bytes + 2 * i, sizeof half);
    if constexpr (std::endian::native == std::endian::big) {
        half = __builtin_bswap16(half);
    }
    return static_cast<std::int16_t>(half);
}

// Largest magnitude of any 16-bit value of the run, 0..32768. Apart from
// the sums, and through the lowest and highest value rather than each
// value's magnitude, so that it runs on whole vectors.
std::uint32_t PeakOf(const TArWordRun& run) {
    std::int16_t lowest = 0;
    std::int16_t highest = 0;
    for (std::size_t i = 0; i < 2 * run.words; ++i) {
        const std::int16_t value = HalfAt(run, i);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    return static_cast<std::uint32_t>(std::max(-int{lowest}, int{highest}));
}

}  // namespace

TArSummedRange::TArSummedRange(std::uint64_t samples, bool first, bool last)
    : samples(samples), lo(first ? kFirstSummed : 1), hi(samples) {
    if (last) {
        hi = samples > kLastUnsummed ? samples - kLastUnsummed : 0;
    }
}

std::array<TArWordRun, 2> TArWordStream::Feed(std::span<const std::uint8_t> bytes) {
    m_firstIndex = m_words;
    TArWordRun finished;
    if (m_pendingBytes > 0) {
        const std::size_t taken = std::min(bytes.size(), m_pending.size() - m_pendingBytes);
        std::copy_n(bytes.begin(), taken, m_pending.begin() + m_pendingBytes);
        m_pendingBytes += taken;
        bytes = bytes.subspan(taken);
        if (m_pendingBytes == m_pending.size()) {
            m_pendingBytes = 0;
            m_finished = m_pending;
            finished = {m_finished.data(), 1};
        }
    }
    // Either the leftover is now a whole word or there are no bytes left.
    const TArWordRun inPlace{bytes.data(), bytes.size() / 4};
    const std::size_t rest = bytes.size() % 4;
    std::copy_n(bytes.end() - static_cast<std::ptrdiff_t>(rest), rest,
                m_pending.begin() + m_pendingBytes);
    m_pendingBytes += rest;
    m_words += finished.words + inPlace.words;
    return {finished, inPlace};
}

TArChecksummer::TArChecksummer(std::uint64_t samples, bool first, bool last)
    : m_range(samples, first, last) {}

void TArChecksummer::Update(std::span<const std::uint8_t> bytes) {
    m_crc = libdeflate_crc32(m_crc, bytes.data(), bytes.size());
    const std::array<TArWordRun, 2> runs = m_stream.Feed(bytes);
    std::uint64_t index = m_stream.FirstIndex();
    for (const TArWordRun& run : runs) {
        Sum(index, run);
        index += run.words;
    }
}

void TArChecksummer::Sum(std::uint64_t index, TArWordRun run) {
    // Word index i is sample i + 1.
    const TOverlap summed = Overlap(index + 1, run.words, m_range.lo, m_range.hi);
    // Multipliers fit in 32 bits (a disc holds fewer samples), which lets the
    // compiler use 32 x 32 -> 64-bit vector multiplies. The products are
    // summed whole and their low halves apart, in 64 bits: a run holds fewer
    // than 2^32 words, so the low halves' sum is exact and the high halves'
    // sum is what the whole sum has beyond it.
    const auto firstMultiplier = static_cast<std::uint32_t>(index + 1);
    std::uint64_t products = 0;
    std::uint64_t lowHalves = 0;
    std::uint32_t plain = 0;
    for (std::size_t i = summed.from; i < summed.to; ++i) {
        const std::uint32_t word = WordAt(run, i);
        const std::uint64_t product =
            static_cast<std::uint64_t>(firstMultiplier + static_cast<std::uint32_t>(i)) * word;
        products += product;
        lowHalves += static_cast<std::uint32_t>(product);
        plain += word;
    }
    m_v1 += static_cast<std::uint32_t>(products);
    m_plain += plain;
    m_highHalves += static_cast<std::uint32_t>((products - lowHalves) >> 32);

    const TOverlap sector450 =
        Overlap(index + 1, run.words, kFrame450Before + 1, kFrame450Before + kArSamplesPerSector);
    for (std::size_t i = sector450.from; i < sector450.to; ++i) {
        m_frame450 += static_cast<std::uint32_t>(index + 1 + i - kFrame450Before) * WordAt(run, i);
    }

    m_peak = std::max(m_peak, PeakOf(run));
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
    : m_range(samples, first, last),
      m_track(samples, first, last),
      m_head(kShiftSteps),
      m_tail(kShiftSteps) {}

void TArOffsetScanner::Update(std::span<const std::uint8_t> bytes) {
    const TOverlap track = Overlap(m_bytes, bytes.size(), 4 * kMarginSamples,
                                   4 * (kMarginSamples + m_range.samples) - 1);
    m_track.Update(bytes.subspan(track.from, track.to - track.from));
    m_bytes += bytes.size();
    const std::array<TArWordRun, 2> runs = m_stream.Feed(bytes);
    std::uint64_t index = m_stream.FirstIndex();
    for (const TArWordRun& run : runs) {
        Keep(index, run);
        index += run.words;
    }
}

// Input word j is disc sample start - margin + j. At the smallest shift the
// track's sample m is input word m (the margin is one sample wider than the
// shift); each step up drops input word lo + step from the range and takes
// in word hi + 1 + step.
void TArOffsetScanner::Keep(std::uint64_t index, TArWordRun run) {
    const auto keep = [&](std::uint64_t from, std::vector<std::uint32_t>& window) {
        const TOverlap part = Overlap(index, run.words, from, from + kShiftSteps - 1);
        for (std::size_t i = part.from; i < part.to; ++i) {
            window[index + i - from] = WordAt(run, i);
        }
    };
    keep(m_range.lo, m_head);
    keep(m_range.hi + 1, m_tail);
}

// From the track's own sums, which are those at shift 0 (step kArMaxShift),
// down to the smallest shift and up to the largest, one step at a time.
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
    const std::uint32_t weightedAtZero = m_track.Finish()->v1;
    const std::uint32_t plainAtZero = m_track.PlainSum();
    sums.v1[kArMaxShift] = weightedAtZero;
    std::uint32_t weighted = weightedAtZero;
    std::uint32_t plain = plainAtZero;
    for (std::size_t step = kArMaxShift; step-- > 0;) {
        plain += m_head[step] - m_tail[step];
        weighted += plain + (lo - 1) * m_head[step] - hi * m_tail[step];
        sums.v1[step] = weighted;
    }
    weighted = weightedAtZero;
    plain = plainAtZero;
    for (std::size_t step = kArMaxShift; step < kShiftSteps; ++step) {
        weighted += hi * m_tail[step] - plain - (lo - 1) * m_head[step];
        plain += m_tail[step] - m_head[step];
        sums.v1[step + 1] = weighted;
    }
    return sums;
}
