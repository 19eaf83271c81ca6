// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

// Runs a shell command; its standard output with the trailing newline
// removed. Fails the test when the command fails.
std::string Shell(const std::string& command);

// A WAV file of `seconds` of two different tones made by sox with a plain
// (not extensible) header; `format` holds sox's format options, for example
// "-r 44100 -b 16 -c 2" or "-e ima-adpcm -r 22050 -c 1".
void MakeWav(const std::string& path, const std::string& format, double seconds);

// What soxi reports about a file.
struct SoundInfo {
    int SampleRate = 0;
    int Channels = 0;
    int Bits = 0;
    std::string Encoding;
    std::int64_t Frames = 0;
};
SoundInfo Soxi(const std::string& path);

// The file's audio decoded by sox to raw bytes in its own format.
std::vector<std::uint8_t> RawAudio(const std::string& path);
