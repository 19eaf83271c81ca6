// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Loudness measured apart from the program: test signals made by sox and
// measured by ffmpeg's ebur128 filter (EBU R 128 loudness and true peak).

#include <string>

struct FfmpegLoudness {
    double loudness = 0;  // integrated, LUFS; -70 when no block passed the gates
    double peakDb = 0;    // true peak, dBFS
};

// What ffmpeg's ebur128 filter says of a file (its summary is rounded to
// 0.1 dB). A failure is a test failure.
[[nodiscard]] FfmpegLoudness FfmpegEbur128(const std::string& wav);

// Writes a 16-bit WAV file with sox from `sox -n` and effects ("synth 5 sine
// 440"), made at its rate (not resampled), without dither and with the same
// noise every time. True-peak meters interpolate between samples with
// different filters and differ by 0.2 dB and more on content near half the
// sample rate; noise for a comparison of peaks is low-passed.
void SoxWav(const std::string& wav, int channels, int rate, const std::string& effects);
