// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "support/common/files.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

std::vector<std::int16_t> MusicLike(std::size_t frames, int sampleRate, double peak) {
    const double tones[] = {110.0, 277.2, 440.0, 1318.5, 3520.0, 7040.0};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<std::int16_t> samples(frames * 2);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) / sampleRate;
        for (std::size_t channel = 0; channel < 2; ++channel) {
            double value = 0.01 * noise(random);
            for (std::size_t k = 0; k < std::size(tones); ++k) {
                const double swell = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * (0.5 + k) * t);
                value +=
                    swell / (k + 1.5) * std::sin(2 * std::numbers::pi * tones[k] * t + channel + k);
            }
            samples[2 * frame + channel] = static_cast<std::int16_t>(peak * value / 1.6);
        }
    }
    return samples;
}

std::vector<std::int16_t> SoxResample(const std::vector<std::int16_t>& samples, int fromRate,
                                      int toRate) {
    TestFolder folder;
    const std::string in = folder.File("in.raw");
    const std::string out = folder.File("out.raw");
    WriteFileBytes(in, AsBytes(samples));
    const std::string raw = " -t raw -e signed -b 16 -c 2 ";
    const std::string command = "sox -q -V1" + raw + "-r " + std::to_string(fromRate) + " '" + in +
                                "'" + raw + "'" + out + "' rate -v " + std::to_string(toRate);
    EXPECT_EQ(RunCommand(command).Status, 0) << command;
    return AsSamples(ReadFileBytes(out));
}

double SnrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& actual,
             std::size_t margin) {
    const std::size_t count = std::min(reference.size(), actual.size());
    double signal = 0;
    double noise = 0;
    for (std::size_t i = margin; i + margin < count; ++i) {
        signal += static_cast<double>(reference[i]) * reference[i];
        const double difference = static_cast<double>(actual[i]) - reference[i];
        noise += difference * difference;
    }
    return 10 * std::log10(signal / std::max(noise, 1e-9));
}
