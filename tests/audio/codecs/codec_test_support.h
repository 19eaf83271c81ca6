// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"

// An input over PCM bytes in memory in any format, delivering at most
// `piece` bytes per call (odd sizes make outputs gather blocks).
class PcmInput : public TAuInput {
public:
    PcmInput(std::vector<std::uint8_t> data, int bitsPerSample, int channels, int sampleRate,
             std::size_t piece = 5000);
    ~PcmInput() override;

    int BitsPerSample() override { return m_bitsPerSample; }
    int Channels() override { return m_channels; }
    int SampleRate() override { return m_sampleRate; }

protected:
    void InitInternal() override;
    void FlushInternal() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;

private:
    std::vector<std::uint8_t> m_data;
    int m_bitsPerSample;
    int m_channels;
    int m_sampleRate;
    std::size_t m_piece;
    std::size_t m_offset = 0;
};

// Interleaved little-endian PCM: a sine of `hertz` per channel (each channel
// a different phase) plus a little noise, at 70 % of full scale.
std::vector<std::uint8_t> SinePcm(std::size_t frames, int bitsPerSample, int channels,
                                  int sampleRate, double hertz = 440.0);

// Runs the output once and waits for OnDone (running the GUI thread's
// queued calls meanwhile); returns ExceptionMessage ("" on success).
std::string RunToEnd(TAuOutput& output);

// A shell command's exit status and standard output (standard error is
// discarded unless the command redirects it).
struct CommandResult {
    int Status = -1;
    std::string Output;
};
CommandResult RunCommand(const std::string& command);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// A fresh folder for one test, removed by the destructor.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    [[nodiscard]] std::string Path(const std::string& name) const;

private:
    std::string m_path;
};
