// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "audio/core/au_exception.h"
#include "audio/wav/wave_in.h"
#include "wav_test_support.h"

namespace {

class WaveInTest : public testing::Test {
protected:
    // A PCM WAV of a sine written by us, converted by a command line with
    // {in} and {out} in it.
    std::string Convert(const std::string& command, int channels, std::size_t frames,
                        const std::string& name) {
        const std::string source = m_dir.File(name + "_source.wav");
        WriteFileBytes(source, PcmWav(AsBytes(Sine(frames, channels, 44100)), channels, 44100));
        std::string line = command;
        line.replace(line.find("{in}"), 4, "'" + source + "'");
        const std::string out = m_dir.File(name + ".wav");
        line.replace(line.find("{out}"), 5, "'" + out + "'");
        EXPECT_TRUE(RunCommand(line).Ok()) << line;
        return out;
    }

    // Our decode of a file equals the reference decoder's: sox for IMA
    // ADPCM, ffmpeg for Microsoft ADPCM. ffmpeg's IMA ADPCM decoder rounds
    // each step differently (see the WAV output tests) and is held to a
    // tolerance. Decoders may add the tail of the last block beyond the
    // "fact" count, where we stop.
    void ExpectSameAsReference(const std::string& path, TWavType kind, int channels) {
        TWaveIn in;
        in.SetFileName(path);
        ASSERT_TRUE(in.Valid()) << path;
        EXPECT_EQ(in.WavType(), kind);
        EXPECT_EQ(in.Channels(), channels);
        EXPECT_EQ(in.BitsPerSample(), 16);
        const auto ours = AsSamples(ReadPass(in, 5000));
        ASSERT_GT(ours.size(), 0u);
        EXPECT_EQ(static_cast<std::int64_t>(ours.size() * 2), in.Size());
        const auto ffmpeg = FfmpegDecode(path, m_dir);
        ASSERT_GE(ffmpeg.size(), ours.size());
        if (kind == wtMSADPCM) {
            EXPECT_EQ(MaxDifference(ours, ffmpeg), 0) << path;
            return;
        }
        EXPECT_LE(MaxDifference(ours, ffmpeg), 328) << path;
        const std::string raw = m_dir.File("sox.raw");
        ASSERT_TRUE(RunCommand("sox '" + path + "' -t raw -e signed -b 16 '" + raw + "'").Ok());
        const auto sox = AsSamples(ReadFileBytes(raw));
        ASSERT_GE(sox.size(), ours.size());
        EXPECT_EQ(MaxDifference(ours, sox), 0) << path;
    }

    TestFolder m_dir;
};

void Append(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

}  // namespace

TEST_F(WaveInTest, PcmWithListChunkFirstLowerCaseIdsAndOddChunk) {
    const auto data = AsBytes(Sine(44100 * 3 + 100, 2, 44100));
    const auto standard = PcmWav(data, 2, 44100);
    // riff/wave/fmt /data in lower case, an odd LIST (padded) before "fmt ".
    std::vector<std::uint8_t> file;
    Append(file, "riff");
    AppendLE32(file, 0);
    Append(file, "wave");
    Append(file, "LIST");
    AppendLE32(file, 5);
    Append(file, "INFOx");
    file.push_back(0);
    file.insert(file.end(), standard.begin() + 12, standard.end());
    const std::string path = m_dir.File("list.wav");
    WriteFileBytes(path, file);

    TWaveIn in;
    in.SetFileName(path);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtPCM);
    EXPECT_EQ(in.SampleRate(), 44100);
    EXPECT_EQ(in.TotalTime(), 3);  // 529600 / 176400 rounds to 3
    EXPECT_EQ(in.TotalSamples(), 44100 * 3 + 100);
    EXPECT_EQ(ReadPass(in, 7000), data);
    EXPECT_EQ(in.Size(), static_cast<std::int64_t>(data.size()));
}

