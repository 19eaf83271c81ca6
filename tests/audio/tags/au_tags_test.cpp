// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "audio/tags/apev2_tags.h"
#include "audio/tags/au_tag_text.h"
#include "audio/tags/id3v2_tags.h"
#include "audio/tags/vorbis_tags.h"

namespace {

TEST(AuTagsTest, NamesIterateSortedWithTheirValues) {
    TVorbisTags tags;
    tags.SetArtist(u"Ådne");
    const std::vector<std::string> expected = {"album", "artist", "date",
                                               "genre", "title",  "tracknumber"};
    ASSERT_EQ(tags.Count(), 6);
    for (int i = 0; i < tags.Count(); ++i) {
        EXPECT_EQ(tags.Names(i), expected[static_cast<std::size_t>(i)]);
        const std::u16string value = tags.AsWideString(tags.Names(i));
        EXPECT_EQ(value, tags.Names(i) == "artist" ? u"Ådne" : u"");
    }
    EXPECT_EQ(tags.Names(6), "");
    EXPECT_EQ(tags.Names(-1), "");
    EXPECT_EQ(tags.AsString("ARTIST"), "Ådne") << "names ignore letter case";
}

TEST(AuTagsTest, EmptyAndChangedFollowTheValues) {
    TVorbisTags tags;
    EXPECT_TRUE(tags.Empty());
    EXPECT_FALSE(tags.Changed());
    tags.SetValue("comment", std::string("not a vorbis name here"));
    EXPECT_FALSE(tags.Changed()) << "an undefined name changes nothing";
    EXPECT_TRUE(std::holds_alternative<std::monostate>(tags.Values("comment")));

    tags.SetTitle(u"x");
    EXPECT_FALSE(tags.Empty());
    EXPECT_TRUE(tags.Changed());
    tags.SetChanged(false);
    tags.SetTitle(u"x");
    EXPECT_FALSE(tags.Changed()) << "storing the same value is no change";
    tags.Clear();
    EXPECT_TRUE(tags.Empty());
    EXPECT_TRUE(tags.Changed());
    EXPECT_EQ(tags.Title(), u"");
}

TEST(AuTagsTest, ValueConversions) {
    TAPEv2Tags tags;
    tags.SetValue("Track", std::int64_t{42});
    EXPECT_EQ(tags.AsString("Track"), "42");
    EXPECT_EQ(tags.AsWideString("Track"), u"42");
    EXPECT_EQ(tags.AsInteger("Track"), 42);
    tags.SetValue("Year", std::string("-1999"));
    EXPECT_EQ(tags.AsInteger("Year"), -1999);
    tags.SetValue("Year", std::u16string(u"2003"));
    EXPECT_EQ(tags.AsInteger("Year"), 2003);
    for (const char* bad : {"", "12a", " 12", "+-3", "99999999999999999999"}) {
        tags.SetValue("ISRC", std::string(bad));
        EXPECT_EQ(tags.AsInteger("ISRC"), 0) << bad;
    }
    EXPECT_EQ(tags.AsInteger("Title"), 0) << "empty value";
    EXPECT_EQ(tags.AsInteger("Nonexistent"), 0);
    tags.SetValue("Title", TagBytes{'4', '2'});
    EXPECT_EQ(tags.AsString("Title"), "") << "bytes are no text";
    EXPECT_EQ(tags.AsWideString("Title"), u"");
    EXPECT_EQ(tags.AsInteger("Title"), 0);
    EXPECT_EQ(tags.AsBytes("Title"), (TagBytes{'4', '2'}));
    EXPECT_EQ(tags.AsBytes("Track"), TagBytes{}) << "an integer is no bytes";
    TAPEv2Tags copy;
    copy.Assign(tags);
    EXPECT_EQ(copy.AsBytes("Title"), (TagBytes{'4', '2'}));
    tags.SetTitle(u"Ça\U0001F3B5");  // outside the BMP: a surrogate pair
    EXPECT_EQ(tags.AsString("Title"), "Ça\xF0\x9F\x8E\xB5");
}

TEST(AuTagsTest, AddTagRejectsEmptyAndKeepsOneOfEachName) {
    TVorbisTags tags;
    EXPECT_FALSE(tags.AddTag(""));
    EXPECT_TRUE(tags.AddTag("ARTIST"));
    EXPECT_EQ(tags.Count(), 6);
    EXPECT_TRUE(tags.AddTag("comment"));
    EXPECT_EQ(tags.Count(), 7);
    EXPECT_EQ(tags.Names(1), "artist");
    EXPECT_EQ(tags.Names(2), "comment");
}

TEST(AuTagsTest, AssignCopiesOnlyCommonNames) {
    TId3v2Tags source;
    for (int i = 0; i < source.Count(); ++i) {
        source.SetValue(source.Names(i), Utf8ToUtf16("v" + source.Names(i)));
    }
    TAPEv2Tags ape;
    ape.SetTitle(u"old");
    ape.Assign(source);
    EXPECT_TRUE(ape.Empty()) << "no names in common";
    EXPECT_EQ(ape.Title(), u"");

    TId3v2Tags copy;
    source.AssignTo(copy);
    ASSERT_EQ(copy.Count(), 24);
    for (int i = 0; i < copy.Count(); ++i) {
        EXPECT_EQ(copy.AsString(copy.Names(i)), "v" + copy.Names(i));
    }
    copy.Assign(copy);
    EXPECT_EQ(copy.AsString("TIT2"), "vTIT2") << "assigning to itself keeps the values";
}

TEST(AuTagTextTest, ConversionsReplaceWhatTheTargetCannotHold) {
    EXPECT_EQ(Utf8ToLatin1("Café 日本"), "Caf\xE9 ??");
    EXPECT_EQ(Latin1ToUtf8("Caf\xE9"), "Café");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb")
        << "invalid UTF-8";
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD") << "truncated sequence";
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD") << "lone surrogate";
}

}  // namespace
