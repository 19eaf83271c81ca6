// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "audio/wav/ima_adpcm.h"
#include "audio/wav/wav_bytes.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "wav_test_support.h"

namespace {

// Largest sample difference allowed between ffmpeg's IMA ADPCM decode and
// the reference decode (ours and sox's); 1% of full scale.
constexpr int kFfmpegImaTolerance = 328;

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return GetLE32(bytes.data() + offset);
}

class WaveOutTest : public testing::Test {
protected:
    // Writes `input` to `name` with the given kind; returns the message.
    std::string Write(TAuInput& input, const std::string& name, TWavType kind = wtPCM,
                      TFileOutputMode mode = foRewrite) {
        TWaveOut out;
        out.SetWavType(kind);
        out.SetFileMode(mode);
        out.SetFileName(m_dir.File(name));
        out.SetInput(&input);
        return RunToEnd(out);
    }

    TestFolder m_dir;
};

}  // namespace

TEST_F(WaveOutTest, CopiesAPcmFileThroughTheWavInput) {
    const auto data = AsBytes(Sine(1000, 2, 44100));
    const std::string source = m_dir.File("source.wav");
    WriteFileBytes(source, PcmWav(data, 2, 44100));
    TWaveIn in;
    in.SetFileName(source);
    ASSERT_EQ(Write(in, "copy.wav"), "");
    const auto file = ReadFileBytes(m_dir.File("copy.wav"));
    ASSERT_EQ(file.size(), 4044u);
    EXPECT_EQ(U32At(file, 4), 4036u);
    EXPECT_EQ(U32At(file, 40), 4000u);
    EXPECT_EQ(file, PcmWav(data, 2, 44100));
}

TEST_F(WaveOutTest, AFailedRunRemovesTheFileItCreatedButNotOneItAppendedTo) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const std::string source = m_dir.File("source.wav");
    WriteFileBytes(source, PcmWav(AsBytes(Sine(5000, 1, 44100)), 1, 44100));
    const std::string ima = m_dir.File("ima.wav");
    ASSERT_TRUE(RunCommand("ffmpeg -nostdin -v error -i '" + source +
                           "' -c:a adpcm_ima_wav -block_size 512 '" + ima + "'")
                    .Ok());
    auto bytes = ReadFileBytes(ima);
    bytes[bytes.size() - 4 * 512 + 2] = 200;  // step index of the second of five blocks
    WriteFileBytes(ima, bytes);
    TWaveIn in;
    in.SetFileName(ima);

    EXPECT_EQ(Write(in, "new.wav"), "Invalid IMA ADPCM block");
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("new.wav")));

    WriteFileBytes(m_dir.File("old.wav"), PcmWav(AsBytes(Sine(100, 1, 44100)), 1, 44100));
    EXPECT_EQ(Write(in, "old.wav", wtPCM, foAppend), "Invalid IMA ADPCM block");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("old.wav")));
}

TEST_F(WaveOutTest, UnknownSizeIsPatchedAndShortInputPadded) {
    const auto data = AsBytes(Sine(3000, 1, 22050));
    MemoryInput unknown(data, {16, 1, 22050});
    unknown.AnnounceSize(-1);
    ASSERT_EQ(Write(unknown, "unknown.wav"), "");
    EXPECT_EQ(ReadFileBytes(m_dir.File("unknown.wav")), PcmWav(data, 1, 22050));

    MemoryInput shortInput(data, {16, 1, 22050});
    shortInput.AnnounceSize(static_cast<std::int64_t>(data.size()) + 1000);
    ASSERT_EQ(Write(shortInput, "short.wav"), "");
    auto padded = data;
    padded.resize(data.size() + 1000, 0);
    EXPECT_EQ(ReadFileBytes(m_dir.File("short.wav")), PcmWav(padded, 1, 22050));
}

TEST_F(WaveOutTest, StoppedRunIsPatchedToTheDataWritten) {
    const std::size_t announced = 20 * 1024 * 1024;
    MemoryInput input(std::vector<std::uint8_t>(announced, 7), {16, 2, 44100});
    TWaveOut out;
    out.SetDelay(20);  // milliseconds per 16384-byte block: the run takes 25 s
    out.SetFileName(m_dir.File("stopped.wav"));
    out.SetInput(&input);
    std::atomic<bool> done{false};
    out.OnDone = [&](TComponent*) { done = true; };
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return input.Position() > 65536; }));
    out.Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(out.ExceptionMessage(), "");
    const auto file = ReadFileBytes(m_dir.File("stopped.wav"));
    ASSERT_GT(file.size(), 65536u);
    EXPECT_LT(file.size(), announced / 2);
    EXPECT_EQ(U32At(file, 40), file.size() - 44);
    EXPECT_EQ(U32At(file, 4), file.size() - 8);
}

