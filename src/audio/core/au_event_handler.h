// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

class TAuOutput;
class WorkerParkState;

// The process-wide event dispatcher: one thread that delivers OnProgress and
// OnDone of every output to the GUI thread, one at a time, in posting order.
// It exists while at least one output exists (outputs hold a reference).
// Workers post; the GUI thread blocks, clears and unblocks a sender's events.
// A done event is delivered only after its worker has suspended itself, and
// the sender's other queued events are dropped first, so no progress event
// follows OnDone and an OnDone handler may call Run again at once.
class TEventHandler {
public:
    // GUI thread: take and release the reference an output holds.
    [[nodiscard]] static TEventHandler& Acquire();
    static void Release();

    // Worker threads. `parkedCount` is the worker's suspension count that
    // must be reached before the done event is delivered.
    void PostProgress(TAuOutput* sender);
    void PostDone(TAuOutput* sender, std::shared_ptr<WorkerParkState> worker,
                  std::uint64_t parkedCount);

    // GUI thread: refuse a sender's events from now on (nestable), drop its
    // queued ones (also the one being dispatched), accept them again.
    void BlockEvents(TAuOutput* sender);
    void ClearEvents(TAuOutput* sender);
    void UnblockEvents(TAuOutput* sender);

private:
    enum Kind { kProgress = 0, kDone = 1 };
    struct PipelineEvent {
        Kind EventKind = kProgress;
        TAuOutput* Sender = nullptr;              // compared only; dereferenced on the GUI thread
        std::shared_ptr<WorkerParkState> Worker;  // done events only
        std::uint64_t ParkedCount = 0;
    };

    TEventHandler();
    ~TEventHandler();
    void Post(PipelineEvent event);
    void Execute();
    void Dispatch(const PipelineEvent& event);

    std::mutex m_lock;  // guards everything below except m_thread
    std::condition_variable m_wake;
    bool m_wakeSignalled = false;  // auto-reset wake-up event
    std::deque<PipelineEvent> m_queue;
    std::multiset<TAuOutput*> m_blocked;
    TAuOutput* m_current = nullptr;  // sender of the event being dispatched
    bool m_currentCancelled = false;
    bool m_terminated = false;
    bool m_exited = false;
    std::thread m_thread;
};
