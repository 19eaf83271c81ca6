// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/id3_tag.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return bytes;
}

std::string Field(const std::array<std::uint8_t, kId3TagBytes>& tag, std::size_t offset,
                  std::size_t size) {
    return std::string(tag.begin() + offset, tag.begin() + offset + size);
}

Bytes Concat(Bytes head, const std::array<std::uint8_t, kId3TagBytes>& tag) {
    head.insert(head.end(), tag.begin(), tag.end());
    return head;
}

TEST(Id3TagRender, FieldsAtTheirOffsetsPaddedWithZeros) {
    Tid3tag id3;
    id3.SetTitle("Title");
    id3.SetArtist("Artist");
    id3.SetAlbum("Album");
    id3.SetYear("1999");
    id3.SetComment("Comment");
    id3.SetGenre(17);
    const auto tag = id3.Render();
    EXPECT_EQ(Field(tag, 3, 30), "Title" + std::string(25, '\0'));
    EXPECT_EQ(Field(tag, 33, 30), "Artist" + std::string(24, '\0'));
    EXPECT_EQ(Field(tag, 63, 30), "Album" + std::string(25, '\0'));
    EXPECT_EQ(Field(tag, 93, 4), "1999");
    EXPECT_EQ(Field(tag, 97, 30), "Comment" + std::string(23, '\0'));
    EXPECT_EQ(Field(tag, 0, 3), "TAG");
    EXPECT_EQ(tag[127], 17);
}

TEST(Id3TagRender, TrackFormKeeps28CommentBytesThenZeroAndTrack) {
    Tid3tag id3;
    id3.SetTrack(7);
    id3.SetComment("abc");
    auto tag = id3.Render();
    EXPECT_EQ(Field(tag, 97, 28), "abc" + std::string(25, '\0'));
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 7);

    const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
    id3.SetComment(thirty);
    EXPECT_EQ(id3.Comment(), thirty);
    tag = id3.Render();
    EXPECT_EQ(Field(tag, 97, 28), thirty.substr(0, 28));
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 7);

    id3.SetTrack(0);
    EXPECT_FALSE(id3.HasTrack());
    tag = id3.Render();
    EXPECT_EQ(Field(tag, 97, 30), thirty);
}

TEST(Id3TagRender, LongTextsAreCut) {
    Tid3tag id3;
    id3.SetTitle(std::string(30, 'a') + "bcdef");
    id3.SetYear("19999");
    id3.SetComment(std::string(31, 'c'));
    EXPECT_EQ(id3.Title(), std::string(30, 'a'));
    EXPECT_EQ(id3.Year(), "1999");
    const auto tag = id3.Render();
    EXPECT_EQ(Field(tag, 3, 30), std::string(30, 'a'));
    EXPECT_EQ(Field(tag, 33, 30), std::string(30, '\0'));
    EXPECT_EQ(Field(tag, 97, 30), std::string(30, 'c'));
}

TEST(Id3TagRender, TextIsConvertedToLatin1) {
    Tid3tag id3;
    id3.SetTitle("Caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x8E\xB5!");  // Café, a CJK sign, an emoji
    id3.SetArtist("bad \xFF byte, cut \xC3");
    // Thirty two-byte characters are thirty characters.
    std::string accents;
    for (int i = 0; i < 35; ++i) {
        accents += "\xC3\xBC";
    }
    id3.SetAlbum(accents);
    EXPECT_EQ(id3.Album().size(), 60u);
    const auto tag = id3.Render();
    EXPECT_EQ(Field(tag, 3, 9), std::string("Caf\xE9 ?"
                                            "?!\0",
                                            9));
    EXPECT_EQ(Field(tag, 33, 18), std::string("bad ? byte, cut ?\0", 18));
    EXPECT_EQ(Field(tag, 63, 30), std::string(30, '\xFC'));
}

class Id3TagWrite : public ::testing::Test {
protected:
    TestFolder m_folder;
};

TEST_F(Id3TagWrite, SmallFileGetsTagAppended) {
    const auto path = m_folder / "small.mp3";
    WriteFileBytes(path, Pattern(100));
    Tid3tag id3;
    id3.SetTitle("Song");
    ASSERT_EQ(id3.WriteTag(path.string()), 0);
    EXPECT_EQ(ReadFileBytes(path), Concat(Pattern(100), id3.Render()));
    EXPECT_EQ(std::filesystem::file_size(path), 228u);
    EXPECT_EQ(id3.LastFileName(), path.string());
}

TEST_F(Id3TagWrite, ExistingTagIsReplacedAndTheRestKept) {
    const auto path = m_folder / "tagged.mp3";
    Bytes head = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0};
    const Bytes audio = Pattern(500);
    head.insert(head.end(), audio.begin(), audio.end());
    Tid3tag old;
    old.SetTitle("Old");
    WriteFileBytes(path, Concat(head, old.Render()));

    Tid3tag id3;
    id3.SetTitle("New");
    id3.SetTrack(3);
    ASSERT_EQ(id3.WriteTag(path.string()), 0);
    EXPECT_EQ(ReadFileBytes(path), Concat(head, id3.Render()));
}

