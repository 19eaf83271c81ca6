// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encode_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// One second of a 440 Hz tone, 16-bit stereo at 44100 Hz.
Bytes Tone() {
    Bytes pcm;
    for (int frame = 0; frame < 44100; ++frame) {
        const auto sample = static_cast<std::int16_t>(9000 * std::sin(frame * 0.0627));
        for (int channel = 0; channel < 2; ++channel) {
            pcm.push_back(static_cast<std::uint8_t>(sample));
            pcm.push_back(static_cast<std::uint8_t>(sample >> 8));
        }
    }
    return pcm;
}

void Put(Bytes& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A canonical 44-byte header of the given format tag and sample size,
// stereo at 44100 Hz, followed by data.
Bytes Wav(std::uint16_t formatTag, std::uint16_t bits, const Bytes& data) {
    Bytes wav(44 + data.size());
    std::string_view("RIFF....WAVEfmt ").copy(reinterpret_cast<char*>(wav.data()), 16);
    std::string_view("data").copy(reinterpret_cast<char*>(wav.data()) + 36, 4);
    const std::uint16_t blockAlign = 2 * bits / 8;
    Put(wav, 4, static_cast<std::uint32_t>(36 + data.size()), 4);
    Put(wav, 16, 16, 4);
    Put(wav, 20, formatTag, 2);
    Put(wav, 22, 2, 2);
    Put(wav, 24, 44100, 4);
    Put(wav, 28, 44100U * blockAlign, 4);
    Put(wav, 32, blockAlign, 2);
    Put(wav, 34, bits, 2);
    Put(wav, 40, static_cast<std::uint32_t>(data.size()), 4);
    std::copy(data.begin(), data.end(), wav.begin() + 44);
    return wav;
}

class EncodeStepTest : public ::testing::Test {
protected:
    void SetUp() override { m_settings.CommonOptions.OutputFolder = m_folder.Path().string(); }

    // IMA ADPCM of the tone, written by the WAV output, whose second last
    // block names a step index beyond the table: the pass fails after most
    // of the audio was encoded.
    fs::path DamagedAdpcm() {
        const fs::path path = m_folder / "damaged.wav";
        MemoryInput tone(Tone());
        TWaveOut writer;
        writer.SetWavType(wtDVIADPCM);
        writer.SetInput(&tone);
        writer.SetFileName(path.string());
        EXPECT_EQ(RunToEnd(writer), "");
        Bytes bytes = ReadFileBytes(path);
        const std::size_t blockAlign = bytes[32] | (bytes[33] << 8);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::size_t dataStart = text.find("data") + 8;
        const std::size_t blocks = (bytes.size() - dataStart) / blockAlign;
        EXPECT_GT(blocks, 4U);
        bytes[dataStart + (blocks - 2) * blockAlign + 2] = 200;
        WriteFileBytes(path, bytes);
        return path;
    }

    // Runs one encoding to its end; the failure message (thrown at once or
    // reported at the end), empty on success.
    std::string Encode(const fs::path& input, std::int32_t format, const fs::path& output) {
        std::optional<std::string> done;
        m_step.OnDone = [&done](const std::string& message) { done = message; };
        try {
            m_step.Start(m_reader, input.string(), format, output.string(), m_settings, {});
        } catch (const std::exception& error) {
            return error.what();
        }
        EXPECT_TRUE(PumpUntil([&done] { return done.has_value(); })) << "no end of the encoding";
        return done.value_or("no end");
    }

    TestFolder m_folder;
    TOptionsSetting m_settings;
    TWaveIn m_reader;
    EncodeStep m_step;
};

TEST_F(EncodeStepTest, EncodesWhatItsReaderReadsAndLeavesNoOutputOfAFailure) {
    const fs::path good = m_folder / "good.wav";
    WriteFileBytes(good, Wav(1, 16, Tone()));
    // A-law samples: the WAV input does not read them.
    const fs::path alaw = m_folder / "alaw.wav";
    WriteFileBytes(alaw, Wav(6, 8, Bytes(2 * 4410, 0xD5)));
    const struct {
        fs::path input;
        std::string message;
    } inputs[] = {{good, ""},
                  {alaw, "Unsupported format tag 6"},
                  {DamagedAdpcm(), "Invalid IMA ADPCM block"}};

    for (const TOutputFormatRow& format : OutputFormats()) {
        for (const auto& input : inputs) {
            const fs::path output =
                m_folder / ("out-" + input.input.stem().string() + format.Extension);
            SCOPED_TRACE(input.input.filename().string() + " to " + format.Name);
            EXPECT_EQ(Encode(input.input, format.Number, output), input.message);
            if (input.message.empty()) {
                EXPECT_GT(fs::file_size(output), 1000U);
            } else {
                EXPECT_FALSE(fs::exists(output));
            }
        }
    }
}

// A stop cuts the encoding short: its output file, which would pass for the
// whole input, is removed. An encoding that ran to its end is not touched.
TEST_F(EncodeStepTest, AStoppedEncodingRemovesItsPartialOutput) {
    const fs::path input = m_folder / "long.wav";
    Bytes tenSeconds;
    for (int second = 0; second < 10; ++second) {
        const Bytes tone = Tone();
        tenSeconds.insert(tenSeconds.end(), tone.begin(), tone.end());
    }
    WriteFileBytes(input, Wav(1, 16, tenSeconds));
    const fs::path shortInput = m_folder / "short.wav";
    WriteFileBytes(shortInput, Wav(1, 16, Tone()));
    // A rest after every block keeps each encoding running for seconds.
    const auto slow = [](TAuFileOut& output) { output.SetDelay(50); };

    for (const TOutputFormatRow& format : OutputFormats()) {
        SCOPED_TRACE(format.Name);
        const fs::path output = m_folder / (std::string("stopped") + format.Extension);
        int progress = 0;
        m_step.OnProgress = [&progress](int percent) { progress = percent; };
        m_step.Start(m_reader, input.string(), format.Number, output.string(), m_settings, {},
                     slow);
        ASSERT_TRUE(PumpUntil([&progress] { return progress > 0; }));
        ASSERT_TRUE(fs::exists(output));
        EXPECT_TRUE(m_step.Stop());
        EXPECT_FALSE(fs::exists(output));
        EXPECT_FALSE(m_step.Stop()) << "nothing left to stop";

        const fs::path whole = m_folder / (std::string("whole") + format.Extension);
        m_step.OnProgress = {};
        ASSERT_EQ(Encode(shortInput, format.Number, whole), "");
        EXPECT_FALSE(m_step.Stop());
        EXPECT_TRUE(fs::exists(whole));
    }
}

}  // namespace
