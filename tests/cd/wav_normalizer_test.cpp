// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/wav_normalizer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "support/audio/pcm_bytes.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::int16_t> Scaled(const std::vector<std::int16_t>& samples, float gain) {
    Bytes bytes = AsBytes(samples);
    ScaleSamples(bytes, gain);
    std::vector<std::int16_t> result;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        result.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return result;
}

TEST(ScaleSamples, HalfLevelRoundsHalvesToEven) {
    EXPECT_EQ(Scaled({1001, -3, -32768, 3, 5, -5, 32767, 0}, 0.5F),
              (std::vector<std::int16_t>{500, -2, -16384, 2, 2, -2, 16384, 0}));
}

TEST(ScaleSamples, AboveFullLevelClipsInsteadOfWrapping) {
    EXPECT_EQ(Scaled({30000, -30000, 20000, -1, 32767, -32768}, 1.5F),
              (std::vector<std::int16_t>{32767, -32768, 30000, -2, 32767, -32768}));
}

TEST(ScaleSamples, FullLevelAndTrailingOddByteAreUnchanged) {
    Bytes bytes = AsBytes({-32768, -1, 0, 1, 12345, 32767});
    bytes.push_back(0xAB);
    const Bytes original = bytes;
    ScaleSamples(bytes, 1.0F);
    EXPECT_EQ(bytes, original);
    ScaleSamples(bytes, 0.0F);
    EXPECT_EQ(bytes.back(), 0xAB);
}

// Every 16-bit value at gains from silence to far beyond clipping, against
// the library's rounding to nearest (halves to even) of the exact product.
TEST(ScaleSamples, EveryValueMatchesLibraryRounding) {
    std::vector<std::int16_t> all;
    for (int value = -32768; value <= 32767; ++value) {
        all.push_back(static_cast<std::int16_t>(value));
    }
    for (const float gain : {0.0F, 0.01F, 0.5F, 0.95F, 1.0F, 1.37F, 2.5F, 99.99F, 2.1e7F, -0.5F}) {
        std::vector<std::int16_t> expected;
        for (const std::int16_t sample : all) {
            const double product = std::nearbyint(sample * static_cast<double>(gain));
            expected.push_back(static_cast<std::int16_t>(std::clamp(product, -32768.0, 32767.0)));
        }
        EXPECT_EQ(Scaled(all, gain), expected) << "gain " << gain;
    }
}

class NormalizeWav : public ::testing::Test {
protected:
    // A header of 44 recognisable bytes followed by sampleCount samples.
    Bytes MakeWav(std::size_t sampleCount) {
        Bytes bytes(kRipWavHeaderBytes);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(0xF0 + i);
        }
        std::vector<std::int16_t> samples(sampleCount);
        for (std::size_t i = 0; i < sampleCount; ++i) {
            samples[i] = static_cast<std::int16_t>(i * 37 - 20000);
        }
        const Bytes audio = AsBytes(samples);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        return bytes;
    }

    TestFolder m_folder;
    std::vector<std::int32_t> m_progress;
    NormalizeProgress m_record = [this](std::int32_t percent) { m_progress.push_back(percent); };
};

TEST_F(NormalizeWav, ScalesEverySampleAfterTheHeaderInBlocks) {
    const auto path = m_folder / "track.wav";
    const Bytes original = MakeWav(2500);  // 44 + 5000 bytes: blocks of 2048, 2048, 904
    WriteFileBytes(path, original);

    ASSERT_TRUE(NormalizeWavFile(path.string(), 50, 2048, m_record));

    Bytes expected = original;
    ScaleSamples(std::span(expected).subspan(kRipWavHeaderBytes), 0.5F);
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "track.nor"));
    EXPECT_EQ(m_progress, (std::vector<std::int32_t>{0, 41, 82, 100}));
}

TEST_F(NormalizeWav, MissingFileFailsAndLeavesNoTemporaryFile) {
    EXPECT_FALSE(NormalizeWavFile((m_folder / "gone.wav").string(), 50, 2048, m_record));
    EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path()));
    EXPECT_TRUE(m_progress.empty());
}

TEST_F(NormalizeWav, UnwritableTemporaryFileKeepsTheWavFile) {
    // A folder where the ".nor" file should go makes its creation fail.
    const auto path = m_folder / "track.wav";
    const Bytes original = MakeWav(100);
    WriteFileBytes(path, original);
    std::filesystem::create_directory(m_folder / "track.nor");
    EXPECT_FALSE(NormalizeWavFile(path.string(), 50, 2048, m_record));
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(NormalizeWav, WriteFailureKeepsTheWavFileAndRemovesTheTemporaryFile) {
    // A file size limit makes writing the ".nor" file fail halfway, as a full
    // disk would.
    const auto path = m_folder / "track.wav";
    const Bytes original = MakeWav(5000);
    WriteFileBytes(path, original);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(NormalizeWavFile(path.string(), 50, 2048, [](std::int32_t) {}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "track.nor"));
}

}  // namespace
