// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "audio/codecs/dynamic_library.h"
#include "audio/codecs/flac_comment_block.h"
#include "audio/codecs/flac_out.h"
#include "audio/core/au_exception.h"
#include "codec_test_support.h"

namespace {

// Decodes with the reference decoder to raw PCM in the input's layout.
std::vector<std::uint8_t> DecodeFlac(const TestFolder& folder, const std::string& flac,
                                     int bitsPerSample) {
    const std::string raw = folder.File("decoded.raw");
    const std::string sign = bitsPerSample == 8 ? "unsigned" : "signed";
    const CommandResult result =
        RunCommand("flac -d -s -f --force-raw-format --endian=little --sign=" + sign + " -o '" +
                   raw + "' '" + flac + "' 2>&1");
    EXPECT_EQ(result.Status, 0) << result.Output;
    return ReadFileBytes(raw);
}

class FlacRoundTrip : public testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(FlacRoundTrip, DecodesBitExactly) {
    SKIP_WITHOUT_PROGRAM("flac");
    const auto [bits, channels, level] = GetParam();
    TestFolder folder;
    const std::vector<std::uint8_t> pcm = SinePcm(30011, bits, channels, 44100);
    MemoryInput input(pcm, {bits, channels, 44100}, kOddPiece);
    TFLACOut output;
    output.SetInput(&input);
    output.SetFileName(folder.File("out.flac"));
    output.SetCompressionLevel(level);
    ASSERT_EQ(RunToEnd(output), "");
    EXPECT_EQ(DecodeFlac(folder, folder.File("out.flac"), bits), pcm);
}

INSTANTIATE_TEST_SUITE_P(WidthsChannelsLevels, FlacRoundTrip,
                         testing::Values(std::make_tuple(16, 2, 5), std::make_tuple(16, 1, 5),
                                         std::make_tuple(16, 2, 0), std::make_tuple(16, 2, 8),
                                         std::make_tuple(8, 1, 5), std::make_tuple(8, 2, 8),
                                         std::make_tuple(24, 2, 5), std::make_tuple(24, 1, 0)));

// The detailed settings (the run lowers a coefficient precision too high for
// the sample width) and a block size left to the library still encode
// losslessly.
TEST(FlacOut, DetailedSettingsAndLibraryBlockSizeStayLossless) {
    SKIP_WITHOUT_PROGRAM("flac");
    struct Case {
        const char* name;
        std::size_t frames;
        std::function<void(TFLACOut&)> configure;
        int precision;  // QLPCoeffPrecision after the run
    };
    const std::vector<Case> cases = {
        {"detailed", 20000,
         [](TFLACOut& output) {
             ASSERT_EQ(output.CompressionLevel(), -1);
             output.SetMaxLPCOrder(8);
             output.SetQLPCoeffPrecision(20);
             output.SetQLPCoeffPrecisionSearch(true);
             output.SetMaxResidualPartitionOrder(4);
             output.SetBestModelSearch(true);
         },
         15},
        {"block size 0", 12000,
         [](TFLACOut& output) {
             output.SetBlockSize(0);
             output.SetCompressionLevel(5);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        const std::vector<std::uint8_t> pcm = SinePcm(c.frames, 16, 2, 44100);
        MemoryInput input(pcm, {16, 2, 44100}, kOddPiece);
        TFLACOut output;
        output.SetInput(&input);
        output.SetFileName(folder.File("out.flac"));
        c.configure(output);
        ASSERT_EQ(RunToEnd(output), "");
        EXPECT_EQ(output.QLPCoeffPrecision(), c.precision);
        EXPECT_EQ(DecodeFlac(folder, folder.File("out.flac"), 16), pcm);
    }
}

TEST(FlacOut, StoppedRunStillFinishesADecodableFile) {
    SKIP_WITHOUT_PROGRAM("flac");
    TestFolder folder;
    const std::vector<std::uint8_t> pcm = SinePcm(44100 * 60, 16, 2, 44100);
    MemoryInput input(pcm, {16, 2, 44100}, kOddPiece);
    TFLACOut output;
    output.SetInput(&input);
    output.SetFileName(folder.File("stopped.flac"));
    output.SetDelay(20);  // slow enough to stop half way
    bool stopped = false;
    output.OnProgress = [&](TComponent*) {
        if (!stopped && output.Progress() >= 1) {
            stopped = true;
            output.Stop(true);
        }
    };
    ASSERT_EQ(RunToEnd(output), "");
    ASSERT_TRUE(stopped);
    const std::vector<std::uint8_t> decoded = DecodeFlac(folder, folder.File("stopped.flac"), 16);
    ASSERT_GT(decoded.size(), 0U);
    ASSERT_LT(decoded.size(), pcm.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), pcm.begin()));
}

TEST(FlacOut, SettersClampTheLevelAndCoupleTheStereoModes) {
    TFLACOut output;
    output.SetCompressionLevel(12);
    EXPECT_EQ(output.CompressionLevel(), 8);
    output.SetCompressionLevel(-3);
    EXPECT_EQ(output.CompressionLevel(), -3);

    output.SetEnableMidSideStereo(false);
    output.SetEnableLooseMidSideStereo(true);
    EXPECT_TRUE(output.EnableMidSideStereo());
    output.SetEnableMidSideStereo(false);
    output.SetBestModelSearch(true);
    EXPECT_TRUE(output.EnableMidSideStereo());
    EXPECT_FALSE(output.EnableLooseMidSideStereo());
}

TEST(FlacOut, ReplacesTheLibraryCommentBlockByOurs) {
    SKIP_WITHOUT_PROGRAM("metaflac");
    TestFolder folder;
    MemoryInput input(SinePcm(10000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TFLACOut output;
    output.SetInput(&input);
    output.SetFileName(folder.File("tags.flac"));
    output.Tags().SetArtist(u"Bj\u00f6rk");
    output.Tags().SetTitle(u"J\u00f3ga");
    ASSERT_EQ(RunToEnd(output), "");

    const CommandResult list = RunCommand("metaflac --list --block-type=VORBIS_COMMENT,PADDING '" +
                                          folder.File("tags.flac") + "'");
    ASSERT_EQ(list.Status, 0);
    // Padding for later edits follows the comments as the last block.
    EXPECT_NE(list.Output.find("type: 1 (PADDING)\n  is last: true\n  length: 4096"),
              std::string::npos)
        << list.Output;
    EXPECT_NE(list.Output.find("vendor string: VENDOR=Hacked"), std::string::npos);
    EXPECT_NE(list.Output.find("comments: 2"), std::string::npos);
    EXPECT_NE(list.Output.find("comment[0]: artist=Bj\u00f6rk"), std::string::npos);
    EXPECT_NE(list.Output.find("comment[1]: title=J\u00f3ga"), std::string::npos);
    // The stream decodes and the total written by finishing is exact.
    const CommandResult total =
        RunCommand("metaflac --show-total-samples '" + folder.File("tags.flac") + "'");
    EXPECT_EQ(total.Output, "10000\n");
    // Tags survive the run.
    EXPECT_EQ(output.Tags().Artist(), u"Bj\u00f6rk");
}

TEST(FlacCommentBlock, LaysOutVendorCountAndCommentsInOrder) {
    TVorbisTags tags;
    tags.SetTrack(u"7");
    tags.SetArtist(u"A");
    tags.SetTitle(u"T");
    const std::vector<std::uint8_t> block = BuildFlacCommentBlock(tags, false);
    const std::vector<std::uint8_t> expected{
        4,   0,   0,   61,                                                // type, length 61
        13,  0,   0,   0,   'V', 'E', 'N', 'D', 'O', 'R', '=', 'H', 'a',  // vendor
        'c', 'k', 'e', 'd', 3,   0,   0,   0,                             // count 3
        8,   0,   0,   0,   'a', 'r', 't', 'i', 's', 't', '=', 'A',       //
        7,   0,   0,   0,   't', 'i', 't', 'l', 'e', '=', 'T',            //
        13,  0,   0,   0,   't', 'r', 'a', 'c', 'k', 'n', 'u', 'm', 'b', 'e', 'r', '=', '7'};
    EXPECT_EQ(block, expected);
    EXPECT_EQ(BuildFlacCommentBlock(tags, true)[0], 132);
}

TEST(FlacOut, FailedRunReportsAndTheNextRunWorks) {
    SKIP_WITHOUT_PROGRAM("flac");
    TestFolder folder;
    MemoryInput wide(SinePcm(1000, 32, 2, 44100), {32, 2, 44100}, kOddPiece);
    TFLACOut output;
    output.SetInput(&wide);
    output.SetFileName(folder.File("missing/out.flac"));
    EXPECT_EQ(RunToEnd(output), "Cannot create file " + folder.File("missing/out.flac"));

    output.SetFileName(folder.File("wide.flac"));
    EXPECT_EQ(RunToEnd(output), "FLAC encoding needs 8-, 16- or 24-bit input.");

    const std::vector<std::uint8_t> pcm = SinePcm(5000, 16, 2, 44100);
    MemoryInput input(pcm, {16, 2, 44100}, kOddPiece);
    output.SetInput(&input);
    ASSERT_EQ(RunToEnd(output), "");
    EXPECT_EQ(DecodeFlac(folder, folder.File("wide.flac"), 16), pcm);
}

TEST(FlacOut, EmptyFileNameIsRefused) {
    MemoryInput input(SinePcm(100, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TFLACOut output;
    output.SetInput(&input);
    EXPECT_EQ(RunToEnd(output), "File name is not assigned.");
}

TEST(FlacOut, MissingLibraryIsReportedByTheConstructor) {
    DynamicLibrary::SetMissingForTest("libFLAC.so.12", true);
    try {
        TFLACOut output;
        ADD_FAILURE() << "constructed without the library";
    } catch (const EAuException& error) {
        EXPECT_STREQ(error.what(), "libFLAC.so.12 library could not be loaded.");
    }
    DynamicLibrary::SetMissingForTest("libFLAC.so.12", false);
    EXPECT_NO_THROW(TFLACOut());
}

}  // namespace
