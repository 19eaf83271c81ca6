// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/musicbrainz_lookup.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

#include "base/program_info.h"
#include "net/http_client.h"
#include "net/rate_gate.h"
#include "net/service_url.h"

namespace {

using namespace std::chrono_literals;

TMbLookupResult Failure(TMbLookupFailure failure, std::string reason) {
    TMbLookupResult result;
    result.failure = failure;
    result.reason = std::move(reason);
    return result;
}

int AudioTrackCount(const TMbDiscToc& toc, const TMbIdToc& idToc) {
    int count = 0;
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        const int number = toc.firstTrack + static_cast<int>(i);
        count += number <= idToc.last && !toc.tracks[i].data ? 1 : 0;
    }
    return count;
}

// How long a 503 answer asks the client to wait, in whole seconds, capped;
// none when it does not say (the gate then spaces the retry).
std::chrono::seconds RetryWait(const net::HttpResponse& response) {
    const std::string value = response.Header("Retry-After");
    long long seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || seconds < 0) {
        return 0s;
    }
    return std::min(std::chrono::seconds(seconds), kMbMaxRetryWait);
}

// Sleeps for the time given; false when stop came first.
bool WaitUnlessStopped(std::chrono::seconds time, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any stopped;
    std::unique_lock lock(mutex);
    static_cast<void>(stopped.wait_for(lock, stop, time, [] { return false; }));
    return !stop.stop_requested();
}

TMbLookupResult TransferFailure(const net::HttpResponse& response, const std::string& server) {
    switch (response.error) {
        case net::HttpError::Stopped:
            return Failure(TMbLookupFailure::Stopped, "The lookup was stopped.");
        case net::HttpError::TooLong:
            return Failure(TMbLookupFailure::Malformed, response.errorText);
        case net::HttpError::None:
        case net::HttpError::Transfer:
            break;
    }
    switch (response.fault) {
        case net::TransferFault::HostNotFound:
            return Failure(TMbLookupFailure::HostNotFound,
                           "The server " + server + " was not found (" + response.errorText + ").");
        case net::TransferFault::Refused:
            return Failure(
                TMbLookupFailure::Refused,
                "The server " + server + " refused the connection (" + response.errorText + ").");
        case net::TransferFault::TimedOut:
            return Failure(TMbLookupFailure::TimedOut,
                           "The server " + server + " did not answer in time.");
        case net::TransferFault::Other:
            break;
    }
    return Failure(TMbLookupFailure::Failed, response.errorText);
}

// The answer to a request that completed with the status given.
TMbLookupResult Answered(const net::HttpResponse& response) {
    if (response.status == 404) {
        return Failure(TMbLookupFailure::NotFound, "MusicBrainz does not know this disc.");
    }
    if (response.status != 200) {
        return Failure(TMbLookupFailure::Failed,
                       "The server answered HTTP status " + std::to_string(response.status) + ".");
    }
    TMbLookupResult result;
    result.answer = ParseMusicBrainzAnswer(response.bytes);
    switch (result.answer.kind) {
        case TMbAnswerKind::NotFound:
            return Failure(TMbLookupFailure::NotFound, "MusicBrainz does not know this disc.");
        case TMbAnswerKind::Error:
            return Failure(TMbLookupFailure::Malformed,
                           "The server's answer is not understood: " + result.answer.message);
        case TMbAnswerKind::Disc:
        case TMbAnswerKind::Stub:
        case TMbAnswerKind::ReleaseList:
            break;
    }
    return result;
}

}  // namespace

net::RateGate& MusicBrainzRateGate() {
    static net::RateGate gate(1000ms);
    return gate;
}

std::string MusicBrainzUserAgent() {
    return std::string("Brisklark/") + kProgramVersion + " ( " + kProgramHomePage + " )";
}

TMbLookupResult LookUpMusicBrainz(const TMbLookupOptions& options, const TMbDiscToc& toc,
                                  std::stop_token stop) {
    const std::optional<TMbIdToc> idToc = MusicBrainzIdToc(toc);
    if (!idToc) {
        return Failure(TMbLookupFailure::NoAudio, "The disc has no audio track to look up.");
    }
    const std::optional<std::string> server = net::ServiceBaseUrl(options.server);
    if (!server) {
        return Failure(TMbLookupFailure::BadServer, "The MusicBrainz server \"" + options.server +
                                                        "\" is not an http or https URL.");
    }
    net::HttpRequest request;
    request.url = *server + MusicBrainzLookupPath(*idToc);
    request.protocols = net::kHttp | net::kHttps;
    request.headers = {"Accept: application/json"};
    request.userAgent = MusicBrainzUserAgent();
    request.timeLimit = options.timeLimit;
    request.maxBytes = kMbMaxAnswerBytes;
    request.maxRedirects = 3;
    request.rateGate = options.rateGate != nullptr ? options.rateGate : &MusicBrainzRateGate();

    net::HttpResponse response;
    for (int retries = 0;; ++retries) {
        response = net::Get(request, stop);
        if (response.error != net::HttpError::None || response.status != 503) {
            break;
        }
        if (retries == kMbRetries) {
            return Failure(TMbLookupFailure::RateLimited,
                           "The server is busy or limits requests; please try again later.");
        }
        if (!WaitUnlessStopped(RetryWait(response), stop)) {
            return Failure(TMbLookupFailure::Stopped, "The lookup was stopped.");
        }
    }
    TMbLookupResult result = response.error == net::HttpError::None
                                 ? Answered(response)
                                 : TransferFailure(response, *server);
    result.discId = MusicBrainzDiscId(*idToc);
    if (result.failure == TMbLookupFailure::None) {
        result.candidates =
            MusicBrainzCandidates(result.answer, result.discId, AudioTrackCount(toc, *idToc));
    }
    return result;
}
