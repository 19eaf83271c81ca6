// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class TAuOutput;

// Whether a worker is suspended, shared by the worker and the event
// dispatcher (which waits for a worker to suspend before delivering its
// done event); shared ownership keeps it valid if the output dies first.
class WorkerParkState {
public:
    // Waits until the worker has suspended itself at least `count` times
    // in all (or has ended), at most `timeout`; returns whether it has.
    bool WaitParked(std::uint64_t count, std::chrono::milliseconds timeout);

private:
    friend class TAuThread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_suspended = true;          // created suspended
    bool m_resumePending = false;     // resumed while still finishing a run
    bool m_terminated = false;        // the thread is to end
    std::uint64_t m_suspensions = 0;  // times the worker suspended itself
};

// The worker of one output: created suspended with its output, resumed by
// TAuOutput::Run for one run, suspends itself after each run. The run loop
// (in RunOnce) calls the output's Prepare, DoOutput and Done on this thread.
// The output owns it; the GUI thread calls the public operations.
class TAuThread {
public:
    explicit TAuThread(TAuOutput& parent);
    // Terminates the thread and waits for it. The output must be idle (a
    // synchronous Stop before), so no run is in progress.
    ~TAuThread();
    TAuThread(const TAuThread&) = delete;
    TAuThread& operator=(const TAuThread&) = delete;

    // Starts the next run: at once when the thread is suspended, otherwise
    // as soon as it has finished the run it is ending.
    void Resume();
    [[nodiscard]] bool Suspended() const;

    // Milliseconds slept before each block; values of 5 or less mean none.
    [[nodiscard]] int Delay() const { return m_delay; }
    void SetDelay(int milliseconds) { m_delay = milliseconds; }
    // The pause before a run's done event is posted.
    [[nodiscard]] std::chrono::milliseconds DoneEventDelay() const {
        return std::chrono::milliseconds(m_doneEventDelay);
    }
    void SetDoneEventDelay(std::chrono::milliseconds pause) { m_doneEventDelay = pause.count(); }

    // A stop request: the loop ends after the current block; `notify`
    // tells whether the done event of this run is still posted.
    void RequestStop(bool notify);
    void SetDoNotify(bool notify) { m_doNotify = notify; }
    [[nodiscard]] bool StopRequested() const { return m_stopRequested; }
    void ClearStopRequest() { m_stopRequested = false; }

private:
    void Execute();
    // Waits until resumed; false when the thread is to end.
    bool WaitForResume();
    // Marks the thread suspended after a run.
    void Suspend();
    void RunOnce();
    void ReportFailure(const std::string& message);

    TAuOutput& m_parent;
    std::shared_ptr<WorkerParkState> m_park = std::make_shared<WorkerParkState>();
    std::atomic<int> m_delay{0};
    std::atomic<std::chrono::milliseconds::rep> m_doneEventDelay;
    std::atomic<bool> m_doNotify{true};
    std::atomic<bool> m_stopRequested{false};
    std::thread m_thread;  // last: starts once the members above exist
};
