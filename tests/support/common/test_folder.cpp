// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/common/test_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace {

constexpr std::size_t kMaxNameChars = 100;

// The running test's name as one file-name component ("setup" outside a
// test); parameterised names hold "/".
std::string TestName() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name()
                                       : std::string("setup");
    std::ranges::replace(name, '/', '_');
    return name.substr(0, kMaxNameChars);
}

}  // namespace

TestFolder::TestFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("brisklark_" + TestName() + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a test folder from " + pattern);
    }
    m_path = pattern;
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TestFolder::File(const std::string& name) const {
    return (m_path / name).string();
}
