// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_thread.h"

#include <exception>
#include <string>

#include "audio/core/au_event_handler.h"
#include "audio/core/au_output.h"
#include "audio/core/au_sync_queue.h"

namespace {

constexpr int kNoSleepDelay = 5;  // Delay values up to this mean no sleep

}  // namespace

bool WorkerParkState::WaitParked(std::uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, timeout,
                              [&] { return m_suspensions >= count || m_terminated; });
}

TAuThread::TAuThread(TAuOutput& parent)
    : m_parent(parent),
      m_doneEventDelay(kDoneEventDelay.count()),
      m_thread([this] { Execute(); }) {}

TAuThread::~TAuThread() {
    {
        std::lock_guard lock(m_park->m_lock);
        m_park->m_terminated = true;
        m_park->m_suspended = false;
    }
    m_park->m_changed.notify_all();
    m_thread.join();
}

void TAuThread::Resume() {
    {
        std::lock_guard lock(m_park->m_lock);
        if (m_park->m_terminated) {
            return;
        }
        if (m_park->m_suspended) {
            m_park->m_suspended = false;
        } else {
            m_park->m_resumePending = true;
        }
    }
    m_park->m_changed.notify_all();
}

bool TAuThread::Suspended() const {
    std::lock_guard lock(m_park->m_lock);
    return m_park->m_suspended;
}

void TAuThread::RequestStop(bool notify) {
    m_doNotify = notify;
    m_stopRequested = true;
}

void TAuThread::Execute() {
    while (WaitForResume()) {
        RunOnce();
        Suspend();
    }
    {
        std::lock_guard lock(m_park->m_lock);
        ++m_park->m_suspensions;  // an ended worker counts as suspended
    }
    m_park->m_changed.notify_all();
}

bool TAuThread::WaitForResume() {
    std::unique_lock lock(m_park->m_lock);
    m_park->m_changed.wait(lock, [&] { return !m_park->m_suspended || m_park->m_terminated; });
    return !m_park->m_terminated;
}

void TAuThread::Suspend() {
    {
        std::lock_guard lock(m_park->m_lock);
        // A resume that came while the run was ending starts the next run;
        // it still counts as a suspension for the done event of this one.
        m_park->m_suspended = !m_park->m_resumePending;
        m_park->m_resumePending = false;
        ++m_park->m_suspensions;
    }
    m_park->m_changed.notify_all();
    SyncQueue::Instance().Wake();
}

void TAuThread::ReportFailure(const std::string& message) {
    try {
        m_parent.ReleaseAfterFailure();
    } catch (...) {
        // The run has failed already; its first error is the one reported.
    }
    try {
        SyncQueue::Instance().Synchronize([&] { m_parent.HandleThreadException(message); });
    } catch (...) {
        // A throwing OnThreadException handler must not end the worker.
    }
}

void TAuThread::RunOnce() {
    TAuOutput& out = m_parent;
    out.m_busy = true;
    std::string failure;
    bool failed = false;
    try {
        out.Prepare();
        out.m_canOutput = true;
        bool more = true;
        while (more) {
            if (m_stopRequested) {
                out.m_cutShort = true;
                break;
            }
            const int delay = m_delay;
            if (delay > kNoSleepDelay) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            }
            const int progress = out.Progress();
            if (progress != out.m_currentProgress) {
                out.m_currentProgress = progress;
                if (out.m_notifyProgress) {
                    out.m_events.PostProgress(&out);
                }
            }
            // DoOutput(true) ends the run without reading the rest.
            const bool abort = m_stopRequested;
            more = out.DoOutput(abort);
            out.m_cutShort = abort;
        }
    } catch (const std::exception& error) {
        failed = true;
        failure = error.what();
    } catch (...) {
        failed = true;
        failure = "Unknown error";
    }
    if (failed) {
        // A failure, not the stop, ended the run.
        out.m_cutShort = false;
        // HandleThreadException has made the output idle already.
        ReportFailure(failure);
    }
    m_stopRequested = false;
    if (!failed) {
        out.m_canOutput = false;
        bool doneFailed = false;
        try {
            out.Done();
        } catch (const std::exception& error) {
            doneFailed = true;
            ReportFailure(error.what());
        } catch (...) {
            doneFailed = true;
            ReportFailure("Unknown error");
        }
        out.m_stopped = false;
        if (!doneFailed) {
            out.m_busy = false;
        }
    }
    if (m_doNotify && out.m_notifyDone) {
        const std::chrono::milliseconds pause = DoneEventDelay();
        if (pause.count() > 0) {
            std::this_thread::sleep_for(pause);
        }
        std::uint64_t parked = 0;
        {
            std::lock_guard lock(m_park->m_lock);
            parked = m_park->m_suspensions + 1;  // the suspension that follows
        }
        out.m_events.PostDone(&out, m_park, parked);
    }
}