TEST_F(WaveOutTest, ImaAdpcmDecodesAlikeWithOurDecoderFfmpegAndSox) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    for (const int channels : {1, 2}) {
        const std::size_t frames = 30011;
        MemoryInput input(AsBytes(Sine(frames, channels, 44100, 523.0, 15000.0)),
                          {16, channels, 44100});
        const std::string name = "ima" + std::to_string(channels) + ".wav";
        ASSERT_EQ(Write(input, name, wtDVIADPCM), "");
        const std::string path = m_dir.File(name);
        const auto file = ReadFileBytes(path);
        const std::size_t perBlock = channels == 1 ? 1017 : 505;
        const std::size_t blocks = frames / perBlock + 1;
        EXPECT_EQ(file.size(), 60 + blocks * 512);
        EXPECT_EQ(U32At(file, 56), blocks * 512);
        EXPECT_EQ(U32At(file, 48), frames);

        TWaveIn in;
        in.SetFileName(path);
        ASSERT_EQ(in.WavType(), wtDVIADPCM);
        const auto ours = AsSamples(ReadPass(in));
        ASSERT_EQ(ours.size(), frames * channels);
        // sox decodes IMA ADPCM as we do; ffmpeg computes each step's
        // difference as (2 * code + 1) * step / 8 instead of summing the
        // step's shifted parts, so its samples stray a little.
        const std::string raw = m_dir.File("sox.raw");
        ASSERT_TRUE(RunCommand("sox '" + path + "' -t raw -e signed -b 16 '" + raw + "'").Ok());
        const auto sox = AsSamples(ReadFileBytes(raw));
        ASSERT_GE(sox.size(), ours.size());
        EXPECT_TRUE(std::equal(ours.begin(), ours.end(), sox.begin())) << channels;
        const auto ffmpeg = FfmpegDecode(path, m_dir);
        ASSERT_GE(ffmpeg.size(), ours.size());
        EXPECT_LE(MaxDifference(ours, ffmpeg), kFfmpegImaTolerance) << channels;
    }
}

