// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "support/audio/run_output.h"
#include "tool_test_support.h"
#include "tools/wav_resample_chain.h"
#include "tools/wma_output.h"

namespace {

// Starts a conversion and waits for its end; the end's message.
std::string Convert(WavResampleChain& chain, const ResampleSettings& settings) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto message = std::make_shared<std::string>();
    chain.OnDone = [done, message](const std::string& text) {
        *message = text;
        *done = true;
    };
    EXPECT_TRUE(chain.Start(settings));
    EXPECT_TRUE(PumpUntil([done] { return done->load(); }, std::chrono::seconds(120)));
    return *message;
}

struct ResampleCase {
    const char* name;
    const char* input;  // sox format options
    ResampleSettings settings;
    SoundInfo expected;  // Frames: 0 = not checked
};

void PrintTo(const ResampleCase& c, std::ostream* os) {
    *os << c.name;
}

class WavResample : public testing::TestWithParam<ResampleCase> {};

TEST_P(WavResample, WritesTheAskedFormat) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("soxi");
    const ResampleCase& c = GetParam();
    TestFolder folder;
    MakeWav(folder.File("in.wav"), c.input, 2);
    WavResampleChain chain(&MakeWmaOutput);
    ASSERT_TRUE(chain.ChooseInput(folder.File("in.wav")));
    EXPECT_EQ(chain.ChooseOutput(folder.File("out.wav")), "out.wav");
    ASSERT_EQ(Convert(chain, c.settings), "");
    const SoundInfo info = Soxi(folder.File("out.wav"));
    EXPECT_EQ(info.SampleRate, c.expected.SampleRate);
    EXPECT_EQ(info.Channels, c.expected.Channels);
    EXPECT_EQ(info.Bits, c.expected.Bits);
    EXPECT_EQ(info.Encoding, c.expected.Encoding);
    if (c.expected.Frames != 0) {
        EXPECT_NEAR(info.Frames, c.expected.Frames, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WavResample,
    testing::Values(
        // 44.1 kHz 16-bit stereo to 22050 Hz mono 8-bit: an eighth of the data.
        ResampleCase{"Eighth",
                     "-r 44100 -b 16 -c 2",
                     {1, "22050", 8, wtPCM},
                     {22050, 1, 8, "Unsigned Integer PCM", 44100}},
        ResampleCase{"Mono8To24Stereo",
                     "-r 22050 -b 8 -c 1",
                     {2, "44100", 24, wtPCM},
                     {44100, 2, 24, "Signed Integer PCM", 88200}},
        // A resampled 24-bit input stays 24-bit when 24 bits are asked.
        ResampleCase{"Resampled24",
                     "-r 44100 -b 24 -c 2",
                     {2, "48000", 24, wtPCM},
                     {48000, 2, 24, "Signed Integer PCM", 96000}},
        ResampleCase{"ToImaAdpcm",
                     "-r 48000 -b 16 -c 2",
                     {2, "22050", 16, wtDVIADPCM},
                     {22050, 2, 4, "IMA ADPCM", 0}},
        // Rates outside 2001..999999 become 44100.
        ResampleCase{"RateOutOfRange",
                     "-r 22050 -b 16 -c 1",
                     {1, "1000000", 16, wtPCM},
                     {44100, 1, 16, "Signed Integer PCM", 88200}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WavResampleChain, TheInputsOwnFormatAndRateCopyTheAudioUnchanged) {
    SKIP_WITHOUT_PROGRAM("sox");
    for (const char* format : {"-r 44100 -b 16 -c 2", "-r 48000 -b 24 -c 1", "-r 8000 -b 8 -c 2"}) {
        TestFolder folder;
        MakeWav(folder.File("in.wav"), format, 1.5);
        WavResampleChain chain(&MakeWmaOutput);
        const auto info = chain.ChooseInput(folder.File("in.wav"));
        ASSERT_TRUE(info);
        chain.ChooseOutput(folder.File("out.wav"));
        ASSERT_EQ(Convert(chain, {info->Channels, std::to_string(info->SampleRate),
                                  info->BitsPerSample, wtPCM}),
                  "");
        EXPECT_EQ(RawAudio(folder.File("out.wav")), RawAudio(folder.File("in.wav"))) << format;
    }
}

TEST(WavResampleChain, OnlyALowerCaseWavExtensionPicksTheWavWriter) {
    SKIP_WITHOUT_PROGRAM("sox");
    TestFolder folder;
    MakeWav(folder.File("in.wav"), "-r 44100 -b 16 -c 2", 0.5);
    WavResampleChain chain(&MakeWmaOutput);
    ASSERT_TRUE(chain.ChooseInput(folder.File("in.wav")));
    for (const char* name : {"x.WAV", "x.wma", "x"}) {
        chain.ChooseOutput(folder.File(name));
        EXPECT_TRUE(chain.WmaChosen()) << name;
    }
    chain.ChooseOutput(folder.File("x.wav"));
    EXPECT_FALSE(chain.WmaChosen());
    EXPECT_EQ(chain.ChosenOutput()->FileName(), folder.File("x.wav"));
}

TEST(WavResampleChain, AnyOtherExtensionWritesWindowsMedia) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MakeWav(folder.File("in.wav"), "-r 22050 -b 16 -c 1", 1);
    WavResampleChain chain(&MakeWmaOutput);
    ASSERT_TRUE(chain.ChooseInput(folder.File("in.wav")));
    chain.ChooseOutput(folder.File("x.WAV"));
    ASSERT_EQ(Convert(chain, {2, "44100", 16, wtPCM}), "");
    EXPECT_EQ(Shell("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of "
                    "csv=p=0 '" +
                    folder.File("x.WAV") + "'"),
              "wmav2,44100,2");
}

TEST(WavResampleChain, StartRefusals) {
    SKIP_WITHOUT_PROGRAM("sox");
    TestFolder folder;
    MakeWav(folder.File("in.wav"), "-r 44100 -b 16 -c 2", 0.5);
    WriteText(folder.File("text.wav"), "not a wave file\n");
    struct Refusal {
        const char* input;
        const char* output;  // "" = none chosen
        const char* rate;
        const char* error;  // "" = refused without an error
    };
    const Refusal refusals[] = {
        {"in.wav", "", "22050", "The output file name is not set!"},
        {"in.wav", "out.wav", "22k", "'22k' is not a valid integer value"},
        {"in.wav", "out.wav", "", "'' is not a valid integer value"},
        {"text.wav", "out.wav", "22050", ""},
    };
    for (const Refusal& r : refusals) {
        WavResampleChain chain(&MakeWmaOutput);
        (void)chain.ChooseInput(folder.File(r.input));
        if (*r.output != '\0') {
            chain.ChooseOutput(folder.File(r.output));
        }
        try {
            EXPECT_FALSE(chain.Start({1, r.rate, 8, wtPCM})) << r.input;
            EXPECT_STREQ(r.error, "");
        } catch (const EResampleToolError& error) {
            EXPECT_STREQ(error.what(), r.error);
        }
        EXPECT_FALSE(std::filesystem::exists(folder.File("out.wav"))) << r.rate;
    }
}

}  // namespace
