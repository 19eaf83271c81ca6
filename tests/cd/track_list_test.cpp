// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/track_list.h"

#include <gtest/gtest.h>

#include "access/image_fixture.h"
#include "cd/cd_drive.h"

namespace {

TTOCTrack Msf(int number, int minute, int second, int frame) {
    TTOCTrack entry;
    entry.TrackNumber = static_cast<std::uint8_t>(number);
    entry.Address[1] = static_cast<std::uint8_t>(minute);
    entry.Address[2] = static_cast<std::uint8_t>(second);
    entry.Address[3] = static_cast<std::uint8_t>(frame);
    return entry;
}

TEST(BuildTrackRowsTest, LengthsBorrowSecondsAndIgnoreFrames) {
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = 2;
    toc.Tracks[0] = Msf(1, 0, 2, 0);
    toc.Tracks[1] = Msf(2, 4, 32, 10);
    toc.Tracks[2] = Msf(kLeadOutTrack, 9, 1, 74);
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
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = 10;
    for (int k = 0; k <= 10; ++k) {
        toc.Tracks[k] = Msf(k < 10 ? k + 1 : kLeadOutTrack, k, 2, 0);
    }
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
    TTOC toc;
    toc.FirstTrack = 3;
    toc.LastTrack = 4;
    toc.Tracks[0] = Msf(3, 10, 0, 0);
    toc.Tracks[1] = Msf(4, 12, 30, 0);
    toc.Tracks[2] = Msf(kLeadOutTrack, 15, 0, 0);
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
