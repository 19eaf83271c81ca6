// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/accuraterip_answer.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::size_t kHeaderBytes = 13;
constexpr std::size_t kEntryBytes = 9;

class TReader {
public:
    explicit TReader(std::string_view bytes) : m_bytes(bytes) {}

    [[nodiscard]] std::size_t Offset() const { return m_offset; }
    [[nodiscard]] std::size_t Left() const { return m_bytes.size() - m_offset; }

    std::uint32_t U8() { return static_cast<std::uint8_t>(m_bytes[m_offset++]); }
    std::uint32_t U32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= U8() << shift;
        }
        return value;
    }

private:
    std::string_view m_bytes;
    std::size_t m_offset = 0;
};

TArAnswer Refused(std::string error, std::size_t offset) {
    return {.chunks = {}, .error = std::move(error), .errorOffset = offset};
}

// Whether an entry is someone's submission: a zero sum or no confidence
// stands for a track nobody submitted.
bool Submitted(const TArEntry& entry) {
    return entry.confidence > 0 && entry.sum != 0;
}

const TArEntry* EntryOf(const TArChunk& chunk, const TArRippedTrack& track) {
    if (!track.slot || *track.slot >= chunk.size()) {
        return nullptr;
    }
    return &chunk[*track.slot];
}

bool HasEntries(std::span<const TArChunk> chunks, const TArRippedTrack& track) {
    for (const TArChunk& chunk : chunks) {
        const TArEntry* entry = EntryOf(chunk, track);
        if (entry != nullptr && Submitted(*entry)) {
            return true;
        }
    }
    return false;
}

bool MatchesAt(std::span<const TArChunk> chunks, const TArRippedTrack& track, int shift) {
    const std::uint32_t sum = track.shifted->At(shift);
    for (const TArChunk& chunk : chunks) {
        const TArEntry* entry = EntryOf(chunk, track);
        if (entry != nullptr && Submitted(*entry) && entry->sum == sum) {
            return true;
        }
    }
    return false;
}

// The stronger v2 wins: a pressing's v1 and v2 chunks often count the same
// rips, so only the matches of one version are added up.
TArVerdict VerdictAtZero(std::span<const TArChunk> chunks, const TArRippedTrack& track) {
    TArVerdict verdict{TArResult::NotPresent, 0, 0, 0, {}};
    std::uint32_t v1Matches = 0;
    std::uint32_t v2Matches = 0;
    for (const TArChunk& chunk : chunks) {
        const TArEntry* entry = EntryOf(chunk, track);
        if (entry == nullptr || !Submitted(*entry)) {
            continue;
        }
        verdict.total += entry->confidence;
        if (entry->sum == track.sums.v2) {
            v2Matches += entry->confidence;
        } else if (entry->sum == track.sums.v1) {
            v1Matches += entry->confidence;
        }
    }
    if (v2Matches > 0) {
        verdict = {TArResult::Accurate, 2, v2Matches, verdict.total, {}};
    } else if (v1Matches > 0) {
        verdict = {TArResult::Accurate, 1, v1Matches, verdict.total, {}};
    } else if (verdict.total > 0) {
        verdict.result = TArResult::NotAccurate;
    }
    return verdict;
}

}  // namespace

TArAnswer ParseAccurateRipAnswer(std::string_view body, const TArIds& ids) {
    if (body.empty()) {
        return Refused("empty answer", 0);
    }
    if (body.size() > kArMaxAnswerBytes) {
        return Refused("answer too long", kArMaxAnswerBytes);
    }
    TArAnswer answer;
    TReader reader(body);
    while (reader.Left() > 0) {
        const std::size_t chunkStart = reader.Offset();
        if (reader.Left() < kHeaderBytes + kEntryBytes * ids.audioTracks) {
            return Refused("answer cut off", chunkStart);
        }
        const std::uint32_t tracks = reader.U8();
        const std::uint32_t id1 = reader.U32();
        const std::uint32_t id2 = reader.U32();
        const std::uint32_t cddbId = reader.U32();
        if (tracks != ids.audioTracks || id1 != ids.id1 || id2 != ids.id2 || cddbId != ids.cddbId) {
            return Refused("answer for another disc", chunkStart);
        }
        TArChunk& chunk = answer.chunks.emplace_back(ids.audioTracks);
        for (TArEntry& entry : chunk) {
            entry.confidence = reader.U8();
            entry.sum = reader.U32();
            entry.frame450 = reader.U32();
        }
    }
    return answer;
}

std::optional<int> AccurateRipDiscShift(std::span<const TArChunk> chunks,
                                        std::span<const TArRippedTrack> tracks) {
    std::optional<int> found;
    for (int distance = 0; distance <= kArMaxShift && !found; ++distance) {
        for (const int shift : {distance, -distance}) {
            bool all = true;
            bool any = false;
            for (const TArRippedTrack& track : tracks) {
                if (!track.shifted || !HasEntries(chunks, track)) {
                    continue;
                }
                const bool matches = MatchesAt(chunks, track, shift);
                all = all && matches;
                any = any || matches;
            }
            if (all && any) {
                found = shift;
                break;
            }
        }
    }
    return found;
}

std::vector<TArVerdict> AccurateRipVerdicts(std::span<const TArChunk> chunks,
                                            std::span<const TArRippedTrack> tracks,
                                            int readOffset) {
    std::vector<TArVerdict> verdicts;
    bool anyNotAccurate = false;
    for (const TArRippedTrack& track : tracks) {
        verdicts.push_back(VerdictAtZero(chunks, track));
        anyNotAccurate = anyNotAccurate || verdicts.back().result == TArResult::NotAccurate;
    }
    if (!anyNotAccurate) {
        return verdicts;
    }
    const std::optional<int> shift = AccurateRipDiscShift(chunks, tracks);
    if (!shift || *shift == 0) {
        return verdicts;
    }
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (verdicts[i].result == TArResult::NotAccurate && tracks[i].shifted) {
            verdicts[i].readOffset = readOffset + *shift;
        }
    }
    return verdicts;
}

std::string AccurateRipResultText(const TArVerdict& verdict) {
    switch (verdict.result) {
        case TArResult::Accurate:
            return "accurate (confidence " + std::to_string(verdict.confidence) + ")";
        case TArResult::NotAccurate:
            if (!verdict.readOffset) {
                return "not accurate";
            }
            return "not accurate, matches at read offset " +
                   std::string(*verdict.readOffset < 0 ? "-" : "+") +
                   std::to_string(std::abs(*verdict.readOffset));
        case TArResult::NotPresent:
            return "not present in database";
        case TArResult::DiscNotPresent:
            return "disc not present in database";
        case TArResult::NotChecked:
            break;
    }
    return "not checked";
}
