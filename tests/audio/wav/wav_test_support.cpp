// SPDX-License-Identifier: GPL-3.0-or-later
#include "wav_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<std::int16_t> Sine(std::size_t frames, int channels, int rate, double hertz,
                               double amplitude) {
    std::vector<std::int16_t> samples(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double phase = 2.0 * std::numbers::pi * hertz * (1.0 + 0.25 * c) * i / rate;
            samples[i * channels + c] =
                static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
        }
    }
    return samples;
}

std::vector<std::uint8_t> PcmWav(const std::vector<std::uint8_t>& data, int channels, int rate,
                                 int bits) {
    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    PutLE(file, static_cast<std::uint32_t>(data.size() + 36), 4);
    for (char c : std::string("WAVEfmt ")) {
        file.push_back(static_cast<std::uint8_t>(c));
    }
    const int blockAlign = channels * bits / 8;
    PutLE(file, 16, 4);
    PutLE(file, 1, 2);
    PutLE(file, channels, 2);
    PutLE(file, rate, 4);
    PutLE(file, rate * blockAlign, 4);
    PutLE(file, blockAlign, 2);
    PutLE(file, bits, 2);
    for (char c : std::string("data")) {
        file.push_back(static_cast<std::uint8_t>(c));
    }
    PutLE(file, static_cast<std::uint32_t>(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

std::vector<std::int16_t> FfmpegDecode(const std::string& path, const TestFolder& dir,
                                       const std::string& extra) {
    const std::string raw = dir.File("ffmpeg_decoded.raw");
    const bool ok = RunCommand("ffmpeg -nostdin -v error -y " + extra + " -i '" + path +
                               "' -f s16le -c:a pcm_s16le '" + raw + "'")
                        .Ok();
    EXPECT_TRUE(ok) << "ffmpeg could not decode " << path;
    return AsSamples(ReadFileBytes(raw));
}

int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    int most = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        most = std::max(most, std::abs(a[i] - b[i]));
    }
    return most;
}
