// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "audio/core/au_sync_queue.h"

double TimeRun(TAuOutput& output) {
    using Clock = std::chrono::steady_clock;
    auto done = std::make_shared<std::atomic<bool>>(false);
    output.OnDone = [done](TComponent*) { *done = true; };
    SyncQueue& queue = SyncQueue::Instance();
    const Clock::time_point start = Clock::now();
    output.Run();
    // Busy changes without waking the queue: poll it every millisecond.
    const auto pollUntil = [&queue](const std::function<bool()>& condition) {
        while (!queue.RunPendingUntil(condition, std::chrono::milliseconds(1))) {
        }
    };
    pollUntil([&] { return output.Busy() || *done; });
    pollUntil([&] { return !output.Busy(); });
    const std::chrono::duration<double> seconds = Clock::now() - start;
    queue.RunPendingUntil([done] { return done->load(); });
    if (!output.ExceptionMessage().empty()) {
        std::abort();
    }
    return seconds.count();
}
