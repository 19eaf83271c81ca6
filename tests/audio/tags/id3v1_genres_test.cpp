// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/id3v1_genres.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/common/oracle.h"
#include "support/common/run_command.h"

namespace {

TEST(Id3Genres, ListPositionsTranslateToId3Numbers) {
    EXPECT_EQ(GenreFromListPosition(0), 255);
    EXPECT_EQ(GenreFromListPosition(-1), 255);
    EXPECT_EQ(GenreFromListPosition(255), 255);
    EXPECT_EQ(GenreFromListPosition(149), 255);
    EXPECT_EQ(GenreFromListPosition(GenreListPosition("Blues")), 0);
    EXPECT_EQ(GenreFromListPosition(GenreListPosition("Vocal")), 28);
    EXPECT_EQ(GenreFromListPosition(148), 28);
}

TEST(Id3Genres, NameLookupIgnoresCase) {
    ASSERT_EQ(GenreListNames().size(), 149u);
    EXPECT_EQ(GenreListNames()[0], "");
    EXPECT_EQ(GenreListPosition(""), 0);
    EXPECT_EQ(GenreListPosition("A Cappella"), 1);
    EXPECT_EQ(GenreListPosition("bLUES"), 18);
    EXPECT_EQ(GenreListPosition("VOCAL"), 148);
    EXPECT_EQ(GenreListPosition("Blues "), -1);
    EXPECT_EQ(GenreListPosition("Polka Punk"), -1);
}

// Every number must name the same genre in an independent ID3v1 genre list
// (mutagen's), apart from the names the list spells its own way.
TEST(Id3Genres, NumbersAgreeWithMutagen) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const CommandResult listed = RunCommand(
        "/usr/bin/python3 -c 'import mutagen._constants as c; "
        "print(\"\\n\".join(c.GENRES[:148]))'");
    ASSERT_TRUE(listed.Ok());
    const std::string& text = listed.Output;
    std::vector<std::string> reference;
    std::istringstream lines(text);
    for (std::string name; std::getline(lines, name);) {
        reference.push_back(name);
    }
    ASSERT_EQ(reference.size(), 148u);

    const std::map<std::string, std::string> spelledOtherwise = {
        {"Bebob", "Bebop"},
        {"Christian Gangsta", "Christian Gangsta Rap"},
        {"Drum & Base", "Drum & Bass"},
        {"Folk/Rock", "Folk-Rock"},
        {"Negerpunk", "Afro-Punk"},
    };
    for (int position = 1; position < kGenreListSize; ++position) {
        const std::string name(GenreListNames()[static_cast<std::size_t>(position)]);
        const auto renamed = spelledOtherwise.find(name);
        const std::string expected = renamed == spelledOtherwise.end() ? name : renamed->second;
        EXPECT_EQ(reference.at(GenreFromListPosition(position)), expected) << name;
    }
}

}  // namespace
