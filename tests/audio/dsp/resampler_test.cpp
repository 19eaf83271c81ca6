// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "audio/codecs/dynamic_library.h"
#include "audio/core/au_exception.h"
#include "audio/dsp/resampler.h"
#include "audio/wav/wave_out.h"
#include "dsp_test_support.h"
#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"
#include "support/common/oracle.h"
#include "support/common/test_folder.h"

namespace {

TEST(Resampler, OutSampleRateKeepsOnlyRatesAbove2000AndBelowAMillion) {
    const struct {
        std::int64_t set;
        std::uint32_t stored;
    } cases[] = {{2000, 44100}, {2001, 2001}, {999999, 999999}, {1000000, 44100}, {-48000, 44100}};
    TResampler resampler;
    for (const auto& c : cases) {
        resampler.SetOutSampleRate(c.set);
        EXPECT_EQ(resampler.OutSampleRate(), c.stored) << c.set;
    }
}

TEST(Resampler, SameRatePassesTwentyFourBitAudioThroughUntouched) {
    Bytes pcm(3 * 2 * 1001);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<std::uint8_t>(i * 37);
    }
    MemoryInput input(pcm, {24, 2, 44100}, 999);
    TResampler resampler;
    resampler.SetInput(&input);
    resampler.SetOutSampleRate(44100);
    EXPECT_EQ(resampler.BitsPerSample(), 24);
    EXPECT_EQ(ReadPass(resampler, 10000), pcm);
    EXPECT_EQ(resampler.Size(), static_cast<std::int64_t>(pcm.size()));
}

struct RateCase {
    PcmFormat in;
    std::uint32_t outRate;
    std::size_t frames;
    std::int64_t size;  // announced bytes
    int outBits;
    std::size_t piece = 3001;  // bytes the input delivers per read at most
};

void PrintTo(const RateCase& c, std::ostream* os) {
    *os << c.in.bitsPerSample << "-bit " << c.in.channels << " ch " << c.in.sampleRate << " Hz";
}

class ResamplerSize : public testing::TestWithParam<RateCase> {};

// The stream ends exactly at the size it announces, whatever the library
// generated.
TEST_P(ResamplerSize, AnnouncesWholeFramesAndDeliversExactlyThat) {
    const RateCase& c = GetParam();
    const std::size_t bytes = c.frames * c.in.channels * c.in.bitsPerSample / 8;
    MemoryInput input(Bytes(bytes, c.in.bitsPerSample == 8 ? 0x80 : 0), c.in, c.piece);
    TResampler resampler;
    resampler.SetInput(&input);
    resampler.SetOutSampleRate(c.outRate);
    const Bytes out = ReadPass(resampler, 10000);
    EXPECT_EQ(resampler.Size(), c.size);
    EXPECT_EQ(static_cast<std::int64_t>(out.size()), c.size);
    EXPECT_EQ(resampler.BitsPerSample(), c.outBits);
    EXPECT_EQ(resampler.SampleRate(), static_cast<int>(c.outRate));
    // Silence in, silence out, the filled end included (8-bit silence is 128).
    const std::uint8_t silence = c.outBits == 8 ? 0x80 : 0;
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [&](auto b) { return b == silence; }));
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ResamplerSize,
    testing::Values(RateCase{{16, 2, 22050}, 44100, 1001, 8008, 16},
                    RateCase{{16, 1, 44100}, 48000, 44101, 96002, 16},
                    RateCase{{16, 2, 48000}, 44100, 48001, 176404, 16},
                    // 24-bit input comes out as 16-bit: round(3003 * 2) * 2 / 3.
                    RateCase{{24, 1, 22050}, 44100, 1001, 4004, 16},
                    // Reads as large as the free input area: 3 MiB of 24-bit samples.
                    RateCase{
                        {24, 2, 44100}, 48000, 524288, 2282612, 16, MemoryInput::kWholeRequest},
                    RateCase{{8, 2, 44100}, 22050, 3001, 3000, 8},
                    RateCase{{8, 1, 11025}, 44100, 600000, 2400000, 8}),
    [](const auto& info) {
        const RateCase& c = info.param;
        return std::to_string(c.in.bitsPerSample) + "bit" + std::to_string(c.in.channels) + "ch" +
               std::to_string(c.in.sampleRate) + "to" + std::to_string(c.outRate);
    });

TEST(Resampler, MatchesSoxOnMusicLikeSignals) {
    SKIP_WITHOUT_PROGRAM("sox");
    const struct {
        int from;
        int to;
    } cases[] = {{44100, 48000}, {48000, 44100}, {44100, 22050}, {22050, 44100}};
    for (const auto& c : cases) {
        const std::vector<std::int16_t> music =
            MusicLike(static_cast<std::size_t>(c.from) * 3, c.from, 20000);
        MemoryInput input(AsBytes(music), {16, 2, c.from}, 4999);
        TResampler resampler;
        resampler.SetInput(&input);
        resampler.SetOutSampleRate(c.to);
        const std::vector<std::int16_t> ours = AsSamples(ReadPass(resampler, 8191));
        const std::vector<std::int16_t> sox = SoxResample(music, c.from, c.to);
        EXPECT_GT(SnrDb(sox, ours, 100), 55.0) << c.from << " -> " << c.to;
    }
}

// Band-limited resampling of a full-scale square wave rings above full
// scale; those samples must clip, not wrap to the opposite sign.
TEST(Resampler, OvershootClipsInsteadOfWrapping) {
    SKIP_WITHOUT_PROGRAM("sox");
    std::vector<std::int16_t> square(44100 * 2);
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 2) % 100 < 50 ? 32767 : -32768;
    }
    MemoryInput input(AsBytes(square), {16, 2, 44100});
    TResampler resampler;
    resampler.SetInput(&input);
    resampler.SetOutSampleRate(48000);
    const std::vector<std::int16_t> ours = AsSamples(ReadPass(resampler, 10000));
    const std::vector<std::int16_t> sox = SoxResample(square, 44100, 48000);
    ASSERT_EQ(ours.size(), sox.size());
    int worst = 0;
    for (std::size_t i = 200; i + 200 < ours.size(); ++i) {
        worst = std::max(worst, std::abs(int{ours[i]} - sox[i]));
    }
    EXPECT_LT(worst, 4000);
    EXPECT_EQ(*std::max_element(ours.begin(), ours.end()), 32767);
}

TEST(Resampler, ARatioTheLibraryRejectsEndsTheRunWithItsMessage) {
    MemoryInput input(Bytes(4000), {16, 2, 1000});
    TResampler resampler;
    resampler.SetInput(&input);
    resampler.SetOutSampleRate(999999);
    TWaveOut output;
    output.SetInput(&resampler);
    TestFolder folder;
    output.SetFileName(folder.File("rejected_ratio.wav"));
    EXPECT_EQ(RunToEnd(output), "Frequences ratio 999.999 is invalid");
}

TEST(Resampler, WithoutTheLibraryCannotBeCreated) {
    DynamicLibrary::SetMissingForTest("libsamplerate.so.0", true);
    try {
        TResampler resampler;
        ADD_FAILURE() << "created";
    } catch (const EAuException& error) {
        EXPECT_STREQ(error.what(), "libsamplerate.so.0 library could not be loaded.");
    }
    DynamicLibrary::SetMissingForTest("libsamplerate.so.0", false);
}

TEST(Resampler, ChannelsWithoutInputIsAnError) {
    TResampler resampler;
    EXPECT_THROW((void)resampler.Channels(), EAuException);
    EXPECT_EQ(resampler.SampleRate(), 44100);
}

}  // namespace
