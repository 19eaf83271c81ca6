// SPDX-License-Identifier: GPL-3.0-or-later
// The file's container (descriptor, header, seek table, MD5) and the
// C-style calls' buffer handling and errors.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include "ape_test_support.h"
#include "audio/codecs/ape/ape_compress_api.h"
#include "audio/codecs/ape/ape_errors.h"

namespace ape_test {
namespace {

constexpr size_t kFirstSeekEntry = 76;

// MD5 of a file computed by md5sum, in hexadecimal.
std::string Md5Sum(const std::filesystem::path& path) {
    return RunCommand("md5sum " + ShellQuote(path.string())).Output.substr(0, 32);
}

std::string Hex(const std::vector<uint8_t>& bytes, size_t offset, size_t count) {
    std::string text;
    for (size_t i = offset; i < offset + count; ++i) {
        std::array<char, 3> digits{};
        std::snprintf(digits.data(), digits.size(), "%02x", bytes[i]);
        text += digits.data();
    }
    return text;
}

TEST(ApeContainer, SeekTableSizesAndStoredMd5DescribeAMultiFrameFile) {
    TestFolder dir;
    const auto path = dir.Path() / "multi.ape";
    const size_t blocks = 3 * 73728 + 1000;
    const std::vector<uint8_t> pcm = MakePcm(Signal::kMonoInStereo, {2, 16}, blocks);
    ASSERT_EQ(EncodeApe(path, pcm, {2, 16}, 2000), 0);
    const std::vector<uint8_t> file = ReadFile(path);

    const uint32_t seekBytes = ReadLe32(file, 16);
    const uint32_t frameDataBytes = ReadLe32(file, 24);
    ASSERT_EQ(seekBytes, 4U * 4);  // exactly one entry per frame
    EXPECT_EQ(ReadLe32(file, 56), 73728U);
    EXPECT_EQ(ReadLe32(file, 60), 1000U);  // final frame blocks
    EXPECT_EQ(ReadLe32(file, 64), 4U);     // total frames
    const uint32_t firstFrame = kFirstSeekEntry + seekBytes;
    EXPECT_EQ(file.size(), firstFrame + frameDataBytes);
    EXPECT_EQ(ReadLe32(file, kFirstSeekEntry), firstFrame);
    for (uint32_t i = 1; i < 4; ++i) {
        EXPECT_GT(ReadLe32(file, kFirstSeekEntry + 4 * i),
                  ReadLe32(file, kFirstSeekEntry + 4 * i - 4));
    }

    // The stored MD5 covers the frame data, then the header and seek table.
    std::vector<uint8_t> hashed(file.begin() + firstFrame, file.end());
    hashed.insert(hashed.end(), file.begin() + 52, file.begin() + firstFrame);
    const auto hashedPath = dir.Path() / "hashed.bin";
    WriteFile(hashedPath, hashed);
    EXPECT_EQ(Hex(file, 36, 16), Md5Sum(hashedPath));
}

TEST(ApeContainer, PieceSizesDoNotChangeTheFile) {
    TestFolder dir;
    const PcmFormat format{2, 24};
    const std::vector<uint8_t> pcm = MakePcm(Signal::kSweep, format, 73728 + 4321);
    ASSERT_EQ(EncodeApe(dir.Path() / "whole.ape", pcm, format, 3000, pcm.size()), 0);
    const std::vector<uint8_t> reference = ReadFile(dir.Path() / "whole.ape");
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}, size_t{65532}}) {
        const auto path = dir.Path() / ("piece" + std::to_string(piece) + ".ape");
        ASSERT_EQ(EncodeApe(path, pcm, format, 3000, piece), 0);
        EXPECT_TRUE(ReadFile(path) == reference) << "pieces of " << piece << " bytes";
    }
}

class ApeCalls : public testing::Test {
protected:
    void SetUp() override {
        m_handle = c_APECompress_Create(&m_error);
        ASSERT_EQ(m_error, 0);
        ASSERT_NE(m_handle, nullptr);
    }
    void TearDown() override { c_APECompress_Destroy(m_handle); }

    int Start(int sampleRate, int bits, int channels, int level, int maxAudioBytes = -1) {
        WaveFormatEx format{};
        FillWaveFormatEx(&format, sampleRate, bits, channels);
        return c_APECompress_Start(m_handle, Target().c_str(), &format, maxAudioBytes, level,
                                   nullptr, -1);
    }
    int Add(size_t bytes) {
        int available = 0;
        unsigned char* buffer = c_APECompress_LockBuffer(m_handle, &available);
        std::fill_n(buffer, bytes, uint8_t{0x11});
        return c_APECompress_UnlockBuffer(m_handle, static_cast<int>(bytes), 1);
    }
    [[nodiscard]] std::filesystem::path Target() const { return m_dir.Path() / "out.ape"; }

