// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_helpers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>

#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

TEST(SettingsHelpersTest, TwoDigitsPadsOnlySingleDigits) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(100), "100");
    EXPECT_EQ(TwoDigits(-3), "-3");
}

TEST(SettingsHelpersTest, TrailingSeparatorIsAddedOnce) {
    EXPECT_EQ(IncludeTrailingSeparator(""), "");
    EXPECT_EQ(IncludeTrailingSeparator("/music/"), "/music/");
    EXPECT_EQ(IncludeTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(IncludeTrailingSeparator("C:\\music\\"), "C:\\music\\/");
}

TEST(SettingsHelpersTest, FileLockedByAnotherStreamIsInUse) {
    TestFolder temp;
    const fs::path file = temp.Path() / "track.wav";
    EXPECT_FALSE(IsFileInUse(file));         // missing
    EXPECT_FALSE(IsFileInUse(temp.Path()));  // a folder is no file

    WriteText(file, "RIFF");
    EXPECT_FALSE(IsFileInUse(file));

    const int other = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_SH), 0);
    EXPECT_TRUE(IsFileInUse(file));
    ::close(other);

    EXPECT_FALSE(IsFileInUse(file));  // the test itself held no lock
    EXPECT_EQ(ReadText(file), "RIFF");
}

TEST(SettingsHelpersTest, BusyWaitLastsAtLeastTheGivenTime) {
    using Clock = std::chrono::steady_clock;
    BusyWait(0);
    BusyWait(-5);

    const Clock::time_point start = Clock::now();
    BusyWait(15);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(15));
}

}  // namespace