TEST_F(WaveInTest, TruncatedDataDeliversWholeFramesThatArePresent) {
    const auto data = AsBytes(Sine(1000, 2, 44100));
    auto file = PcmWav(data, 2, 44100);
    file.erase(file.end() - 401, file.end());  // cut inside a frame
    const std::string path = m_dir.File("cut.wav");
    WriteFileBytes(path, file);
    TWaveIn in;
    in.SetFileName(path);
    const auto got = ReadPass(in);
    EXPECT_EQ(got, std::vector<std::uint8_t>(data.begin(), data.begin() + 4000 - 404));
}

TEST_F(WaveInTest, DataAfterTheDataChunkIsNotDelivered) {
    const auto data = AsBytes(Sine(100, 1, 8000));
    auto file = PcmWav(data, 1, 8000);
    Append(file, "LIST");
    AppendLE32(file, 4);
    Append(file, "INFO");
    const std::string path = m_dir.File("trailer.wav");
    WriteFileBytes(path, file);
    TWaveIn in;
    in.SetFileName(path);
    EXPECT_EQ(ReadPass(in), data);
}

TEST_F(WaveInTest, UnrecognisedFilesAreInvalidAndDeliverNothing) {
    const std::string onlyRiff = m_dir.File("riff.wav");
    WriteFileBytes(onlyRiff, {'R', 'I', 'F', 'F'});
    TWaveIn in;
    in.SetFileName(onlyRiff);
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.InvalidReason(), "Not a RIFF/WAVE file");
    EXPECT_EQ(in.WavType(), wtUnsupported);
    EXPECT_TRUE(ReadPass(in).empty());

    TWaveIn missing;
    const std::string name = m_dir.File("missing.wav");
    missing.SetFileName(name);
    try {
        (void)missing.WavType();
        ADD_FAILURE() << "no exception";
    } catch (const EAuException& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + name);
    }
    TWaveIn unnamed;
    EXPECT_FALSE(unnamed.Valid());
}

TEST_F(WaveInTest, RequestBelowOneFrameAndOutsideAPass) {
    const std::string path = m_dir.File("small.wav");
    WriteFileBytes(path, PcmWav(AsBytes(Sine(100, 2, 44100)), 2, 44100));
    TWaveIn in;
    in.SetFileName(path);
    in.Init();
    const std::uint8_t* buffer = nullptr;
    std::size_t bytes = 3;
    in.GetData(buffer, bytes);
    EXPECT_EQ(bytes, 0u);
    in.Flush();
}

TEST_F(WaveInTest, ImaAdpcmFromSoxAndFfmpegMatchesTheReferenceDecode) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    ExpectSameAsReference(Convert("sox {in} -e ima-adpcm {out}", 1, 30000, "sox_ima_mono"),
                          wtDVIADPCM, 1);
    ExpectSameAsReference(Convert("sox {in} -e ima-adpcm {out}", 2, 30000, "sox_ima_stereo"),
                          wtDVIADPCM, 2);
    ExpectSameAsReference(Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ima_wav {out}", 1,
                                  30000, "ff_ima_mono"),
                          wtDVIADPCM, 1);
    ExpectSameAsReference(Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ima_wav {out}", 2,
                                  30000, "ff_ima_stereo"),
                          wtDVIADPCM, 2);
}

TEST_F(WaveInTest, MicrosoftAdpcmFromSoxAndFfmpegMatchesFfmpegDecode) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    ExpectSameAsReference(Convert("sox {in} -e ms-adpcm {out}", 1, 30000, "sox_ms_mono"), wtMSADPCM,
                          1);
    ExpectSameAsReference(Convert("sox {in} -e ms-adpcm {out}", 2, 30000, "sox_ms_stereo"),
                          wtMSADPCM, 2);
    ExpectSameAsReference(
        Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ms {out}", 1, 30000, "ff_ms_mono"),
        wtMSADPCM, 1);
    ExpectSameAsReference(
        Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ms {out}", 2, 30000, "ff_ms_stereo"),
        wtMSADPCM, 2);
}

