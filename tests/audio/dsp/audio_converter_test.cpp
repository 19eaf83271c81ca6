// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "audio/dsp/audio_converter.h"
#include "dsp_test_support.h"
#include "support/audio/memory_input.h"

namespace {

struct Conversion {
    const char* name;
    PcmFormat in;
    Bytes input;
    int outBits;  // 0: as the input
    int outChannels;
    Bytes expected;
};

void PrintTo(const Conversion& c, std::ostream* os) {
    *os << c.name;
}

class AudioConverterCase : public testing::TestWithParam<Conversion> {};

// Every case is fed one byte per read, so frames arrive in pieces.
TEST_P(AudioConverterCase, ConvertsAndAnnouncesTheSize) {
    const Conversion& c = GetParam();
    MemoryInput input(c.input, c.in, 1);
    TAudioConverter converter;
    converter.SetInput(&input);
    converter.SetOutBitsPerSample(c.outBits);
    converter.SetOutChannels(c.outChannels);
    EXPECT_EQ(ReadPass(converter, 10000), c.expected);
    EXPECT_EQ(converter.Size(), static_cast<std::int64_t>(c.expected.size()));
    EXPECT_EQ(converter.BitsPerSample(), c.outBits == 0 ? c.in.bitsPerSample : c.outBits);
    EXPECT_EQ(converter.Channels(), c.outChannels == 0 ? c.in.channels : c.outChannels);
    EXPECT_EQ(converter.SampleRate(), c.in.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AudioConverterCase,
    testing::Values(
        // (1000, 1001) and (-3, -4); 16-bit means truncate toward zero.
        Conversion{"StereoToMono16",
                   {16, 2, 44100},
                   {0xE8, 0x03, 0xE9, 0x03, 0xFD, 0xFF, 0xFC, 0xFF},
                   0,
                   1,
                   {0xE8, 0x03, 0xFD, 0xFF}},
        // 8-bit and 24-bit means round down: (255, 0) -> 127, (-1, -2) -> -2.
        Conversion{"StereoToMono8", {8, 2, 8000}, {255, 0, 3, 4}, 0, 1, {127, 3}},
        Conversion{"StereoToMono24",
                   {24, 2, 8000},
                   {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF},
                   0,
                   1,
                   {0xFE, 0xFF, 0xFF}},
        Conversion{"MonoToStereo16",
                   {16, 1, 22050},
                   {0x01, 0x02, 0x03, 0x04},
                   0,
                   2,
                   {0x01, 0x02, 0x01, 0x02, 0x03, 0x04, 0x03, 0x04}},
        Conversion{
            "Widen8To16", {8, 1, 8000}, {200, 0, 128}, 16, 0, {0x00, 0x48, 0x00, 0x80, 0x00, 0x00}},
        Conversion{"Narrow16To8",
                   {16, 1, 8000},
                   {0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F},
                   8,
                   0,
                   {127, 0, 255}},
        Conversion{"Narrow24To16", {24, 1, 8000}, {0x12, 0x34, 0x56}, 16, 0, {0x34, 0x56}},
        Conversion{"Widen16To24", {16, 1, 8000}, {0x34, 0x56}, 24, 0, {0x00, 0x34, 0x56}},
        Conversion{
            "Mono8ToStereo24", {8, 1, 8000}, {200}, 24, 2, {0x00, 0x00, 0x48, 0x00, 0x00, 0x48}},
        Conversion{
            "Stereo24ToMono8", {24, 2, 8000}, {0x00, 0x00, 0x40, 0x00, 0x00, 0x20}, 8, 1, {0xB0}},
        // A cut-off frame at the end is dropped, not shifted into the channels.
        Conversion{"CutOffFrameDropped",
                   {16, 2, 8000},
                   {0x02, 0x00, 0x04, 0x00, 0x09},
                   0,
                   1,
                   {0x03, 0x00}},
        Conversion{"SameFormatCopies",
                   {16, 2, 8000},
                   {1, 2, 3, 4, 5, 6, 7, 8},
                   16,
                   2,
                   {1, 2, 3, 4, 5, 6, 7, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

// Frame i holds the 8-bit level 7 * i on every channel, in the top byte of
// wider samples: every width holds it exactly, so every conversion must
// give the same ramp in its own layout.
Bytes LevelRamp(std::size_t frames, int bits, int channels) {
    Bytes pcm;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const auto level = static_cast<std::uint8_t>(frame * 7);
        for (int channel = 0; channel < channels; ++channel) {
            if (bits != 8) {
                pcm.insert(pcm.end(), static_cast<std::size_t>(bits / 8 - 1), 0);
            }
            pcm.push_back(bits == 8 ? level : level ^ 0x80);
        }
    }
    return pcm;
}

using Layout = std::tuple<int, int, int, int>;  // bits and channels in, bits and channels out

class AudioConverterLayouts : public testing::TestWithParam<Layout> {};

// Whole blocks (the input delivers all it is asked for), several of them,
// the last one partial.
TEST_P(AudioConverterLayouts, ConvertsWholeBlocksOfEveryLayout) {
    const auto [inBits, inChannels, outBits, outChannels] = GetParam();
    constexpr std::size_t kFrames = 12345;
    MemoryInput input(LevelRamp(kFrames, inBits, inChannels), {inBits, inChannels, 44100});
    TAudioConverter converter;
    converter.SetInput(&input);
    converter.SetOutBitsPerSample(outBits);
    converter.SetOutChannels(outChannels);
    EXPECT_EQ(ReadPass(converter, 10000), LevelRamp(kFrames, outBits, outChannels));
}

std::string LayoutName(const testing::TestParamInfo<Layout>& info) {
    const auto [inBits, inChannels, outBits, outChannels] = info.param;
    return std::to_string(inBits) + "x" + std::to_string(inChannels) + "to" +
           std::to_string(outBits) + "x" + std::to_string(outChannels);
}

INSTANTIATE_TEST_SUITE_P(All, AudioConverterLayouts,
                         testing::Combine(testing::Values(8, 16, 24), testing::Values(1, 2),
                                          testing::Values(8, 16, 24), testing::Values(1, 2)),
                         LayoutName);

TEST(AudioConverter, LongStereoInputBecomesTheMeanOfEveryFrame) {
    const std::vector<std::int16_t> stereo = MusicLike(30011, 44100, 30000);
    MemoryInput input(AsBytes(stereo), {16, 2, 44100}, 4999);
    TAudioConverter converter;
    converter.SetInput(&input);
    converter.SetOutChannels(1);
    const std::vector<std::int16_t> mono = AsSamples(ReadPass(converter, 777));
    ASSERT_EQ(mono.size(), stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i) {
        ASSERT_EQ(mono[i], (stereo[2 * i] + stereo[2 * i + 1]) / 2) << "frame " << i;
    }
}

TEST(AudioConverter, AFormatItCannotConvertEndsTheReadWithAMessage) {
    MemoryInput input(Bytes(64), {32, 2, 44100});
    TAudioConverter converter;
    converter.SetInput(&input);
    converter.SetOutChannels(1);
    converter.Init();
    const std::uint8_t* buffer = nullptr;
    std::size_t bytes = 16;
    try {
        converter.GetData(buffer, bytes);
        FAIL() << "no error";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(),
                     "Cannot convert 32-bit 2-channel audio to 32-bit 1-channel audio");
    }
    converter.Flush();
}

TEST(AudioConverter, WithoutInputAnswersZeroAndDeliversNothing) {
    TAudioConverter converter;
    EXPECT_EQ(converter.BitsPerSample(), 0);
    EXPECT_EQ(converter.Channels(), 0);
    EXPECT_EQ(converter.SampleRate(), 0);
    EXPECT_TRUE(ReadPass(converter, 10000).empty());
}

}  // namespace
