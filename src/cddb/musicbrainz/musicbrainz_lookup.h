// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Looks a disc up on a MusicBrainz server: one request for the disc id with
// its table of contents, spaced from every other request of the program by
// one shared gate, answered by the parsed answer and the media that may be
// the disc, or by why it failed in words for the user.
//
// Threads: any but the GUI thread; a lookup blocks until it has an answer, a
// limit passes or the stop token is triggered, which ends it at once.

#include <chrono>
#include <stop_token>
#include <string>
#include <vector>

#include "cddb/musicbrainz/musicbrainz_answer.h"
#include "cddb/musicbrainz/musicbrainz_choice.h"
#include "cddb/musicbrainz/musicbrainz_toc.h"

namespace net {
class RateGate;
}

// Times a 503 answer is asked again before the lookup counts as rate-limited.
inline constexpr int kMbRetries = 3;
// The longest wait a server's Retry-After may ask for before a retry.
inline constexpr std::chrono::seconds kMbMaxRetryWait{10};

// The gate every MusicBrainz request of the program passes: one per second.
[[nodiscard]] net::RateGate& MusicBrainzRateGate();

// "Brisklark/<version> ( <contact URL> )", as the service asks of clients.
[[nodiscard]] std::string MusicBrainzUserAgent();

struct TMbLookupOptions {
    std::string server = "https://musicbrainz.org";  // http(s); a path is kept as a prefix
    std::chrono::seconds timeLimit{30};              // for each request
    net::RateGate* rateGate = nullptr;               // nullptr: MusicBrainzRateGate()
};

enum class TMbLookupFailure {
    None,
    NoAudio,       // the table of contents has no audio track to identify
    BadServer,     // the server setting is no http or https URL
    NotFound,      // the service knows nothing like the disc
    HostNotFound,  // the server's name did not resolve
    Refused,       // no connection to the server
    TimedOut,
    RateLimited,  // still 503 after the retries
    Malformed,    // an answer too long or not of the service's shapes
    Failed,       // any other transfer error or HTTP status
    Stopped,
};

struct TMbLookupResult {
    TMbLookupFailure failure = TMbLookupFailure::None;
    std::string reason{};  // for the user; empty without failure
    std::string discId{};  // empty when the disc has no id
    TMbAnswer answer{};
    // The media of the answer that may be the disc; one means it is identified.
    std::vector<TMbCandidate> candidates{};
};

[[nodiscard]] TMbLookupResult LookUpMusicBrainz(const TMbLookupOptions& options,
                                                const TMbDiscToc& toc, std::stop_token stop);
