// SPDX-License-Identifier: GPL-3.0-or-later
//
// The file converter's WAV to FLAC batch (kind 5, level 5) over 20 files of
// 15 s of music-like 44.1 kHz stereo, against one run of `flac -5` on the
// same files. Each iteration converts the whole batch both ways; "ratio" is
// our processor time (all threads of this process) over flac's (its child
// process), goal at most 1.05; "wall_ratio" compares the elapsed times.
// Needs sox and flac.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "tools/file_converter.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 20;

const fs::path& Folder() {
    static const fs::path folder =
        fs::temp_directory_path() / ("brisklark_converter_bench_" + std::to_string(getpid()));
    return folder;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::abort();
    }
}

// Twenty different files: a sweep to a different top in one channel and
// pink noise in the other.
const std::vector<std::string>& Sources() {
    static const std::vector<std::string> files = [] {
        fs::create_directories(Folder() / "in");
        std::vector<std::string> paths;
        for (int i = 0; i < kFiles; ++i) {
            const std::string wav = (Folder() / "in" / ("f" + std::to_string(i) + ".wav")).string();
            Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 15 sine 100-" +
                std::to_string(2000 + 300 * i) + " pinknoise vol 0.5");
            paths.push_back(wav);
        }
        return paths;
    }();
    return files;
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Processor seconds (user and system) of this process or of its finished
// children.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Delivers the batch's messages on this thread, which serves the pipeline's
// calls to the GUI thread meanwhile.
class BenchView final : public FileConverterView {
public:
    void PostNextFile(int word) override { m_posted.push_back(word); }
    void ShowInputFile(const std::string&, int) override {}
    void ShowOutputFile(const std::string&) override {}
    void ShowProgress(int) override {}
    bool AskOverwrite(const std::string&) override { return true; }
    void ReportFailure(const std::string&, const std::string&) override { std::abort(); }
    void CloseWindow() override {
        m_closed = true;
        m_batch->FormClose();
    }

    void RunBatch(FileConverterBatch& batch) {
        m_batch = &batch;
        while (!m_closed) {
            // The writer's end arrives as a queued call, which posts the
            // next message: wait for it without polling.
            SyncQueue::Instance().RunPendingUntil([this] { return !m_posted.empty(); });
            const int word = m_posted.front();
            m_posted.pop_front();
            batch.NextFile(word);
        }
    }

private:
    FileConverterBatch* m_batch = nullptr;
    std::deque<int> m_posted;
    bool m_closed = false;
};

void BM_WavToFlacBatch(benchmark::State& state) {
    const std::vector<std::string>& sources = Sources();
    const fs::path ours = Folder() / "ours";
    const fs::path theirs = Folder() / "theirs";
    fs::create_directories(ours);
    fs::create_directories(theirs);
    TOptionsSetting settings;
    settings.CommonOptions.OutputFolder = ours.string();
    settings.FLACOptions.Compression = 5;
    std::string flacCommand = "flac -5 -s -f --output-prefix='" + theirs.string() + "/'";
    for (const std::string& source : sources) {
        flacCommand += " '" + source + "'";
    }
    double ourCpu = 0;
    double theirCpu = 0;
    double ourWall = 0;
    double theirWall = 0;
    for (auto _ : state) {
        const double cpuStart = CpuSeconds(RUSAGE_SELF);
        const Clock::time_point start = Clock::now();
        {
            BenchView view;
            FileConverterBatch batch(5, sources, settings, {}, view);
            view.RunBatch(batch);
        }
        const std::chrono::duration<double> wall = Clock::now() - start;
        ourCpu += CpuSeconds(RUSAGE_SELF) - cpuStart;
        ourWall += wall.count();

        const double childStart = CpuSeconds(RUSAGE_CHILDREN);
        const Clock::time_point flacStart = Clock::now();
        Run(flacCommand);
        const std::chrono::duration<double> flacWall = Clock::now() - flacStart;
        theirCpu += CpuSeconds(RUSAGE_CHILDREN) - childStart;
        theirWall += flacWall.count();
        state.SetIterationTime(wall.count());
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["cpu_s"] = ourCpu / iterations;
    state.counters["flac_cpu_s"] = theirCpu / iterations;
    state.counters["ratio"] = ourCpu / theirCpu;
    state.counters["wall_ratio"] = ourWall / theirWall;
}
BENCHMARK(BM_WavToFlacBatch)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    return 0;
}
