// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "audio/tags/au_tag_text.h"
#include "audio/tags/id3v2_tags.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (const int b : bytes) {
        out.push_back(static_cast<std::uint8_t>(b));
    }
}

void Append(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A frame of version 3 or 4 (four-character id); `syncsafe` writes the size
// as version 4 defines it.
Bytes Frame4(const std::string& id, const Bytes& body, bool syncsafe) {
    Bytes frame;
    Append(frame, id);
    const auto n = static_cast<std::uint32_t>(body.size());
    if (syncsafe) {
        Append(frame,
               {int(n >> 21) & 0x7F, int(n >> 14) & 0x7F, int(n >> 7) & 0x7F, int(n) & 0x7F});
    } else {
        Append(frame, {int(n >> 24), int(n >> 16) & 0xFF, int(n >> 8) & 0xFF, int(n) & 0xFF});
    }
    Append(frame, {0, 0});
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes Frame2(const std::string& id, const Bytes& body) {
    Bytes frame;
    Append(frame, id);
    const auto n = static_cast<std::uint32_t>(body.size());
    Append(frame, {int(n >> 16) & 0xFF, int(n >> 8) & 0xFF, int(n) & 0xFF});
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes Tag(int version, const Bytes& frames, std::size_t padding = 0) {
    Bytes tag = {'I', 'D', '3', static_cast<std::uint8_t>(version), 0, 0};
    const auto n = static_cast<std::uint32_t>(frames.size() + padding);
    Append(tag, {int(n >> 21) & 0x7F, int(n >> 14) & 0x7F, int(n >> 7) & 0x7F, int(n) & 0x7F});
    tag.insert(tag.end(), frames.begin(), frames.end());
    tag.resize(tag.size() + padding, 0);
    return tag;
}

Bytes Latin1Body(const std::string& latin1) {
    Bytes body = {0};
    Append(body, latin1);
    body.push_back(0);
    return body;
}

bool ParseTag(TId3v2Tags& tags, const Bytes& tag) {
    const auto header = ParseId3v2Header(tag);
    if (!header) {
        return false;
    }
    tags.Clear();
    tags.ParseFrames(*header, std::span(tag).subspan(kId3v2HeaderSize));
    return true;
}

TEST(Id3v2HeaderTest, AcceptsOnlyTheFlagsEachVersionDefines) {
    struct Case {
        std::uint8_t Version, Revision, Flags, SizeByte;
        bool Valid;
    };
    const Case cases[] = {
        {2, 0, 0xC0, 0, true},  {2, 0, 0x20, 0, false}, {3, 0, 0xE0, 0, true},
        {3, 0, 0x10, 0, false}, {4, 0, 0xF0, 0, true},  {4, 0, 0x08, 0, false},
        {5, 0, 0, 0, false},    {3, 0xFF, 0, 0, false}, {3, 0, 0, 0x80, false},
    };
    for (const Case& c : cases) {
        const Bytes header = {'I', 'D', '3', c.Version, c.Revision, c.Flags, 0, 0, 1, c.SizeByte};
        EXPECT_EQ(ParseId3v2Header(header).has_value(), c.Valid)
            << int(c.Version) << " " << int(c.Revision) << " " << int(c.Flags);
    }
    const auto header = ParseId3v2Header(Bytes{'I', 'D', '3', 4, 0, 0x10, 0x01, 0x02, 0x03, 0x04});
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Size, (1u << 21) | (2u << 14) | (3u << 7) | 4u);
    EXPECT_TRUE(header->HasFooter());
    EXPECT_FALSE(ParseId3v2Header(Bytes{'I', 'D', '3', 3, 0}).has_value()) << "too short";
}

TEST(Id3v2TagsTest, RenderSizesAndLayout) {
    TId3v2Tags tags;
    EXPECT_EQ(tags.Render(false).size(), 130u);
    EXPECT_EQ(tags.Render(true).size(), 140u);

    tags.SetTitle(u"Hi");
    tags.SetYear(u"2001");  // never written
    const Bytes ansi = tags.Render(false);
    const Bytes expectedStart = {'I', 'D', '3', 3,   0, 0, 0, 0, 0, 122,  // 14 + 9 x 12 bytes
                                 'T', 'I', 'T', '2', 0, 0, 0, 4, 0, 0,   0, 'H', 'i', 0};
    EXPECT_EQ(Bytes(ansi.begin(), ansi.begin() + 24), expectedStart);
    const Bytes unicode = tags.Render(true);
    const Bytes expectedUnicode = {'T', 'I', 'T', '2', 0, 0, 0, 7, 0, 0, 1, 'H', 0, 'i', 0, 0, 0};
    EXPECT_EQ(Bytes(unicode.begin() + 10, unicode.begin() + 27), expectedUnicode);
}

TEST(Id3v2TagsTest, RenderedTagsParseBack) {
    for (const bool unicode : {false, true}) {
        SCOPED_TRACE(unicode);
        TId3v2Tags tags;
        tags.SetTitle(unicode ? u"日本の歌" : u"Café");
        tags.SetArtist(u"Artist");
        tags.SetTrack(u"3/12");
        tags.SetLink(u"http://example.invalid/");
        tags.SetComment(u"not written");
        TId3v2Tags read;
        ASSERT_TRUE(ParseTag(read, tags.Render(unicode)));
        EXPECT_EQ(read.Title(), tags.Title());
        EXPECT_EQ(read.Artist(), u"Artist");
        EXPECT_EQ(read.Track(), u"3/12");
        EXPECT_EQ(read.Link(), u"http://example.invalid/");
        EXPECT_EQ(read.Comment(), u"");
        EXPECT_TRUE(read.FourCharIds());
    }
}

TEST(Id3v2TagsTest, VersionTwoTagsUseThreeCharacterIds) {
    Bytes frames = Frame2("TT2", Latin1Body("Old title"));
    const auto more = Frame2("TP1", Latin1Body("Old artist"));
    frames.insert(frames.end(), more.begin(), more.end());
    TId3v2Tags tags;
    ASSERT_TRUE(ParseTag(tags, Tag(2, frames, 20)));
    EXPECT_FALSE(tags.FourCharIds());
    EXPECT_EQ(tags.Title(), u"Old title");
    EXPECT_EQ(tags.Artist(), u"Old artist");
    EXPECT_EQ(tags.AsString("TIT2"), "");
    tags.SetFourCharIds(true);
    EXPECT_EQ(tags.Title(), u"");
}

TEST(Id3v2TagsTest, TextEncodingsYearAndComment) {
    Bytes frames;
    auto add = [&](const Bytes& frame) { frames.insert(frames.end(), frame.begin(), frame.end()); };
    add(Frame4("TIT2", {1, 0xFF, 0xFE, 'L', 0, 'E', 0, 0, 0}, false));  // UTF-16, LE mark
    add(Frame4("TPE1", {1, 0xFE, 0xFF, 0, 'B', 0, 'E', 0, 0}, false));  // UTF-16, BE mark
    add(Frame4("TALB", {1, 'N', 0, 'o', 0}, false));                    // no mark: LE
    add(Frame4("TCON", {3, 'u', 't', 'f', '8'}, false));                // not read
    add(Frame4("TYER", Latin1Body("1999"), false));
    add(Frame4("TCOM", {}, false));  // empty frame: no body
    add(Frame4("TENC", Latin1Body("Enc\xE9"), false));
    TId3v2Tags tags;
    ASSERT_TRUE(ParseTag(tags, Tag(3, frames)));
    EXPECT_EQ(tags.Title(), u"LE");
    EXPECT_EQ(tags.Artist(), u"BE");
    EXPECT_EQ(tags.Album(), u"No");
    EXPECT_EQ(tags.Genre(), u"");
    EXPECT_EQ(tags.Year(), u"") << "year frames are not read";
    EXPECT_EQ(tags.Encoder(), u"Encé");
}

TEST(Id3v2TagsTest, VersionFourFrameSizesAreSyncsafe) {
    const std::string longTitle(300, 'x');  // 302-byte body: syncsafe differs from plain
    Bytes frames = Frame4("TIT2", Latin1Body(longTitle), true);
    const auto artist = Frame4("TPE1", Latin1Body("After"), true);
    frames.insert(frames.end(), artist.begin(), artist.end());
    TId3v2Tags tags;
    ASSERT_TRUE(ParseTag(tags, Tag(4, frames)));
    EXPECT_EQ(Utf16ToUtf8(tags.Title()), longTitle);
    EXPECT_EQ(tags.Artist(), u"After");
}

TEST(Id3v2TagsTest, HostileSizesStopReadingInsideTheTag) {
    // A frame claiming more bytes than the tag holds.
    Bytes frames = Frame4("TIT2", Latin1Body("ok"), false);
    Bytes liar = Frame4("TPE1", Latin1Body("short"), false);
    liar[7] = 0xF0;
    frames.insert(frames.end(), liar.begin(), liar.end());
    TId3v2Tags tags;
    const Bytes tag = Tag(3, frames);
    const auto header = ParseId3v2Header(tag);
    ASSERT_TRUE(header);
    const std::size_t used = tags.ParseFrames(*header, std::span(tag).subspan(10));
    EXPECT_LT(used, tag.size() - 10);
    EXPECT_EQ(tags.Title(), u"ok");
    EXPECT_EQ(tags.Artist(), u"");

    // Random bytes behind valid headers of each version: nothing reads out
    // of bounds (checked by the address sanitizer build) and nothing throws.
    std::mt19937 random(4044);
    for (int round = 0; round < 3000; ++round) {
        Bytes body(random() % 200);
        for (auto& b : body) {
            b = static_cast<std::uint8_t>(random() % 4 == 0 ? 'T' : random());
        }
        const int version = 2 + round % 3;
        TId3v2Tags fuzzed;
        const Bytes fuzzTag = Tag(version, body);
        ASSERT_LE(fuzzed.ParseFrames(*ParseId3v2Header(fuzzTag), std::span(fuzzTag).subspan(10)),
                  body.size());
    }
}

TEST(Id3v2TagsTest, FileReadChecksTheTagAgainstTheFile) {
    TestFolder dir;
    const std::string path = dir.File("a.mp3");
    Bytes file = Tag(3, Frame4("TIT2", Latin1Body("Title"), false));
    const std::size_t tagEnd = file.size();
    Append(file, "audio");
    WriteFileBytes(path, file);
    int fd = open(path.c_str(), O_RDONLY);
    TId3v2Tags tags;
    EXPECT_TRUE(tags.TagPresent(fd));
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
    ASSERT_TRUE(tags.ReadFromFile(fd));
    EXPECT_EQ(tags.Title(), u"Title");
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), static_cast<off_t>(tagEnd));
    close(fd);

    // Padding stops reading early: the position goes back to the frames.
    WriteFileBytes(path, Tag(3, Frame4("TIT2", Latin1Body("Title"), false), 64));
    fd = open(path.c_str(), O_RDONLY);
    ASSERT_TRUE(tags.ReadFromFile(fd));
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 10);
    close(fd);

    // A header whose size reaches beyond the end of the file.
    Bytes truncated = Tag(3, Frame4("TIT2", Latin1Body("Title"), false));
    truncated.resize(truncated.size() - 3);
    WriteFileBytes(path, truncated);
    fd = open(path.c_str(), O_RDONLY);
    EXPECT_TRUE(tags.TagPresent(fd));
    EXPECT_FALSE(tags.ReadFromFile(fd));
    EXPECT_EQ(tags.Title(), u"");
    close(fd);
}

