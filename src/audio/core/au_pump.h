// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running outputs without an event loop (the command line, tests,
// benchmarks). The driving thread is the pipeline's GUI thread (the first
// thread to create an output, or the one bound by SyncQueue::BindGuiThread):
// it creates, sets up, runs and stops the outputs, and serves the workers'
// blocking calls by these functions, so every event handler runs inside
// them, on that thread.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "audio/core/au_output.h"

inline constexpr std::chrono::milliseconds kPumpForever = std::chrono::milliseconds::max();

// Serves the queued calls until `done` holds or `limit` passes; returns
// whether `done` holds. `done` is checked after the calls served and at each
// wake-up of the queue (every event delivered, the end of every run), so a
// condition that event handlers change needs no `poll`; one that a worker
// changes on its own (a count of blocks) is checked at least every `poll`.
bool PumpEventsUntil(const std::function<bool()>& done,
                     std::chrono::milliseconds limit = kPumpForever,
                     std::chrono::milliseconds poll = kPumpForever);

// Runs the output to its end, serving the queued calls meanwhile; its
// OnDone is replaced for the run and cleared afterwards. Returns its
// ExceptionMessage (empty on success), or nothing when `limit` passed first
// (the output is still running). Throws as Run does.
std::optional<std::string> RunOutputToEnd(TAuOutput& output,
                                          std::chrono::milliseconds limit = kPumpForever);
