// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/service_url.h"

#include <algorithm>

namespace net {

std::optional<std::string> ServiceBaseUrl(std::string server) {
    const bool controlOrSpace = std::ranges::any_of(
        server, [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
    if (controlOrSpace || server.find_first_of("?#") != std::string::npos ||
        !(server.starts_with("http://") || server.starts_with("https://"))) {
        return std::nullopt;
    }
    while (server.ends_with('/')) {
        server.pop_back();
    }
    return server;
}

}  // namespace net