TEST(Id3v2TagsTest, WrittenTagsAreInsertedAndReadByAnIndependentReader) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    TestFolder dir;
    for (const bool unicode : {false, true}) {
        SCOPED_TRACE(unicode);
        const std::string path = dir.File(unicode ? "u.mp3" : "a.mp3");
        // Content larger than one piece of the move, with a known pattern.
        Bytes content(2'500'000);
        for (std::size_t i = 0; i < content.size(); ++i) {
            content[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 12));
        }
        WriteFileBytes(path, content);
        TId3v2Tags tags;
        tags.SetTitle(unicode ? u"Título 日本" : u"Título");
        tags.SetArtist(u"Artist");
        tags.SetAlbum(u"Album");
        tags.SetTrack(u"4");
        tags.SetGenre(u"Jazz");
        const int fd = open(path.c_str(), O_RDWR);
        ASSERT_TRUE(tags.WriteToFile(fd, unicode));
        close(fd);
        const Bytes written = ReadFileBytes(path);
        const std::size_t tagSize = tags.Render(unicode).size();
        ASSERT_EQ(written.size(), content.size() + tagSize);
        EXPECT_TRUE(std::equal(content.begin(), content.end(),
                               written.begin() + static_cast<std::ptrdiff_t>(tagSize)));

        const auto result = RunPython(R"(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1], load_v1=False)
print(t.version[1])
for key in ("TIT2", "TPE1", "TALB", "TRCK", "TCON"):
    print(key, t[key].text[0])
)",
                                      {path});
        ASSERT_EQ(result.Status, 0) << result.Output;
        EXPECT_EQ(result.Output, "3\nTIT2 " + Utf16ToUtf8(tags.Title()) +
                                     "\nTPE1 Artist\nTALB Album\nTRCK 4\nTCON Jazz\n");
    }
}

