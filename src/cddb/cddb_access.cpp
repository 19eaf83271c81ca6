// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/cddb_access.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string_view>

#include "cd/access/cd_access_internal.h"
#include "cddb/protocol/cddb_toc.h"
#include "net/http_client.h"

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

struct Fetched {
    TCDAccessError error = cdeNoError;
    std::string text;  // UTF-8 answer, or why there is none
};

net::HttpRequest MakeRequest(const CddbOptions& options, std::string url) {
    net::HttpRequest request;
    request.url = std::move(url);
    request.protocols = net::kHttp;
    request.userAgent = options.client;
    if (options.useProxy) {
        request.proxy = "http://" + options.proxyHost + ":" + std::to_string(options.proxyPort);
    }
    const int timeLimit = options.timeLimit > 0 ? options.timeLimit : kCDDBDefaultTimeLimit;
    request.timeLimit = std::chrono::seconds(timeLimit);
    request.connectLimit = std::chrono::seconds(std::min(timeLimit, kCDDBConnectTimeLimit));
    request.maxBytes = kCDDBMaxAnswerBytes;
    return request;
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

// Sends one CDDB command and returns the answer as UTF-8 text.
Fetched Fetch(std::string_view command, std::stop_token stop) {
    const CddbOptions options = OptionStore::Instance().Get();
    if (std::string fault = OptionsFault(options); !fault.empty()) {
        return {cdeBadArgument, std::move(fault)};
    }
    const std::string url =
        "http://" + options.server + options.script + "?" +
        CddbRequestQuery(command, MakeCddbHello(options.email, options.client), kCDDBProtocolLevel);
    const net::HttpResponse response = net::Get(MakeRequest(options, url), stop);
    switch (response.error) {
        case net::HttpError::None:
            break;
        case net::HttpError::Transfer:
            return {cdeCDDBTransfer, response.errorText};
        case net::HttpError::TooLong:
            return {cdeCDDBTooLong, response.errorText};
        case net::HttpError::Stopped:
            return {cdeCDDBAbandoned, "The query was stopped."};
    }
    if (response.status != 200) {
        return {cdeCDDBTransfer,
                "The server answered HTTP status " + std::to_string(response.status) + "."};
    }
    return {cdeNoError, DecodeCddbText(response.bytes)};
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
