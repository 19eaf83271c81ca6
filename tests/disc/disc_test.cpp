// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "disc/disc_records.h"
#include "disc/file_stem.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace {

TEST(FileStemTest, TitlesBecomeNamesTheFileSystemTakes) {
    std::string wide;  // 300 three-byte characters
    for (int i = 0; i < 300; ++i) {
        wide += "東";
    }
    const struct {
        std::string title;
        std::string stem;
    } cases[] = {
        {"AC/DC", "AC-DC"},
        {"Op.9 No.2", "Op.9 No.2"},
        {"..", "Track07"},
        {".", "Track07"},
        {"/", "-"},
        {"../escape", "..-escape"},
        {"   ", "Track07"},
        {"", "Track07"},
        {" \t Intro \r\n", "Intro"},
        {"Line one\nLine two", "Line one-Line two"},
        {std::string("Nul\0x", 5), "Nul-x"},
        {"Bell\a\x7f", "Bell--"},
        {" .. ", "Track07"},
        // Cut before the character that does not fit whole: 79 of them.
        {wide, wide.substr(0, 237)},
        {std::string(237, 'a') + " b", std::string(237, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(FileStemOf(c.title, 7), c.stem);
    }
    EXPECT_LE(FileStemOf(wide, 1).size() + std::string(" (100).ape.XXXXXX").size(), 255u);
}

// The cache keeps its format: a file today's records write reads into a
// DiscInfo that writes the same bytes again, and a DiscInfo reads back.
TEST(DiscCacheAdapterTest, DiscsRoundTripThroughTheCacheByteForByte) {
    const TestFolder folder;
    const auto file = folder.Path() / "cd.dat";
    TCDInfo twoTitles;
    twoTitles.TrackCount = 2;
    twoTitles.Titles[1] = "Ouverture – Allegro";
    twoTitles.Titles[2] = "AC/DC";
    TCDInfo hundred;
    hundred.TrackCount = 100;
    for (int track = 1; track <= 100; ++track) {
        hundred.Titles[track] = "東京 " + std::to_string(track);
    }
    const struct {
        TCDInfo record;
        TDiscFields fields;
    } cases[] = {
        {twoTitles, {"Björk Ensemble", "Δέλτα", "1987", 42, "ça va"}},
        {twoTitles, {"", "", "", -1, ""}},
        {twoTitles, {"A", "B", "2024-05", 0, "c"}},
        {hundred, {"The Larks", "Morning", "2024", 148, "demo"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields.Artist + "/" + std::to_string(c.record.TrackCount));
        WriteText(file, "[555]\nCDArtist=Other disc\n");
        ASSERT_TRUE(SaveDiscInfo(c.record, "-123", c.fields, file).Ok);
        const std::string written = ReadText(file);

        const DiscInfo disc = LoadCachedDisc("-123", file);
        ASSERT_TRUE(SaveCachedDisc(disc, "-123", file).Ok);
        EXPECT_EQ(ReadText(file), written);

        EXPECT_EQ(DiscFieldsOf(disc).Genre, c.fields.Genre);
        ASSERT_EQ(disc.Tracks.size(), static_cast<std::size_t>(c.record.TrackCount));
        EXPECT_EQ(disc.Tracks.back().Title, c.record.Titles[c.record.TrackCount]);
        EXPECT_EQ(LoadCachedDisc("-123", file), disc);
    }
}

}  // namespace