TEST(Id3v2TagsTest, ReadsTagsAnIndependentWriterMade) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    TestFolder dir;
    for (const int version : {3, 4}) {
        for (const int encoding : {0, 1}) {
            SCOPED_TRACE(std::to_string(version) + "/" + std::to_string(encoding));
            // Over 127 bytes, so version 4's syncsafe frame size matters.
            const std::string title =
                std::string(200, 'L') + (encoding == 0 ? " Ñandú" : " — 日本");
            const std::string path =
                dir.File("m" + std::to_string(version) + std::to_string(encoding));
            WriteFileBytes(path, Bytes(500, 0xAA));
            const auto result =
                RunPython(R"(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TYER
path, version, encoding, title = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
t = ID3()
t.add(TIT2(encoding=encoding, text=title))
t.add(TPE1(encoding=encoding, text="Artíst"))
t.add(TALB(encoding=encoding, text="Album"))
t.add(TRCK(encoding=encoding, text="7"))
t.save(path, v2_version=version, v1=0)
)",
                          {path, std::to_string(version), std::to_string(encoding), title});
            ASSERT_EQ(result.Status, 0) << result.Output;
            const int fd = open(path.c_str(), O_RDONLY);
            TId3v2Tags tags;
            ASSERT_TRUE(tags.ReadFromFile(fd));
            close(fd);
            EXPECT_EQ(Utf16ToUtf8(tags.Title()), title);
            EXPECT_EQ(tags.Artist(), u"Artíst");
            EXPECT_EQ(tags.Album(), u"Album");
            EXPECT_EQ(tags.Track(), u"7");
        }
    }
}

}  // namespace