TEST_F(WaveInTest, ImaSizesSeekAndInvalidCodeSize) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("sox");
    const std::string path =
        Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ima_wav -block_size 512 {out}", 1,
                100000, "ima");
    // ffmpeg counts whole blocks in "fact"; set it to 100000 frames.
    auto bytesOfFile = ReadFileBytes(path);
    ASSERT_EQ(std::string(bytesOfFile.begin() + 40, bytesOfFile.begin() + 44), "fact");
    bytesOfFile[48] = 0xA0;  // 100000 = 0x000186A0
    bytesOfFile[49] = 0x86;
    bytesOfFile[50] = 0x01;
    bytesOfFile[51] = 0x00;
    WriteFileBytes(path, bytesOfFile);
    TWaveIn in;
    in.SetFileName(path);
    ASSERT_EQ(in.WavType(), wtDVIADPCM);
    EXPECT_EQ(in.BitsPerSample(), 16);
    EXPECT_EQ(in.Size(), 200000);
    const auto whole = ReadPass(in);

    // Frame 2000 lies in the second block of 1017 frames: reading resumes
    // at frame 1017.
    in.Init();
    ASSERT_TRUE(in.Seek(2000));
    EXPECT_EQ(in.Position(), 1017 * 2);
    const std::uint8_t* buffer = nullptr;
    std::size_t bytes = 64;
    in.GetData(buffer, bytes);
    ASSERT_EQ(bytes, 64u);
    EXPECT_TRUE(std::equal(buffer, buffer + 64, whole.begin() + 1017 * 2));
    in.Flush();

    // Bits per sample 3 at byte 34: refused as a format, still decoded.
    ASSERT_EQ(bytesOfFile[34], 4);
    bytesOfFile[34] = 3;
    const std::string odd = m_dir.File("ima3.wav");
    WriteFileBytes(odd, bytesOfFile);
    TWaveIn three;
    three.SetFileName(odd);
    EXPECT_FALSE(three.Valid());
    EXPECT_EQ(three.InvalidReason(), "Unsupported IMA ADPCM code size 3");
    EXPECT_EQ(ReadPass(three), whole);
}

TEST_F(WaveInTest, CorruptAdpcmBlockFailsThePassWithAMessage) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const std::string path =
        Convert("ffmpeg -nostdin -v error -i {in} -c:a adpcm_ima_wav -block_size 512 {out}", 1,
                5000, "bad");
    auto bytes = ReadFileBytes(path);
    const std::size_t dataStart = bytes.size() - 5 * 512;  // 5000 frames: 5 blocks
    bytes[dataStart + 512 + 2] = 200;                      // step index of block 2
    WriteFileBytes(path, bytes);
    TWaveIn in;
    in.SetFileName(path);
    in.Init();
    const std::uint8_t* buffer = nullptr;
    std::size_t got = 16384;
    in.GetData(buffer, got);
    EXPECT_EQ(got, 1017u * 2);
    got = 16384;
    EXPECT_THROW(in.GetData(buffer, got), EAuException);
    in.Flush();
}

TEST_F(WaveInTest, MpegLayer3InWavDecodesAtOpenAndCannotSeek) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const std::string path = Convert(
        "ffmpeg -nostdin -v error -i {in} -c:a libmp3lame -b:a 128k -f wav {out}", 2, 44100, "mp3");
    TWaveIn in;
    in.SetFileName(path);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtACM);
    EXPECT_EQ(in.Channels(), 2);
    EXPECT_EQ(in.SampleRate(), 44100);
    EXPECT_EQ(in.BitsPerSample(), 16);
    EXPECT_FALSE(in.Seek(100));
    const auto ours = AsSamples(ReadPass(in));
    // ffmpeg's fixed-point MP3 decoder is the one used at open.
    const auto theirs = FfmpegDecode(path, m_dir, "-c:a mp3");
    EXPECT_EQ(static_cast<std::int64_t>(ours.size() * 2), in.Size());
    EXPECT_EQ(ours, theirs);

    in.Init();
    EXPECT_FALSE(in.Seek(100));
    in.Flush();
}

