// SPDX-License-Identifier: GPL-3.0-or-later
// The decode-back check over files our own encoders make, with their
// default settings, from a short signal.
#include "verify/decode_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audio/wav/pcm_wav_header.h"
#include "audio/wav/wave_in.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kRate = 44100;
constexpr int kSeconds = 3;

enum class Signal { Music, Silence, Noise };

// Stereo 16-bit PCM. "Music" is a chord whose loudness swings between
// -12 dB and -52 dB every half second, so that a steady signal of the same
// overall level does not pass for it; "Noise" is white noise at about the
// music's overall level.
Bytes MakePcm(Signal signal) {
    Bytes pcm;
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 0.2);
    for (int frame = 0; frame < kRate * kSeconds; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        const double gain = (frame / (kRate / 2)) % 2 == 0 ? 0.25 : 0.0025;
        for (int channel = 0; channel < 2; ++channel) {
            double value = 0;
            if (signal == Signal::Music) {
                for (const double hz : {220.0, 277.2, 329.6, 440.0 + 3 * channel}) {
                    value += gain * std::sin(2 * M_PI * hz * t);
                }
            } else if (signal == Signal::Noise) {
                value = gauss(random);
            }
            const auto sample = static_cast<std::int16_t>(std::lround(value * 32767 * 0.9));
            pcm.push_back(static_cast<std::uint8_t>(sample));
            pcm.push_back(static_cast<std::uint8_t>(sample >> 8));
        }
    }
    return pcm;
}

void WriteWav(const fs::path& path, const Bytes& pcm) {
    const auto header = RenderPcmWavHeader({}, static_cast<std::uint32_t>(pcm.size()));
    std::string text(header.begin(), header.end());
    text.append(pcm.begin(), pcm.end());
    WriteText(path, text);
}

class DecodeCheckTest : public ::testing::Test {
protected:
    DecodeCheckTest() {
        LoadOptions(m_settings, TAppPaths(m_folder.Path(), m_folder.Path() / "config"));
        WriteWav(Music(), MakePcm(Signal::Music));
    }

    fs::path Music() const { return m_folder.Path() / "music.wav"; }

    // The WAV file encoded by the format's own output with its default settings.
    fs::path Encode(TOutputFormat format, const fs::path& wav, const std::string& stem) {
        const TOutputFormatRow& row = OutputFormats()[format];
        const fs::path path = m_folder.Path() / (stem + row.Extension);
        TWaveIn reader;
        reader.SetFileName(wav.string());
        std::unique_ptr<TAuFileOut> output = row.MakeOutput();
        if (row.Setup != nullptr) {
            row.Setup(*output, m_settings);
        }
        output->SetInput(&reader);
        output->SetFileName(path.string());
        EXPECT_EQ(RunToEnd(*output), "");
        return path;
    }

    TestFolder m_folder;
    TOptionsSetting m_settings;
};

struct Format {
    TOutputFormat output;
    TEncodedCodec codec;
    const char* name;
};
const Format kFormats[] = {
    {ofWAV, TEncodedCodec::Wav, "WAV"},    {ofFLAC, TEncodedCodec::Flac, "FLAC"},
    {ofAPE, TEncodedCodec::Ape, "APE"},    {ofMP3, TEncodedCodec::Mp3, "MP3"},
    {ofOGG, TEncodedCodec::Vorbis, "Ogg"}, {ofWMA, TEncodedCodec::Wma, "WMA"},
};

TEST_F(DecodeCheckTest, EveryFormatOfOurEncodersPasses) {
    for (const Format& format : kFormats) {
        const fs::path file = Encode(format.output, Music(), "track");
        const TDecodeCheck check = CheckDecodedFile(file.string(), format.codec, Music().string());
        const bool lossless = format.codec == TEncodedCodec::Wav ||
                              format.codec == TEncodedCodec::Flac ||
                              format.codec == TEncodedCodec::Ape;
        EXPECT_TRUE(check.Passed) << format.name << ": " << check.LogText;
        EXPECT_EQ(check.LogText, lossless ? "identical" : "length and level ok") << format.name;
    }
}

