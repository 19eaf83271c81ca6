// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "audio/codecs/dynamic_library.h"
#include "audio/codecs/mp3_out.h"
#include "audio/core/au_exception.h"
#include "codec_test_support.h"

namespace {

// One stream property as ffprobe prints it.
std::string Probe(const std::string& file, const std::string& entry) {
    const CommandResult result =
        RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=" + entry +
                   " -of default=noprint_wrappers=1:nokey=1 '" + file + "'");
    EXPECT_EQ(result.Status, 0);
    return result.Output.substr(0, result.Output.find('\n'));
}

// Decoded 16-bit samples (all channels) in the file's own rate and layout.
std::vector<std::int16_t> DecodeMp3(const std::string& file) {
    const CommandResult result =
        RunCommand("ffmpeg -v error -i '" + file + "' -f s16le -acodec pcm_s16le -");
    EXPECT_EQ(result.Status, 0);
    std::vector<std::int16_t> samples(result.Output.size() / 2);
    std::memcpy(samples.data(), result.Output.data(), samples.size() * 2);
    return samples;
}

double Rms(const std::int16_t* samples, std::size_t count) {
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(count));
}

std::string Encode(TMP3Out& output, TAuInput& input, const std::string& file) {
    output.SetInput(&input);
    output.SetFileName(file);
    return RunToEnd(output);
}

// The encoder's delay and padding to whole frames, and its information
// frame, which decodes as one frame of silence.
constexpr std::size_t kPaddingFrames = 3 * 1152 + 576;

TEST(Mp3Out, StereoDecodesToTheInputDurationAndLevel) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    const std::size_t frames = 88200;
    const std::vector<std::uint8_t> pcm = SinePcm(frames, 16, 2, 44100);
    MemoryInput input(pcm, {16, 2, 44100}, kOddPiece);
    TMP3Out output;
    output.SetBitRate(TMP3BitRate::br192);
    ASSERT_EQ(Encode(output, input, folder.File("s.mp3")), "");
    EXPECT_EQ(Probe(folder.File("s.mp3"), "channels"), "2");
    EXPECT_EQ(Probe(folder.File("s.mp3"), "sample_rate"), "44100");
    EXPECT_EQ(Probe(folder.File("s.mp3"), "bit_rate"), "192000");
    const std::vector<std::int16_t> decoded = DecodeMp3(folder.File("s.mp3"));
    EXPECT_GE(decoded.size() / 2, frames);
    EXPECT_LE(decoded.size() / 2, frames + kPaddingFrames);
    const double inputRms = Rms(reinterpret_cast<const std::int16_t*>(pcm.data()), frames * 2);
    EXPECT_NEAR(Rms(decoded.data(), frames * 2) / inputRms, 1.0, 0.1);
}

TEST(Mp3Out, MonoInputIsEncodedInMonoModeUsingEverySampleOnce) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    const std::size_t frames = 44100;
    MemoryInput input(SinePcm(frames, 16, 1, 44100), {16, 1, 44100}, kOddPiece);
    TMP3Out output;
    output.SetMode(TMP3Mode::JOINT_STEREO);
    ASSERT_EQ(Encode(output, input, folder.File("m.mp3")), "");
    EXPECT_EQ(Probe(folder.File("m.mp3"), "channels"), "1");
    const std::size_t decoded = DecodeMp3(folder.File("m.mp3")).size();
    EXPECT_GE(decoded, frames);
    EXPECT_LE(decoded, frames + kPaddingFrames);
}

TEST(Mp3Out, LowInputRatesAskForThirtyTwoKilohertz) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MemoryInput input(SinePcm(22050, 16, 2, 22050), {16, 2, 22050}, kOddPiece);
    TMP3Out output;
    ASSERT_EQ(Encode(output, input, folder.File("low.mp3")), "");
    EXPECT_EQ(Probe(folder.File("low.mp3"), "sample_rate"), "32000");
}

TEST(Mp3Out, VbrExchangesMinimumAndMaximumWhenReversed) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MemoryInput input(SinePcm(44100, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    TMP3Out output;
    output.SetEnableVBR(true);
    output.SetWriteVBRHeader(true);
    output.SetVBRMinBitrate(256);
    output.SetVBRMaxBitrate(128);
    ASSERT_EQ(Encode(output, input, folder.File("v.mp3")), "");
    EXPECT_EQ(output.VBRMinBitrate(), 128);
    EXPECT_EQ(output.VBRMaxBitrate(), 256);
    EXPECT_GE(DecodeMp3(folder.File("v.mp3")).size() / 2, 44100U);
}

// With one flag per process the first destructor would unload the library
// under the second output.
TEST(Mp3Out, LibraryStaysLoadedWhileAnyOutputExists) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MemoryInput input(SinePcm(20000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    auto first = std::make_unique<TMP3Out>();
    TMP3Out second;
    first.reset();
    ASSERT_EQ(Encode(second, input, folder.File("two.mp3")), "");
    EXPECT_GE(DecodeMp3(folder.File("two.mp3")).size() / 2, 20000U);
}

TEST(Mp3Out, InputItCannotEncodeIsRefusedAndTheOutputStaysUsable) {
    TestFolder folder;
    MemoryInput wide(SinePcm(1000, 24, 2, 44100), {24, 2, 44100}, kOddPiece);
    TMP3Out output;
    EXPECT_EQ(Encode(output, wide, folder.File("w.mp3")),
              "MP3 encoding needs 16-bit mono or stereo input.");
    MemoryInput input(SinePcm(10000, 16, 2, 44100), {16, 2, 44100}, kOddPiece);
    EXPECT_EQ(Encode(output, input, folder.File("w.mp3")), "");
}

TEST(Mp3Out, EmptyInputGivesOnlyTheFlushedFrames) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("ffprobe");
    TestFolder folder;
    MemoryInput input({}, {16, 2, 44100}, kOddPiece);
    TMP3Out output;
    ASSERT_EQ(Encode(output, input, folder.File("e.mp3")), "");
    EXPECT_LE(DecodeMp3(folder.File("e.mp3")).size() / 2, kPaddingFrames);
}

TEST(Mp3Out, MissingLibraryIsReportedByTheConstructor) {
    DynamicLibrary::SetMissingForTest("libmp3lame.so.0", true);
    EXPECT_THROW(
        {
            try {
                TMP3Out output;
            } catch (const EAuException& error) {
                EXPECT_STREQ(error.what(), "libmp3lame.so.0 library could not be loaded.");
                throw;
            }
        },
        EAuException);
    DynamicLibrary::SetMissingForTest("libmp3lame.so.0", false);
}

}  // namespace
