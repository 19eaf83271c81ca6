// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_sync_queue.h"

SyncQueue& SyncQueue::Instance() {
    static SyncQueue instance;
    return instance;
}

SyncQueue::SyncQueue() : m_guiThread(std::this_thread::get_id()) {}

void SyncQueue::BindGuiThread() {
    std::lock_guard lock(m_lock);
    m_guiThread = std::this_thread::get_id();
}

bool SyncQueue::IsGuiThread() const {
    std::lock_guard lock(m_lock);
    return m_guiThread == std::this_thread::get_id();
}

void SyncQueue::SetWakeUpHook(std::function<void()> hook) {
    std::lock_guard lock(m_lock);
    m_wakeUpHook = std::move(hook);
}

void SyncQueue::Synchronize(const std::function<void()>& call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    auto queued = std::make_shared<Call>();
    queued->Function = call;
    std::function<void()> hook;
    {
        std::lock_guard lock(m_lock);
        m_calls.push_back(queued);
        ++m_wakeCount;
        hook = m_wakeUpHook;
    }
    m_queued.notify_all();
    if (hook) {
        hook();
    }
    std::unique_lock lock(m_lock);
    m_finished.wait(lock, [&] { return queued->Finished; });
    if (queued->Error) {
        std::rethrow_exception(queued->Error);
    }
}

int SyncQueue::RunPending() {
    int ran = 0;
    for (;;) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard lock(m_lock);
            if (m_calls.empty()) {
                return ran;
            }
            call = m_calls.front();
            m_calls.pop_front();
        }
        std::exception_ptr error;
        try {
            call->Function();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(m_lock);
            call->Error = error;
            call->Finished = true;
        }
        m_finished.notify_all();
        ++ran;
    }
}

bool SyncQueue::RunPendingUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = timeout == std::chrono::milliseconds::max()
                              ? std::chrono::steady_clock::time_point::max()
                              : start + timeout;
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(m_lock);
            seen = m_wakeCount;
        }
        RunPending();
        if (done()) {
            return true;
        }
        std::unique_lock lock(m_lock);
        const auto changed = [&] { return m_wakeCount != seen || !m_calls.empty(); };
        if (deadline == std::chrono::steady_clock::time_point::max()) {
            m_queued.wait(lock, changed);
        } else if (!m_queued.wait_until(lock, deadline, changed)) {
            lock.unlock();
            RunPending();
            return done();
        }
    }
}

void SyncQueue::Wake() {
    {
        std::lock_guard lock(m_lock);
        ++m_wakeCount;
    }
    m_queued.notify_all();
}
