// SPDX-License-Identifier: GPL-3.0-or-later
#include "wm_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

std::vector<std::int16_t> FfmpegS16(const std::string& input, const std::string& options) {
    const CommandResult result =
        RunCommand("ffmpeg -v error " + input + " " + options + " -f s16le -acodec pcm_s16le -");
    EXPECT_EQ(result.Status, 0) << input;
    std::vector<std::int16_t> samples(result.Output.size() / 2);
    std::memcpy(samples.data(), result.Output.data(), samples.size() * 2);
    return samples;
}

double SnrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& test,
             std::size_t count, std::size_t offset) {
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 0; i < count && i < reference.size() && offset + i < test.size(); ++i) {
        const double r = reference[i];
        signal += r * r;
        noise += (r - test[offset + i]) * (r - test[offset + i]);
    }
    return 10 * std::log10(signal / std::max(noise, 1e-9));
}
