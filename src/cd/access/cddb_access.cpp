// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/access/cddb_access.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "cd/access/cd_access_internal.h"
#include "cddb/protocol/cddb_toc.h"

namespace {

constexpr std::uint32_t kLeadInFrames = 150;  // logical sector 0 lies at 00:02:00

thread_local std::string t_errorText;

// Records the calling thread's last result with its reason in words.
int SetCddbResult(TCDAccessError error, std::string reason = {}) {
    t_errorText = error == cdeNoError ? std::string() : std::move(reason);
    return SetCDAccessResult(error);
}

struct CddbOptions {
    std::string server;
    std::string script = "/~cddb/cddb.cgi";
    std::string client;
    std::string email;
    bool useProxy = false;
    std::string proxyHost;
    int proxyPort = 80;
    int timeLimit = 0;
};

class OptionStore {
public:
    static OptionStore& Instance() {
        static OptionStore store;
        return store;
    }
    CddbOptions Get() {
        std::lock_guard lock(m_mutex);
        return m_options;
    }
    bool Set(int option, std::string text, int number) {
        std::lock_guard lock(m_mutex);
        switch (option) {
            case cdoServer:
                m_options.server = std::move(text);
                return true;
            case cdoProxyHost:
                m_options.proxyHost = std::move(text);
                return true;
            case cdoUseProxy:
                m_options.useProxy = number != 0;
                return true;
            case cdoClient:
                m_options.client = std::move(text);
                return true;
            case cdoUserEmail:
                m_options.email = std::move(text);
                return true;
            case cdoProxyPort:
                m_options.proxyPort = number;
                return true;
            case cdoScript:
                m_options.script = std::move(text);
                return true;
            case cdoTimeLimit:
                m_options.timeLimit = number;
                return true;
            default:
                return false;
        }
    }

private:
    std::mutex m_mutex;
    CddbOptions m_options;
};

// Host names and addresses, with an optional ":port"; nothing that could
// change the meaning of the URL around them.
bool IsHostText(std::string_view host) {
    if (host.empty()) {
        return false;
    }
    for (const char c : host) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
                             c == ':' || c == '[' || c == ']';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool IsScriptPath(std::string_view path) {
    if (path.empty() || path.front() != '/') {
        return false;
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '?' || c == '#' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

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

struct Body {
    std::string bytes;
    bool tooLong = false;
    char curlError[CURL_ERROR_SIZE] = {};  // libcurl's words for a failed transfer
};

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t bytes = size * count;
    if (body->bytes.size() + bytes > kCDDBMaxAnswerBytes) {
        body->tooLong = true;
        return 0;  // ends the transfer with an error
    }
    body->bytes.append(data, bytes);
    return bytes;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Fetched {
    TCDAccessError error = cdeNoError;
    std::string text;  // UTF-8 answer, or why there is none
};

CurlEasy MakeRequest(const CddbOptions& options, const std::string& url, Body& body) {
    CurlEasy easy(curl_easy_init());
    if (!easy) {
        return nullptr;
    }
    CURL* e = easy.get();
    const long timeLimit = options.timeLimit > 0 ? options.timeLimit : kCDDBDefaultTimeLimit;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A name lookup runs on a thread of libcurl's that cannot be interrupted;
    // an abandoned transfer leaves it to end on its own instead of waiting
    // for it, so a stop takes effect at once.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, body.curlError);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, timeLimit);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, std::min<long>(timeLimit, kCDDBConnectTimeLimit));
    curl_easy_setopt(e, CURLOPT_USERAGENT, options.client.c_str());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    // Only the proxy option decides: proxy settings of the environment are
    // ignored either way.
    const std::string proxy =
        options.useProxy ? "http://" + options.proxyHost + ":" + std::to_string(options.proxyPort)
                         : std::string();
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
    return easy;
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

// Why the options cannot make a request URL; empty when they can.
std::string OptionsFault(const CddbOptions& options) {
    if (!IsHostText(options.server)) {
        return "The server name \"" + options.server + "\" is not valid.";
    }
    if (!IsScriptPath(options.script)) {
        return "The query script \"" + options.script + "\" is not valid.";
    }
    if (options.useProxy && !IsHostText(options.proxyHost)) {
        return "The proxy address \"" + options.proxyHost + "\" is not valid.";
    }
    return {};
}

std::string TransferFault(const Body& body, CURLcode result, long status) {
    if (body.tooLong) {
        return "The answer is longer than " + std::to_string(kCDDBMaxAnswerBytes) + " bytes.";
    }
    if (result != CURLE_OK) {
        return body.curlError[0] != '\0' ? std::string(body.curlError)
                                         : std::string(curl_easy_strerror(result));
    }
    return "The server answered HTTP status " + std::to_string(status) + ".";
}

// Sends one CDDB command and returns the answer as UTF-8 text.
Fetched Fetch(std::string_view command, std::stop_token stop) {
    InitCurlOnce();
    const CddbOptions options = OptionStore::Instance().Get();
    if (std::string fault = OptionsFault(options); !fault.empty()) {
        return {cdeBadArgument, std::move(fault)};
    }
    const std::string url =
        "http://" + options.server + options.script + "?" +
        CddbRequestQuery(command, MakeCddbHello(options.email, options.client), kCDDBProtocolLevel);
    Body body;
    const CurlEasy easy = MakeRequest(options, url, body);
    if (!easy) {
        return {cdeCDDBTransfer, curl_easy_strerror(CURLE_OUT_OF_MEMORY)};
    }
    const std::optional<CURLcode> result = Perform(easy.get(), stop);
    if (!result) {
        return {cdeCDDBAbandoned, "The query was stopped."};
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (body.tooLong || *result != CURLE_OK || status != 200) {
        return {body.tooLong ? cdeCDDBTooLong : cdeCDDBTransfer,
                TransferFault(body, *result, status)};
    }
    return {cdeNoError, DecodeCddbText(body.bytes)};
}

TCddbToc CddbTocOf(const CDDiscLayout& layout) {
    TCddbToc toc;
    for (const CDTrackEntry& track : layout.tracks) {
        toc.trackStarts.push_back(track.startSector + kLeadInFrames);
    }
    toc.leadOut = layout.leadOut + kLeadInFrames;
    return toc;
}

}  // namespace

int CDDBSetOption(int option, const char* text, int number) {
    const bool known = OptionStore::Instance().Set(option, text != nullptr ? text : "", number);
    return SetCddbResult(known ? cdeNoError : cdeBadArgument, "Unknown option code.");
}

int CDDBQuery(TCDHandle handle, TCDDBQuery* query, std::stop_token stop) {
    if (query == nullptr || query->Num == 0) {
        return SetCddbResult(cdeBadArgument, "No room for matches.");
    }
    const std::size_t room = std::min<std::size_t>(query->Num, kCddbMaxMatches);
    query->Num = 0;
    const std::optional<CDDiscLayout> layout = ReadDiscLayout(handle);
    if (!layout) {
        return SetCddbResult(static_cast<TCDAccessError>(GetAspiLibError()),
                             "The disc's table of contents cannot be read.");
    }
    const Fetched fetched = Fetch(CddbQueryCommand(CddbTocOf(*layout)), stop);
    if (fetched.error != cdeNoError) {
        return SetCddbResult(fetched.error, fetched.text);
    }
    TCddbQueryAnswer answer = ParseQueryAnswer(fetched.text);
    switch (answer.outcome) {
        case TCddbOutcome::Found:
            break;
        case TCddbOutcome::NoMatch:
            return SetCddbResult(cdeNoError);
        case TCddbOutcome::Refused:
            return SetCddbResult(cdeCDDBRefused, answer.message);
        case TCddbOutcome::Malformed:
            return SetCddbResult(cdeCDDBMalformed, answer.message);
    }
    for (std::size_t i = 0; i < answer.matches.size() && i < room; ++i) {
        query->Items[i] = std::move(answer.matches[i]);
        query->Num = static_cast<std::uint32_t>(i + 1);
    }
    return SetCddbResult(cdeNoError);
}

int CDDBGetDiskInfo(const TCddbMatch* match, std::string* entry, std::size_t maxLength,
                    std::stop_token stop) {
    if (match == nullptr || entry == nullptr) {
        return SetCddbResult(cdeBadArgument, "No match or no room for the entry.");
    }
    entry->clear();
    const Fetched fetched = Fetch("cddb read " + match->category + " " + match->discId, stop);
    if (fetched.error != cdeNoError) {
        return SetCddbResult(fetched.error, fetched.text);
    }
    const TCddbReadAnswer answer = ParseReadAnswer(fetched.text);
    if (!answer.ok) {
        return SetCddbResult(answer.code != 0 ? cdeCDDBRefused : cdeCDDBMalformed, answer.message);
    }
    *entry = CutToWholeLines(answer.entry, maxLength);
    return SetCddbResult(cdeNoError);
}

std::string CDDBErrorText() {
    return t_errorText;
}
