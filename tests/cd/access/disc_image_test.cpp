// SPDX-License-Identifier: GPL-3.0-or-later
// The disc image writer of devtools, checked against sox and libcdio's view.
#include <gtest/gtest.h>

#include "discimage/wav_file.h"
#include "image_fixture.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"

namespace {

using DiscImageTest = ImageFixture;

TEST_F(DiscImageTest, CueStartsTracksAtPaddedSectorPositions) {
    // 4500 sectors + 1 byte pads to 4501 sectors = 01:00:01 into the data file.
    EXPECT_EQ(discimage::CueSheet("x.bin", {4500 * 2352 + 1, 2352}),
              "FILE \"x.bin\" BINARY\n"
              "  TRACK 01 AUDIO\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n"
              "    INDEX 01 01:00:01\n");
}

TEST_F(DiscImageTest, BinHoldsPaddedLittleEndianTracksNamedLikeTheCue) {
    const discimage::Pcm tone = discimage::SineTone(1000.0, 100, 0.5);
    ASSERT_TRUE(discimage::WriteDiscImage(Cue("tone"), {tone, tone}).ok);
    const auto bin = ReadFileBytes(m_dir / "tone.bin");
    ASSERT_EQ(bin.size(), 2 * 2352u);
    EXPECT_TRUE(std::equal(tone.begin(), tone.end(), bin.begin()));
    EXPECT_TRUE(std::all_of(bin.begin() + 400, bin.begin() + 2352, [](auto b) { return b == 0; }));
    // Frame 10 of a 1 kHz tone at half scale: round(0.5 * 32767 * sin(2*pi*10/44.1)).
    EXPECT_EQ(bin[40], 0x51);
    EXPECT_EQ(bin[41], 0x3F);

    EXPECT_FALSE(discimage::WriteDiscImage(Cue("none"), {}).ok);
    EXPECT_FALSE(discimage::WriteDiscImage(Cue("empty"), {tone, {}}).ok);
    for (const char* text : {"日本", "a \"b\"", "a\tb"}) {
        EXPECT_FALSE(discimage::WriteDiscImage(Cue("text"), {tone}, {"", "", {{text, ""}}}).ok);
    }
}

TEST_F(DiscImageTest, ReadsCDFormatWavFromSoxAndRefusesOtherFormats) {
    SKIP_WITHOUT_PROGRAM("sox");
    const auto wav = m_dir / "noise.wav";
    const auto other = m_dir / "mono.wav";
    const std::string sox = "sox -R -r 44100 -c 2 -b 16 -e signed-integer -n " + wav.string() +
                            " synth 0.1 whitenoise vol 0.3 && sox -R -r 44100 -c 2 -b 16 "
                            "-e signed-integer -n -t raw " +
                            (m_dir / "noise.raw").string() +
                            " synth 0.1 whitenoise vol 0.3 && sox -R -r 22050 -c 1 -n " +
                            other.string() + " synth 0.1 sine 440";
    ASSERT_TRUE(RunCommand(sox).Ok());

    const auto read = discimage::ReadCDFormatWav(wav);
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(read.pcm, ReadFileBytes(m_dir / "noise.raw"));
    EXPECT_FALSE(discimage::ReadCDFormatWav(other).ok);
    EXPECT_FALSE(discimage::ReadCDFormatWav(m_dir / "absent.wav").ok);
}

}  // namespace
