// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cd/rip_thread.h"

namespace {

PostedMessage ProgressMessage(std::int32_t percent, std::int32_t status = kRipStatusOk) {
    return {WM_RIPPROGRESS, 0, 0, std::make_unique<TProcessInfo>(percent, status)};
}

TEST(RipProtocolTest, EachPercentStandsForOneEvent) {
    using enum TRipEventKind;
    const struct {
        std::int32_t percent;
        TRipEventKind kind;
    } cases[] = {{-5, None},       {0, None},
                 {1, Progress},    {100, Progress},
                 {998, Progress},  {999, Normalizing},
                 {1000, RipEnded}, {1001, Progress},
                 {1999, Progress}, {2000, EncodeEnded},
                 {2001, Progress}, {3000, DecodeChecked},
                 {3001, Progress}, {4000, AccurateRipAnswered}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        const TRipEvent event = DecodeRipMessage(ProgressMessage(c.percent, kRipStatusBadFileName));
        EXPECT_EQ(event.Kind, c.kind);
        EXPECT_EQ(event.Percent, c.kind == Progress ? c.percent : 0);
        EXPECT_EQ(event.Status, c.kind == RipEnded || c.kind == EncodeEnded ? 5 : 0);
    }
    const TRipEvent error = DecodeRipMessage({WM_RIPERROR, 0, kRipErrorTableOfContents, nullptr});
    EXPECT_EQ(error.Kind, DriveError);
    EXPECT_EQ(error.ErrorCode, kRipErrorTableOfContents);
    EXPECT_EQ(DecodeRipMessage({WM_RIPPROGRESS, 0, 0, nullptr}).Kind, None);
    EXPECT_EQ(DecodeRipMessage({2131, 0, 0, nullptr}).Kind, None);
}

TEST(RipProtocolTest, ItemsSplitIntoNumberAndTitle) {
    const auto items = ParseRipItems({"07Intro", "12Op.9 No.2", "03", "x"});
    ASSERT_EQ(items.size(), 4U);
    EXPECT_EQ(items[0].Number, 7);
    EXPECT_EQ(items[0].Title, "Intro");
    EXPECT_EQ(items[1].Number, 12);
    EXPECT_EQ(items[1].Title, "Op.9 No.2");
    EXPECT_EQ(items[2].Number, 3);
    EXPECT_EQ(items[2].Title, "");
    EXPECT_EQ(items[3].Number, 0);
    EXPECT_EQ(items[3].Title, "");
}

// Every item of a rip gets a file stem of its own; the titles stay as typed.
TEST(RipProtocolTest, FileStemsAreTheTitlesMadeUniqueWithinTheRip) {
    using Stems = std::vector<std::string>;
    const struct {
        std::vector<std::string> items;
        Stems stems;
    } cases[] = {
        {{"01Intro", "02Op.9"}, {"Intro", "Op.9"}},
        {{"01Same", "02Same", "03Same"}, {"Same", "Same (2)", "Same (3)"}},
        // A later track's own title is not taken by an earlier duplicate.
        {{"01Same", "02Same", "03Same (2)"}, {"Same", "Same (3)", "Same (2)"}},
        // Blank titles name their files by the default title.
        {{"01   ", "02", "03\t ", "04Track01"}, {"Track01", "Track02", "Track03", "Track01 (2)"}},
        {{"05 x "}, {"x"}},
        {{"01AC/DC", "02AC-DC", "03.."}, {"AC-DC", "AC-DC (2)", "Track03"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items.front());
        const auto items = ParseRipItems(c.items);
        Stems stems;
        for (std::size_t i = 0; i < items.size(); ++i) {
            stems.push_back(items[i].FileStem);
            EXPECT_EQ(items[i].Title, c.items[i].substr(2));
        }
        EXPECT_EQ(stems, c.stems);
    }
}

}  // namespace
