// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_event_handler.h"

#include <algorithm>
#include <chrono>

#include "audio/core/au_output.h"
#include "audio/core/au_sync_queue.h"
#include "audio/core/au_thread.h"

namespace {

constexpr auto kWakeUpTimeout = std::chrono::milliseconds(100);
constexpr auto kParkPollInterval = std::chrono::milliseconds(10);

std::mutex g_instanceLock;
TEventHandler* g_instance = nullptr;  // owned; lives while g_references > 0
int g_references = 0;

}  // namespace

TEventHandler& TEventHandler::Acquire() {
    std::lock_guard lock(g_instanceLock);
    if (g_references++ == 0) {
        g_instance = new TEventHandler();
    }
    return *g_instance;
}

void TEventHandler::Release() {
    TEventHandler* finished = nullptr;
    {
        std::lock_guard lock(g_instanceLock);
        if (--g_references == 0) {
            finished = g_instance;
            g_instance = nullptr;
        }
    }
    delete finished;
}

TEventHandler::TEventHandler() : m_thread([this] { Execute(); }) {}

TEventHandler::~TEventHandler() {
    {
        std::lock_guard lock(m_lock);
        m_terminated = true;
        m_wakeSignalled = true;
    }
    m_wake.notify_all();
    // The dispatcher may be waiting for the GUI thread to run a handler call.
    SyncQueue::Instance().RunPendingUntil([this] {
        std::lock_guard lock(m_lock);
        return m_exited;
    });
    m_thread.join();
}

void TEventHandler::Post(PipelineEvent event) {
    {
        std::lock_guard lock(m_lock);
        if (m_blocked.count(event.Sender) != 0) {
            return;
        }
        m_queue.push_back(std::move(event));
        m_wakeSignalled = true;
    }
    m_wake.notify_one();
}

void TEventHandler::PostProgress(TAuOutput* sender) {
    Post({kProgress, sender, nullptr, 0});
}

void TEventHandler::PostDone(TAuOutput* sender, std::shared_ptr<WorkerParkState> worker,
                             std::uint64_t parkedCount) {
    Post({kDone, sender, std::move(worker), parkedCount});
}

void TEventHandler::BlockEvents(TAuOutput* sender) {
    std::lock_guard lock(m_lock);
    m_blocked.insert(sender);
}

void TEventHandler::ClearEvents(TAuOutput* sender) {
    std::lock_guard lock(m_lock);
    std::erase_if(m_queue, [&](const PipelineEvent& event) { return event.Sender == sender; });
    if (m_current == sender) {
        m_currentCancelled = true;
    }
}

void TEventHandler::UnblockEvents(TAuOutput* sender) {
    std::lock_guard lock(m_lock);
    const auto it = m_blocked.find(sender);
    if (it != m_blocked.end()) {
        m_blocked.erase(it);
    }
}

void TEventHandler::Execute() {
    for (;;) {
        PipelineEvent event;
        {
            std::unique_lock lock(m_lock);
            if (m_queue.empty() && !m_terminated) {
                m_wake.wait_for(lock, kWakeUpTimeout, [&] { return m_wakeSignalled; });
                m_wakeSignalled = false;
            }
            if (m_terminated) {
                break;
            }
            if (m_queue.empty()) {
                continue;
            }
            event = std::move(m_queue.front());
            m_queue.pop_front();
            m_current = event.Sender;
            m_currentCancelled = false;
        }
        Dispatch(event);
        std::lock_guard lock(m_lock);
        m_current = nullptr;
    }
    {
        std::lock_guard lock(m_lock);
        m_exited = true;
    }
    SyncQueue::Instance().Wake();
}

void TEventHandler::Dispatch(const PipelineEvent& event) {
    if (event.EventKind == kDone) {
        // OnDone may start the next run, so the worker must have suspended.
        while (!event.Worker->WaitParked(event.ParkedCount, kParkPollInterval)) {
            std::lock_guard lock(m_lock);
            if (m_terminated) {
                return;
            }
        }
        std::lock_guard lock(m_lock);
        std::erase_if(m_queue, [&](const PipelineEvent& e) { return e.Sender == event.Sender; });
    }
    SyncQueue::Instance().Synchronize([&] {
        {
            std::lock_guard lock(m_lock);
            if (m_currentCancelled) {
                return;  // the sender was stopped or destroyed meanwhile
            }
        }
        try {
            event.Sender->DeliverEvent(event.EventKind == kDone);
        } catch (...) {
            // A throwing handler must not end the dispatcher for every output.
        }
    });
}
