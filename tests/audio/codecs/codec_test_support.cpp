// SPDX-License-Identifier: GPL-3.0-or-later
#include "codec_test_support.h"

#include <cmath>
#include <numbers>
#include <random>

std::vector<std::uint8_t> SinePcm(std::size_t frames, int bitsPerSample, int channels,
                                  int sampleRate, double hertz) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> noise(-0.01, 0.01);
    const int width = bitsPerSample / 8;
    const double fullScale = std::ldexp(1.0, bitsPerSample - 1) - 1;
    std::vector<std::uint8_t> pcm;
    pcm.reserve(frames * channels * width);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double phase =
                2 * std::numbers::pi * hertz * static_cast<double>(i) / sampleRate + c;
            const auto value = static_cast<std::int32_t>(
                std::lround((0.7 * std::sin(phase) + noise(random)) * fullScale));
            if (width == 1) {
                pcm.push_back(static_cast<std::uint8_t>(value + 128));
                continue;
            }
            for (int b = 0; b < width; ++b) {
                pcm.push_back(
                    static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * b)));
            }
        }
    }
    return pcm;
}