    TestFolder m_dir;
    int m_error = -1;
    APE_COMPRESS_HANDLE m_handle = nullptr;
};

TEST_F(ApeCalls, UnsupportedFormatsAndLevelsAreRefused) {
    EXPECT_EQ(Start(44100, 12, 2, 2000), ape::kErrorUnsupportedBitDepth);
    EXPECT_EQ(Start(44100, 32, 2, 2000), ape::kErrorUnsupportedBitDepth);
    EXPECT_EQ(Start(44100, 16, 3, 2000), ape::kErrorUnsupportedChannelCount);
    EXPECT_EQ(Start(44100, 16, 0, 2000), ape::kErrorUnsupportedChannelCount);
    EXPECT_EQ(Start(0, 16, 2, 2000), ape::kErrorUnsupportedSampleRate);
    EXPECT_EQ(Start(44100, 16, 2, 1500), ape::kErrorBadParameter);
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_EQ(Start(44100, 16, 2, 2000), 0);  // a refused start leaves the handle usable
}

TEST_F(ApeCalls, OutputInAMissingFolderIsAnInvalidOutputFile) {
    WaveFormatEx format{};
    FillWaveFormatEx(&format, 44100, 16, 2);
    const auto target = m_dir.Path() / "missing" / "out.ape";
    EXPECT_EQ(c_APECompress_Start(m_handle, target.c_str(), &format, -1, 2000, nullptr, -1),
              ape::kErrorInvalidOutputFile);
}

TEST_F(ApeCalls, EmptyInputIsAnErrorAndLeavesNoFile) {
    ASSERT_EQ(Start(44100, 16, 2, 2000), 0);
    ASSERT_EQ(Add(3), 0);  // less than one block
    EXPECT_EQ(c_APECompress_Finish(m_handle, nullptr, 0, 0), ape::kErrorInputTooSmall);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(ApeCalls, DestroyWithoutFinishLeavesNoFile) {
    ASSERT_EQ(Start(44100, 16, 2, 2000), 0);
    ASSERT_EQ(Add(73728 * 4), 0);
    ASSERT_EQ(Add(40), 0);
    c_APECompress_Destroy(m_handle);
    m_handle = nullptr;
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(ApeCalls, BufferOffersTheRestOfOneFrame) {
    int available = 0;
    EXPECT_EQ(c_APECompress_LockBuffer(m_handle, &available), nullptr);  // not started
    EXPECT_EQ(available, 0);
    ASSERT_EQ(Start(44100, 16, 2, 4000), 0);
    ASSERT_NE(c_APECompress_LockBuffer(m_handle, &available), nullptr);
    EXPECT_EQ(available, 294912 * 4);
    ASSERT_EQ(Add(1000), 0);
    ASSERT_NE(c_APECompress_LockBuffer(m_handle, &available), nullptr);
    EXPECT_EQ(available, 294912 * 4 - 1000);
    EXPECT_EQ(c_APECompress_UnlockBuffer(m_handle, available + 1, 1), ape::kErrorBadParameter);
    ASSERT_EQ(Add(static_cast<size_t>(available)), 0);  // completes and encodes the frame
    ASSERT_NE(c_APECompress_LockBuffer(m_handle, &available), nullptr);
    EXPECT_EQ(available, 294912 * 4);
}

TEST_F(ApeCalls, MoreDataThanAnnouncedIsRefused) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    ASSERT_EQ(Start(44100, 16, 2, 2000, 4000), 0);
    ASSERT_EQ(Add(4000), 0);
    EXPECT_EQ(Add(4), ape::kErrorTooMuchData);
    EXPECT_EQ(c_APECompress_Finish(m_handle, nullptr, 0, 0), 0);
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(DecodeWithFfmpeg(Target(), 16, decoded));
    EXPECT_EQ(decoded, std::vector<uint8_t>(4000, 0x11));
}

TEST_F(ApeCalls, CallsAfterFinishAreRefused) {
    ASSERT_EQ(Start(44100, 8, 1, 1000), 0);
    ASSERT_EQ(Add(10), 0);
    ASSERT_EQ(c_APECompress_Finish(m_handle, nullptr, 0, 0), 0);
    int available = 0;
    EXPECT_EQ(c_APECompress_LockBuffer(m_handle, &available), nullptr);
    EXPECT_EQ(c_APECompress_UnlockBuffer(m_handle, 1, 1), ape::kErrorBadParameter);
    EXPECT_EQ(c_APECompress_Finish(m_handle, nullptr, 0, 0), ape::kErrorBadParameter);
    EXPECT_EQ(Start(44100, 8, 1, 1000), ape::kErrorBadParameter);
}

}  // namespace
}  // namespace ape_test
