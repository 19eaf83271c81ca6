// SPDX-License-Identifier: GPL-3.0-or-later
#include "codec_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>

#include "audio/core/au_sync_queue.h"

PcmInput::PcmInput(std::vector<std::uint8_t> data, int bitsPerSample, int channels, int sampleRate,
                   std::size_t piece)
    : m_data(std::move(data)),
      m_bitsPerSample(bitsPerSample),
      m_channels(channels),
      m_sampleRate(sampleRate),
      m_piece(piece) {}

PcmInput::~PcmInput() {
    NotifyDestruction();
}

void PcmInput::InitInternal() {
    m_offset = 0;
    m_position = 0;
    m_size = static_cast<std::int64_t>(m_data.size());
    m_sampleSize = static_cast<std::uint16_t>(m_channels * m_bitsPerSample / 8);
    m_busy = true;
}

void PcmInput::FlushInternal() {
    m_busy = false;
}

void PcmInput::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    bytes = std::min({bytes, m_piece, m_data.size() - m_offset});
    buffer = m_data.data() + m_offset;
    m_offset += bytes;
    m_position += static_cast<std::int64_t>(bytes);
}

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

std::string RunToEnd(TAuOutput& output) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    output.OnDone = [done](TComponent*) { *done = true; };
    output.Run();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!*done && std::chrono::steady_clock::now() < deadline) {
        SyncQueue::Instance().RunPendingUntil([done] { return done->load(); },
                                              std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(*done) << "the output did not finish";
    return output.ExceptionMessage();
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
