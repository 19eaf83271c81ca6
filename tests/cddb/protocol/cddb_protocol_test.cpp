// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cddb/protocol/cddb_answer.h"
#include "cddb/protocol/cddb_toc.h"

namespace {

TEST(CddbTocTest, DiscIdsOfKnownTables) {
    struct Case {
        TCddbToc toc;
        const char* id;
    };
    const Case cases[] = {
        // The protocol notes' worked example.
        {{{150, 28615, 51027, 75835, 102620, 121460, 148977, 175697, 204322, 231082, 268002},
          3826 * 75},
         "920ef00b"},
        // First track after frame 150; length from the lead-out truncated.
        {{{182, 29035, 58502}, 99999}, "23053303"},
        // Digit sums above 255 wrap modulo 255, not 256: 29 tracks at 3999 s
        // sum 29 * 30 = 870, 870 mod 255 = 105 (0x69).
        {{std::vector<std::uint32_t>(29, 3999 * 75), 4100 * 75}, "6900651d"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CddbDiscIdText(CddbDiscId(c.toc)), c.id);
    }
}

TEST(CddbTocTest, QueryCommandListsEveryStartAndTheLeadOutSeconds) {
    const TCddbToc toc{{150, 20000, 40000}, 60074};  // 60074 / 75 = 800.98 -> 800
    EXPECT_EQ(CddbQueryCommand(toc), "cddb query 1b031e03 3 150 20000 40000 800");
}

TEST(CddbRequestTest, QueryStringEncodesCommandAndHello) {
    const TCddbHello hello = MakeCddbHello("jane doe@example.org", "some client 2.5");
    EXPECT_EQ(CddbRequestQuery("cddb read rock 0a0b0c0d", hello, 6),
              "cmd=cddb+read+rock+0a0b0c0d&hello=jane_doe+example.org+some_client+2.5&proto=6");
    const TCddbHello bare = MakeCddbHello("nobody", "tool");
    EXPECT_EQ(CddbRequestQuery("a&b=c+d", bare, 5),
              "cmd=a%26b%3Dc%2Bd&hello=nobody+unknown+tool+unknown&proto=5");
}

TEST(CddbAnswerTest, QueryAnswers) {
    struct Case {
        const char* text;
        TCddbOutcome outcome;
        int code;
        std::vector<TCddbMatch> matches;
    };
    const Case cases[] = {
        {"200 rock 1a2b3c0d Some Band / Some Album\r\n",
         TCddbOutcome::Found,
         200,
         {{"rock", "1a2b3c0d", "Some Band / Some Album"}}},
        {"211 Found inexact matches, list follows (until terminating `.')\r\n"
         "folk 00112233 First / One\r\nmisc 44556677 Second / Two\r\n.\r\n",
         TCddbOutcome::Found,
         211,
         {{"folk", "00112233", "First / One"}, {"misc", "44556677", "Second / Two"}}},
        {"210 Found exact matches, list follows (until terminating `.')\n"
         "jazz 0badf00d  Spaced   Title\n.\n",
         TCddbOutcome::Found,
         210,
         {{"jazz", "0badf00d", "Spaced   Title"}}},
        {"202 No match for disc ID 0a0b0c03.\r\n", TCddbOutcome::NoMatch, 202, {}},
        {"211 Found inexact matches, list follows (until terminating `.')\r\n.\r\n",
         TCddbOutcome::NoMatch,
         211,
         {}},
        {"500 Unknown developer email for program 1.0\r\n", TCddbOutcome::Refused, 500, {}},
        {"403 Database entry is corrupt.\r\n", TCddbOutcome::Refused, 403, {}},
        {"<html>Not found</html>", TCddbOutcome::Malformed, 0, {}},
        {"", TCddbOutcome::Malformed, 0, {}},
        {"200 rock\r\n", TCddbOutcome::Malformed, 200, {}},
    };
    for (const Case& c : cases) {
        const TCddbQueryAnswer answer = ParseQueryAnswer(c.text);
        EXPECT_EQ(answer.outcome, c.outcome) << c.text;
        EXPECT_EQ(answer.code, c.code) << c.text;
        EXPECT_EQ(answer.matches, c.matches) << c.text;
    }
}

TEST(CddbAnswerTest, QueryListKeepsTheFirstTenMatches) {
    std::string text = "210 Found exact matches, list follows (until terminating `.')\r\n";
    for (int i = 0; i < 12; ++i) {
        text += "misc 000000" + std::to_string(10 + i) + " Disc " + std::to_string(i) + "\r\n";
    }
    const TCddbQueryAnswer answer = ParseQueryAnswer(text + ".\r\n");
    ASSERT_EQ(answer.matches.size(), kCddbMaxMatches);
    EXPECT_EQ(answer.matches.back().title, "Disc 9");
}

TEST(CddbAnswerTest, ReadAnswers) {
    const TCddbReadAnswer entry = ParseReadAnswer(
        "210 blues 0a0b0c02 CD database entry follows (until terminating `.')\r\n"
        "# xmcd\r\nDTITLE=A / B\r\nTTITLE0=One\r\n.\r\n");
    EXPECT_TRUE(entry.ok);
    EXPECT_EQ(entry.entry, "# xmcd\nDTITLE=A / B\nTTITLE0=One\n");

    const TCddbReadAnswer missing = ParseReadAnswer("401 blues 0a0b0c02 No such CD entry.\r\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.code, 401);
    EXPECT_FALSE(ParseReadAnswer("garbage").ok);
}

TEST(CddbAnswerTest, DecodesUtf8AsIsAndAnythingElseAsLatin1) {
    EXPECT_EQ(DecodeCddbText("Ann\xC3\xA9"
                             "es"),
              "Ann\xC3\xA9"
              "es");
    EXPECT_EQ(DecodeCddbText("Siivill\xE4"), "Siivill\xC3\xA4");
    // An overlong form and a lone continuation byte are not UTF-8.
    EXPECT_EQ(DecodeCddbText("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(DecodeCddbText("a\x80"), "a\xC2\x80");
}

TEST(CddbAnswerTest, CutKeepsWholeLines) {
    EXPECT_EQ(CutToWholeLines("ab\ncd\nef\n", 7), "ab\ncd\n");
    EXPECT_EQ(CutToWholeLines("ab\ncd\n", 6), "ab\ncd\n");
    EXPECT_EQ(CutToWholeLines("abcdef\n", 3), "");
}

}  // namespace
