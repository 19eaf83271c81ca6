// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

CountingOutput::~CountingOutput() {
    Stop(false);
}

void CountingOutput::Prepare() {
    ++Prepares;
    Input()->Init();
    if (PrepareHook) {
        PrepareHook();
    }
}

bool CountingOutput::DoOutput(bool abort) {
    if (abort) {
        ++AbortCalls;
        return false;
    }
    if (DoOutputHook) {
        DoOutputHook();
    }
    std::vector<std::uint8_t> block(16384);
    bool end = false;
    const std::size_t got = FillBuffer(*Input(), block.data(), block.size(), end);
    ++Blocks;
    BytesOut += static_cast<std::int64_t>(got);
    Checksum += ChecksumOf(block.data(), got);
    return got > 0;
}

void CountingOutput::Done() {
    ++Dones;
    Input()->Flush();
}

std::vector<std::uint8_t> Pattern(std::size_t length) {
    std::vector<std::uint8_t> data(length);
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(i);
    }
    return data;
}

std::uint64_t ChecksumOf(const std::uint8_t* data, std::size_t length) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        sum += data[i];
    }
    return sum;
}

TempDir::TempDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    m_path = (std::filesystem::temp_directory_path() / "brisklark_core_tests" /
              (name + "_" + std::to_string(::getpid())))
                 .string();
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Path(const std::string& name) const {
    return m_path + "/" + name;
}
