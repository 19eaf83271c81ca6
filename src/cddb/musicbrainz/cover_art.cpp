// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/cover_art.h"

#include <algorithm>
#include <optional>

#include "cddb/musicbrainz/musicbrainz_lookup.h"
#include "net/http_client.h"
#include "net/service_url.h"

namespace {

using namespace std::chrono_literals;

// The archive answers with a redirect to the image's host, which may redirect
// again; more hops than this is a loop.
constexpr int kMaxRedirects = 5;

TCoverArtResult Failure(std::string reason) {
    return {{}, std::move(reason)};
}

// Eight, four, four, four and twelve lower-case hex digits joined by dashes:
// nothing else may reach the request's path.
bool IsReleaseId(std::string_view id) {
    if (id.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const char c = id[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (dash ? c != '-' : !hex) {
            return false;
        }
    }
    return true;
}

bool IsJpeg(std::string_view bytes) {
    return bytes.starts_with("\xFF\xD8\xFF");
}

TCoverArtResult TransferFailure(const net::HttpResponse& response) {
    switch (response.error) {
        case net::HttpError::Stopped:
            return Failure("The cover fetch was stopped.");
        case net::HttpError::TooLong:
            return Failure("The front cover is too large (over " +
                           std::to_string(kMaxCoverBytes / 1024) + " KiB).");
        case net::HttpError::None:
        case net::HttpError::Transfer:
            break;
    }
    return Failure("The front cover could not be fetched: " + response.errorText);
}

}  // namespace

TCoverArtResult FetchFrontCover(std::string_view server, std::string_view releaseId,
                                std::stop_token stop) {
    const std::optional<std::string> base = net::ServiceBaseUrl(std::string(server));
    if (!base) {
        return Failure("The cover art server \"" + std::string(server) +
                       "\" is not an http or https URL.");
    }
    if (!IsReleaseId(releaseId)) {
        return Failure("The release id is not a MusicBrainz id.");
    }
    net::HttpRequest request;
    request.url = *base + "/release/" + std::string(releaseId) + "/front-500";
    request.protocols = net::kHttp | net::kHttps;
    request.userAgent = MusicBrainzUserAgent();
    request.timeLimit = 30s;
    request.maxBytes = kMaxCoverBytes;
    request.maxRedirects = kMaxRedirects;

    const net::HttpResponse response = net::Get(request, stop);
    if (response.error != net::HttpError::None) {
        return TransferFailure(response);
    }
    if (response.status == 404) {
        return Failure("The release has no front cover.");
    }
    if (response.status != 200) {
        return Failure("The cover art server answered HTTP status " +
                       std::to_string(response.status) + ".");
    }
    if (!IsJpeg(response.bytes)) {
        return Failure("The front cover is not a JPEG image.");
    }
    return {{response.bytes.begin(), response.bytes.end()}, {}};
}
