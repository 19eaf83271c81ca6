// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/tag_record.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

using Fields = std::vector<TTagField>;

// Numbers in either style, empty fields left out, and control characters
// that would end or split a value made spaces (tab and line ends kept).
TEST(TagFieldsOfTest, NumbersEmptyFieldsAndControlCharacters) {
    TTagRecord record;
    record.Title = std::string("a\0b\nc\td\x1f\x7f", 9);
    record.TrackNumber = 3;
    record.TrackTotal = 12;
    record.DiscNumber = 1;
    record.TrackGain = TReplayGain{-7.234, 0.98852549};
    const struct {
        TNumberStyle style;
        Fields expected;
    } cases[] = {
        {TNumberStyle::SeparateTotal,
         {{"TITLE", "a b\nc\td  "},
          {"TRACKNUMBER", "3"},
          {"TRACKTOTAL", "12"},
          {"DISCNUMBER", "1"},
          {"REPLAYGAIN_TRACK_GAIN", "-7.23 dB"},
          {"REPLAYGAIN_TRACK_PEAK", "0.988525"}}},
        {TNumberStyle::Slashed,
         {{"TITLE", "a b\nc\td  "},
          {"TRACKNUMBER", "3/12"},
          {"DISCNUMBER", "1"},
          {"REPLAYGAIN_TRACK_GAIN", "-7.23 dB"},
          {"REPLAYGAIN_TRACK_PEAK", "0.988525"}}},
    };
    // A decimal comma in the program's locale must not reach the tags.
    const bool commaLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    for (const auto& c : cases) {
        EXPECT_EQ(TagFieldsOf(record, c.style), c.expected) << "comma locale: " << commaLocale;
    }
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(TagFieldsOf({}, TNumberStyle::Slashed), Fields{});
}

TEST(TagFieldsOfTest, OverlaidTakesOnlyWhatTheRecordLacks) {
    TTagRecord base;
    base.Artist = "Disc";
    base.Album = "Album";
    base.TrackNumber = 9;
    base.Cover = {1, 2};
    base.CoverType = "image/png";
    TTagRecord source;
    source.Artist = "Source";
    source.TrackNumber = 3;
    TTagRecord expected = base;
    expected.Artist = "Source";
    expected.TrackNumber = 3;
    EXPECT_EQ(Overlaid(base, source), expected);
}

}  // namespace
