// SPDX-License-Identifier: GPL-3.0-or-later
//
// Rips a 74-minute disc image of 20 tracks to WAV files and reports seconds
// per disc and MB/s. For comparison the same image is read by cd-paranoia
// (with and without its checks) and its data file copied with cp. The image
// (about 780 MB) is made once per run in a folder under the system's temporary
// folder and removed at exit. The page cache holds it, so the figures measure
// the CPU and file-system cost of a rip, not a drive.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cd/rip_thread.h"
#include "discimage/disc_image.h"
#include "discimage/synth.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTracks = 20;
constexpr std::uint32_t kDiscSectors = 74 * 60 * 75;

class CountingTarget : public MessageTarget {
public:
    void Post(PostedMessage) override { ++m_count; }

private:
    std::atomic<long> m_count{0};
};

// The disc image and a folder for the rips, made on first use.
class BenchDisc {
public:
    static BenchDisc& Instance() {
        static BenchDisc disc;
        return disc;
    }

    BenchDisc(const BenchDisc&) = delete;
    BenchDisc& operator=(const BenchDisc&) = delete;

    ~BenchDisc() {
        if (m_handle != 0) {
            CloseCDHandle(m_handle);
        }
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    const fs::path& Folder() const { return m_folder; }
    fs::path Cue() const { return m_folder / "disc.cue"; }
    fs::path Output() const { return m_folder / "out"; }
    TCDHandle Handle() const { return m_handle; }
    std::int64_t Bytes() const { return std::int64_t{kDiscSectors} * kCDSectorBytes; }

private:
    BenchDisc()
        : m_folder(fs::temp_directory_path() / ("bench_cd_rip_" + std::to_string(::getpid()))) {
        fs::create_directories(Output());
        std::vector<discimage::Pcm> tracks;
        for (int i = 0; i < kTracks; ++i) {
            tracks.push_back(
                discimage::BytePattern(std::size_t{kDiscSectors / kTracks} * kCDSectorBytes,
                                       static_cast<std::uint32_t>(i)));
        }
        if (!discimage::WriteDiscImage(Cue(), tracks).ok) {
            return;
        }
        ::setenv("BRISKLARK_DISC_IMAGES", Cue().c_str(), 1);
        TCDList list;
        if (GetCDList(&list) != 1 || list.Num == 0) {
            return;
        }
        const TCDDriveInfo& drive = list.Drives[list.Num - 1];
        TGetCDHandle request;
        request.Adapter = drive.Adapter;
        request.Target = drive.Target;
        request.Lun = drive.Lun;
        m_handle = GetCDHandle(&request);
    }

    fs::path m_folder;
    TCDHandle m_handle = 0;
};

void ReportDisc(benchmark::State& state, std::int64_t bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["s_per_disc"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RipDiscToWav(benchmark::State& state) {
    BenchDisc& disc = BenchDisc::Instance();
    if (disc.Handle() == 0) {
        state.SkipWithError("the disc image could not be made or opened");
        return;
    }
    TCommonOptions options;
    options.OutputFolder = disc.Output().string();
    options.IsNormalize = state.range(0) != 0;
    options.NormalizePercent = 95;
    CountingTarget target;
    for (auto _ : state) {
        for (int track = 1; track <= kTracks; ++track) {
            TCDRipThread thread(track, "Track" + std::to_string(track), options);
            thread.SetCDHandle(disc.Handle());
            thread.SetNotifyWindow(&target);
            thread.Resume();
        }
    }
    ReportDisc(state, disc.Bytes());
}
BENCHMARK(BM_RipDiscToWav)
    ->ArgName("normalize")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void RunCommand(benchmark::State& state, const std::string& command) {
    BenchDisc& disc = BenchDisc::Instance();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
    ReportDisc(state, disc.Bytes());
}

void BM_CdParanoia(benchmark::State& state) {
    BenchDisc& disc = BenchDisc::Instance();
    const std::string checks = state.range(0) != 0 ? "" : " -Z";
    RunCommand(state, "cd \"" + disc.Output().string() + "\" && cd-paranoia -q" + checks +
                          " -d \"" + disc.Cue().string() + "\" -B >/dev/null 2>&1");
}
BENCHMARK(BM_CdParanoia)
    ->ArgName("paranoia")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_CopyBin(benchmark::State& state) {
    BenchDisc& disc = BenchDisc::Instance();
    const fs::path bin = fs::path(disc.Cue()).replace_extension(".bin");
    RunCommand(state,
               "cp \"" + bin.string() + "\" \"" + (disc.Output() / "copy.bin").string() + "\"");
}
BENCHMARK(BM_CopyBin)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
