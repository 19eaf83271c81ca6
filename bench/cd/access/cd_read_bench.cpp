// SPDX-License-Identifier: GPL-3.0-or-later
//
// Reads a 10-minute disc image (45 000 sectors, about 106 MB) through
// ReadCDAudioLBA, 10 sectors per call as the rip thread does and 26 per call,
// and reports MB/s. The image is made once per run under the system's
// temporary folder and removed at exit; the page cache holds it, so the
// figures measure the module's overhead, not a drive.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

#include "cd/access/cd_access.h"
#include "support/bench_disc.h"
#include "support/bench_support.h"

namespace {

constexpr std::uint32_t kDiscSectors = 10 * 60 * 75;

// Made on first use.
const BenchDisc& Disc() {
    static const BenchDisc disc(kDiscSectors, 10);
    if (disc.Handle() == 0) {
        std::abort();
    }
    return disc;
}

void BM_ReadWholeDisc(benchmark::State& state) {
    const TCDHandle handle = Disc().Handle();
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

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