TEST_F(WaveInTest, MpegLayer3InWavFromAStreamThatStartsFurtherOn) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const std::string path = Convert(
        "ffmpeg -nostdin -v error -i {in} -c:a libmp3lame -b:a 128k -f wav {out}", 2, 44100, "mp3");
    // The WAV file starts 8000 bytes into the stream, which is positioned there.
    std::vector<std::uint8_t> bytes(8000, 0);
    const auto file = ReadFileBytes(path);
    bytes.insert(bytes.end(), file.begin(), file.end());
    AuMemoryStream stream(std::move(bytes));
    stream.SetPosition(8000);
    TWaveIn in;
    in.SetStream(&stream);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(AsSamples(ReadPass(in)), FfmpegDecode(path, m_dir, "-c:a mp3"));
}

TEST_F(WaveInTest, ExtensiblePcmFromSoxIsReadAsLinearPcm) {
    SKIP_WITHOUT_PROGRAM("sox");
    struct Case {
        int bits;
        int channels;
    };
    for (const Case c : {Case{24, 2}, Case{16, 3}, Case{8, 6}, Case{24, 1}}) {
        const std::string name = std::to_string(c.bits) + "_" + std::to_string(c.channels);
        SCOPED_TRACE(name);
        const std::string path = m_dir.File(name + ".wav");
        const std::string raw = m_dir.File(name + ".raw");
        ASSERT_TRUE(RunCommand("sox -n -r 44100 -b " + std::to_string(c.bits) + " -c " +
                               std::to_string(c.channels) + " '" + path +
                               "' synth 0.2 sine 440 sine 660 && sox '" + path + "' -t raw '" +
                               raw + "'")
                        .Ok());
        const auto file = ReadFileBytes(path);
        ASSERT_EQ(file[20] | (file[21] << 8), 0xFFFE) << "sox wrote an extensible header";
        TWaveIn in;
        in.SetFileName(path);
        ASSERT_TRUE(in.Valid()) << in.InvalidReason();
        EXPECT_EQ(in.WavType(), wtPCM);
        EXPECT_EQ(in.BitsPerSample(), c.bits);
        EXPECT_EQ(in.Channels(), c.channels);
        EXPECT_EQ(ReadPass(in), ReadFileBytes(raw));
    }
}

// 24-bit samples as numbers.
std::vector<std::int32_t> As24(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int32_t> samples;
    for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) {
        const auto raw =
            static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16));
        samples.push_back(static_cast<std::int32_t>(raw << 8) >> 8);
    }
    return samples;
}

