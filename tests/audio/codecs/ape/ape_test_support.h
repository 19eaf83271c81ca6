// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

// Fixtures for the APE compressor tests: PCM signals made in code, encoding
// through the C-style calls, and decoding with the ffmpeg program as the
// independent oracle.
namespace ape_test {

struct PcmFormat {
    int channels;
    int bitsPerSample;
};

enum class Signal {
    kSilence,
    kSquare,        // full scale, channels in phase
    kAntiSquare,    // full scale, channels in anti-phase
    kNyquist,       // +max / min on alternate samples
    kNoise,         // full-scale white noise
    kSweep,         // sine sweep over the audible range at -1 dBFS
    kMonoInStereo,  // identical channels of music-like noise
    kOneSilent,     // second channel silent, first a sweep
};

// Interleaved little-endian PCM (8-bit unsigned, 16/24-bit signed).
[[nodiscard]] std::vector<uint8_t> MakePcm(Signal signal, const PcmFormat& format, size_t blocks,
                                           uint32_t seed = 1);

// Encodes through c_APECompress_* handing the PCM over in pieces of at most
// pieceBytes; returns the Finish result (or the first failing call's code).
int EncodeApe(const std::filesystem::path& target, const std::vector<uint8_t>& pcm,
              const PcmFormat& format, int level, size_t pieceBytes = 65536);

// Decodes with ffmpeg (frame CRCs checked) into raw PCM of the file's format;
// false when ffmpeg fails.
[[nodiscard]] bool DecodeWithFfmpeg(const std::filesystem::path& ape, int bitsPerSample,
                                    std::vector<uint8_t>& pcm);

[[nodiscard]] std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
[[nodiscard]] uint32_t ReadLe32(const std::vector<uint8_t>& bytes, size_t offset);
[[nodiscard]] std::vector<uint8_t> FromHex(const std::string& hex);

}  // namespace ape_test
