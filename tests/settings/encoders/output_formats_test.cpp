// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/output_formats.h"

#include <gtest/gtest.h>

#include <string>

#include "audio/wav/wave_out.h"

namespace {

template <class Output>
bool Makes(const TOutputFormatRow& row) {
    return row.MakeOutput != nullptr && dynamic_cast<Output*>(row.MakeOutput().get()) != nullptr;
}

TEST(OutputFormatsTest, EachRowDescribesItsFormat) {
    const struct {
        std::string name, extension, listText;
        bool ripEncodes;
        bool (*makes)(const TOutputFormatRow&);
        bool hasSetup;
        TTagStep tagStep;
    } expected[] = {
        {"MP3", ".mp3", "MP3 file(*.MP3)", true, Makes<TMP3Out>, true, TTagStep::Id3v1},
        {"WAV", ".wav", "WAV file(*.WAV)", false, Makes<TWaveOut>, false, TTagStep::None},
        {"OGG", ".ogg", "OGG file(*.OGG)", true, Makes<TVorbisOut>, true, TTagStep::None},
        {"WMA", ".wma", "WMA file(*.WMA)", true, Makes<TWMAOut>, true, TTagStep::None},
        {"FLAC", ".flac", "FLAC file(*.FLAC)", true, Makes<TFLACOut>, true, TTagStep::None},
        {"APE", ".ape", "APE FILE(*.APE)", true, Makes<TMACOut>, true, TTagStep::None},
    };
    ASSERT_EQ(OutputFormats().size(), std::size(expected));
    for (std::int32_t number = 0; number < 6; ++number) {
        const auto& want = expected[number];
        const TOutputFormatRow& row = OutputFormats()[static_cast<std::size_t>(number)];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(FindOutputFormat(number), &row);
        EXPECT_EQ(OutputFormatName(number), want.name);
        EXPECT_EQ(row.Extension, want.extension);
        EXPECT_EQ(row.ListText, want.listText);
        EXPECT_EQ(row.RipEncodes, want.ripEncodes);
        EXPECT_EQ(row.TagStep, want.tagStep);
        EXPECT_TRUE(want.makes(row));
        EXPECT_EQ(row.Setup != nullptr, want.hasSetup);
    }
    for (const std::int32_t outside : {-1, 6}) {
        EXPECT_EQ(FindOutputFormat(outside), nullptr);
        EXPECT_EQ(OutputFormatName(outside), "");
    }
}

TEST(OutputFormatsTest, FindsAFormatByItsNameInAnyCase) {
    const struct {
        const char* name;
        std::int32_t format;  // -1: none
    } cases[] = {
        {"mp3", ofMP3},   {"WAV", ofWAV}, {"Ogg", ofOGG}, {"wma", ofWMA},
        {"flac", ofFLAC}, {"aPe", ofAPE}, {".flac", -1},  {"flac ", -1},
        {"fla", -1},      {"flacs", -1},  {"", -1},       {"vorbis", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindOutputFormatByName(c.name), FindOutputFormat(c.format));
    }
}

}  // namespace
