// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/queued_rip_view.h"

#include <utility>

#include "audio/core/au_sync_queue.h"
#include "cd/rip_protocol.h"

void QueuedRipView::Post(PostedMessage message) {
    const bool progress = DecodeRipMessage(message).Kind == TRipEventKind::Progress;
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(message));
    }
    if (!progress) {
        SyncQueue::Instance().Wake();
    }
}

bool QueuedRipView::Deliver(RipJob& job) {
    std::deque<PostedMessage> messages;
    {
        std::lock_guard lock(m_lock);
        messages.swap(m_queue);
    }
    for (const PostedMessage& message : messages) {
        m_halted = m_halted || message.Number == WM_RIPERROR;
        job.HandleMessage(message);
    }
    return m_closed || m_halted;
}
