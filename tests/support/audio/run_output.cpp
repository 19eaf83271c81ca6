// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/run_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "audio/core/au_sync_queue.h"

bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!SyncQueue::Instance().RunPendingUntil(done, std::chrono::milliseconds(5))) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

void Drain(std::chrono::milliseconds duration) {
    SyncQueue::Instance().RunPendingUntil([] { return false; }, duration);
}

std::string RunToEnd(TAuOutput& output) {
    // Shared, so a late OnDone never touches a finished frame.
    auto done = std::make_shared<std::atomic<bool>>(false);
    output.OnDone = [done](TComponent*) { *done = true; };
    output.Run();
    const bool finished = PumpUntil([done] { return done->load(); }, std::chrono::seconds(120));
    EXPECT_TRUE(finished) << "the output did not finish";
    output.OnDone = nullptr;
    return output.ExceptionMessage();
}
