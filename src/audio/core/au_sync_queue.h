// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Blocking calls from worker threads to the GUI thread (one per process).
// A worker's Synchronize queues a call and waits until the GUI thread has
// run it. The GUI thread runs queued calls when it is woken (the wake-up
// hook, set by the Qt application, posts an event whose handler calls
// RunPending) and whenever it waits for a worker (RunPendingUntil), so a
// worker that waits for the GUI thread cannot dead-lock such a wait.
// Without an event loop the driving thread serves it through the pump
// (au_pump.h).
class SyncQueue {
public:
    static SyncQueue& Instance();

    // The GUI thread is the thread that first called Instance(), unless
    // bound here (call from the thread to become the GUI thread).
    void BindGuiThread();
    [[nodiscard]] bool IsGuiThread() const;

    // Called on a worker thread whenever a call is queued; must not block.
    // Set on the GUI thread before workers run.
    void SetWakeUpHook(std::function<void()> hook);

    // Any thread: runs `call` on the GUI thread and returns after it ran,
    // rethrowing what it threw. On the GUI thread the call runs at once.
    void Synchronize(const std::function<void()>& call);

    // GUI thread: runs every queued call in order; returns how many ran.
    int RunPending();
    // GUI thread: runs queued calls as they come until `done` is true or the
    // timeout passes; returns `done()`. Wake() makes it check `done` again.
    bool RunPendingUntil(const std::function<bool()>& done,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds::max());
    // Any thread: something RunPendingUntil may be waiting for has changed.
    void Wake();

private:
    struct Call {
        std::function<void()> Function;
        bool Finished = false;
        std::exception_ptr Error;
    };

    SyncQueue();

    mutable std::mutex m_lock;
    std::condition_variable m_queued;    // GUI waits: a call was queued or Wake()
    std::condition_variable m_finished;  // workers wait: their call ran
    std::deque<std::shared_ptr<Call>> m_calls;
    std::uint64_t m_wakeCount = 0;  // counts Wake() and queued calls
    std::thread::id m_guiThread;
    std::function<void()> m_wakeUpHook;
};
