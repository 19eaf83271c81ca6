// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"

// A piece size that makes outputs gather their blocks from several reads.
constexpr std::size_t kOddPiece = 5000;

// Interleaved little-endian PCM: a sine of `hertz` per channel (each channel
// a different phase) plus a little noise, at 70 % of full scale.
std::vector<std::uint8_t> SinePcm(std::size_t frames, int bitsPerSample, int channels,
                                  int sampleRate, double hertz = 440.0);

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
