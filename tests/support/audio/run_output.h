// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "audio/core/au_output.h"

// How long to serve the queue to see that nothing more arrives: a done
// event is posted kDoneEventDelay after its run ends, plus scheduling slack.
inline constexpr std::chrono::milliseconds kLateEventWindow =
    kDoneEventDelay + std::chrono::milliseconds(100);

// The pipeline's pump (audio/core/au_pump.h) with a test's limits.
// Runs the GUI thread's queued calls until `done` holds or `limit` passes;
// false on time-out. Polls every 5 ms: not every change wakes the queue.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(60));
// Runs the GUI thread's queued calls for a while, to see that nothing more
// arrives.
void Drain(std::chrono::milliseconds duration);

// Runs an output to its end on this (the GUI) thread, serving queued calls
// meanwhile; returns its ExceptionMessage (empty on success).
std::string RunToEnd(TAuOutput& output);
