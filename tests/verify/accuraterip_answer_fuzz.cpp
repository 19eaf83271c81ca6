// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as the AccurateRip answer for the disc
// that their first header names (so that sound chunks are within reach),
// then verdicts for every track. A sound answer is whole chunks of the
// disc's track count and nothing else; a refused one has no chunks, a
// reason and an offset inside the body; a match never exceeds the total.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "verify/accuraterip_answer.h"

namespace {

std::uint32_t U32At(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + i])) << (8 * i);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const TArIds ids{size > 0 ? static_cast<std::uint8_t>(body[0]) : 0U, U32At(body, 1),
                     U32At(body, 5), U32At(body, 9)};
    const TArAnswer answer = ParseAccurateRipAnswer(body, ids);
    if (answer.error.empty()) {
        if (answer.chunks.empty() ||
            answer.chunks.size() * (13 + 9 * ids.audioTracks) != body.size()) {
            std::abort();
        }
    } else if (!answer.chunks.empty() || answer.errorOffset > body.size()) {
        std::abort();
    }
    for (const TArChunk& chunk : answer.chunks) {
        if (chunk.size() != ids.audioTracks) {
            std::abort();
        }
    }

    std::vector<TArRippedTrack> tracks;
    for (std::size_t slot = 0; slot <= ids.audioTracks; ++slot) {
        const std::uint32_t v1 = U32At(body, 14 + 9 * slot);
        TArShiftedSums shifted{std::vector<std::uint32_t>(2 * kArMaxShift + 1, v1 + 1)};
        tracks.push_back({slot, {.v1 = v1, .v2 = v1 ^ 1}, shifted});
    }
    tracks.push_back({{}, {}, {}});
    for (const TArVerdict& verdict : AccurateRipVerdicts(answer.chunks, tracks, 0)) {
        if (verdict.confidence > verdict.total || AccurateRipResultText(verdict).empty()) {
            std::abort();
        }
    }
    return 0;
}
