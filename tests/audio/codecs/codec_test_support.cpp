// SPDX-License-Identifier: GPL-3.0-or-later
#include "codec_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        result.Output.append(chunk, got);
    }
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TestFolder::TestFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    m_path = (std::filesystem::temp_directory_path() / "brisklark_codecs_tests" /
              (name + "_" + std::to_string(::getpid())))
                 .string();
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TestFolder::Path(const std::string& name) const {
    return m_path + "/" + name;
}
