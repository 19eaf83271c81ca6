// SPDX-License-Identifier: GPL-3.0-or-later
// Replaces getaddrinfo for the process it is preloaded into; see held_lookup.h.
#include <dlfcn.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "support/resolver/held_lookup.h"

namespace {

std::atomic<int> g_heldLookups{0};

}  // namespace

extern "C" {

int BrisklarkHeldLookupsRunning() {
    return g_heldLookups.load();
}

int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result) {
    if (node != nullptr && std::strcmp(node, kHeldHost) == 0) {
        ++g_heldLookups;
        std::this_thread::sleep_for(std::chrono::seconds(kHeldLookupSeconds));
        --g_heldLookups;
        return EAI_AGAIN;
    }
    if (node != nullptr && std::strcmp(node, kUnknownHost) == 0) {
        return EAI_NONAME;
    }
    static const auto next =
        reinterpret_cast<decltype(&getaddrinfo)>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return next(node, service, hints, result);
}

}  // extern "C"
