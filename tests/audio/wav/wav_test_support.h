// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"

// A fresh folder under the test's temporary folder, removed by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    [[nodiscard]] std::string Path(const std::string& name) const;

private:
    std::string m_path;
};

// Interleaved 16-bit samples: a sine of `hertz` per channel (channel c a
// little higher than c - 1) at `amplitude`.
std::vector<std::int16_t> Sine(std::size_t frames, int channels, int rate, double hertz = 440.0,
                               double amplitude = 12000.0);
std::vector<std::uint8_t> AsBytes(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> AsSamples(const std::vector<std::uint8_t>& bytes);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// A 44-byte linear PCM header followed by `data`.
std::vector<std::uint8_t> PcmWav(const std::vector<std::uint8_t>& data, int channels, int rate,
                                 int bits = 16);
// Runs a shell command line; true when it exits 0.
bool RunCommand(const std::string& command);
// The file decoded by ffmpeg to 16-bit samples (channels as in the file);
// `extra` goes before the input (for example "-c:a mp3").
std::vector<std::int16_t> FfmpegDecode(const std::string& path, const ScratchDir& dir,
                                       const std::string& extra = "");

// Reads a whole pass through the public input operations.
std::vector<std::uint8_t> ReadPass(TAuInput& input, std::size_t request = 16384);

// Largest difference between samples at the same index (over the shorter).
int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b);
