// SPDX-License-Identifier: GPL-3.0-or-later
// Moves 1 GiB of PCM from a memory input into an output that discards it,
// once through the core (worker thread, progress, locks) and once in a plain
// loop on the calling thread, side by side; the difference per block is the
// core's cost.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <span>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "audio/core/au_sync_queue.h"
#include "support/bench_support.h"

namespace {

constexpr std::int64_t kTotalBytes = std::int64_t{1} << 30;

// Delivers kTotalBytes from a 1 MiB pattern, as 16-bit stereo 44100 Hz.
class RepeatingInput : public TAuInput {
public:
    RepeatingInput() : m_data(1 << 20) {
        for (std::size_t i = 0; i < m_data.size(); ++i) {
            m_data[i] = static_cast<std::uint8_t>(i * 31);
        }
    }
    ~RepeatingInput() override { NotifyDestruction(); }
    const std::uint8_t* Data() const { return m_data.data(); }
    int BitsPerSample() override { return 16; }
    int Channels() override { return 2; }
    int SampleRate() override { return 44100; }

protected:
    void InitInternal() override {
        m_position = 0;
        m_size = kTotalBytes;
        m_sampleSize = 4;
        m_busy = true;
    }
    void FlushInternal() override { m_busy = false; }
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override {
        const std::int64_t left = kTotalBytes - m_position;
        const std::size_t offset = static_cast<std::size_t>(m_position) % m_data.size();
        bytes = std::min({bytes, m_data.size() - offset, static_cast<std::size_t>(left)});
        buffer = m_data.data() + offset;
        m_position += static_cast<std::int64_t>(bytes);
    }

private:
    std::vector<std::uint8_t> m_data;
};

constexpr std::uintptr_t kCacheLine = 64;

// Copies one block per DoOutput (as encoders do) and drops it. Measures the
// run on the worker from Prepare to Done (excludes the done-event delay).
class NullOutput : public TAuOutput {
public:
    // Copies into block, which the caller keeps.
    explicit NullOutput(std::span<std::uint8_t> block) : m_block(block) {}
    ~NullOutput() override { Stop(false); }

    std::atomic<std::int64_t> Blocks{0};
    std::atomic<std::int64_t> RunNanoseconds{0};
    std::atomic<std::uint64_t> Sink{0};

protected:
    void Prepare() override {
        m_start = std::chrono::steady_clock::now();
        Blocks = 0;
        Input()->Init();
    }
    bool DoOutput(bool abort) override {
        if (abort) {
            return false;
        }
        if (CopyData(*Input(), m_block.data(), m_block.size()) == 0) {
            return false;
        }
        Sink += m_block[0];
        ++Blocks;
        return true;
    }
    void Done() override {
        Input()->Flush();
        RunNanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - m_start)
                             .count();
    }

private:
    std::span<std::uint8_t> m_block;
    std::chrono::steady_clock::time_point m_start;
};

// The plain loop: the same input and block copies on the calling thread.
std::int64_t CopyPlainly(RepeatingInput& input, std::span<std::uint8_t> block,
                         std::uint64_t& sink) {
    std::int64_t blocks = 0;
    input.Init();
    while (CopyData(input, block.data(), block.size()) > 0) {
        sink += block[0];
        ++blocks;
    }
    input.Flush();
    return blocks;
}

// Each iteration moves the data once through the core and once in the plain
// loop. Counters: ratio and cpu_ratio (core over plain loop, wall and
// processor time), the seconds behind them, and the nanoseconds per block of
// each and of the difference.
void BM_CoreVsPlainLoop(benchmark::State& state) {
    const auto blockBytes = static_cast<std::size_t>(state.range(0));
    RepeatingInput input;
    // One block buffer for both, at the source's offset within 64 bytes:
    // memcpy's speed depends on how source and target are aligned to each
    // other (20 times slower at some offsets on the 2-core machine), which
    // must not pass for a cost of the core.
    std::vector<std::uint8_t> storage(blockBytes + kCacheLine);
    const auto skew = (reinterpret_cast<std::uintptr_t>(input.Data()) -
                       reinterpret_cast<std::uintptr_t>(storage.data())) %
                      kCacheLine;
    const auto block = std::span(storage).subspan(skew, blockBytes);
    NullOutput output(block);
    output.SetInput(&input);
    bool done = false;
    output.OnDone = [&](TComponent*) { done = true; };
    std::uint64_t sink = 0;
    std::int64_t blocks = 0;
    Cost core;
    Cost plain;
    for (auto _ : state) {
        done = false;
        const double cpu = CpuSeconds(RUSAGE_SELF);
        output.Run();
        SyncQueue::Instance().RunPendingUntil([&] { return done; });
        const double wall = static_cast<double>(output.RunNanoseconds) * 1e-9;
        core += Cost{wall, CpuSeconds(RUSAGE_SELF) - cpu};
        blocks += output.Blocks;
        plain += Measure(RUSAGE_SELF, [&] { CopyPlainly(input, block, sink); });
        state.SetIterationTime(wall);
    }
    benchmark::DoNotOptimize(sink);
    state.SetBytesProcessed(state.iterations() * kTotalBytes);
    ReportComparison(state, core, plain);
    const double perBlock = 1e9 / static_cast<double>(blocks);
    state.counters["core_ns_per_block"] = core.wall * perBlock;
    state.counters["plain_ns_per_block"] = plain.wall * perBlock;
    state.counters["overhead_ns_per_block"] = (core.wall - plain.wall) * perBlock;
}
BENCHMARK(BM_CoreVsPlainLoop)
    ->Arg(4096)
    ->Arg(16384)
    ->Arg(65536)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
