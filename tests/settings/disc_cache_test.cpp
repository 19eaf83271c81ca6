// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/disc_cache.h"

#include <gtest/gtest.h>

#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

class DiscCacheTest : public ::testing::Test {
protected:
    fs::path CacheFile() const { return m_temp.Path() / "cd.dat"; }

    TCDInfo Loaded(const std::string& discKey) const {
        TCDInfo info;
        LoadDiscInfo(info, discKey, CacheFile());
        return info;
    }

    TestFolder m_temp;
};

TEST_F(DiscCacheTest, EmptyAndMissingTitlesGetDefaultNames) {
    WriteText(CacheFile(),
              "[12345]\nCDArtist=Artist\nCDGenre=17\nCDTrackNumber=3\n1=Overture\n2=\n");
    const TCDInfo info = Loaded("12345");

    EXPECT_EQ(info.Artist, "Artist");
    EXPECT_EQ(info.Genre, 17);
    EXPECT_EQ(info.TrackCount, 3);
    EXPECT_EQ(info.Titles[1], "Overture");
    EXPECT_EQ(info.Titles[2], "Track02");
    EXPECT_EQ(info.Titles[3], "Track03");
    EXPECT_EQ(info.Titles[4], "");  // above the count: not read
}

TEST_F(DiscCacheTest, UnknownDiscReadsDefaultsWithAHundredTitles) {
    WriteText(CacheFile(), "[-77]\nCDArtist=Someone else\n");
    const TCDInfo info = Loaded("12345");

    EXPECT_EQ(info.Artist, "");
    EXPECT_EQ(info.Album, "");
    EXPECT_EQ(info.Year, "");
    EXPECT_EQ(info.Genre, -1);
    EXPECT_EQ(info.Comment, "");
    EXPECT_EQ(info.TrackCount, 100);
    EXPECT_EQ(info.Titles[1], "Track01");
    EXPECT_EQ(info.Titles[9], "Track09");
    EXPECT_EQ(info.Titles[10], "Track10");
    EXPECT_EQ(info.Titles[100], "Track100");
}

TEST_F(DiscCacheTest, TitlesAboveTheCountKeepTheirValues) {
    WriteText(CacheFile(), "[1]\nCDTrackNumber=0\n1=Ignored\n");
    TCDInfo info;
    info.Titles[1] = "Earlier";

    LoadDiscInfo(info, "1", CacheFile());

    EXPECT_EQ(info.TrackCount, 0);
    EXPECT_EQ(info.Titles[1], "Earlier");
}

TEST_F(DiscCacheTest, CountsAboveAHundredReadAndWriteAHundredTitles) {
    WriteText(CacheFile(), "[1]\nCDTrackNumber=150\n100=Last\n");
    TCDInfo info = Loaded("1");
    EXPECT_EQ(info.TrackCount, 150);
    EXPECT_EQ(info.Titles[100], "Last");

    ASSERT_TRUE(SaveDiscInfo(info, "2", {}, CacheFile()).Ok);
    const std::string text = ReadText(CacheFile());
    EXPECT_NE(text.find("\n100=Last\n"), std::string::npos);
    EXPECT_EQ(text.find("\n101="), std::string::npos);
}

TEST_F(DiscCacheTest, EmptyDiscKeyNeitherReadsNorWrites) {
    TCDInfo info;
    info.Artist = "Unchanged";
    info.TrackCount = 2;
    ASSERT_TRUE(SaveDiscInfo(info, "", {"A", "B", "1999", 3, "C"}, CacheFile()).Ok);
    EXPECT_FALSE(fs::exists(CacheFile()));

    // Keys before any section form the section with the empty name.
    WriteText(CacheFile(), "CDArtist=Top level\nCDTrackNumber=1\n1=Top\n");
    LoadDiscInfo(info, "", CacheFile());
    EXPECT_EQ(info.Artist, "Unchanged");
    EXPECT_EQ(info.TrackCount, 2);
    EXPECT_EQ(info.Titles[1], "");
}

TEST_F(DiscCacheTest, SavedDiscReadsBackWithUtf8Text) {
    TCDInfo info;
    info.TrackCount = 3;
    info.Titles[1] = "Ouverture – Allegro";
    info.Titles[2] = "東京の夜";
    info.Titles[3] = "Ærø; ümlaut = equals";
    const TDiscFields fields{"Björk Ensemble", "Δέλτα", "1987", 42, "ça va"};

    ASSERT_TRUE(SaveDiscInfo(info, "-1234567", fields, CacheFile()).Ok);
    const TCDInfo loaded = Loaded("-1234567");

    EXPECT_EQ(loaded.Artist, fields.Artist);
    EXPECT_EQ(loaded.Album, fields.Album);
    EXPECT_EQ(loaded.Year, fields.Year);
    EXPECT_EQ(loaded.Genre, 42);
    EXPECT_EQ(loaded.Comment, fields.Comment);
    EXPECT_EQ(loaded.TrackCount, 3);
    for (int track = 1; track <= 3; ++track) {
        EXPECT_EQ(loaded.Titles[track], info.Titles[track]);
    }
    EXPECT_EQ(ReadText(CacheFile()).rfind("[-1234567]\nCDArtist=Björk Ensemble\n", 0), 0u);
}

TEST_F(DiscCacheTest, SaveKeepsOtherDiscsAndKeepsEachValueOnOneLine) {
    WriteText(CacheFile(), "[555]\nCDArtist=Other disc\n");
    TCDInfo info;
    info.TrackCount = 1;
    info.Titles[1] = "First\n2=Injected\r\n[555]";

    ASSERT_TRUE(SaveDiscInfo(info, "777", {}, CacheFile()).Ok);

    EXPECT_EQ(Loaded("555").Artist, "Other disc");
    const TCDInfo loaded = Loaded("777");
    EXPECT_EQ(loaded.TrackCount, 1);
    EXPECT_EQ(loaded.Titles[1], "First 2=Injected  [555]");
    EXPECT_EQ(loaded.Genre, -1);
}

TEST_F(DiscCacheTest, UnreadableCacheIsNotOverwritten) {
    fs::create_directories(CacheFile());
    TCDInfo info;
    info.TrackCount = 1;

    EXPECT_FALSE(SaveDiscInfo(info, "1", {}, CacheFile()).Ok);
    EXPECT_TRUE(fs::is_directory(CacheFile()));
}

}  // namespace
