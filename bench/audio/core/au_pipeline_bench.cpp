// SPDX-License-Identifier: GPL-3.0-or-later
// Moves 1 GiB of PCM from a memory input into an output that discards it,
// once through the core (worker thread, progress, locks) and once in a plain
// loop on the calling thread; the difference per block is the core's cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "audio/core/au_sync_queue.h"

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

// Copies one block per DoOutput (as encoders do) and drops it. Measures the
// run on the worker from Prepare to Done (excludes the done-event delay).
class NullOutput : public TAuOutput {
public:
    explicit NullOutput(std::size_t blockBytes) : m_block(blockBytes) {}
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
    std::vector<std::uint8_t> m_block;
    std::chrono::steady_clock::time_point m_start;
};

void BM_ThroughCore(benchmark::State& state) {
    const auto blockBytes = static_cast<std::size_t>(state.range(0));
    RepeatingInput input;
    NullOutput output(blockBytes);
    output.SetInput(&input);
    bool done = false;
    output.OnDone = [&](TComponent*) { done = true; };
    std::int64_t blocks = 0;
    for (auto _ : state) {
        done = false;
        output.Run();
        SyncQueue::Instance().RunPendingUntil([&] { return done; });
        state.SetIterationTime(static_cast<double>(output.RunNanoseconds) * 1e-9);
        blocks += output.Blocks;
    }
    state.SetBytesProcessed(state.iterations() * kTotalBytes);
    state.counters["ns_per_block"] = benchmark::Counter(
        static_cast<double>(blocks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ThroughCore)
    ->Arg(4096)
    ->Arg(16384)
    ->Arg(65536)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_PlainLoop(benchmark::State& state) {
    const auto blockBytes = static_cast<std::size_t>(state.range(0));
    RepeatingInput input;
    std::vector<std::uint8_t> block(blockBytes);
    std::uint64_t sink = 0;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        input.Init();
        while (CopyData(input, block.data(), block.size()) > 0) {
            sink += block[0];
            ++blocks;
        }
        input.Flush();
    }
    benchmark::DoNotOptimize(sink);
    state.SetBytesProcessed(state.iterations() * kTotalBytes);
    state.counters["ns_per_block"] = benchmark::Counter(
        static_cast<double>(blocks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlainLoop)->Arg(4096)->Arg(16384)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
