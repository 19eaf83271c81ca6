// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The base URL of a web service as the user sets it, checked before any
// request is built on it. Pure; any thread.

#include <optional>
#include <string>

namespace net {

// A server setting without a trailing "/", or nothing when it is no http or
// https URL fit to put in front of a path: no query, fragment, blank or
// control character.
[[nodiscard]] std::optional<std::string> ServiceBaseUrl(std::string server);

}  // namespace net
