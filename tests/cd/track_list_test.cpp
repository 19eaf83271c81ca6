// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/track_list.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "access/image_fixture.h"
#include "cd/cd_drive.h"

namespace {

// A table of contents from track `first` on, one minute/second/frame address
// a track and the lead-out's last.
TTOC Toc(int first, const std::vector<std::array<int, 3>>& addresses) {
    TTOC toc;
    toc.FirstTrack = static_cast<std::uint8_t>(first);
    toc.LastTrack = static_cast<std::uint8_t>(first + addresses.size() - 2);
    for (std::size_t k = 0; k < addresses.size(); ++k) {
        TTOCTrack& entry = toc.Tracks[k];
        entry.TrackNumber =
            static_cast<std::uint8_t>(k + 1 < addresses.size() ? first + k : kLeadOutTrack);
        for (int field = 0; field < 3; ++field) {
            entry.Address[field + 1] = static_cast<std::uint8_t>(addresses[k][field]);
        }
    }
    return toc;
}

TEST(BuildTrackRowsTest, LengthsBorrowSecondsAndIgnoreFrames) {
    const TTOC toc = Toc(1, {{0, 2, 0}, {4, 32, 10}, {9, 1, 74}});
    TCDInfo info;
    const auto rows = BuildTrackRows(toc, info);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].caption, "1");
    EXPECT_TRUE(rows[0].checked);
    EXPECT_EQ(rows[0].start, "00:02");
    EXPECT_EQ(rows[0].length, "04:30");
    EXPECT_EQ(rows[1].caption, "2");
    EXPECT_EQ(rows[1].start, "04:32");
    EXPECT_EQ(rows[1].length, "04:29");
}

TEST(BuildTrackRowsTest, EmptyTitlesGetDefaultsWrittenBackAndCachedTitlesStay) {
    std::vector<std::array<int, 3>> addresses;
    for (int minute = 0; minute <= 10; ++minute) {
        addresses.push_back({minute, 2, 0});
    }
    const TTOC toc = Toc(1, addresses);
    TCDInfo info;
    info.Titles[3] = "Intro";
    const auto rows = BuildTrackRows(toc, info);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].title, "Track01");
    EXPECT_EQ(rows[2].title, "Intro");
    EXPECT_EQ(rows[8].title, "Track09");
    EXPECT_EQ(rows[9].title, "Track10");
    EXPECT_EQ(rows[9].caption, "10");
    EXPECT_EQ(info.Titles[1], "Track01");
    EXPECT_EQ(info.Titles[10], "Track10");
    EXPECT_EQ(info.Titles[11], "");
}

TEST(BuildTrackRowsTest, FirstTrackAboveOneUsesEntriesFromZero) {
    TTOC toc = Toc(3, {{10, 0, 0}, {12, 30, 0}, {15, 0, 0}});
    TCDInfo info;
    const auto rows = BuildTrackRows(toc, info);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].caption, "3");
    EXPECT_EQ(rows[0].title, "Track03");
    EXPECT_EQ(rows[0].length, "02:30");
    EXPECT_EQ(rows[1].length, "02:30");

    toc.LastTrack = 2;  // a table naming no track gives no rows
    EXPECT_TRUE(BuildTrackRows(toc, info).empty());
}

using ReadTrackListTest = ImageFixture;

TEST_F(ReadTrackListTest, RowsOfAnImageAndNoneWithoutAHandle) {
    // Tracks of 1 s + 1 byte (76 sectors) and 3 s: starts 00:02:00 and 00:03:01.
    MakeImage({discimage::Pcm(75 * 2352 + 1, 1), discimage::Pcm(225 * 2352, 2)});
    const TOpenCDResult open = OpenCDDevice(LastPosition());
    ASSERT_NE(open.handle, 0u);
    TCDInfo info;
    const TTrackListRead read = ReadTrackList(open.handle, info);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[0].start, "00:02");
    EXPECT_EQ(read.rows[0].length, "00:01");
    EXPECT_EQ(read.rows[1].start, "00:03");
    EXPECT_EQ(read.rows[1].length, "00:03");  // 00:03:01 to 00:06:01

    const TTrackListRead none = ReadTrackList(0, info);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.statusText, kNoTOCText);
}

}  // namespace
