// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encoder_setup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"
#include "support/common/test_folder.h"

namespace {

using enum TVorbisBitRate;

// The settings as a first start finds them: no "options.ini" anywhere.
TOptionsSetting DefaultSettings() {
    const TestFolder root;
    std::filesystem::create_directories(root / "program");
    TOptionsSetting settings;
    LoadOptions(settings, TAppPaths(root / "program", root / "config"));
    return settings;
}

TEST(SetupMP3Out, DefaultSettings) {
    TMP3Out output;
    SetupMP3Out(output, DefaultSettings());
    EXPECT_EQ(output.BitRate(), TMP3BitRate::br128);
    EXPECT_EQ(output.Mode(), TMP3Mode::JOINT_STEREO);
    EXPECT_EQ(output.VBRQuality(), TMP3Quality::ql4);
    EXPECT_FALSE(output.EnableVBR());
    EXPECT_EQ(output.VBRMinBitrate(), 128);
    EXPECT_EQ(output.VBRMaxBitrate(), 320);
    EXPECT_EQ(output.Delay(), 1);
}

TEST(SetupMP3Out, PositionsOutsideTheirListsLeaveThePropertyAlone) {
    TOptionsSetting settings = DefaultSettings();
    TMP3Out output;
    settings.Mp3Options.ConstantBitRate = 8;
    SetupMP3Out(output, settings);
    EXPECT_EQ(output.BitRate(), TMP3BitRate::br320);

    settings.Mp3Options.ConstantBitRate = 9;
    settings.Mp3Options.StereoMode = 4;
    settings.Mp3Options.VBRQuality = 10;
    settings.Mp3Options.CPU = 1;
    SetupMP3Out(output, settings);
    EXPECT_EQ(output.BitRate(), TMP3BitRate::br320);
    EXPECT_EQ(output.Mode(), TMP3Mode::JOINT_STEREO);
    EXPECT_EQ(output.VBRQuality(), TMP3Quality::ql4);
    EXPECT_EQ(output.Delay(), 11);
}

TEST(SetupVorbisOut, QualityPositionsGiveSinglePrecisionCompression) {
    TOptionsSetting settings = DefaultSettings();
    settings.OggOptions.IsUseCompress = true;
    TVorbisOut output;
    output.SetDesiredNominalBitrate(br128);
    settings.OggOptions.CompressPosition = 30;
    SetupVorbisOut(output, settings);
    EXPECT_EQ(output.Compression(), 0.2F);
    EXPECT_EQ(output.DesiredNominalBitrate(), brAutoSelect);
    EXPECT_EQ(output.DesiredMaximumBitrate(), brAutoSelect);
    settings.OggOptions.CompressPosition = 100;
    SetupVorbisOut(output, settings);
    EXPECT_EQ(output.Compression(), 0.9F);
}

TEST(SetupVorbisOut, ManagedPositionsPassThroughTheSettersInOrder) {
    TOptionsSetting settings = DefaultSettings();
    settings.OggOptions.IsUseCompress = false;
    settings.OggOptions.MaxBitRate = 8;
    settings.OggOptions.NomalBitRate = 8;
    settings.OggOptions.MinBitRate = 0;
    TVorbisOut output;
    output.SetCompression(0.7F);
    SetupVorbisOut(output, settings);
    EXPECT_EQ(output.DesiredMaximumBitrate(), br128);
    EXPECT_EQ(output.DesiredNominalBitrate(), br128);
    EXPECT_EQ(output.MinimumBitrate(), brAutoSelect);
    EXPECT_EQ(output.Compression(), 0.2F);

    settings.OggOptions.MaxBitRate = 0;
    settings.OggOptions.NomalBitRate = 0;
    SetupVorbisOut(output, settings);
    EXPECT_EQ(output.DesiredNominalBitrate(), brAutoSelect);
    EXPECT_EQ(output.DesiredMaximumBitrate(), brAutoSelect);
}

// The track's title is the title and the disc's comment the comment; a
// container's earlier values go.
TEST(SetVorbisComments, TheRecordReplacesTheCommentsUnderVorbisNames) {
    TVorbisTags comments;
    comments.SetArtist(u"previous");
    TTagRecord tags;
    tags.Title = "Jóga";
    tags.Album = "Café";
    tags.Date = "1999";
    tags.Comment = "live";
    tags.TrackNumber = 3;
    tags.TrackTotal = 12;
    tags.MusicBrainzRecordingId = "0d5a8e0a-2d13-4b31-9a33-2b0c8f9b5a44";
    SetVorbisComments(comments, tags);
    std::vector<std::pair<std::string, std::string>> stored;
    for (int index = 0; index < comments.Count(); ++index) {
        const std::string name = comments.Names(index);
        if (!comments.AsString(name).empty()) {
            stored.emplace_back(name, comments.AsString(name));
        }
    }
    const std::vector<std::pair<std::string, std::string>> expected{
        {"album", "Café"},   {"comment", "live"},
        {"date", "1999"},    {"musicbrainz_trackid", "0d5a8e0a-2d13-4b31-9a33-2b0c8f9b5a44"},
        {"title", "Jóga"},   {"tracknumber", "3"},
        {"tracktotal", "12"}};
    EXPECT_EQ(stored, expected);
}

TEST(SetupFLACOut, LevelThroughTheSetter) {
    TOptionsSetting settings = DefaultSettings();
    settings.FLACOptions.Compression = 11;
    TFLACOut output;
    SetupFLACOut(output, settings);
    EXPECT_EQ(output.CompressionLevel(), 8);
}

TEST(SetupMACOut, DelayAndLevelFromTheApeSection) {
    TOptionsSetting settings = DefaultSettings();
    TMACOut output;
    output.SetCompressionLevel(4000);
    SetupMACOut(output, settings);
    EXPECT_EQ(output.CompressionLevel(), 2000);
    EXPECT_EQ(output.Delay(), 1);

    settings.APEOptions.Compression = 3000;
    settings.APEOptions.CPU = 2;
    SetupMACOut(output, settings);
    EXPECT_EQ(output.CompressionLevel(), 3000);
    EXPECT_EQ(output.Delay(), 6);

    // Levels the dialog offers but the output does not know fall back to
    // 2000; a CPU value giving a delay above 100 ms leaves the delay alone.
    settings.APEOptions.Compression = 5000;
    settings.APEOptions.CPU = -18;
    SetupMACOut(output, settings);
    EXPECT_EQ(output.CompressionLevel(), 2000);
    EXPECT_EQ(output.Delay(), 6);
}

TEST(SetupWMAOut, PositionsAndVbrOnlyAndTheDefaultIs128kStereo) {
    TOptionsSetting settings = DefaultSettings();
    TWMAOut output;
    output.SetDesiredBitrate(256);
    output.Id3v2Tags().SetTitle(u"kept");
    SetupWMAOut(output, settings);
    EXPECT_FALSE(output.VBR());
    EXPECT_EQ(output.CodecPosition(), 0);
    ASSERT_EQ(output.FormatPosition(), 29);
    EXPECT_EQ(output.Formats(0).at(29), "128 kbps, 44 kHz, stereo CBR");
    EXPECT_EQ(output.DesiredBitrate(), 256U);
    EXPECT_EQ(output.Id3v2Tags().Title(), u"kept");

    // A stored VBR for a codec without VBR formats is set up as CBR: the
    // stored format is encoded instead of failing the run.
    settings.WMAOptions = {.CodecIndex = 1, .FormatIndex = 3, .VBR = true};
    SetupWMAOut(output, settings);
    EXPECT_FALSE(output.VBR());
    EXPECT_EQ(output.CodecPosition(), 1);
    EXPECT_EQ(output.FormatPosition(), 3);
    const TestFolder folder;
    MemoryInput silence(std::vector<std::uint8_t>(44100 * 4));
    output.SetInput(&silence);
    output.SetFileName((folder / "vbr.wma").string());
    EXPECT_EQ(RunToEnd(output), "");
}

}  // namespace
