// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>

#include "net/rate_gate.h"

namespace net {
namespace {

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// Keeps the easy handle in the multi handle for one transfer.
class MultiTransfer {
public:
    MultiTransfer(CURLM* multi, CURL* easy) : m_multi(multi), m_easy(easy) {
        m_added = curl_multi_add_handle(multi, easy) == CURLM_OK;
    }
    ~MultiTransfer() {
        if (m_added) {
            curl_multi_remove_handle(m_multi, m_easy);
        }
    }
    MultiTransfer(const MultiTransfer&) = delete;
    MultiTransfer& operator=(const MultiTransfer&) = delete;

    [[nodiscard]] bool Added() const { return m_added; }

private:
    CURLM* m_multi;
    CURL* m_easy;
    bool m_added = false;
};

// What libcurl's callbacks fill in during one transfer.
struct Received {
    std::size_t maxBytes = 0;
    HttpResponse& response;
    bool tooLong = false;
    char curlError[CURL_ERROR_SIZE] = {};  // libcurl's words for a failed transfer
};

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* received = static_cast<Received*>(user);
    const std::size_t bytes = size * count;
    if (received->response.bytes.size() + bytes > received->maxBytes) {
        received->tooLong = true;
        return 0;  // ends the transfer with an error
    }
    received->response.bytes.append(data, bytes);
    return bytes;
}

std::string_view TrimSpace(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

// Called once per header line, status lines included; a redirect's headers
// are dropped when the next response's status line comes.
std::size_t AppendHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& headers = static_cast<Received*>(user)->response.headers;
    const std::string_view line(data, size * count);
    const std::size_t colon = line.find(':');
    if (line.starts_with("HTTP/")) {
        headers.clear();
    } else if (colon != std::string_view::npos) {
        headers.emplace_back(TrimSpace(line.substr(0, colon)), TrimSpace(line.substr(colon + 1)));
    }
    return size * count;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string ProtocolList(unsigned protocols) {
    std::string list;
    for (const auto& [flag, name] : {std::pair{kHttp, "http"}, std::pair{kHttps, "https"}}) {
        if ((protocols & flag) != 0) {
            list += list.empty() ? name : std::string(",") + name;
        }
    }
    return list;
}

// Confines the transfer, its redirects included, to the request's protocols;
// false when libcurl refused them, so the transfer must not run.
bool RestrictProtocols(CURL* e, const HttpRequest& request) {
    const std::string protocols = ProtocolList(request.protocols);
    return !protocols.empty() &&
           curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, protocols.c_str()) == CURLE_OK;
}

void SetOptions(CURL* e, const HttpRequest& request, const curl_slist* headers,
                Received& received) {
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A name lookup runs on a thread of libcurl's that cannot be interrupted;
    // an abandoned transfer leaves it to end on its own instead of waiting
    // for it, so a stop takes effect at once.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, received.curlError);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(request.timeLimit.count()));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.connectLimit.count()));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, request.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
    curl_easy_setopt(e, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &AppendHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &received);
    curl_easy_setopt(e, CURLOPT_PROXY, request.proxy.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
}

// Runs the transfer until it ends or stop is requested; a stop wakes the wait
// at once, so a stalled server does not delay it.
std::optional<CURLcode> Perform(CURL* easy, std::stop_token stop) {
    CurlMulti multi(curl_multi_init());
    if (!multi) {
        return CURLE_OUT_OF_MEMORY;
    }
    const MultiTransfer transfer(multi.get(), easy);
    if (!transfer.Added()) {
        return CURLE_FAILED_INIT;
    }
    const std::stop_callback wake(stop, [m = multi.get()] { curl_multi_wakeup(m); });
    for (;;) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        if (running == 0) {
            break;
        }
        if (curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            return message->data.result;
        }
    }
    return CURLE_FAILED_INIT;
}

CurlList HeaderList(const std::vector<std::string>& lines) {
    CurlList list;
    for (const std::string& line : lines) {
        curl_slist* longer = curl_slist_append(list.get(), line.c_str());
        if (longer == nullptr) {
            return nullptr;
        }
        static_cast<void>(list.release());
        list.reset(longer);
    }
    return list;
}

HttpResponse Failure(HttpError error, std::string text,
                     TransferFault fault = TransferFault::Other) {
    HttpResponse response;
    response.error = error;
    response.errorText = std::move(text);
    response.fault = fault;
    return response;
}

TransferFault FaultOf(CURLcode result) {
    switch (result) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return TransferFault::HostNotFound;
        case CURLE_COULDNT_CONNECT:
            return TransferFault::Refused;
        case CURLE_OPERATION_TIMEDOUT:
            return TransferFault::TimedOut;
        default:
            return TransferFault::Other;
    }
}

}  // namespace

std::string HttpResponse::Header(std::string_view name) const {
    const auto sameName = [name](const auto& header) {
        return std::ranges::equal(header.first, name, [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto found = std::ranges::find_if(headers, sameName);
    return found != headers.end() ? found->second : std::string();
}

HttpResponse Get(const HttpRequest& request, std::stop_token stop) {
    if (request.rateGate != nullptr && !request.rateGate->Pass(stop)) {
        return Failure(HttpError::Stopped, "The transfer was stopped.");
    }
    InitCurlOnce();
    const CurlEasy easy(curl_easy_init());
    const CurlList headers = HeaderList(request.headers);
    if (!easy || (!headers && !request.headers.empty())) {
        return Failure(HttpError::Transfer, curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    }
    if (!RestrictProtocols(easy.get(), request)) {
        return Failure(HttpError::Transfer, "No allowed protocol is available.");
    }
    HttpResponse response;
    Received received{request.maxBytes, response};
    SetOptions(easy.get(), request, headers.get(), received);
    const std::optional<CURLcode> result = Perform(easy.get(), stop);
    if (!result) {
        return Failure(HttpError::Stopped, "The transfer was stopped.");
    }
    if (received.tooLong) {
        return Failure(HttpError::TooLong,
                       "The answer is longer than " + std::to_string(request.maxBytes) + " bytes.");
    }
    if (*result != CURLE_OK) {
        return Failure(HttpError::Transfer,
                       received.curlError[0] != '\0' ? std::string(received.curlError)
                                                     : std::string(curl_easy_strerror(*result)),
                       FaultOf(*result));
    }
    const char* contentType = nullptr;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &response.status);
    curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_TYPE, &contentType);
    response.contentType = contentType != nullptr ? contentType : "";
    return response;
}

}  // namespace net
