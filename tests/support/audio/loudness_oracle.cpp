// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/loudness_oracle.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/common/run_command.h"

FfmpegLoudness FfmpegEbur128(const std::string& wav) {
    const CommandResult run = RunCommand("ffmpeg -hide_banner -nostats -i " + ShellQuote(wav) +
                                         " -af ebur128=peak=true -f null - 2>&1");
    EXPECT_TRUE(run.Ok()) << run.Output;
    const std::size_t summary = run.Output.rfind("Summary:");
    const std::string text = summary != std::string::npos ? run.Output.substr(summary) : "";
    std::smatch loudness;
    std::smatch peak;
    if (!std::regex_search(text, loudness, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")) ||
        !std::regex_search(text, peak, std::regex(R"(Peak:\s+(-?[0-9.]+|-inf) dBFS)"))) {
        ADD_FAILURE() << "no summary from ffmpeg:\n" << run.Output;
        return {};
    }
    return {std::stod(loudness[1]), std::stod(peak[1])};
}

void SoxWav(const std::string& wav, int channels, int rate, const std::string& effects) {
    const std::string format = "-c " + std::to_string(channels) + " -r " + std::to_string(rate);
    EXPECT_TRUE(RunCommand("sox -R -D " + format + " -n -b 16 " + format + " " + ShellQuote(wav) +
                           " " + effects)
                    .Ok())
        << effects;
}