TEST_F(Id3TagWrite, TagTextOnlyInsideALargerFileIsNotATag) {
    // "TAG" at the start of a file shorter than a tag, or elsewhere than 128
    // bytes from the end, must not be overwritten.
    const auto shortPath = m_folder / "short.mp3";
    const auto longPath = m_folder / "long.mp3";
    const Bytes shortFile = {'T', 'A', 'G', 1, 2};
    Bytes longFile = Pattern(300);
    longFile[300 - 129] = 'T', longFile[300 - 128] = 'A', longFile[300 - 127] = 'G';
    WriteFileBytes(shortPath, shortFile);
    WriteFileBytes(longPath, longFile);

    Tid3tag id3;
    ASSERT_EQ(id3.WriteTag(shortPath.string()), 0);
    ASSERT_EQ(id3.WriteTag(longPath.string()), 0);
    EXPECT_EQ(ReadFileBytes(shortPath), Concat(shortFile, id3.Render()));
    EXPECT_EQ(ReadFileBytes(longPath), Concat(longFile, id3.Render()));
}

TEST_F(Id3TagWrite, EqualsSignMeansTheLastFileWritten) {
    const auto first = m_folder / "first.mp3";
    const auto second = m_folder / "second.mp3";
    WriteFileBytes(first, Pattern(10));
    WriteFileBytes(second, Pattern(20));

    Tid3tag id3;
    EXPECT_EQ(id3.WriteTag("="), kId3FileMissing);
    ASSERT_EQ(id3.WriteTag(first.string()), 0);
    EXPECT_EQ(id3.WriteTag((m_folder / "missing.mp3").string()), kId3FileMissing);
    EXPECT_EQ(id3.LastFileName(), first.string());

    id3.SetTitle("Again");
    ASSERT_EQ(id3.WriteTag("="), 0);
    EXPECT_EQ(ReadFileBytes(first), Concat(Pattern(10), id3.Render()));
    EXPECT_EQ(ReadFileBytes(second), Pattern(20));
}

TEST_F(Id3TagWrite, ReadOnlyFileIsLeftAloneEvenForRoot) {
    const auto path = m_folder / "locked.mp3";
    WriteFileBytes(path, Pattern(200));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    Tid3tag id3;
    EXPECT_EQ(id3.WriteTag(path.string()), kId3ReadOnly);
    EXPECT_EQ(ReadFileBytes(path), Pattern(200));
    EXPECT_EQ(id3.LastFileName(), "");
}

TEST_F(Id3TagWrite, FolderAndFileInUseCannotBeOpened) {
    Tid3tag id3;
    EXPECT_EQ(id3.WriteTag(m_folder.Path().string()), kId3FileMissing);

    const auto path = m_folder / "busy.mp3";
    WriteFileBytes(path, Pattern(50));
    // Another writer holds the file exclusively.
    const int writer = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    EXPECT_EQ(id3.WriteTag(path.string()), kId3FileMissing);
    EXPECT_EQ(ReadFileBytes(path), Pattern(50));
    ::close(writer);
    EXPECT_EQ(id3.WriteTag(path.string()), 0);
}

TEST_F(Id3TagWrite, FailedAppendLeavesTheFileAsItWas) {
    // A file size limit makes the append fail with EFBIG, as a full disk would.
    const auto path = m_folder / "limit.mp3";
    WriteFileBytes(path, Pattern(1000));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1050, 1050};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Tid3tag id3;
        ::_exit(id3.WriteTag(path.string()) >> 8);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kId3WriteFailed >> 8);
    EXPECT_EQ(ReadFileBytes(path), Pattern(1000));
}

TEST_F(Id3TagWrite, MutagenReadsBackEveryField) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const auto path = m_folder / "song.mp3";
    WriteFileBytes(path, Pattern(4000));
    Tid3tag id3;
    id3.SetTitle("A Song \xC3\xA0 la carte");
    id3.SetArtist("The Artist");
    id3.SetAlbum("Some Album");
    id3.SetYear("2004");
    id3.SetComment("ripped");
    id3.SetTrack(12);
    id3.SetGenre(GenreFromListPosition(GenreListPosition("Jazz")));
    ASSERT_EQ(id3.WriteTag(path.string()), 0);

    const std::string script =
        "import sys, mutagen.id3 as m\n"
        "t = m.ID3(sys.argv[1])\n"
        "for key in ('TIT2', 'TPE1', 'TALB', 'TDRC', 'COMM', 'TRCK', 'TCON'):\n"
        "    print(key + '=' + str(t.getall(key)[0]))\n";
    const auto scriptPath = m_folder / "read.py";
    WriteFileBytes(scriptPath, Bytes(script.begin(), script.end()));
    const std::string output =
        RunCommand("/usr/bin/python3 " + scriptPath.string() + " " + path.string() + " 2>&1")
            .Output;
    EXPECT_EQ(output,
              "TIT2=A Song \xC3\xA0 la carte\n"
              "TPE1=The Artist\n"
              "TALB=Some Album\n"
              "TDRC=2004\n"
              "COMM=ripped\n"
              "TRCK=12\n"
              "TCON=Jazz\n");
}

}  // namespace
