// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A rip without a window: the view that queues what the job's threads post
// for the driving thread, which hands it to the job while it serves the
// pipeline's queue:
//
//     QueuedRipView view;
//     RipJob job(..., view);
//     job.Start();
//     PumpEventsUntil([&] { return view.Deliver(job); });
//     job.Close();
//
// Only a message that changes the rip's course (a track's end, an error,
// the job's own) wakes the driving thread; plain progress goes with the
// next wake-up, so a rip does not switch threads for every sector read.
//
// Threads: Post on any thread; everything else on the driving thread.

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cd/rip_job.h"

class QueuedRipView : public RipJobView {
public:
    void Post(PostedMessage message) override;

    // Hands the queued messages to the job, in posting order; whether the
    // rip is over: the job asked to close, or a drive error halted the rip
    // thread (the job then waits for a stop, which Close gives).
    bool Deliver(RipJob& job);

    void ShowTrack(const std::string& /*title*/, int /*completed*/) override {}
    void ShowHint(std::string_view /*hint*/) override {}
    void ShowProgressText(std::string_view /*text*/) override {}
    void ShowProgress(int /*percent*/) override {}
    void ShowError(const std::string& text) override { m_errors.push_back(text); }
    void ShowTrackCheck(const std::string& line) override { m_trackChecks.push_back(line); }
    void ShowCheckSummary(const std::string& line) override { m_checkSummary = line; }
    void CloseView() override { m_closed = true; }

    // The texts the job showed, in order.
    [[nodiscard]] const std::vector<std::string>& Errors() const { return m_errors; }
    [[nodiscard]] const std::vector<std::string>& TrackChecks() const { return m_trackChecks; }
    [[nodiscard]] const std::string& CheckSummary() const { return m_checkSummary; }
    [[nodiscard]] bool Closed() const { return m_closed; }
    [[nodiscard]] bool Halted() const { return m_halted; }

private:
    std::mutex m_lock;
    std::deque<PostedMessage> m_queue;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_trackChecks;
    std::string m_checkSummary;
    bool m_closed = false;
    bool m_halted = false;
};
