// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Several encodings at once: a fixed number of slots, each with its own
// reader and encode step, so each running encoding has its own output and
// worker thread. A driver starts jobs while a slot is free and learns of
// each job's progress and end through the events.
//
// Threads: the driving thread only (the pipeline's GUI thread); the events
// arrive on it while it serves the queue (PumpEventsUntil without an event
// loop), one at a time. Ownership: each slot owns the reader of its job
// until its next job replaces it, and its encode step with the outputs.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "settings/encoders/encode_step.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/options_setting.h"

// One encoding of a file into a file of an output format.
struct EncodeJob {
    std::unique_ptr<TAuFileIn> Reader;  // reads InputPath; a WAV reader when empty
    std::string InputPath;
    std::int32_t OutputFormat = 0;
    std::string OutputPath;
    TTagRecord Tags;
    EncodeStep::BeforeRun BeforeRun;  // optional, as for EncodeStep::Start
};

class EncoderPool {
public:
    // `slots` encodings may run at once; each output waits doneEventDelay
    // before its done event (zero for a driver that shows nothing).
    explicit EncoderPool(std::size_t slots,
                         std::chrono::milliseconds doneEventDelay = kDoneEventDelay);
    // Stops the running jobs as Stop does.
    ~EncoderPool();
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    // Starts the job in a free slot and returns its number (0, 1, 2, ... in
    // the order of the jobs started). Throws EAuException, taking no slot,
    // when no slot is free or for the reasons EncodeStep::Start gives.
    std::size_t Start(EncodeJob job, const TOptionsSetting& settings);
    // Ends every running job synchronously: none reports anything more, and
    // a job the stop cut short has its output file removed.
    void Stop();

    [[nodiscard]] bool HasFreeSlot() const;
    // Jobs started whose end has not been reported yet.
    [[nodiscard]] std::size_t Running() const;

    // A job's progress percentage (-1 when unknown).
    std::function<void(std::size_t job, int progress)> OnProgress;
    // A job has ended, its slot is free again; the message is empty after
    // success. A failed job has removed the output file it created.
    std::function<void(std::size_t job, const std::string& exceptionMessage)> OnDone;

private:
    struct Slot {
        std::unique_ptr<TAuFileIn> Reader;  // before Step: outlives its outputs
        EncodeStep Step;
        std::optional<std::size_t> Job;  // until its end is reported or it is stopped
    };

    std::vector<std::unique_ptr<Slot>> m_slots;  // fixed addresses: the events keep them
    std::chrono::milliseconds m_doneEventDelay;
    std::size_t m_nextJob = 0;
};
