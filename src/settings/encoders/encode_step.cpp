// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encode_step.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "audio/core/au_exception.h"

EncodeStep::EncodeStep()
    : m_runEnded([this](const std::string& exceptionMessage) { RunEnded(exceptionMessage); }) {}

EncodeStep::~EncodeStep() {
    static_cast<void>(Stop());
}

void EncodeStep::Start(TAuFileIn& reader, const std::string& inputPath, std::int32_t outputFormat,
                       const std::string& outputPath, const TOptionsSetting& settings,
                       const TTagRecord& tags, const BeforeRun& beforeRun) {
    const TOutputFormatRow* row = FindOutputFormat(outputFormat);
    if (row == nullptr) {
        throw EAuException(OutputFormatName(outputFormat) + " encoding is not available.");
    }
    TAuFileOut& output = OutputOf(*row);
    m_reader = &reader;
    reader.SetFileName(inputPath);
    // A file the reader cannot read would give an empty output or an
    // unrelated encoder message: refuse it with the reader's reason before
    // the output file exists.
    if (!reader.Valid()) {
        throw EAuException(reader.InvalidReason());
    }
    // Set only when it changes: setting the input of a busy output restarts
    // its run.
    if (output.Input() != &reader) {
        output.SetInput(&reader);
    }
    output.SetFileName(outputPath);
    if (row->Setup != nullptr) {
        row->Setup(output, settings);
    }
    if (row->StreamTags != nullptr) {
        row->StreamTags(output, tags);
    }
    if (beforeRun) {
        beforeRun(output);
    }
    m_fileTags = {};
    if (row->FileTags != nullptr) {
        m_fileTags = [fileTags = row->FileTags, outputPath, tags, settings] {
            return fileTags(outputPath, tags, settings);
        };
    }
    m_running = &output;
    output.Run();
}

std::optional<std::string> EncodeStep::Stop() {
    TAuFileOut* const output = std::exchange(m_running, nullptr);
    if (output == nullptr) {
        return std::nullopt;
    }
    output->Stop(false);
    if (!output->CutShort()) {
        return std::nullopt;
    }
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(output->FileName()), ignored);
    return output->FileName();
}

bool EncodeStep::Running() const {
    return m_running != nullptr && m_running->Busy();
}

void EncodeStep::ClearFileNames() {
    if (m_reader != nullptr) {
        m_reader->SetFileName({});
    }
    for (const auto& output : m_outputs) {
        if (output) {
            output->SetFileName({});
        }
    }
}

TAuFileOut& EncodeStep::OutputOf(const TOutputFormatRow& row) {
    std::unique_ptr<TAuFileOut>& output = m_outputs[static_cast<std::size_t>(row.Number)];
    // A factory that throws leaves the place empty, so the next encoding
    // tries the library again.
    if (!output) {
        output = row.MakeOutput();
        ForwardOutputEvents(*output, OnProgress, m_runEnded);
    }
    return *output;
}

void EncodeStep::RunEnded(const std::string& exceptionMessage) {
    std::optional<std::string> failure;
    if (exceptionMessage.empty() && m_fileTags) {
        failure = m_fileTags();
    }
    if (OnDone) {
        OnDone(failure ? "The tags could not be written: " + *failure : exceptionMessage);
    }
}