// Float files as audio editors write them, plain and extensible, some of
// them louder than full scale. The oracle is ffmpeg's decode to 24 bits,
// which truncates where we round to the nearest: one step apart at most.
TEST_F(WaveInTest, FloatFromSoxAndFfmpegReadsAs24BitPcm) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const std::string sox = "sox -n -r 44100 -c 2 -e floating-point ";
    const std::string ffmpeg =
        "ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=0.3 -ar 44100 ";
    const struct {
        const char* name;
        std::string command;  // writes {out}
        std::uint16_t tag;
        int channels;
    } cases[] = {
        {"sox32", sox + "-b 32 {out} synth 0.3 sine 440 sine 660 vol 0.8", 3, 2},
        {"sox64", sox + "-b 64 {out} synth 0.3 sine 440 sine 660 vol 0.8", 3, 2},
        {"ff32_loud", ffmpeg + "-af volume=16 -ac 2 -c:a pcm_f32le {out}", 0xFFFE, 2},
        {"ff64_loud", ffmpeg + "-af volume=12 -ac 3 -c:a pcm_f64le {out}", 0xFFFE, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File(std::string(c.name) + ".wav");
        std::string line = c.command;
        line.replace(line.find("{out}"), 5, "'" + path + "'");
        ASSERT_TRUE(RunCommand(line).Ok()) << line;
        const auto file = ReadFileBytes(path);
        ASSERT_EQ(file[20] | (file[21] << 8), c.tag);
        TWaveIn in;
        in.SetFileName(path);
        ASSERT_TRUE(in.Valid()) << in.InvalidReason();
        EXPECT_EQ(in.WavType(), wtPCM);
        EXPECT_EQ(in.BitsPerSample(), 24);
        EXPECT_EQ(in.Channels(), c.channels);
        EXPECT_EQ(in.TotalSamples(), 13230);
        const auto ours = As24(ReadPass(in, 7001));
        const std::string raw = m_dir.File("s24.raw");
        ASSERT_TRUE(RunCommand("ffmpeg -nostdin -v error -y -i '" + path +
                               "' -f s24le -c:a pcm_s24le '" + raw + "'")
                        .Ok());
        const auto oracle = As24(ReadFileBytes(raw));
        ASSERT_EQ(ours.size(), oracle.size());
        for (std::size_t i = 0; i < ours.size(); ++i) {
            ASSERT_LE(std::abs(ours[i] - oracle[i]), 1) << "sample " << i;
        }
        EXPECT_EQ(*std::max_element(ours.begin(), ours.end()) == 8388607,
                  std::string(c.name).ends_with("loud"));
        // Seeking lands on the frame.
        in.Init();
        ASSERT_TRUE(in.Seek(10000));
        const std::uint8_t* buffer = nullptr;
        std::size_t bytes = 3 * c.channels;  // one frame
        in.GetData(buffer, bytes);
        ASSERT_EQ(bytes, 3u * c.channels);
        EXPECT_EQ(As24({buffer, buffer + 3})[0], ours[10000 * c.channels]);
        in.Flush();
    }
}

// Full scale and beyond clip, halves round away from zero, NaN is silence.
TEST_F(WaveInTest, FloatSamplesRoundAndClip) {
    const double values[] = {0.0,
                             1.0,
                             -1.0,
                             1.5,
                             -2.0,
                             0.5,
                             -0.25,
                             1.5 / 8388608,
                             -1.5 / 8388608,
                             0.99999994,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    const std::vector<std::int32_t> expected = {0,       8388607,  -8388608, 8388607, -8388608,
                                                4194304, -2097152, 2,        -2,      8388607,
                                                8388607, -8388608, 0};
    for (const int bits : {32, 64}) {
        std::vector<std::uint8_t> data;
        for (const double value : values) {
            const float single = static_cast<float>(value);
            const auto* bytes = bits == 32 ? reinterpret_cast<const std::uint8_t*>(&single)
                                           : reinterpret_cast<const std::uint8_t*>(&value);
            data.insert(data.end(), bytes, bytes + bits / 8);
        }
        auto file = PcmWav(data, 1, 48000, bits);
        file[20] = 3;  // IEEE float
        const std::string path = m_dir.File("edges.wav");
        WriteFileBytes(path, file);
        TWaveIn in;
        in.SetFileName(path);
        EXPECT_EQ(As24(ReadPass(in)), expected) << bits;
        EXPECT_EQ(in.Size(), 3 * 13);
    }
}

TEST_F(WaveInTest, MpegLayer3WithoutDecodableDataIsInvalid) {
    std::vector<std::uint8_t> file;
    Append(file, "RIFF");
    AppendLE32(file, 0);
    Append(file, "WAVEfmt ");
    AppendLE32(file, 30);
    const std::uint8_t fmt[30] = {85, 0, 2, 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 12, 0};
    file.insert(file.end(), fmt, fmt + 30);
    Append(file, "fact");
    AppendLE32(file, 4);
    AppendLE32(file, 1000);
    Append(file, "data");
    AppendLE32(file, 400);
    file.resize(file.size() + 400, 0x55);
    const std::string path = m_dir.File("junk_mp3.wav");
    WriteFileBytes(path, file);
    TWaveIn in;
    in.SetFileName(path);
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.InvalidReason(), "The MPEG Layer-3 data cannot be decoded");
    EXPECT_TRUE(ReadPass(in).empty());
}
