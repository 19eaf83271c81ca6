// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "audio/tags/id3v1_genres.h"
#include "cddb/cddb_entry.h"

namespace {

using Titles = std::map<int, std::string>;

TEST(CddbEntryTest, ContinuedValuesAreJoinedByKeyBeforeTrimming) {
    const TCddbDiscInfo info = ParseCddbEntry(
        "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\n# Disc length: 800 seconds\n"
        "DISCID=1b031e03\n"
        "DTITLE=Quartet of the North / Works for Strings, Winds and Voi\n"
        "DTITLE=ces\n"
        "DYEAR=1999\n"
        "DGENRE=Classical\n"
        "TTITLE0=Overture in D Major - I. Allegro con spi\n"
        "TTITLE0=rito\n"
        "TTITLE2=Third, the second is missing\n"
        "TTITLE3=Song with a split before a\n"
        "TTITLE3= space\n"
        "TTITLE10=Eleventh\n"
        "EXTD=TTITLE1=not a title\n"
        "EXTT0=\n"
        "PLAYORDER=\n");
    EXPECT_EQ(info.artist, "Quartet of the North");
    EXPECT_EQ(info.album, "Works for Strings, Winds and Voices");
    EXPECT_EQ(info.year, "1999");
    EXPECT_EQ(info.genre, "Classical");
    EXPECT_EQ(info.titles, (Titles{{0, "Overture in D Major - I. Allegro con spirito"},
                                   {2, "Third, the second is missing"},
                                   {3, "Song with a split before a space"},
                                   {10, "Eleventh"}}));
}

TEST(CddbEntryTest, DiscTitleSplitsAtTheFirstSlash) {
    struct Case {
        const char* line;
        const char* artist;
        const char* album;
    };
    const Case cases[] = {
        {"DTITLE=Band / Album\r\n", "Band", "Album"},
        {"DTITLE=  One Name Only - Single  \r\n", "One Name Only - Single",
         "One Name Only - Single"},
        {"DTITLE=AC/DC / Live / Disc 1\n", "AC", "DC / Live / Disc 1"},
        {"DTITLE=Various / Ann\xC3\xA9"
         "es 60\n",
         "Various",
         "Ann\xC3\xA9"
         "es 60"},
    };
    for (const Case& c : cases) {
        const TCddbDiscInfo info = ParseCddbEntry(c.line);
        EXPECT_EQ(info.artist, c.artist) << c.line;
        EXPECT_EQ(info.album, c.album) << c.line;
    }
}

TEST(CddbEntryTest, EscapesAreUndoneAndControlCharactersBecomeSpaces) {
    const TCddbDiscInfo info = ParseCddbEntry(
        "TTITLE0=Line\\nbreak\\tand tab\n"
        "TTITLE1=Back\\\\slash \\q kept\n"
        "TTITLE2=Bell\x07"
        "and\x1b"
        "escape\x7f\xC2\x85"
        "end\n"
        "TTITLE3=\\n  \n");
    EXPECT_EQ(info.titles, (Titles{{0, "Line break and tab"},
                                   {1, "Back\\slash \\q kept"},
                                   {2, "Bell and escape  end"},
                                   {3, ""}}));
}

TEST(CddbEntryTest, MissingLinesStayUnset) {
    const TCddbDiscInfo info = ParseCddbEntry("# xmcd\nTTITLE0=Only\nEXTD= YEAR: 2007\n");
    EXPECT_FALSE(info.artist);
    EXPECT_FALSE(info.year);
    EXPECT_FALSE(info.genre);
    EXPECT_EQ(info.titles, (Titles{{0, "Only"}}));
}

TEST(CddbEntryTest, GenreNamesMatchExactly) {
    for (const char* name : {"Rock", "Blues", "Symphonic Rock"}) {
        EXPECT_GT(CddbGenrePosition(name), 0) << name;
        EXPECT_EQ(CddbGenrePosition(name), GenreListPosition(name)) << name;
    }
    for (const char* name : {"rock", "Symphonic Metal", "Deutsch", ""}) {
        EXPECT_EQ(CddbGenrePosition(name), -1) << name;
    }
}

}  // namespace
