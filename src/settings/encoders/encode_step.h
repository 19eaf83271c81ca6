// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One encoding of a file into a file of an output format: the step the rip
// window takes for each ripped track and the file converter for each file.
// The step owns one output per format, each created the first time its
// format is encoded, so a missing codec library concerns only its own format
// and shows as a failed encoding. The readers belong to the caller.
//
// Threads: GUI thread only; the events arrive there through the pipeline's
// dispatcher. Ownership: owns the outputs; a reader given to Start must
// outlive the step (declare it before the step) or be destroyed only while
// no encoding runs.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"

class EncodeStep {
public:
    EncodeStep();
    // Stops a running encoding as Stop does.
    ~EncodeStep();
    EncodeStep(const EncodeStep&) = delete;
    EncodeStep& operator=(const EncodeStep&) = delete;

    // What a caller adds to the output once the reader has opened the file
    // and the set-up is applied, just before the run (the file converter
    // copies the source's tags); it may throw like Start.
    using BeforeRun = std::function<void(TAuFileOut& output)>;

    // Points reader at inputPath, names the output of outputFormat
    // outputPath, applies the format's set-up from settings and gives the
    // stream its tags, calls beforeRun, and returns once the run has
    // started; OnProgress and OnDone follow. A run that succeeds has the
    // tags that go into a finished file written before OnDone; when they
    // cannot be, OnDone gets the reason (the file itself is kept). Throws EAuException, with no
    // output file made, when the number names no format (" encoding is not available."), its output
    // cannot be created (its library is missing), the reader cannot read the file (with the
    // reader's reason), or Run refuses.
    void Start(TAuFileIn& reader, const std::string& inputPath, std::int32_t outputFormat,
               const std::string& outputPath, const TOptionsSetting& settings,
               const TTagRecord& tags, const BeforeRun& beforeRun = {});

    // Ends a running encoding synchronously (no further event of it). An
    // encoding the stop cut short has its output file removed, as it holds
    // only the start of the input yet is finished like a whole one; the
    // result then is that file's path. The step's outputs always make their
    // file anew, so the file removed is this encoding's own.
    std::optional<std::string> Stop();
    // Whether the output of the last Start is still running.
    [[nodiscard]] bool Running() const;
    // Forgets the file names of the last reader and of every output.
    void ClearFileNames();

    // The running output's progress percentage (-1 when unknown).
    std::function<void(int progress)> OnProgress;
    // The running output has ended; the message is empty after success. A
    // failed run has removed the output file it created.
    std::function<void(const std::string& exceptionMessage)> OnDone;

private:
    // The output of the row, created and wired to the events on first use.
    TAuFileOut& OutputOf(const TOutputFormatRow& row);
    // The output's run has ended: tags the finished file, then OnDone.
    void RunEnded(const std::string& exceptionMessage);

    std::array<std::unique_ptr<TAuFileOut>, kOutputFormatCount> m_outputs;
    TAuFileIn* m_reader = nullptr;
    TAuFileOut* m_running = nullptr;  // the output of the last Start, until stopped
    // Writes the tags of the running file once it is finished; empty when
    // its format has none to add.
    std::function<std::optional<std::string>()> m_fileTags;
    // The outputs' done events, held here as the outputs keep a reference.
    const std::function<void(const std::string&)> m_runEnded;
};
