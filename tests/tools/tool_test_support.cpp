// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_test_support.h"

#include <gtest/gtest.h>

std::string Shell(const std::string& command) {
    CommandResult result = RunCommand(command);
    EXPECT_TRUE(result.Ok()) << command;
    while (!result.Output.empty() && result.Output.back() == '\n') {
        result.Output.pop_back();
    }
    return result.Output;
}

void MakeWav(const std::string& path, const std::string& format, double seconds) {
    Shell("sox -q -V1 -n " + format + " -t wavpcm '" + path + "' synth " + std::to_string(seconds) +
          " sine 440 sine 660 vol 0.8");
}

SoundInfo Soxi(const std::string& path) {
    const std::string quoted = " '" + path + "'";
    return {std::stoi(Shell("soxi -r" + quoted)), std::stoi(Shell("soxi -c" + quoted)),
            std::stoi(Shell("soxi -b" + quoted)), Shell("soxi -e" + quoted),
            std::stoll(Shell("soxi -s" + quoted))};
}

std::vector<std::uint8_t> RawAudio(const std::string& path) {
    const std::string raw = path + ".raw";
    Shell("sox -q -V1 '" + path + "' -t raw '" + raw + "'");
    return ReadFileBytes(raw);
}
