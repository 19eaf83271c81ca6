// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fetches the AccurateRip database's answer for a disc: one plain GET of the
// disc's path on the server, spaced from every other such request of the
// program, answered by the parsed chunks, by "the database does not know the
// disc", or by why it failed in words for the log.
//
// Threads: any but the GUI thread; a fetch blocks until it has an answer, the
// time limit passes or the stop token is triggered, which ends it at once.

#include <chrono>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_disc.h"

namespace net {
class RateGate;
}

// For the whole request, connecting included.
inline constexpr std::chrono::seconds kArFetchTimeLimit{20};

// The gate every AccurateRip request of the program passes: two per second.
[[nodiscard]] net::RateGate& AccurateRipRateGate();

enum class TArFetchKind {
    Answer,          // chunks holds the sound answer
    DiscNotPresent,  // the server has no answer for the disc (HTTP 404)
    Failed,          // reason says why; every track stays "not checked"
    Stopped,
};

struct TArFetchResult {
    TArFetchKind kind = TArFetchKind::Failed;
    std::vector<TArChunk> chunks{};  // at least one for Answer, else none
    std::string reason{};            // for Failed
};

// server: the setting, http or https, with no query or fragment; a trailing
// "/" is dropped. gate: nullptr for AccurateRipRateGate().
[[nodiscard]] TArFetchResult FetchAccurateRip(std::string_view server, const TArIds& ids,
                                              std::stop_token stop, net::RateGate* gate = nullptr);
