// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

std::string Shell(const std::string& command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::array<char, 4096> buffer{};
    while (const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) {
        output.append(buffer.data(), got);
    }
    EXPECT_EQ(pclose(pipe.release()), 0) << command;
    while (!output.empty() && output.back() == '\n') {
        output.pop_back();
    }
    return output;
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
    std::ifstream file(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

ToolFolder::ToolFolder() {
    static int counter = 0;
    m_path = (std::filesystem::path(testing::TempDir()) /
              ("tools_" + std::to_string(::getpid()) + "_" + std::to_string(++counter)))
                 .string();
    std::filesystem::create_directories(m_path);
}

ToolFolder::~ToolFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ToolFolder::Path(const std::string& name) const {
    return (std::filesystem::path(m_path) / name).string();
}
