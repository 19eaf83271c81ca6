// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A ripped track's sums, computed from its bytes as the rip writes them: the
// AccurateRip v1 and v2 checksums, the sum of sector 450 that the database
// keeps beside them, the CRC-32 of the bytes and the peak level; and the v1
// checksum at every read shift within ±2939 samples, to tell at which read
// offset a track matches. Audio is raw CD-DA: 16-bit little-endian stereo,
// left first, so a sample (one stereo pair) is one little-endian 32-bit word.
// Each object lives on one thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr std::uint32_t kArSamplesPerSector = 588;

// The largest read shift the scan tries, in samples either way: the first
// track's unsummed head is one sample shorter than five sectors.
inline constexpr int kArMaxShift = 2939;
// Audio the scan needs beyond each end of the track: five whole sectors.
inline constexpr std::uint32_t kArScanMarginSectors = 5;

struct TArSums {
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
    std::uint32_t frame450 = 0;  // 0 when the track has no sector 450
    std::uint32_t crc32 = 0;     // zlib's CRC-32 of every byte of the track
    std::uint32_t peak = 0;      // largest magnitude of any 16-bit value, 0..32768
};

// The track's position in a sample word stream, shared by both sums below.
// Samples are counted 1..samples; the first audio track leaves out 1..2939,
// the last audio track the last 2940. A track too short for both edges sums
// nothing.
struct TArSummedRange {
    TArSummedRange(std::uint64_t samples, bool first, bool last);
    std::uint64_t samples;
    std::uint64_t lo;  // first summed sample
    std::uint64_t hi;  // last summed sample; below lo when nothing is summed
};

// A run of whole sample words read in place from bytes (little-endian, at
// any alignment).
struct TArWordRun {
    const std::uint8_t* bytes = nullptr;
    std::size_t words = 0;
};

// Splits a stream of bytes cut anywhere into whole little-endian words
// without copying them.
class TArWordStream {
public:
    // The whole words that the next bytes complete, valid until the next
    // call: the word that they finish from the last call's leftover bytes,
    // if any, then those in place. The first of them has index FirstIndex()
    // in the stream.
    [[nodiscard]] std::array<TArWordRun, 2> Feed(std::span<const std::uint8_t> bytes);

    [[nodiscard]] std::uint64_t FirstIndex() const { return m_firstIndex; }
    // Words completed so far.
    [[nodiscard]] std::uint64_t Words() const { return m_words; }
    // Whether the bytes so far end on a word boundary.
    [[nodiscard]] bool Whole() const { return m_pendingBytes == 0; }

private:
    std::array<std::uint8_t, 4> m_pending{};
    std::size_t m_pendingBytes = 0;
    std::array<std::uint8_t, 4> m_finished{};  // the word completed from m_pending
    std::uint64_t m_firstIndex = 0;
    std::uint64_t m_words = 0;
};

// Sums one track fed block by block.
class TArChecksummer {
public:
    // samples: the track's length in samples (588 per sector).
    TArChecksummer(std::uint64_t samples, bool first, bool last);

    // The track's next bytes; blocks may end anywhere, even inside a sample.
    void Update(std::span<const std::uint8_t> bytes);

    // The sums; nothing when the bytes fed were not exactly the track's.
    [[nodiscard]] std::optional<TArSums> Finish() const;

    // The plain (unweighted) sum of the summed samples so far, modulo 2^32:
    // with v1, where the scan of read shifts starts from.
    [[nodiscard]] std::uint32_t PlainSum() const { return m_plain; }

private:
    void Sum(std::uint64_t index, TArWordRun run);

    TArSummedRange m_range;
    TArWordStream m_stream;
    std::uint32_t m_v1 = 0;
    std::uint32_t m_plain = 0;
    std::uint32_t m_highHalves = 0;  // v2 less v1
    std::uint32_t m_frame450 = 0;
    std::uint32_t m_crc = 0;
    std::uint32_t m_peak = 0;
};

// The v1 checksum of one track at every read shift.
struct TArShiftedSums {
    // v1 of the track read `shift` samples later: its sample k taken from
    // disc sample start + k + shift.
    [[nodiscard]] std::uint32_t At(int shift) const { return v1[shift + kArMaxShift]; }

    std::vector<std::uint32_t> v1;  // shifts -kArMaxShift..kArMaxShift
};

// Scans one track in a single pass plus a constant step per shift: fed the
// track with kArScanMarginSectors before and after it (the neighbouring
// tracks' audio, silence outside the disc), it sums the track itself as a
// TArChecksummer does and keeps only the samples that enter and leave the
// summed range as the read shifts, so that the shifts cost no work per
// sample of the track beyond its own sums.
class TArOffsetScanner {
public:
    TArOffsetScanner(std::uint64_t samples, bool first, bool last);

    // The next bytes of margin, track, margin; blocks may end anywhere.
    void Update(std::span<const std::uint8_t> bytes);

    // The sums; nothing when the bytes fed were not exactly the track's and
    // both margins.
    [[nodiscard]] std::optional<TArShiftedSums> Finish() const;

    // The track's own sums, as a TArChecksummer fed the track alone gives
    // them; nothing until all of the track's bytes have come.
    [[nodiscard]] std::optional<TArSums> Sums() const { return m_track.Finish(); }

private:
    void Keep(std::uint64_t index, TArWordRun run);

    TArSummedRange m_range;
    TArChecksummer m_track;
    TArWordStream m_stream;
    std::uint64_t m_bytes = 0;          // fed so far
    std::vector<std::uint32_t> m_head;  // the samples that leave the range, one per shift
    std::vector<std::uint32_t> m_tail;  // the samples that enter it, one per shift
};
