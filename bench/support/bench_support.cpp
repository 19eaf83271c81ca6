// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/bench_support.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "audio/core/au_sync_queue.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("brisklark_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
    return 0;
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::abort();
    }
}

void MakeSweepWav(const std::filesystem::path& wav, int seconds, int topHertz) {
    Shell("sox -n -r 44100 -c 2 -b 16 " + Quoted(wav) + " synth " + std::to_string(seconds) +
          " sine 100-" + std::to_string(topHertz) + " pinknoise vol 0.5");
}

double CpuSeconds(const rusage& usage) {
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return CpuSeconds(usage);
}

Cost Measure(int who, const std::function<void()>& work) {
    const double cpu = CpuSeconds(who);
    const Clock::time_point start = Clock::now();
    work();
    const std::chrono::duration<double> wall = Clock::now() - start;
    return {wall.count(), CpuSeconds(who) - cpu};
}

double TimeRun(TAuOutput& output) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    output.OnDone = [done](TComponent*) { *done = true; };
    SyncQueue& queue = SyncQueue::Instance();
    const Clock::time_point start = Clock::now();
    output.Run();
    // Busy changes without waking the queue: poll it every millisecond.
    const auto pollUntil = [&queue](const std::function<bool()>& condition) {
        while (!queue.RunPendingUntil(condition, std::chrono::milliseconds(1))) {
        }
    };
    pollUntil([&] { return output.Busy() || *done; });
    pollUntil([&] { return !output.Busy(); });
    const std::chrono::duration<double> seconds = Clock::now() - start;
    queue.RunPendingUntil([done] { return done->load(); });
    if (!output.ExceptionMessage().empty()) {
        std::abort();
    }
    return seconds.count();
}

Cost CostOfRun(TAuOutput& output) {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    const double wall = TimeRun(output);
    return {wall, CpuSeconds(RUSAGE_SELF) - cpu};
}

Cost CostOfCommand(const std::string& command) {
    return Measure(RUSAGE_CHILDREN, [&command] { Shell(command); });
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

void ReportComparison(benchmark::State& state, const Cost& ours, const Cost& reference) {
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["ratio"] = ours.wall / reference.wall;
    state.counters["cpu_ratio"] = ours.cpu / reference.cpu;
    state.counters["ours_s"] = ours.wall / iterations;
    state.counters["ours_cpu_s"] = ours.cpu / iterations;
    state.counters["reference_s"] = reference.wall / iterations;
    state.counters["reference_cpu_s"] = reference.cpu / iterations;
}

void CompareWithCommand(benchmark::State& state, TAuOutput& output, const std::string& reference) {
    Cost ours;
    Cost theirs;
    for (auto _ : state) {
        const Cost run = CostOfRun(output);
        ours += run;
        theirs += CostOfCommand(reference);
        state.SetIterationTime(run.wall);
    }
    ReportComparison(state, ours, theirs);
    output.SetInput(nullptr);
}
