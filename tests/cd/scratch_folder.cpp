// SPDX-License-Identifier: GPL-3.0-or-later
#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

ScratchFolder::ScratchFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test != nullptr
                                 ? std::string(test->test_suite_name()) + "." + test->name()
                                 : std::string("setup");
    m_path = std::filesystem::temp_directory_path() /
             ("test_cd_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    // Tests may leave read-only files behind; the folder's own bits decide.
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}