Bytes ReadBytes(const fs::path& path) {
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

// The first sample frame where ffmpeg's own decoding of the file differs
// from the music.
std::size_t FfmpegFirstDifference(const fs::path& file) {
    const CommandResult decoded =
        RunCommand("ffmpeg -v quiet -i " + ShellQuote(file.string()) + " -f s16le -");
    const Bytes music = MakePcm(Signal::Music);
    std::size_t byte = 0;
    while (byte < music.size() && byte < decoded.Output.size() &&
           static_cast<std::uint8_t>(decoded.Output[byte]) == music[byte]) {
        ++byte;
    }
    return byte / 4;
}

enum class Damage { Keep, FlipSample, FlipMiddle, CutHalf };

// Damaged files fail, each with its reason: a changed sample of a lossless
// file by its position, a cut lossy file by its length, a lossy file of
// another signal by its level.
TEST_F(DecodeCheckTest, DamagedOrWrongFilesFail) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const fs::path silence = m_folder.Path() / "silence.wav";
    WriteWav(silence, MakePcm(Signal::Silence));
    const fs::path noise = m_folder.Path() / "noise.wav";
    WriteWav(noise, MakePcm(Signal::Noise));
    // The WAV output writes the samples last: frame 100000 lies this far
    // before the end.
    constexpr std::size_t kFromEnd = (kRate * kSeconds - 100000) * 4;

    const struct {
        TOutputFormat output;
        TEncodedCodec codec;
        fs::path encoded;  // what the file is encoded from
        Damage damage;
        const char* result;  // the log text, up to its first '*'
    } cases[] = {
        {ofWAV, TEncodedCodec::Wav, Music(), Damage::FlipSample,
         "FAILED (first difference at sample 100000)"},
        {ofFLAC, TEncodedCodec::Flac, Music(), Damage::FlipMiddle,
         "FAILED (first difference at sample *"},
        {ofAPE, TEncodedCodec::Ape, Music(), Damage::FlipMiddle,
         "FAILED (first difference at sample *"},
        {ofMP3, TEncodedCodec::Mp3, Music(), Damage::CutHalf,
         "FAILED (*s decoded, 3.000 s in the WAV file)"},
        {ofOGG, TEncodedCodec::Vorbis, Music(), Damage::CutHalf,
         "FAILED (*s decoded, 3.000 s in the WAV file)"},
        {ofWMA, TEncodedCodec::Wma, Music(), Damage::CutHalf,
         "FAILED (*s decoded, 3.000 s in the WAV file)"},
        {ofOGG, TEncodedCodec::Vorbis, silence, Damage::Keep, "FAILED (level differs by *"},
        {ofMP3, TEncodedCodec::Mp3, noise, Damage::Keep, "FAILED (level differs by *"},
        {ofWMA, TEncodedCodec::Wma, noise, Damage::Keep, "FAILED (level differs by *"},
        // A lossless file of another signal fails at its first sample.
        {ofFLAC, TEncodedCodec::Flac, noise, Damage::Keep, "FAILED (first difference at sample 0)"},
    };
    for (const auto& c : cases) {
        const fs::path file = Encode(c.output, c.encoded, "damaged");
        Bytes bytes = ReadBytes(file);
        switch (c.damage) {
            case Damage::FlipSample:
                bytes[bytes.size() - kFromEnd + 1] ^= 0x40;
                break;
            case Damage::FlipMiddle:
                for (std::size_t i = 0; i < 16; ++i) {
                    bytes[bytes.size() / 2 + i] ^= 0x5A;
                }
                break;
            case Damage::CutHalf:
                bytes.resize(bytes.size() / 2);
                break;
            case Damage::Keep:
                break;
        }
        WriteBytes(file, bytes);

        const TDecodeCheck check = CheckDecodedFile(file.string(), c.codec, Music().string());

        const std::string text = c.result;
        const std::string head = text.substr(0, text.find('*'));
        EXPECT_FALSE(check.Passed) << file << ": " << check.LogText;
        EXPECT_EQ(check.LogText.substr(0, head.size()), head) << file;
        if (const auto star = text.find('*'); star != std::string::npos) {
            const std::string tail = text.substr(star + 1);
            EXPECT_TRUE(check.LogText.ends_with(tail)) << check.LogText;
        } else {
            EXPECT_EQ(check.LogText, text);
        }
        if (c.damage == Damage::FlipMiddle) {
            EXPECT_EQ(check.LogText, "FAILED (first difference at sample " +
                                         std::to_string(FfmpegFirstDifference(file)) + ")");
        }
    }
}

}  // namespace
