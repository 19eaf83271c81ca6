// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One HTTP GET per call: the request says where, over which protocols, how
// far it may be redirected, how many bytes and how much time it may take,
// and through which proxy; the response carries the final status, headers
// and the body's bytes as received, or why the transfer failed in libcurl's
// words. An HTTP status other than 200 is a completed transfer, not a
// failure: the caller decides what a status means.
//
// Threads: any; a call blocks the calling thread until the transfer ends, a
// limit is reached or the stop token is triggered, which ends it at once.

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

class RateGate;

// Protocols a request may use, for its URL and for every redirect.
enum Protocols : unsigned {
    kHttp = 1,
    kHttps = 2,
};

struct HttpRequest {
    std::string url;
    unsigned protocols = kHttps;       // a set of Protocols
    std::vector<std::string> headers;  // extra lines "Name: value"
    std::string userAgent;
    // "http://host:port", or empty for a direct connection. Proxy settings of
    // the environment are ignored either way.
    std::string proxy;
    std::chrono::seconds timeLimit{30};     // for the whole transfer
    std::chrono::seconds connectLimit{10};  // for connecting, within timeLimit
    std::size_t maxBytes = 1 << 20;         // of the body; more fails the transfer
    int maxRedirects = 0;                   // 0: a redirect is the response
    RateGate* rateGate = nullptr;           // shared, not owned; passed before the transfer
};

enum class HttpError {
    None,
    Transfer,  // no connection, a protocol not allowed, a limit passed, ...
    TooLong,   // the body exceeded maxBytes
    Stopped,   // the stop token ended the transfer or the wait for the gate
};

// What kind of Transfer error it was, for callers that tell the user why.
enum class TransferFault {
    Other,
    HostNotFound,  // the name of the host or proxy did not resolve
    Refused,       // no connection could be made
    TimedOut,      // a time limit passed
};

// After a failure only error and errorText are set.
struct HttpResponse {
    long status = 0;          // of the last response, after any redirects
    std::string bytes;        // the body as received
    std::string contentType;  // as the server sent it, or empty
    std::vector<std::pair<std::string, std::string>> headers;  // of the last response
    HttpError error = HttpError::None;
    std::string errorText;                       // why it failed, in words; empty without error
    TransferFault fault = TransferFault::Other;  // for HttpError::Transfer

    // The value of the first header of that name (any case), or empty.
    [[nodiscard]] std::string Header(std::string_view name) const;
};

[[nodiscard]] HttpResponse Get(const HttpRequest& request, std::stop_token stop = {});

}  // namespace net
