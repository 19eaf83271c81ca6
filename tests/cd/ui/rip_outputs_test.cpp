// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_outputs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <exception>
#include <optional>
#include <string_view>

#include "rip_test_support.h"

namespace fs = std::filesystem;

namespace {

// Encodes wav into out with the output of format; returns the failure
// message (thrown at once or reported at the end), empty on success.
std::string EncodeToEnd(std::int32_t format, const fs::path& wav, const fs::path& out,
                        const TOptionsSetting& settings) {
    RipOutputs outputs;
    std::optional<std::string> done;
    outputs.OnDone = [&done](const std::string& message) { done = message; };
    try {
        outputs.Encode(format, wav.string(), out.string(), settings, {});
    } catch (const std::exception& error) {
        return error.what();
    }
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(done) << "the encoding did not end";
    return done.value_or("");
}

// The fixture for its settings and output folder; no disc is opened.
using RipOutputsTest = RipWindowTest;

TEST_F(RipOutputsTest, AWavItCannotReadOrThatBreaksOffLeavesNoOutputFile) {
    // Float samples: the WAV input does not read them.
    const fs::path floatWav = Out("float.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -e floating-point -b 32 '" + floatWav.string() +
                         "' synth 0.5 sine 440")
                  .status,
              0);
    // IMA ADPCM whose last block is damaged: the pass fails after most of
    // the audio was encoded.
    const fs::path damaged = Out("damaged.wav");
    ASSERT_EQ(
        RunCommand("sox -n -r 44100 -c 2 -e ima-adpcm '" + damaged.string() + "' synth 3 sine 440")
            .status,
        0);
    Bytes bytes = ReadBytes(damaged);
    const std::size_t blockAlign = bytes[32] | (bytes[33] << 8);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t dataStart = text.find("data") + 8;
    const std::size_t blocks = (bytes.size() - dataStart) / blockAlign;
    ASSERT_GT(blocks, 4U);
    bytes[dataStart + (blocks - 2) * blockAlign + 2] = 200;  // a step index beyond the table
    std::FILE* file = std::fopen(damaged.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);

    // sox writes float as format 3 or as the extensible format (65534).
    const Bytes floatHeader = ReadBytes(floatWav);
    const int floatTag = floatHeader[20] | (floatHeader[21] << 8);
    const struct {
        fs::path wav;
        std::string message;
    } inputs[] = {{floatWav, "Unsupported format tag " + std::to_string(floatTag)},
                  {damaged, "Invalid IMA ADPCM block"}};
    for (const auto& input : inputs) {
        for (const std::int32_t format : {ofMP3, ofOGG, ofFLAC, ofAPE}) {
            const fs::path out = Out("out" + OutputFormatExtension(format));
            SCOPED_TRACE(input.wav.filename().string() + " to " + out.filename().string());
            EXPECT_EQ(EncodeToEnd(format, input.wav, out, m_settings), input.message);
            EXPECT_FALSE(fs::exists(out));
        }
    }
}

}  // namespace
