// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_pump.h"

#include <algorithm>
#include <cassert>
#include <memory>

#include "audio/core/au_sync_queue.h"

bool PumpEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                     std::chrono::milliseconds poll) {
    SyncQueue& queue = SyncQueue::Instance();
    assert(queue.IsGuiThread());
    const auto start = std::chrono::steady_clock::now();
    while (!queue.RunPendingUntil(done, std::min(poll, limit))) {
        if (limit != kPumpForever && std::chrono::steady_clock::now() - start >= limit) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> RunOutputToEnd(TAuOutput& output, std::chrono::milliseconds limit) {
    // Shared, so a done event after a time-out never touches this frame.
    auto done = std::make_shared<bool>(false);
    output.OnDone = [done](TComponent*) { *done = true; };
    output.Run();
    const bool finished = PumpEventsUntil([done] { return *done; }, limit);
    output.OnDone = nullptr;
    if (!finished) {
        return std::nullopt;
    }
    return output.ExceptionMessage();
}
