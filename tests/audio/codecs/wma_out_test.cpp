// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "audio/codecs/wma_formats.h"
#include "audio/codecs/wma_out.h"
#include "wm_test_support.h"

namespace {

constexpr std::size_t kLongestFrame = 2048;  // samples per channel

std::string Encode(TWMAOut& output, TAuInput& input, const std::string& file) {
    output.SetInput(&input);
    output.SetFileName(file);
    return RunToEnd(output);
}

// Format tags as ffprobe prints them: "key=value" lines.
std::string ProbeTags(const std::string& file) {
    return RunCommand(
               "ffprobe -v error -show_entries format_tags -of default=noprint_wrappers=1 '" +
               file + "'")
        .Output;
}

std::string ProbeStream(const std::string& file) {
    return RunCommand(
               "ffprobe -v error -select_streams a:0 -show_entries "
               "stream=codec_name,sample_rate,channels -of default=noprint_wrappers=1 '" +
               file + "'")
        .Output;
}

TEST(WmaFormats, TwoCodecsShareThe39CbrFormatsAndHaveNoVbrOnes) {
    TWMAOut output;
    EXPECT_EQ(output.Codecs(),
              (std::vector<std::string>{"Windows Media Audio 2", "Windows Media Audio 1"}));
    const std::vector<std::string> formats = output.Formats(0);
    ASSERT_EQ(formats.size(), 39U);
    EXPECT_EQ(formats[0], "24 kbps, 22 kHz, mono CBR");
    EXPECT_EQ(formats[29], "128 kbps, 44 kHz, stereo CBR");
    EXPECT_EQ(formats[38], "320 kbps, 48 kHz, stereo CBR");
    EXPECT_EQ(output.Formats(1), formats);
    EXPECT_TRUE(output.Formats(2).empty());
    EXPECT_TRUE(output.Formats(-1).empty());
    output.SetVBR(true);
    EXPECT_TRUE(output.Formats(0).empty());
    output.SetVBR(false);
    output.SetLossless(true);
    EXPECT_TRUE(output.Formats(0).empty());
}

struct SearchCase {
    std::uint32_t Wanted;
    int Channels;
    int Bits;
    int Rate;
    std::optional<TWMAFormat> Expected;  // always codec 0
};

TEST(WmaFormats, SearchTakesOnlyStrictlyCloserBitRatesWithTheInputsChannelsAndBits) {
    const SearchCase cases[] = {
        // Of the two 256 kbit/s stereo formats the first wins, even for 48 kHz.
        {256, 2, 16, 48000, TWMAFormat{256000, 44100, 2, 16}},
        {256000, 2, 16, 44100, TWMAFormat{256000, 44100, 2, 16}},
        {128, 2, 16, 48000, TWMAFormat{128000, 44100, 2, 16}},
        // Mono: 64 kbit/s is the closest mono rate below 100.
        {100, 1, 16, 44100, TWMAFormat{64000, 44100, 1, 16}},
        {128, 2, 8, 44100, std::nullopt},
        {128, 6, 16, 44100, std::nullopt},
        {0, 2, 16, 44100, std::nullopt},
    };
    for (const SearchCase& c : cases) {
        const auto found = SearchWMAFormat(c.Wanted, false, false, c.Channels, c.Bits, c.Rate);
        ASSERT_EQ(found.has_value(), c.Expected.has_value()) << c.Wanted << " " << c.Channels;
        if (found) {
            EXPECT_EQ(found->Codec, 0);
            EXPECT_EQ(found->Format.BitRate, c.Expected->BitRate) << c.Wanted;
            EXPECT_EQ(found->Format.SampleRate, c.Expected->SampleRate) << c.Wanted;
            EXPECT_EQ(found->Format.Channels, c.Expected->Channels) << c.Wanted;
        }
    }
    EXPECT_FALSE(SearchWMAFormat(50, true, false, 2, 16, 44100));
    EXPECT_FALSE(SearchWMAFormat(128, false, true, 2, 16, 44100));
}

struct RefusedCase {
    int Codec;
    int Format;
    bool Vbr;
    bool Lossless;
    std::uint32_t Desired;
};

TEST(WmaOut, AnUnusableFormatChoiceFailsBeforeAnyFileIsWritten) {
    const RefusedCase cases[] = {
        {2, 0, false, false, 0},   {0, 39, false, false, 0}, {0, -1, false, false, 0},
        {0, 29, true, false, 0},   {0, 29, false, true, 0},  {-1, 0, true, false, 0},
        {-1, 0, false, true, 128}, {-1, 0, false, false, 0},
    };
    TestFolder folder;
    for (const RefusedCase& c : cases) {
        MemoryInput input(SinePcm(4410, 16, 2, 44100));
        TWMAOut output;
        output.SetCodecPosition(c.Codec);
        output.SetFormatPosition(c.Format);
        output.SetVBR(c.Vbr);
        output.SetLossless(c.Lossless);
        output.SetDesiredBitrate(c.Desired);
        EXPECT_EQ(Encode(output, input, folder.File("x.wma")), "Failed to init codec")
            << c.Codec << "/" << c.Format;
        EXPECT_FALSE(std::filesystem::exists(folder.File("x.wma")));
    }
}

struct AlignCase {
    int Codec;
    int Format;  // position; the input has its rate and channels
    int Bits;
};

TEST(WmaOut, FfmpegDecodesToTheInputLengthWithTheFirstSamplesAligned) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const AlignCase cases[] = {{0, 29, 16}, {1, 29, 16}, {0, 30, 24},
                               {0, 13, 8},  {1, 21, 16}, {0, 16, 16}};
    TestFolder folder;
    for (const AlignCase& c : cases) {
        const TWMAFormat format = WMAFormats(false)[static_cast<std::size_t>(c.Format)];
        const std::size_t frames = format.SampleRate * 3 / 2 + 77;
        const int ch = format.Channels;
        MemoryInput input(SinePcm(frames, c.Bits, ch, format.SampleRate),
                          {c.Bits, ch, format.SampleRate}, kOddPiece);
        TWMAOut output;
        output.SetCodecPosition(c.Codec);
        output.SetFormatPosition(c.Format);
        const std::string file = folder.File("a.wma");
        ASSERT_EQ(Encode(output, input, file), "");
        const std::vector<std::int16_t> decoded = FfmpegS16("-i '" + file + "'");
        const std::string what = std::to_string(c.Codec) + "/" + std::to_string(c.Format);
        EXPECT_GE(decoded.size() / ch, frames) << what;
        EXPECT_LT(decoded.size() / ch, frames + kLongestFrame) << what;
        const std::vector<std::int16_t> reference =
            AsSamples(SinePcm(frames, 16, ch, format.SampleRate));
        EXPECT_GT(SnrDb(reference, decoded, reference.size()), 12.0) << what;
    }
}

