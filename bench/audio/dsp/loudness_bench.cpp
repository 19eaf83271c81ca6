// SPDX-License-Identifier: GPL-3.0-or-later
//
// The cost of measuring a ripped track's loudness for ReplayGain: four
// minutes of 44.1 kHz stereo fed to TLoudnessMeter in the rip's blocks of
// ten sectors, beside `flac -5` encoding the same file, the work a rip to
// FLAC does for the track anyway. "ratio" and "cpu_ratio" are the meter's
// wall and processor time over flac's. One iteration; --benchmark_repetitions
// repeats it. Needs sox and flac.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "audio/dsp/loudness_meter.h"
#include "audio/wav/wave_in.h"
#include "support/bench_support.h"

namespace {

constexpr int kSeconds = 240;
// Samples of the rip's ten 2352-byte sectors.
constexpr std::size_t kRipBlockSamples = 10 * 2352 / 2;

const std::string& SourceWav() {
    static const std::string path = [] {
        const std::string wav = (ScratchFolder() / "track.wav").string();
        MakeSweepWav(wav, kSeconds, 8000);
        return wav;
    }();
    return path;
}

// The file's samples, read once outside the timed part.
std::vector<std::int16_t> SourceSamples() {
    TWaveIn input;
    input.SetFileName(SourceWav());
    input.Init();
    std::vector<std::int16_t> samples;
    for (;;) {
        const std::uint8_t* buffer = nullptr;
        std::size_t bytes = 65536;
        input.GetData(buffer, bytes);
        if (bytes == 0) {
            break;
        }
        const std::size_t end = samples.size();
        samples.resize(end + bytes / 2);
        std::memcpy(samples.data() + end, buffer, bytes / 2 * 2);
    }
    input.Flush();
    return samples;
}

void BM_LoudnessVsFlac(benchmark::State& state) {
    const std::vector<std::int16_t> samples = SourceSamples();
    const std::string flac =
        "flac -5 -s -f -o " + Quoted(ScratchFolder() / "track.flac") + " " + Quoted(SourceWav());
    Cost ours;
    Cost reference;
    for (auto _ : state) {
        const Cost run = Measure(RUSAGE_SELF, [&] {
            TLoudnessMeter meter(2, 44100);
            const std::span<const std::int16_t> all(samples);
            for (std::size_t at = 0; at < all.size(); at += kRipBlockSamples) {
                meter.Add(all.subspan(at, std::min(kRipBlockSamples, all.size() - at)));
            }
            benchmark::DoNotOptimize(meter.Track());
        });
        ours += run;
        reference += CostOfCommand(flac);
        state.SetIterationTime(run.wall);
    }
    ReportComparison(state, ours, reference);
}

BENCHMARK(BM_LoudnessVsFlac)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
