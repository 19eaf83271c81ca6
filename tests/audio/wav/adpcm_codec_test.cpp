// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "audio/wav/ima_adpcm.h"
#include "audio/wav/ms_adpcm.h"
#include "wav_test_support.h"

TEST(ImaAdpcmTest, FramesPerBlockFollowTheLayout) {
    EXPECT_EQ(ImaFramesPerBlock(512, 1), 1017u);
    EXPECT_EQ(ImaFramesPerBlock(512, 2), 505u);
    EXPECT_EQ(ImaFramesPerBlock(516, 2), 505u);  // half a group is unused
    EXPECT_EQ(ImaFramesPerBlock(4, 1), 1u);
    EXPECT_EQ(ImaFramesPerBlock(7, 2), 0u);
    EXPECT_EQ(ImaFramesPerBlock(512, 3), 0u);
}

TEST(ImaAdpcmTest, DecoderRebuildsWhatTheEncoderTracked) {
    for (const int channels : {1, 2}) {
        const std::size_t frames = ImaFramesPerBlock(512, channels);
        const auto input = Sine(frames, channels, 44100, 1000.0, 20000.0);
        TImaChannel state[2];
        std::vector<std::uint8_t> block(512);
        EncodeImaBlock(input, channels, state, block);
        std::vector<std::int16_t> decoded(frames * channels);
        ASSERT_EQ(DecodeImaBlock(block, channels, decoded.data()), frames);
        // The decoder ends in the encoder's state, and stays near the input.
        for (int c = 0; c < channels; ++c) {
            EXPECT_EQ(decoded[(frames - 1) * channels + c], state[c].Predictor);
        }
        // After the step size has grown to the signal (from index 0), the
        // error stays small.
        for (std::size_t i = 64 * channels; i < decoded.size(); ++i) {
            ASSERT_LT(std::abs(decoded[i] - input[i]), 1500) << "sample " << i;
        }
    }
}

TEST(ImaAdpcmTest, RejectsStepIndexBeyondTableAndShortBlocks) {
    std::vector<std::uint8_t> block(512, 0);
    std::vector<std::int16_t> out(2 * 1017);
    block[2] = 89;
    EXPECT_EQ(DecodeImaBlock(block, 1, out.data()), 0u);
    block[2] = 88;
    EXPECT_EQ(DecodeImaBlock(block, 1, out.data()), 1017u);
    EXPECT_EQ(DecodeImaBlock(std::span(block.data(), 3), 1, out.data()), 0u);
    // A partial block decodes the codes it holds.
    EXPECT_EQ(DecodeImaBlock(std::span(block.data(), 10), 1, out.data()), 13u);
}

TEST(ImaAdpcmTest, PredictorClampsAtSymmetricBounds) {
    // Header sample at the top, every code "up by the most": stays at 32767.
    std::vector<std::uint8_t> block(8, 0x77);
    block[0] = 0xFF;
    block[1] = 0x7F;
    block[2] = 88;
    std::vector<std::int16_t> out(ImaFramesPerBlock(8, 1));
    ASSERT_EQ(DecodeImaBlock(block, 1, out.data()), out.size());
    EXPECT_EQ(out.back(), 32767);
    // And at the bottom it stops at -32767, not -32768.
    std::vector<std::uint8_t> down(8, 0xFF);
    down[0] = 0x00;
    down[1] = 0x80;
    down[2] = 88;
    ASSERT_EQ(DecodeImaBlock(down, 1, out.data()), out.size());
    EXPECT_EQ(out.back(), -32767);
}

TEST(MsAdpcmTest, DecodesHeaderSamplesThenCodesAndRejectsUnknownPredictor) {
    const std::vector<TMSADPCMCoefficient> standard = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                       {240, 0}, {460, -208}, {392, -232}};
    // Mono: predictor 0 (coef1 256), delta 16, sample1 100, sample2 50, codes 1 and -1.
    std::vector<std::uint8_t> block = {0, 16, 0, 100, 0, 50, 0, 0x1F};
    std::vector<std::int16_t> out(4);
    ASSERT_EQ(DecodeMSADPCMBlock(block, 1, 4, standard, out.data()), 4u);
    EXPECT_EQ(out[0], 50);
    EXPECT_EQ(out[1], 100);
    EXPECT_EQ(out[2], 116);  // 100 + 16 * 1
    EXPECT_EQ(out[3], 100);  // 116 + 16 * -1 (delta stays at its floor of 16)

    block[0] = 7;  // beyond the 7 pairs
    EXPECT_EQ(DecodeMSADPCMBlock(block, 1, 4, standard, out.data()), 0u);
}

TEST(MsAdpcmTest, FramesLimitedBySamplesPerBlockAndBlockBytes) {
    EXPECT_EQ(MSADPCMFramesInBlock(1024, 2, 1012), 1012u);
    EXPECT_EQ(MSADPCMFramesInBlock(1024, 1, 5000), 2u + 2 * (1024 - 7));
    EXPECT_EQ(MSADPCMFramesInBlock(13, 2, 1012), 0u);
    EXPECT_EQ(MSADPCMFramesInBlock(1024, 2, 1), 0u);
}
