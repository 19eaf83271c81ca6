// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "audio/codecs/dynamic_library.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/core/au_exception.h"
#include "audio/wav/pcm_wav_header.h"
#include "codec_test_support.h"

namespace {

using enum TVorbisBitRate;

// Decodes every logical stream with the reference decoder to 16-bit raw PCM.
std::vector<std::int16_t> DecodeOgg(const TestFolder& folder, const std::string& ogg) {
    const std::string raw = folder.File("decoded.raw");
    const CommandResult result =
        RunCommand("oggdec -Q -R -b 16 -e 0 -s 1 -o '" + raw + "' '" + ogg + "' 2>&1");
    EXPECT_EQ(result.Status, 0) << result.Output;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(raw);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::string Encode(TVorbisOut& output, TAuInput& input, const std::string& file) {
    output.SetInput(&input);
    output.SetFileName(file);
    return RunToEnd(output);
}

// The bit rates of the identification header: maximum, nominal, minimum.
std::vector<std::int32_t> HeaderBitRates(const std::vector<std::uint8_t>& file) {
    const std::string marker = "\x01vorbis";
    const auto at = std::search(file.begin(), file.end(), marker.begin(), marker.end());
    if (at == file.end()) {
        return {};
    }
    // 7 marker bytes, version (4), channels (1), rate (4), then the rates.
    const auto offset = static_cast<std::size_t>(at - file.begin()) + 16;
    std::vector<std::int32_t> rates(3);
    std::memcpy(rates.data(), file.data() + offset, 12);
    return rates;
}

TEST(VorbisOut, DecodesToTheInputLength) {
    SKIP_WITHOUT_PROGRAM("oggdec");
    TestFolder folder;
    const std::size_t frames = 88211;
    MemoryInput input(SinePcm(frames, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TVorbisOut output;
    ASSERT_EQ(Encode(output, input, folder.File("out.ogg")), "");
    EXPECT_EQ(DecodeOgg(folder, folder.File("out.ogg")).size(), frames * 2);
}

// Fed the way the reference encoder feeds the library, the output decodes
// to exactly the samples of oggenc's at the same quality.
TEST(VorbisOut, DecodesToTheSameSamplesAsTheReferenceEncoder) {
    SKIP_WITHOUT_PROGRAM("oggenc");
    SKIP_WITHOUT_PROGRAM("oggdec");
    struct Case {
        int quality;
        std::uint32_t channels;
        std::uint32_t rate;
    };
    for (const Case& c : {Case{2, 2, 44100}, Case{5, 1, 22050}, Case{0, 2, 48000}}) {
        SCOPED_TRACE("quality " + std::to_string(c.quality));
        TestFolder folder;
        const std::vector<std::uint8_t> pcm =
            SinePcm(70001, 16, static_cast<int>(c.channels), static_cast<int>(c.rate));
        std::vector<std::uint8_t> wav(kPcmWavHeaderBytes);
        const auto header =
            RenderPcmWavHeader({c.channels, c.rate, 16}, static_cast<std::uint32_t>(pcm.size()));
        std::copy(header.begin(), header.end(), wav.begin());
        wav.insert(wav.end(), pcm.begin(), pcm.end());
        WriteFileBytes(folder.File("in.wav"), wav);
        const CommandResult theirs =
            RunCommand("oggenc -Q -q " + std::to_string(c.quality) + " -o '" +
                       folder.File("theirs.ogg") + "' '" + folder.File("in.wav") + "' 2>&1");
        ASSERT_EQ(theirs.Status, 0) << theirs.Output;

        MemoryInput input(pcm, {16, static_cast<int>(c.channels), static_cast<int>(c.rate)},
                          kOddPiece);
        TVorbisOut output;
        output.SetCompression(static_cast<float>(c.quality) / 10.0F);
        ASSERT_EQ(Encode(output, input, folder.File("ours.ogg")), "");
        EXPECT_EQ(DecodeOgg(folder, folder.File("ours.ogg")),
                  DecodeOgg(folder, folder.File("theirs.ogg")));
    }
}

// Every width must reach the encoder as the same waveform: compare each
// against the decoded 16-bit encoding of the same sine.
TEST(VorbisOut, EightAndTwentyFourBitInputsMapToTheSameLevels) {
    SKIP_WITHOUT_PROGRAM("oggdec");
    TestFolder folder;
    const std::size_t frames = 44100;
    MemoryInput reference(SinePcm(frames, 16, 1, 44100), {16, 1, 44100}, kOddPiece);
    TVorbisOut output;
    ASSERT_EQ(Encode(output, reference, folder.File("ref.ogg")), "");
    const std::vector<std::int16_t> expected = DecodeOgg(folder, folder.File("ref.ogg"));
    ASSERT_EQ(expected.size(), frames);

    for (int bits : {8, 24}) {
        MemoryInput input(SinePcm(frames, bits, 1, 44100), {bits, 1, 44100}, kOddPiece);
        ASSERT_EQ(Encode(output, input, folder.File("w.ogg")), "");
        const std::vector<std::int16_t> decoded = DecodeOgg(folder, folder.File("w.ogg"));
        ASSERT_EQ(decoded.size(), frames);
        double error = 0;
        double signal = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            error += std::pow(decoded[i] - expected[i], 2);
            signal += std::pow(expected[i], 2);
        }
        // 8-bit quantisation noise is about -48 dB; a wrong offset or scale
        // is near 0 dB.
        EXPECT_LT(10 * std::log10(error / signal), -30) << bits << "-bit";
    }
}

TEST(VorbisOut, EightBitMidpointIsSilenceAndZeroIsFullScaleNegative) {
    SKIP_WITHOUT_PROGRAM("oggdec");
    TestFolder folder;
    // Half a second of 128 (silence), then a square wave between 0 and 128.
    std::vector<std::uint8_t> pcm(22050, 128);
    for (int i = 0; i < 22050; ++i) {
        pcm.push_back((i / 50) % 2 == 0 ? 0 : 128);
    }
    MemoryInput input(pcm, {8, 1, 44100}, kOddPiece);
    TVorbisOut output;
    ASSERT_EQ(Encode(output, input, folder.File("eight.ogg")), "");
    const std::vector<std::int16_t> decoded = DecodeOgg(folder, folder.File("eight.ogg"));
    ASSERT_EQ(decoded.size(), pcm.size());
    const auto quiet = std::max_element(decoded.begin(), decoded.begin() + 20000,
                                        [](int a, int b) { return std::abs(a) < std::abs(b); });
    EXPECT_LT(std::abs(*quiet), 200);
    const auto lowest = std::min_element(decoded.begin() + 22050, decoded.end());
    EXPECT_LT(*lowest, -28000);  // about -1.0 (overshoot clips at -32768)
}

TEST(VorbisOut, WritesExactlyTheCommentsSetAndClearsThemAfterTheRun) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    TestFolder folder;
    MemoryInput input(SinePcm(20000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TVorbisOut output;
    output.Comments().SetArtist(u"Sigur R\u00f3s");
    output.Comments().SetTitle(u"Hopp\u00edpolla \u266b");
    ASSERT_EQ(Encode(output, input, folder.File("c.ogg")), "");
    const CommandResult tags = RunCommand(
        "/usr/bin/python3 -c 'import sys; from mutagen.oggvorbis import OggVorbis; "
        "[print(k + \"=\" + v) for k, v in OggVorbis(sys.argv[1]).tags]' '" +
        folder.File("c.ogg") + "'");
    ASSERT_EQ(tags.Status, 0);
    EXPECT_EQ(tags.Output, "artist=Sigur R\u00f3s\ntitle=Hopp\u00edpolla \u266b\n");
    EXPECT_TRUE(output.Comments().Artist().empty());
}

TEST(VorbisOut, ManagedModeSendsTheBitRatesAfterTheSettersAdjustedThem) {
    TestFolder folder;
    MemoryInput input(SinePcm(20000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TVorbisOut output;
    output.SetDesiredNominalBitrate(br128);
    EXPECT_EQ(output.DesiredMaximumBitrate(), br128);
    output.SetDesiredMaximumBitrate(brAutoSelect);
    ASSERT_EQ(Encode(output, input, folder.File("m.ogg")), "");
    EXPECT_EQ(HeaderBitRates(ReadFileBytes(folder.File("m.ogg"))),
              (std::vector<std::int32_t>{-1, 128000, 128000}));

    output.SetDesiredNominalBitrate(br56);
    ASSERT_EQ(Encode(output, input, folder.File("n.ogg")), "");
    EXPECT_EQ(HeaderBitRates(ReadFileBytes(folder.File("n.ogg")))[1], 46000);
}

TEST(VorbisOut, BitRateSettersKeepMinimumNominalMaximumInOrder) {
    TVorbisOut output;
    output.SetDesiredMaximumBitrate(br192);  // ignored: nominal is automatic
    EXPECT_EQ(output.DesiredMaximumBitrate(), brAutoSelect);
    output.SetDesiredNominalBitrate(br128);
    EXPECT_EQ(output.DesiredMaximumBitrate(), br128);
    output.SetDesiredMaximumBitrate(br96);  // below the nominal: ignored
    EXPECT_EQ(output.DesiredMaximumBitrate(), br128);
    output.SetDesiredMaximumBitrate(br192);
    output.SetMinimumBitrate(br160);  // above the nominal: ignored
    EXPECT_EQ(output.MinimumBitrate(), brAutoSelect);
    output.SetMinimumBitrate(br96);
    output.SetDesiredNominalBitrate(br64);  // pulls the minimum down
    EXPECT_EQ(output.MinimumBitrate(), br64);
    EXPECT_EQ(output.DesiredMaximumBitrate(), br192);
    output.SetDesiredNominalBitrate(brAutoSelect);
    EXPECT_EQ(output.DesiredMaximumBitrate(), brAutoSelect);
}

TEST(VorbisOut, AppendingAddsASecondLogicalStream) {
    SKIP_WITHOUT_PROGRAM("ogginfo");
    SKIP_WITHOUT_PROGRAM("oggdec");
    TestFolder folder;
    const std::string file = folder.File("chain.ogg");
    MemoryInput input(SinePcm(30000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TVorbisOut output;
    output.SetSerial(1);
    ASSERT_EQ(Encode(output, input, file), "");
    output.SetFileMode(foAppend);
    output.SetSerial(7);
    ASSERT_EQ(Encode(output, input, file), "");

    const CommandResult info = RunCommand("ogginfo '" + file + "' 2>&1");
    EXPECT_NE(info.Output.find("serial: 00000001"), std::string::npos) << info.Output;
    EXPECT_NE(info.Output.find("serial: 00000007"), std::string::npos) << info.Output;
    EXPECT_EQ(DecodeOgg(folder, file).size(), 2 * 30000 * 2);
}

TEST(VorbisOut, UnusableQualitySetupIsReportedNotEncoded) {
    TestFolder folder;
    MemoryInput input(SinePcm(1000, 16, 2, 400000), {16, 2, 400000},
                      kOddPiece);  // no mode for 400 kHz
    TVorbisOut output;
    EXPECT_EQ(Encode(output, input, folder.File("q.ogg")),
              "Vorbis codec setup with the requested quality failed.");
    output.SetDesiredNominalBitrate(br499);
    EXPECT_EQ(Encode(output, input, folder.File("q.ogg")),
              "Vorbis codec setup with the requested bitrate failed. Try a lower bitrate.");
}

TEST(VorbisOut, EachMissingLibraryIsNamed) {
    for (const char* soname : {"libogg.so.0", "libvorbis.so.0", "libvorbisenc.so.2"}) {
        DynamicLibrary::SetMissingForTest(soname, true);
        try {
            TVorbisOut output;
            ADD_FAILURE() << "constructed without " << soname;
        } catch (const EAuException& error) {
            EXPECT_EQ(error.what(), std::string(soname) + " library could not be loaded.");
        }
        DynamicLibrary::SetMissingForTest(soname, false);
    }
}

}  // namespace