TEST_F(WaveOutTest, AdpcmFrameCountOnABlockBoundaryAddsASilentBlock) {
    MemoryInput input(AsBytes(Sine(2 * 1017, 1, 8000)), {16, 1, 8000});
    ASSERT_EQ(Write(input, "boundary.wav", wtDVIADPCM), "");
    const auto file = ReadFileBytes(m_dir.File("boundary.wav"));
    ASSERT_EQ(file.size(), 60u + 3 * 512);
    std::vector<std::int16_t> last(1017);
    ASSERT_EQ(DecodeImaBlock(std::span(file.data() + 60 + 2 * 512, 512), 1, last.data()), 1017u);
    // Silence: the header sample is 0 and, once the step index carried
    // over from the sine has decayed, the codes stay at zero.
    EXPECT_EQ(last[0], 0);
    EXPECT_TRUE(std::all_of(last.begin() + 100, last.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(WaveOutTest, RefusesWhatAdpcmCannotHold) {
    MemoryInput eightBit(std::vector<std::uint8_t>(100, 128), {8, 1, 8000});
    EXPECT_EQ(Write(eightBit, "eight.wav", wtDVIADPCM), "Cannot encode 8 bit sound into ADPCM.");
    EXPECT_EQ(ReadFileBytes(m_dir.File("eight.wav")).size(), 0u);
    MemoryInput threeChannels(std::vector<std::uint8_t>(600, 0), {16, 3, 8000});
    EXPECT_EQ(Write(threeChannels, "three.wav", wtDVIADPCM),
              "Cannot encode more than two channels into ADPCM.");
}

TEST_F(WaveOutTest, SettersIgnoreValuesTheyCannotUse) {
    TWaveOut out;
    out.SetBlockSize(510);
    EXPECT_EQ(out.BlockSize(), 512);
    out.SetBlockSize(0);
    EXPECT_EQ(out.BlockSize(), 512);
    out.SetBlockSize(1024);
    EXPECT_EQ(out.BlockSize(), 1024);
    out.SetWavType(wtMSADPCM);
    EXPECT_EQ(out.WavType(), wtPCM);
    out.SetWavType(wtDVIADPCM);
    EXPECT_EQ(out.WavType(), wtDVIADPCM);
    MemoryInput input({}, {16, 1, 8000});
    out.SetInput(&input);
    EXPECT_EQ(RunToEnd(out), "File name is not assigned.");
}

TEST_F(WaveOutTest, AppendsMatchingPcmAndRefusesOtherFormats) {
    const auto first = AsBytes(Sine(1000, 2, 44100, 300.0));
    const auto second = AsBytes(Sine(700, 2, 44100, 900.0));
    WriteFileBytes(m_dir.File("append.wav"), PcmWav(first, 2, 44100));

    MemoryInput other(AsBytes(Sine(100, 2, 22050)), {16, 2, 22050});
    EXPECT_EQ(Write(other, "append.wav", wtPCM, foAppend),
              "Cannot append data in different audio format.");
    EXPECT_EQ(ReadFileBytes(m_dir.File("append.wav")), PcmWav(first, 2, 44100));

    MemoryInput matching(second, {16, 2, 44100});
    ASSERT_EQ(Write(matching, "append.wav", wtPCM, foAppend), "");
    auto both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(ReadFileBytes(m_dir.File("append.wav")), PcmWav(both, 2, 44100));

    // Appending to a missing file writes a new one.
    MemoryInput fresh(second, {16, 2, 44100});
    ASSERT_EQ(Write(fresh, "new.wav", wtPCM, foAppend), "");
    EXPECT_EQ(ReadFileBytes(m_dir.File("new.wav")), PcmWav(second, 2, 44100));
}

TEST_F(WaveOutTest, AppendRefusesFilesItWouldDamage) {
    auto tagged = PcmWav(AsBytes(Sine(100, 1, 8000)), 1, 8000);
    for (char c : std::string("LIST\4\0\0\0INFO")) {
        tagged.push_back(static_cast<std::uint8_t>(c));
    }
    WriteFileBytes(m_dir.File("tagged.wav"), tagged);
    MemoryInput input(AsBytes(Sine(100, 1, 8000)), {16, 1, 8000});
    EXPECT_EQ(Write(input, "tagged.wav", wtPCM, foAppend), "Cannot append data to this .wav file.");
    EXPECT_EQ(ReadFileBytes(m_dir.File("tagged.wav")), tagged);

    WriteFileBytes(m_dir.File("text.wav"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(Write(input, "text.wav", wtPCM, foAppend), "Cannot append data to this .wav file.");
}

TEST_F(WaveOutTest, AppendReplacesThePadByteAfterOddData) {
    const std::vector<std::uint8_t> first(101, 100);
    auto padded = PcmWav(first, 1, 8000, 8);
    padded.push_back(0);
    WriteFileBytes(m_dir.File("odd.wav"), padded);
    const std::vector<std::uint8_t> second(50, 200);
    MemoryInput input(second, {8, 1, 8000});
    ASSERT_EQ(Write(input, "odd.wav", wtPCM, foAppend), "");
    auto both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(ReadFileBytes(m_dir.File("odd.wav")), PcmWav(both, 1, 8000, 8));
}

TEST_F(WaveOutTest, AppendsToImaAdpcmInItsBlockSize) {
    const auto first = AsBytes(Sine(3000, 1, 22050));
    MemoryInput a(first, {16, 1, 22050});
    {
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(256);
        out.SetFileName(m_dir.File("ima_append.wav"));
        out.SetInput(&a);
        ASSERT_EQ(RunToEnd(out), "");
    }
    MemoryInput b(AsBytes(Sine(2000, 1, 22050)), {16, 1, 22050});
    TWaveOut out;  // PCM and 512 by default: both come from the file
    out.SetFileMode(foAppend);
    out.SetFileName(m_dir.File("ima_append.wav"));
    out.SetInput(&b);
    ASSERT_EQ(RunToEnd(out), "");
    EXPECT_EQ(out.WavType(), wtDVIADPCM);
    EXPECT_EQ(out.BlockSize(), 256);

    const std::size_t perBlock = 1 + 2 * (256 - 4);
    const std::size_t blocks = (3000 / perBlock + 1) + (2000 / perBlock + 1);
    const auto file = ReadFileBytes(m_dir.File("ima_append.wav"));
    ASSERT_EQ(file.size(), 60 + blocks * 256);
    EXPECT_EQ(U32At(file, 56), blocks * 256);
    EXPECT_EQ(U32At(file, 48), blocks * perBlock);
    EXPECT_EQ(U32At(file, 4), file.size() - 8);
    TWaveIn in;
    in.SetFileName(m_dir.File("ima_append.wav"));
    EXPECT_EQ(ReadPass(in).size(), blocks * perBlock * 2);
}
