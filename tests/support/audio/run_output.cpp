// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/run_output.h"

#include <gtest/gtest.h>

#include <optional>

#include "audio/core/au_pump.h"

namespace {

// Tests wait for counters that workers change without waking the queue.
constexpr std::chrono::milliseconds kPoll{5};

}  // namespace

bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    return PumpEventsUntil(done, limit, kPoll);
}

void Drain(std::chrono::milliseconds duration) {
    PumpEventsUntil([] { return false; }, duration);
}

std::string RunToEnd(TAuOutput& output) {
    const std::optional<std::string> message = RunOutputToEnd(output, std::chrono::seconds(120));
    EXPECT_TRUE(message.has_value()) << "the output did not finish";
    return message.value_or(output.ExceptionMessage());
}
