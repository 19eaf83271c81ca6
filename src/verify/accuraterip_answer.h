// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The database's answer for a disc, checked strictly, and each ripped
// track's verdict from its sums. The answer is one or more chunks, each a
// pressing's sums (chunks of v1 and of v2 sums are not told apart): a header
// (u8 track count, u32 id1, u32 id2, u32 CDDB id) and per track an entry (u8
// confidence, u32 track sum, u32 sector-450 sum), little-endian. Any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_sums.h"

// Far above any real answer (a 99-track chunk has 904 bytes).
inline constexpr std::size_t kArMaxAnswerBytes = 1024 * 1024;

struct TArEntry {
    std::uint32_t confidence = 0;  // rips submitted with this sum
    std::uint32_t sum = 0;
    std::uint32_t frame450 = 0;
};

// One pressing's entries, one per audio track in the disc's slot order.
using TArChunk = std::vector<TArEntry>;

struct TArAnswer {
    std::vector<TArChunk> chunks{};  // at least one unless error is set
    std::string error{};             // empty when the answer is sound
    std::size_t errorOffset = 0;     // of the first byte that could not be taken
};

// Parses an answer to the request for ids. A chunk whose header does not
// repeat ids, a cut-off chunk, an empty or an oversized body make the whole
// answer an error with no chunks.
[[nodiscard]] TArAnswer ParseAccurateRipAnswer(std::string_view body, const TArIds& ids);

enum class TArResult {
    Accurate,        // v1 or v2 equals a sum that others submitted
    NotAccurate,     // others submitted sums for the track, none of them ours
    NotPresent,      // nobody submitted a sum for the track
    DiscNotPresent,  // the database does not know the disc
    NotChecked,      // the lookup failed
};

struct TArVerdict {
    TArResult result = TArResult::NotChecked;
    int version = 0;                // Accurate: 2 when v2 matched, else 1
    std::uint32_t confidence = 0;   // Accurate: confidences of the entries matching that version
    std::uint32_t total = 0;        // confidences of all the track's entries, summed
    std::optional<int> readOffset;  // NotAccurate: a read offset at which the disc matches
};

// A ripped audio track as the verdicts need it.
struct TArRippedTrack {
    std::optional<std::size_t> slot{};  // from TArTrack
    TArSums sums{};
    std::optional<TArShiftedSums> shifted{};  // when the track was scanned
};

// The read shift, in samples, at which every scanned track that has
// entries matches a chunk with its v1 sum, when there is one and at least
// one track matches; the shift nearest 0 when several do.
[[nodiscard]] std::optional<int> AccurateRipDiscShift(std::span<const TArChunk> chunks,
                                                      std::span<const TArRippedTrack> tracks);

// One verdict per track against a sound answer. Tracks ripped at readOffset
// that are not accurate get, when the whole disc matches at another shift,
// the read offset that would have matched.
[[nodiscard]] std::vector<TArVerdict> AccurateRipVerdicts(std::span<const TArChunk> chunks,
                                                          std::span<const TArRippedTrack> tracks,
                                                          int readOffset);

// The verdict as the rip log writes it after "AccurateRip result: ".
[[nodiscard]] std::string AccurateRipResultText(const TArVerdict& verdict);
