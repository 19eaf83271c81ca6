// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_output.h"

#include <cassert>
#include <filesystem>
#include <system_error>

#include "audio/core/au_event_handler.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_rounding.h"
#include "audio/core/au_sync_queue.h"
#include "audio/core/au_thread.h"

namespace {

constexpr int kMaxDelay = 100;  // milliseconds

// Makes sure the GUI thread is bound (to the creator of the first output)
// before any worker or dispatcher thread can touch the queue.
TEventHandler& AcquireEvents() {
    SyncQueue::Instance();
    return TEventHandler::Acquire();
}

}  // namespace

TAuOutput::TAuOutput() : m_events(AcquireEvents()), m_thread(std::make_unique<TAuThread>(*this)) {}

TAuOutput::~TAuOutput() {
    Stop(false);
    m_thread.reset();
    if (TAuInput* input = m_input) {
        input->RemoveFreeNotification(this);
    }
    TEventHandler::Release();
}

void TAuOutput::SetInput(TAuInput* value) {
    const bool restart = m_busy;
    if (restart) {
        Stop(false);
    }
    if (TAuInput* old = m_input) {
        old->RemoveFreeNotification(this);
    }
    m_input = value;
    if (value) {
        value->FreeNotification(this);
    }
    if (restart) {
        Run();
    }
}

void TAuOutput::Notification(TComponent* component) {
    if (component != m_input) {
        return;
    }
    // The input is going away: end a run on it, but do not restart (there is
    // nothing to run on, and a destructor must not throw).
    if (m_busy) {
        Stop(false);
    }
    m_input = nullptr;
}

void TAuOutput::Run() {
    assert(SyncQueue::Instance().IsGuiThread());
    m_exceptionMessage.clear();
    if (m_busy) {
        throw EAuException("Component is Busy");
    }
    if (!m_input) {
        throw EAuException("Input is not assigned");
    }
    // Busy from here, so a second Run raises at once; the worker clears it.
    m_busy = true;
    m_stopped = false;
    m_cutShort = false;
    m_notifyProgress = static_cast<bool>(OnProgress);
    m_notifyDone = static_cast<bool>(OnDone);
    // A stop requested while idle must not end the new run at once.
    m_thread->ClearStopRequest();
    m_thread->Resume();
}

void TAuOutput::Stop(bool async) {
    assert(SyncQueue::Instance().IsGuiThread());
    m_stopped = true;
    m_thread->RequestStop(async);
    if (async) {
        return;
    }
    m_events.BlockEvents(this);
    m_events.ClearEvents(this);
    // Run the workers' pending GUI calls meanwhile: this worker may be
    // waiting to report an exception.
    // Wait for the suspension itself, not only the end of the run: a Run
    // right after this must find the worker suspended.
    SyncQueue::Instance().RunPendingUntil([this] { return m_thread->Suspended(); });
    m_events.UnblockEvents(this);
    m_thread->SetDoNotify(true);
}

int TAuOutput::Progress() const {
    const TAuInput* input = m_input;
    if (!input) {
        return 0;
    }
    const std::int64_t size = input->Size();
    if (size < 0) {
        return -1;
    }
    if (size == 0) {
        return 0;
    }
    return static_cast<int>(RoundHalfEven(input->Position() * 100, size));
}

int TAuOutput::Delay() const {
    return m_thread->Delay();
}

void TAuOutput::SetDelay(int milliseconds) {
    if (milliseconds <= kMaxDelay) {
        m_thread->SetDelay(milliseconds);
    }
}

std::chrono::milliseconds TAuOutput::DoneEventDelay() const {
    return m_thread->DoneEventDelay();
}

void TAuOutput::SetDoneEventDelay(std::chrono::milliseconds pause) {
    m_thread->SetDoneEventDelay(pause);
}

void TAuOutput::ReleaseAfterFailure() {
    if (TAuInput* input = m_input) {
        try {
            input->Flush();
        } catch (...) {
            // Releasing after a failure; the failure itself is reported.
        }
    }
}

void TAuOutput::DeliverEvent(bool done) {
    if (done && OnDone) {
        OnDone(this);
    } else if (!done && OnProgress) {
        OnProgress(this);
    }
}

void TAuOutput::HandleThreadException(const std::string& message) {
    m_canOutput = false;
    m_busy = false;
    m_exceptionMessage = message;
    if (OnThreadException) {
        OnThreadException(this);
    }
}

void TAuStreamedOutput::SetStream(AuStream* stream) {
    m_stream = stream;
    m_streamAssigned = stream != nullptr;
}

void TAuStreamedOutput::SetOwnStream(std::unique_ptr<AuStream> stream, bool createdFile) {
    m_ownStream = std::move(stream);
    m_stream = m_ownStream.get();
    m_streamAssigned = false;
    m_ownStreamCreatedFile = createdFile;
}

void TAuStreamedOutput::ReleaseStream() {
    m_ownStreamCreatedFile = false;
    if (m_streamAssigned) {
        return;
    }
    m_stream = nullptr;
    m_ownStream.reset();
}

void TAuStreamedOutput::ReleaseAfterFailure() {
    ReleaseStream();
    TAuOutput::ReleaseAfterFailure();
}

void TAuFileOut::SetFileMode(TFileOutputMode /*value*/) {}

void TAuFileOut::ReleaseAfterFailure() {
    const bool created = OwnStreamCreatedFile();
    TAuStreamedOutput::ReleaseAfterFailure();
    if (created) {
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::u8path(m_fileName), ignored);
    }
}

void ForwardOutputEvents(TAuOutput& output, const std::function<void(int progress)>& onProgress,
                         const std::function<void(const std::string& message)>& onDone) {
    output.OnProgress = [&output, &onProgress](TComponent*) {
        if (onProgress) {
            onProgress(output.Progress());
        }
    };
    output.OnDone = [&output, &onDone](TComponent*) {
        if (onDone) {
            onDone(output.ExceptionMessage());
        }
    };
}
