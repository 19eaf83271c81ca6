// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/core/au_component.h"
#include "audio/core/au_input.h"
#include "audio/core/au_stream.h"
#include "audio/core/au_tag_set.h"

class TAuThread;
class TEventHandler;

// Event types; Sender is the output.
using TOutputDoneEvent = std::function<void(TComponent* sender)>;
using TOutputProgressEvent = std::function<void(TComponent* sender)>;
using TThreadExceptionEvent = std::function<void(TComponent* sender)>;

enum TFileOutputMode : std::uint8_t { foRewrite, foAppend };

// How long a worker waits, by default, after a run before it posts the
// run's done event (the windows show the end of a run that long).
inline constexpr std::chrono::milliseconds kDoneEventDelay{300};

// An audio sink with its own worker thread that pulls the Input's data
// through block by block.
//
// Threads: the GUI thread creates and destroys outputs, sets properties,
// calls Run and Stop and receives the events (always on the GUI thread, via
// the event dispatcher). The worker thread runs one run per Run:
//   Prepare()            once: open or create the destination, Init() the
//                        Input, read its SampleRate/Channels/BitsPerSample,
//                        write any header.
//   DoOutput(abort)      once per block until it returns false or a stop is
//                        requested. With abort true return false at once
//                        without moving data. Otherwise take data from the
//                        Input (GetData, CopyData, FillBuffer), encode and
//                        write it; return true while more may follow, false
//                        once the input delivered 0 bytes.
//   Done()               once at the end, also after a stop, not after a
//                        failure: finish the destination (flush the encoder,
//                        patch sizes, write tags), release a stream the
//                        output opened itself, Flush() the Input.
// Any of the three reports a fatal problem by throwing EAuException (any
// std::exception is caught). The run then ends: ReleaseAfterFailure() runs
// on the worker, then OnThreadException on the GUI thread with
// ExceptionMessage() set, then OnDone; Done() is not called.
//
// Destruction: a concrete output's destructor must call Stop(false) first,
// while its own members still exist; ~TAuOutput then ends the worker.
class TAuOutput : public TComponent {
public:
    TAuOutput();
    ~TAuOutput() override;

    [[nodiscard]] TAuInput* Input() const { return m_input; }
    // When busy: a synchronous Stop, store, Run (which raises "Input is not
    // assigned" for nullptr). Otherwise only stores.
    virtual void SetInput(TAuInput* value);

    // Raises EAuException "Component is Busy" or "Input is not assigned";
    // otherwise starts a run on the worker. Events must be assigned before.
    void Run();
    // Async: the run ends after the current block, Done and OnDone follow.
    // Sync: returns after the run has ended; no further event of it fires.
    void Stop(bool async);
    // Percentage of the input delivered (rounded half to even); -1 when the
    // input's size is unknown, 0 without input or for an empty one.
    [[nodiscard]] int Progress() const;
    [[nodiscard]] int Delay() const;
    // Milliseconds slept per block; a value above 100 is ignored.
    void SetDelay(int milliseconds);
    // The pause between the end of a run and its done event: kDoneEventDelay
    // unless set; zero posts the done event at once (a driver without
    // windows). Read by the worker when a run ends.
    [[nodiscard]] std::chrono::milliseconds DoneEventDelay() const;
    void SetDoneEventDelay(std::chrono::milliseconds pause);

    [[nodiscard]] bool Busy() const { return m_busy; }
    [[nodiscard]] bool Stopped() const { return m_stopped; }
    // Whether a stop ended the last run before its input was exhausted: its
    // destination holds only part of the input, finished by Done as if whole.
    [[nodiscard]] bool CutShort() const { return m_cutShort; }
    // Text of the exception that ended the last run; empty after success.
    [[nodiscard]] const std::string& ExceptionMessage() const { return m_exceptionMessage; }

    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    TThreadExceptionEvent OnThreadException;

protected:
    // The contract, worker thread only (see the class comment).
    virtual void Prepare() = 0;
    virtual bool DoOutput(bool abort) = 0;
    virtual void Done() = 0;
    // Worker thread, after a failed Prepare/DoOutput/Done: release what the
    // run holds. The base flushes the Input (errors ignored); overrides call it.
    virtual void ReleaseAfterFailure();

    // True from the end of Prepare until Done starts (worker thread).
    [[nodiscard]] bool CanOutput() const { return m_canOutput; }
    void Notification(TComponent* component) override;

private:
    friend class TAuThread;
    friend class TEventHandler;

    // GUI thread, from the dispatcher.
    void DeliverEvent(bool done);
    // GUI thread, from the worker after a failure.
    void HandleThreadException(const std::string& message);

    TEventHandler& m_events;
    std::atomic<TAuInput*> m_input{nullptr};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_canOutput{false};
    std::atomic<bool> m_cutShort{false};
    std::atomic<int> m_currentProgress{0};
    // Whether OnProgress/OnDone were assigned when the run started.
    std::atomic<bool> m_notifyProgress{false};
    std::atomic<bool> m_notifyDone{false};
    std::string m_exceptionMessage;  // GUI thread
    std::unique_ptr<TAuThread> m_thread;
};

// An output that writes to a stream: either one the caller supplies (not
// owned, never closed) or one it creates itself (owned, closed in Done or
// after a failure).
class TAuStreamedOutput : public TAuOutput {
public:
    [[nodiscard]] AuStream* Stream() const { return m_stream; }
    // A caller-supplied destination (nullptr: the output creates its own).
    // Only while the output is idle.
    void SetStream(AuStream* stream);
    [[nodiscard]] bool StreamAssigned() const { return m_streamAssigned; }

protected:
    // Prepare: makes `stream` the owned destination. createdFile: the stream
    // is a file this run created (not one it appends to), so a failed run
    // removes it again rather than leave a file that looks finished.
    void SetOwnStream(std::unique_ptr<AuStream> stream, bool createdFile = false);
    // Done and failures: frees the destination unless the caller supplied it.
    void ReleaseStream();
    void ReleaseAfterFailure() override;
    // Whether the destination held now is a file this run created.
    [[nodiscard]] bool OwnStreamCreatedFile() const { return m_ownStreamCreatedFile; }

    AuStream* m_stream = nullptr;  // the destination in use
    bool m_streamAssigned = false;

private:
    std::unique_ptr<AuStream> m_ownStream;
    bool m_ownStreamCreatedFile = false;
};

// Makes the output's events call onProgress with its Progress() and onDone
// with its ExceptionMessage(), each if set when the event arrives. Both
// callbacks are kept by reference and must outlive the output.
void ForwardOutputEvents(TAuOutput& output, const std::function<void(int progress)>& onProgress,
                         const std::function<void(const std::string& message)>& onDone);

// A streamed output that creates its destination from a file name.
class TAuFileOut : public TAuStreamedOutput {
public:
    [[nodiscard]] const std::string& FileName() const { return m_fileName; }
    void SetFileName(const std::string& value) { m_fileName = value; }
    [[nodiscard]] TFileOutputMode FileMode() const { return m_fileMode; }
    // The base keeps foRewrite; outputs that can append override this.
    virtual void SetFileMode(TFileOutputMode value);

protected:
    // Releases as the streamed output does, then removes the file the run
    // created: a partial file must not pass for a finished one.
    void ReleaseAfterFailure() override;

    std::string m_fileName;  // UTF-8 path
    TFileOutputMode m_fileMode = foRewrite;
};

// A file output that owns ID3v1, ID3v2 and APEv2 tag containers.
class TAuTaggedFileOut : public TAuFileOut, public TAuTagSet {};
