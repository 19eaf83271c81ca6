// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encoder_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/core/au_exception.h"
#include "audio/core/au_pump.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "support/audio/memory_input.h"
#include "support/audio/pcm_bytes.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kLimit{120};

class EncoderPoolTest : public ::testing::Test {
protected:
    // No rest between the blocks of MP3 and APE: the encodings overlap more.
    void SetUp() override {
        m_settings.Mp3Options.CPU = 3;
        m_settings.APEOptions.CPU = 3;
    }

    // A WAV file of `seconds` of a tone of `hertz` with a little noise.
    fs::path Input(int hertz, int seconds) {
        std::vector<std::int16_t> samples;
        std::uint32_t noise = 1;
        for (int frame = 0; frame < 44100 * seconds; ++frame) {
            noise = noise * 1664525U + 1013904223U;
            const double tone = 8000 * std::sin(2 * M_PI * hertz * frame / 44100.0);
            samples.push_back(static_cast<std::int16_t>(tone + (noise >> 24)));
            samples.push_back(static_cast<std::int16_t>(-tone));
        }
        MemoryInput pcm(AsBytes(samples));
        TWaveOut writer;
        writer.SetInput(&pcm);
        writer.SetDoneEventDelay(std::chrono::milliseconds(0));
        const fs::path path = m_folder / ("in" + std::to_string(hertz) + ".wav");
        writer.SetFileName(path.string());
        EXPECT_EQ(RunToEnd(writer), "");
        return path;
    }

    fs::path Output(const std::string& stem, std::size_t job, std::int32_t format) {
        return m_folder / (stem + std::to_string(job) + FindOutputFormat(format)->Extension);
    }

    TestFolder m_folder;
    TOptionsSetting m_settings;
};

// Several encodings at once, of the same format and of different ones, with
// more jobs than slots, write the very bytes that the same encodings write
// one at a time.
TEST_F(EncoderPoolTest, ParallelEncodesWriteWhatEncodesOneAtATimeWrite) {
    const struct {
        std::size_t slots;
        std::vector<std::int32_t> formats;
    } cases[] = {
        {2, {ofFLAC, ofOGG, ofMP3}},
        {3, {ofMP3, ofMP3, ofMP3, ofMP3}},
        {4, {ofWAV, ofAPE, ofFLAC, ofOGG, ofAPE, ofWMA}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slots);
        const std::size_t jobs = c.formats.size();
        std::vector<fs::path> inputs;
        for (std::size_t job = 0; job < jobs; ++job) {
            inputs.push_back(Input(200 + 100 * static_cast<int>(job), 3));
        }

        TWaveIn reader;
        EncodeStep step;
        for (std::size_t job = 0; job < jobs; ++job) {
            std::optional<std::string> done;
            step.OnDone = [&done](const std::string& message) { done = message; };
            step.Start(reader, inputs[job].string(), c.formats[job],
                       Output("alone", job, c.formats[job]).string(), m_settings, {},
                       [](TAuFileOut& output) { output.SetDoneEventDelay({}); });
            ASSERT_TRUE(PumpUntil([&done] { return done.has_value(); }, kLimit));
            ASSERT_EQ(done, "");
        }

        EncoderPool pool(c.slots, std::chrono::milliseconds(0));
        std::vector<std::string> messages(jobs, "no end");
        pool.OnDone = [&messages](std::size_t job, const std::string& message) {
            messages.at(job) = message;
        };
        std::size_t started = 0;
        std::size_t peak = 0;
        // As a driver without windows: fill the free slots, serve the queue
        // until a job ends, again.
        while (started < jobs || pool.Running() > 0) {
            while (started < jobs && pool.HasFreeSlot()) {
                const std::int32_t format = c.formats[started];
                EXPECT_EQ(pool.Start({nullptr,
                                      inputs[started].string(),
                                      format,
                                      Output("pooled", started, format).string(),
                                      {},
                                      {}},
                                     m_settings),
                          started);
                ++started;
            }
            peak = std::max(peak, pool.Running());
            const std::size_t running = pool.Running();
            ASSERT_TRUE(PumpEventsUntil([&] { return pool.Running() < running; }, kLimit));
        }
        EXPECT_EQ(peak, c.slots);
        for (std::size_t job = 0; job < jobs; ++job) {
            SCOPED_TRACE(job);
            EXPECT_EQ(messages[job], "");
            EXPECT_TRUE(ReadFileBytes(Output("pooled", job, c.formats[job])) ==
                        ReadFileBytes(Output("alone", job, c.formats[job])))
                << "the pooled file differs";
        }
    }
}

// Stop ends every running job at once: none reports an end, and the files
// they had begun are gone.
TEST_F(EncoderPoolTest, StopEndsEveryJobAndRemovesWhatItBegan) {
    const fs::path input = Input(440, 10);
    const std::int32_t formats[] = {ofFLAC, ofOGG, ofWAV};
    EncoderPool pool(std::size(formats));
    std::vector<int> progress(std::size(formats), 0);
    bool ended = false;
    pool.OnProgress = [&progress](std::size_t job, int percent) { progress.at(job) = percent; };
    pool.OnDone = [&ended](std::size_t, const std::string&) { ended = true; };
    // A rest after every block keeps each encoding running for seconds.
    const auto slow = [](TAuFileOut& output) { output.SetDelay(50); };
    for (std::size_t job = 0; job < std::size(formats); ++job) {
        pool.Start({nullptr,
                    input.string(),
                    formats[job],
                    Output("stopped", job, formats[job]).string(),
                    {},
                    slow},
                   m_settings);
    }
    EXPECT_FALSE(pool.HasFreeSlot());
    EXPECT_THROW(
        pool.Start({nullptr, input.string(), ofMP3, Output("extra", 0, ofMP3).string(), {}, {}},
                   m_settings),
        EAuException);

    ASSERT_TRUE(PumpEventsUntil([&progress] { return std::ranges::min(progress) > 0; }, kLimit));
    pool.Stop();
    EXPECT_EQ(pool.Running(), 0U);
    Drain(kLateEventWindow);
    EXPECT_FALSE(ended);
    for (std::size_t job = 0; job < std::size(formats); ++job) {
        EXPECT_FALSE(fs::exists(Output("stopped", job, formats[job])));
    }
}

}  // namespace
