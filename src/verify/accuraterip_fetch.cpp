// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/accuraterip_fetch.h"

#include <optional>
#include <utility>

#include "base/program_info.h"
#include "net/http_client.h"
#include "net/rate_gate.h"
#include "net/service_url.h"

namespace {

using namespace std::chrono_literals;

TArFetchResult Failure(std::string reason) {
    return {TArFetchKind::Failed, {}, std::move(reason)};
}

TArFetchResult TransferFailure(const net::HttpResponse& response, const std::string& server) {
    switch (response.error) {
        case net::HttpError::Stopped:
            return {TArFetchKind::Stopped, {}, {}};
        case net::HttpError::TooLong:
            return Failure(response.errorText);
        case net::HttpError::None:
        case net::HttpError::Transfer:
            break;
    }
    switch (response.fault) {
        case net::TransferFault::HostNotFound:
            return Failure("The server " + server + " was not found (" + response.errorText + ").");
        case net::TransferFault::Refused:
            return Failure("The server " + server + " refused the connection (" +
                           response.errorText + ").");
        case net::TransferFault::TimedOut:
            return Failure("The server " + server + " did not answer in time.");
        case net::TransferFault::Other:
            break;
    }
    return Failure("The AccurateRip lookup failed (" + response.errorText + ").");
}

TArFetchResult Answered(const net::HttpResponse& response, const TArIds& ids) {
    if (response.status == 404) {
        return {TArFetchKind::DiscNotPresent, {}, {}};
    }
    if (response.status != 200) {
        return Failure("The server answered HTTP status " + std::to_string(response.status) + ".");
    }
    TArAnswer answer = ParseAccurateRipAnswer(response.bytes, ids);
    if (!answer.error.empty()) {
        return Failure("The AccurateRip answer is not understood: " + answer.error + " at byte " +
                       std::to_string(answer.errorOffset) + ".");
    }
    return {TArFetchKind::Answer, std::move(answer.chunks), {}};
}

}  // namespace

net::RateGate& AccurateRipRateGate() {
    static net::RateGate gate(500ms);
    return gate;
}

TArFetchResult FetchAccurateRip(std::string_view server, const TArIds& ids, std::stop_token stop,
                                net::RateGate* gate) {
    const std::optional<std::string> base = net::ServiceBaseUrl(std::string(server));
    if (!base) {
        return Failure("The AccurateRip server \"" + std::string(server) +
                       "\" is not an http or https URL.");
    }
    net::HttpRequest request;
    request.url = *base + AccurateRipPath(ids);
    request.protocols = net::kHttp | net::kHttps;
    request.userAgent =
        std::string("Brisklark/") + kProgramVersion + " ( " + kProgramHomePage + " )";
    request.timeLimit = kArFetchTimeLimit;
    request.maxBytes = kArMaxAnswerBytes;
    request.maxRedirects = 3;
    request.rateGate = gate != nullptr ? gate : &AccurateRipRateGate();

    const net::HttpResponse response = net::Get(request, std::move(stop));
    return response.error == net::HttpError::None ? Answered(response, ids)
                                                  : TransferFailure(response, *base);
}
