// SPDX-License-Identifier: GPL-3.0-or-later
//
// The file converter's WAV to FLAC batch (kind 5, level 5) over 20 files of
// 15 s of music-like 44.1 kHz stereo, against one run of `flac -5` on the
// same files. Each iteration converts the whole batch both ways; "ratio" is
// our processor time (all threads of this process) over flac's (its child
// process), goal at most 1.05; "wall_ratio" compares the elapsed times.
// Then the same files to FLAC through an encoder pool of one slot per core
// against a pool of one slot, as a driver without windows runs it (no pause
// before the done events). Needs sox and flac.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/core/au_pump.h"
#include "audio/core/au_sync_queue.h"
#include "settings/encoders/encoder_pool.h"
#include "support/bench_support.h"
#include "tools/file_converter.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 20;

// Twenty different files: a sweep to a different top in one channel and
// pink noise in the other.
const std::vector<std::string>& Sources() {
    static const std::vector<std::string> files = [] {
        fs::create_directories(ScratchFolder() / "in");
        std::vector<std::string> paths;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path wav = ScratchFolder() / "in" / ("f" + std::to_string(i) + ".wav");
            MakeSweepWav(wav, 15, 2000 + 300 * i);
            paths.push_back(wav.string());
        }
        return paths;
    }();
    return files;
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
    const fs::path ours = ScratchFolder() / "ours";
    const fs::path theirs = ScratchFolder() / "theirs";
    fs::create_directories(ours);
    fs::create_directories(theirs);
    TOptionsSetting settings;
    settings.CommonOptions.OutputFolder = ours.string();
    settings.FLACOptions.Compression = 5;
    std::string flacCommand = "flac -5 -s -f --output-prefix=" + Quoted(theirs.string() + "/");
    for (const std::string& source : sources) {
        flacCommand += " " + Quoted(source);
    }
    Cost ourCost;
    Cost theirCost;
    for (auto _ : state) {
        const Cost run = Measure(RUSAGE_SELF, [&] {
            BenchView view;
            FileConverterBatch batch(5, sources, settings, {}, view);
            view.RunBatch(batch);
        });
        ourCost += run;
        theirCost += CostOfCommand(flacCommand);
        state.SetIterationTime(run.wall);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["cpu_s"] = ourCost.cpu / iterations;
    state.counters["flac_cpu_s"] = theirCost.cpu / iterations;
    state.counters["ratio"] = ourCost.cpu / theirCost.cpu;
    state.counters["wall_ratio"] = ourCost.wall / theirCost.wall;
}
BENCHMARK(BM_WavToFlacBatch)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

// Encodes every source to FLAC through a pool of `slots`, starting a job
// whenever a slot is free.
Cost EncodeInPool(std::size_t slots, const fs::path& folder) {
    const std::vector<std::string>& sources = Sources();
    TOptionsSetting settings;
    settings.FLACOptions.Compression = 5;
    return Measure(RUSAGE_SELF, [&] {
        EncoderPool pool(slots, std::chrono::milliseconds(0));
        pool.OnDone = [](std::size_t, const std::string& message) {
            if (!message.empty()) {
                std::abort();
            }
        };
        std::size_t next = 0;
        while (next < sources.size() || pool.Running() > 0) {
            while (next < sources.size() && pool.HasFreeSlot()) {
                const fs::path out = folder / ("f" + std::to_string(next) + ".flac");
                pool.Start({nullptr, sources[next], ofFLAC, out.string(), {}, {}}, settings);
                ++next;
            }
            const std::size_t running = pool.Running();
            PumpEventsUntil([&] { return pool.Running() < running; });
        }
    });
}

void BM_PoolVsOneAtATime(benchmark::State& state) {
    const fs::path folder = ScratchFolder() / "pool";
    fs::create_directories(folder);
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    Cost pooled;
    Cost alone;
    for (auto _ : state) {
        const Cost run = EncodeInPool(cores, folder);
        pooled += run;
        alone += EncodeInPool(1, folder);
        state.SetIterationTime(run.wall);
    }
    ReportComparison(state, pooled, alone);
    state.counters["slots"] = static_cast<double>(cores);
}
BENCHMARK(BM_PoolVsOneAtATime)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
