// SPDX-License-Identifier: GPL-3.0-or-later
//
// Reads a 10-minute disc image (45 000 sectors, about 106 MB) through
// ReadCDAudioLBA, 10 sectors per call as the rip thread does and 26 per call,
// and reports MB/s. The image is made once per run under the system's
// temporary folder and removed at exit; the page cache holds it, so the
// figures measure the module's overhead, not a drive.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cd/access/cd_access.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"

namespace {

constexpr std::uint32_t kDiscSectors = 10 * 60 * 75;

// The image, listed as a drive, and an open handle on it; made on first use.
class BenchDisc {
public:
    static BenchDisc& Instance() {
        static BenchDisc disc;
        return disc;
    }
    BenchDisc(const BenchDisc&) = delete;
    BenchDisc& operator=(const BenchDisc&) = delete;

    TCDHandle Handle() const { return m_handle; }

private:
    BenchDisc()
        : m_dir(std::filesystem::temp_directory_path() /
                ("brisklark_bench_cd_access_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_dir);
        const auto cue = m_dir / "bench.cue";
        const std::uint32_t perTrack = kDiscSectors / 10;
        std::vector<discimage::Pcm> tracks;
        for (std::uint32_t k = 0; k < 10; ++k) {
            tracks.push_back(discimage::BytePattern(std::size_t{perTrack} * kCDSectorBytes, k));
        }
        if (!discimage::WriteDiscImage(cue, tracks).ok) {
            std::abort();
        }
        m_handle = OpenImageDrive(cue);
        if (m_handle == 0) {
            std::abort();
        }
    }
    ~BenchDisc() {
        CloseCDHandle(m_handle);
        std::filesystem::remove_all(m_dir);
    }

    std::filesystem::path m_dir;
    TCDHandle m_handle = 0;
};

void BM_ReadWholeDisc(benchmark::State& state) {
    const TCDHandle handle = BenchDisc::Instance().Handle();
    const auto perCall = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        for (std::uint32_t start = 0; start < kDiscSectors; start += perCall) {
            TTrackBuf buffer = MakeTrackBuf(start, std::min(perCall, kDiscSectors - start));
            if (ReadCDAudioLBA(handle, &buffer) != 1) {
                state.SkipWithError("read failed");
                return;
            }
            benchmark::DoNotOptimize(buffer.Buf.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDiscSectors *
                            kCDSectorBytes);
}
BENCHMARK(BM_ReadWholeDisc)->Arg(10)->Arg(26)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