TEST(WmaOut, Mono22kInputWithFormat29SoundsLikeFfmpegsOwnResampleTo44kStereo) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    const std::size_t frames = 22050 * 2;
    const std::vector<std::uint8_t> pcm = SinePcm(frames, 16, 1, 22050, 1000.0);
    WriteFileBytes(folder.File("m.raw"), pcm);
    MemoryInput input(pcm, {16, 1, 22050}, kOddPiece);
    TWMAOut output;
    output.SetCodecPosition(0);
    output.SetFormatPosition(29);
    ASSERT_EQ(Encode(output, input, folder.File("m.wma")), "");
    EXPECT_EQ(ProbeStream(folder.File("m.wma")),
              "codec_name=wmav2\nsample_rate=44100\nchannels=2\n");
    const std::vector<std::int16_t> ours = FfmpegS16("-i '" + folder.File("m.wma") + "'");
    const std::vector<std::int16_t> theirs =
        FfmpegS16("-f s16le -ar 22050 -ac 1 -i '" + folder.File("m.raw") + "'", "-ar 44100 -ac 2");
    ASSERT_EQ(theirs.size(), frames * 4);
    EXPECT_GT(SnrDb(theirs, ours, theirs.size()), 15.0);
}

TEST(WmaOut, FfprobeReadsEveryAttributeAndTheFileKeepsItsBitRate) {
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MemoryInput input(SinePcm(44100 * 10, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TWMAOut output;
    output.SetDesiredBitrate(128);
    TId3v2Tags& tags = output.Id3v2Tags();
    tags.SetArtist(u"Ärtist");
    tags.SetAlbum(u"Album");
    tags.SetGenre(u"Jazz");
    tags.SetYear(u"1999");
    tags.SetTrack(u"7");
    tags.SetTitle(u"Title");
    tags.SetComment(u"Comment");
    const std::string file = folder.File("t.wma");
    ASSERT_EQ(Encode(output, input, file), "");
    const std::string probed = ProbeTags(file);
    for (const char* line : {"artist=Ärtist", "album=Album", "genre=Jazz", "WM/Year=1999",
                             "track=7", "WM/Track=6", "title=Title", "copyright=Comment"}) {
        EXPECT_NE(probed.find(std::string(line) + "\n"), std::string::npos) << line << "\n"
                                                                            << probed;
    }
    EXPECT_EQ(probed.find("encoder"), std::string::npos);
    // The ASF packets fit the encoder's: within 6 % of the nominal rate (FFmpeg's
    // default packet size gives 8 %).
    const double bitRate = std::filesystem::file_size(file) * 8 / 10.0;
    EXPECT_LT(bitRate, 128000 * 1.06);
}

}  // namespace
