// SPDX-License-Identifier: GPL-3.0-or-later
// An hour of stereo CD audio, made piece by piece as it is handed over, goes
// through the compressor calls while the process's peak memory stays small
// and flat.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

#include "ape_test_support.h"
#include "audio/codecs/ape/ape_compress_api.h"

namespace ape_test {
namespace {

constexpr size_t kBlocksPerSecond = 44100;
constexpr size_t kBlockBytes = 4;  // 16-bit stereo
constexpr size_t kPieceBytes = 65536;
constexpr int64_t kKib = 1024;

// Peak resident memory of the process (VmHWM), in KiB; -1 when unknown.
int64_t PeakResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            int64_t kib = -1;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

// Lowers the peak to the present resident size, so earlier tests of the
// process do not hide what this one uses.
bool ResetPeakResident() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return clearRefs.good();
}

// Two triangle waves a fifth apart, panned apart, with a little noise:
// cheap to make, yet every frame is coded in full.
class ToneSource {
public:
    // bytes: whole blocks.
    void Fill(uint8_t* out, size_t bytes) {
        for (size_t i = 0; i < bytes; i += kBlockBytes) {
            const int32_t low = Triangle(m_phaseLow += 40000);
            const int32_t high = Triangle(m_phaseHigh += 60000);
            Put(out + i, low + high / 2 + Noise());
            Put(out + i + 2, low / 2 + high + Noise());
        }
    }

private:
    // A triangle of amplitude 8192 over one turn of the 32-bit phase.
    static int32_t Triangle(uint32_t phase) {
        const auto ramp = static_cast<int32_t>(phase >> 16);  // 0..65535
        return (ramp < 32768 ? ramp : 65535 - ramp) / 2 - 8192;
    }
    int32_t Noise() {
        m_noise = m_noise * 1664525U + 1013904223U;
        return static_cast<int32_t>(m_noise >> 27) - 16;
    }
    static void Put(uint8_t* out, int32_t sample) {
        out[0] = static_cast<uint8_t>(sample);
        out[1] = static_cast<uint8_t>(sample >> 8);
    }

    uint32_t m_phaseLow = 0;
    uint32_t m_phaseHigh = 0;
    uint32_t m_noise = 1;
};

std::vector<uint8_t> ReadHead(const std::filesystem::path& path, size_t bytes) {
    std::vector<uint8_t> head(bytes);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<size_t>(file.gcount()));
    return head;
}

struct HandleDestroyer {
    void operator()(APE_COMPRESS_HANDLE handle) const { c_APECompress_Destroy(handle); }
};
using Handle = std::unique_ptr<ape::ApeCompressor, HandleDestroyer>;

// Hands `bytes` (whole blocks) of the tone to the compressor in 64 KiB
// pieces, each in as few calls as its buffer allows; returns the first error
// code, 0 when none.
int FeedTone(APE_COMPRESS_HANDLE handle, ToneSource& source, size_t bytes) {
    std::array<uint8_t, kPieceBytes> piece{};
    int error = 0;
    for (size_t done = 0; done < bytes && error == 0;) {
        const size_t pieceBytes = std::min(piece.size(), bytes - done);
        source.Fill(piece.data(), pieceBytes);
        for (size_t placed = 0; placed < pieceBytes && error == 0;) {
            int available = 0;
            uint8_t* buffer = c_APECompress_LockBuffer(handle, &available);
            const size_t count = std::min(pieceBytes - placed, static_cast<size_t>(available));
            std::copy_n(piece.begin() + static_cast<ptrdiff_t>(placed), count, buffer);
            error = c_APECompress_UnlockBuffer(handle, static_cast<int>(count), 1);
            placed += count;
        }
        done += pieceBytes;
    }
    return error;
}

TEST(ApeLongInput, OneHourOfStereoKeepsPeakMemoryFlat) {
    constexpr size_t kFiveMinutesBytes = 300 * kBlocksPerSecond * kBlockBytes;
    constexpr size_t kHourBytes = 12 * kFiveMinutesBytes;  // 605 MiB
    TestFolder dir;
    const auto path = dir.Path() / "hour.ape";
    int error = 0;
    const Handle handle(c_APECompress_Create(&error));
    ASSERT_EQ(error, 0);
    WaveFormatEx format{};
    FillWaveFormatEx(&format, 44100, 16, 2);
    // Level 1000 is the quickest; its buffers are as large as at 2000 and 3000.
    ASSERT_EQ(c_APECompress_Start(handle.get(), path.c_str(), &format, -1, 1000, nullptr, -1), 0);
    ASSERT_TRUE(ResetPeakResident());
    const int64_t atStart = PeakResidentKib();
    ASSERT_GT(atStart, 0);

    ToneSource source;
    ASSERT_EQ(FeedTone(handle.get(), source, kFiveMinutesBytes), 0);
    const int64_t afterFiveMinutes = PeakResidentKib();
    ASSERT_EQ(FeedTone(handle.get(), source, kHourBytes - kFiveMinutesBytes), 0);
    ASSERT_EQ(c_APECompress_Finish(handle.get(), nullptr, 0, 0), 0);
    const int64_t atEnd = PeakResidentKib();

    // A few frames in flight, against 605 MiB of input; nothing grows once
    // the compressor runs.
    EXPECT_LT(atEnd - atStart, 24 * kKib) << "KiB";
    EXPECT_LT(atEnd - afterFiveMinutes, 4 * kKib) << "KiB";

    const std::vector<uint8_t> head = ReadHead(path, 76);
    ASSERT_EQ(head.size(), 76U);
    const uint64_t blocks =
        uint64_t{ReadLe32(head, 64) - 1} * ReadLe32(head, 56) + ReadLe32(head, 60);
    EXPECT_EQ(blocks, kHourBytes / kBlockBytes);
}

}  // namespace
}  // namespace ape_test
