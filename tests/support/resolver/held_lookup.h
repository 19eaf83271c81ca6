// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The host names the test resolver (held_lookup_resolver.cpp, loaded with
// LD_PRELOAD) answers itself, and what a test program sees of it.

#include <dlfcn.h>

#include <optional>

// Looked up for kHeldLookupSeconds, then not found.
inline constexpr const char* kHeldHost = "held-lookup.invalid";
inline constexpr int kHeldLookupSeconds = 60;
// Not found at once.
inline constexpr const char* kUnknownHost = "unknown-host.invalid";

// The resolver's count of lookups of kHeldHost under way.
extern "C" int BrisklarkHeldLookupsRunning();

// That count, or nothing when the program runs without the resolver. A test
// must not look the names up then: the C library would ask a name server.
inline std::optional<int> HeldLookupsRunning() {
    const auto count = reinterpret_cast<decltype(&BrisklarkHeldLookupsRunning)>(
        dlsym(RTLD_DEFAULT, "BrisklarkHeldLookupsRunning"));
    return count != nullptr ? std::optional(count()) : std::nullopt;
}
