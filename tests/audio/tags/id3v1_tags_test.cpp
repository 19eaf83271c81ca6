// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "audio/tags/id3v1_tags.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

using namespace std::string_literals;

std::array<std::uint8_t, kId3v1RecordSize> Record() {
    std::array<std::uint8_t, kId3v1RecordSize> record{};
    std::memcpy(record.data(), "TAG", 3);
    return record;
}

void Put(std::array<std::uint8_t, kId3v1RecordSize>& record, std::size_t offset, const char* text) {
    std::memcpy(record.data() + offset, text, std::strlen(text));
}

TEST(Id3v1TagsTest, GenreByNameIdAndOutOfRange) {
    TId3v1Tags tags;
    tags.SetGenre("  rock ");
    EXPECT_EQ(tags.GenreId(), 17);
    EXPECT_EQ(tags.Genre(), "Rock");
    tags.SetGenre("Not a genre");
    EXPECT_EQ(tags.GenreId(), 17) << "unknown names leave the genre";
    tags.SetValue("genre", std::int64_t{200});
    EXPECT_EQ(tags.GenreId(), 12);
    EXPECT_EQ(tags.Genre(), "Other");
    EXPECT_EQ(Id3v1GenreNames()[147], "Synthpop");
}

TEST(Id3v1TagsTest, ParseReadsTrackFromTheCommentTail) {
    auto record = Record();
    Put(record, 3, "  Title\t");
    Put(record, 33, "Artist");
    Put(record, 63, "Alb\xE9");  // Latin-1
    Put(record, 93, "1999");
    Put(record, 97, "A comment of 28 characters!!");
    record[125] = 0;
    record[126] = 7;
    record[127] = 17;
    TId3v1Tags tags;
    tags.Parse(record);
    EXPECT_EQ(tags.Title(), "Title");
    EXPECT_EQ(tags.Artist(), "Artist");
    EXPECT_EQ(tags.Album(), "Albé");
    EXPECT_EQ(tags.Year(), 1999);
    EXPECT_EQ(tags.Comment(), "A comment of 28 characters!!");
    EXPECT_EQ(tags.Track(), 7);
    EXPECT_EQ(tags.Genre(), "Rock");

    // Space-padded writers: a space at 125 and a non-space at 126.
    Put(record, 97, "Thirty characters of comment");
    record[125] = ' ';
    record[126] = 3;
    tags.Parse(record);
    EXPECT_EQ(tags.Track(), 3);
    // A full 30-byte comment has no track.
    Put(record, 97, "Thirty characters of comment!!");
    tags.Parse(record);
    EXPECT_EQ(tags.Track(), 0);
    EXPECT_EQ(tags.Comment(), "Thirty characters of comment!!");
    Put(record, 93, "19x9");
    tags.Parse(record);
    EXPECT_EQ(tags.Year(), 0) << "a year that is not a number";
}

TEST(Id3v1TagsTest, RenderCutsFieldsAndPlacesTheTrack) {
    TId3v1Tags tags;
    tags.SetTitle("A title that is much longer than thirty bytes");
    tags.SetArtist("日本 Café");
    tags.SetComment("This comment has thirty-five chars");
    auto record = tags.Render();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data()), 3), "TAG");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 3), 30),
              std::string("A title that is much longer than thirty bytes").substr(0, 30));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 33), 8), "?? Caf\xE9\0"s);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 93), 4), "0\0\0\0"s)
        << "a year of 0 is written as 0";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 97), 30),
              std::string("This comment has thirty-five chars").substr(0, 30));
    EXPECT_EQ(record[127], 0) << "an unset genre";

    tags.SetTrack(9);
    tags.SetYear(2024);
    tags.SetGenreId(52);
    record = tags.Render();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 93), 4), "2024");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data() + 97), 28),
              std::string("This comment has thirty-five chars").substr(0, 28));
    EXPECT_EQ(record[125], 0);
    EXPECT_EQ(record[126], 9);
    EXPECT_EQ(record[127], 52);
}

TEST(Id3v1TagsTest, FileRoundTripAndAnIndependentReader) {
    TestFolder dir;
    const std::string path = dir.File("a.mp3");
    WriteFileBytes(path, std::vector<std::uint8_t>(1000, 0x55));
    const int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    TId3v1Tags tags;
    EXPECT_FALSE(tags.TagPresent(fd));
    tags.SetTitle("Déjà vu");
    tags.SetArtist("The Artist");
    tags.SetAlbum("Album");
    tags.SetYear(1987);
    tags.SetComment("ok");
    tags.SetTrack(12);
    tags.SetGenre("Jazz");
    ASSERT_TRUE(tags.WriteToFile(fd, false));
    ASSERT_EQ(lseek(fd, 100, SEEK_SET), 100);
    EXPECT_TRUE(tags.TagPresent(fd));
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 100) << "the file position is kept";

    TId3v1Tags read;
    ASSERT_TRUE(read.ReadFromFile(fd));
    EXPECT_EQ(read.Title(), "Déjà vu");
    EXPECT_EQ(read.Track(), 12);
    EXPECT_EQ(read.Genre(), "Jazz");
    EXPECT_EQ(read.Year(), 1987);
    close(fd);
    EXPECT_EQ(ReadFileBytes(path).size(), 1128u);
    EXPECT_FALSE(read.ReadFromFile(-1));
    EXPECT_FALSE(read.WriteToFile(-1, false));

    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const auto result = RunPython(R"(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
for key in ("TIT2", "TPE1", "TALB", "TDRC", "TRCK", "TCON"):
    print(key, t[key].text[0])
print("COMM", t.getall("COMM")[0].text[0])
)",
                                  {path});
    ASSERT_EQ(result.Status, 0) << result.Output;
    EXPECT_EQ(
        result.Output,
        "TIT2 Déjà vu\nTPE1 The Artist\nTALB Album\nTDRC 1987\nTRCK 12\nTCON Jazz\nCOMM ok\n");
}

TEST(Id3v1TagsTest, ShortFilesHaveNoTag) {
    TestFolder dir;
    const std::string path = dir.File("short.mp3");
    WriteFileBytes(path, {'T', 'A', 'G', 1, 2, 3});
    const int fd = open(path.c_str(), O_RDONLY);
    TId3v1Tags tags;
    tags.SetTitle("kept until read");
    EXPECT_FALSE(tags.TagPresent(fd));
    EXPECT_FALSE(tags.ReadFromFile(fd));
    EXPECT_TRUE(tags.Empty()) << "ReadFromFile clears first";
    close(fd);
}

}  // namespace
