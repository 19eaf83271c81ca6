// SPDX-License-Identifier: GPL-3.0-or-later
//
// Our MP3, Ogg Vorbis and FLAC outputs against the reference command-line
// encoders with the same settings, on the same five-minute 44.1 kHz stereo
// WAV file in the same run. Each iteration times both; the "ratio" and
// "cpu_ratio" counters are our wall and processor time over theirs (goal: at
// most 1.02). One iteration each; --benchmark_repetitions repeats them (bench/run
// takes the median). Needs sox, flac, lame, oggenc.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "audio/wav/wave_in.h"
#include "bench_outputs.h"
#include "support/bench_support.h"

namespace {

// Five minutes of a slow sweep in one channel and pink noise in the other.
const std::string& SourceWav() {
    static const std::string path = [] {
        const std::string wav = (ScratchFolder() / "source.wav").string();
        MakeSweepWav(wav, 300, 8000);
        return wav;
    }();
    return path;
}

// Our output for format against the reference command.
void Compare(benchmark::State& state, std::string_view format, const std::string& extension,
             const std::string& reference) {
    TWaveIn input;
    input.SetFileName(SourceWav());
    const std::unique_ptr<TAuFileOut> output = MakeBenchOutput(format);
    output->SetInput(&input);
    output->SetFileName((ScratchFolder() / ("ours" + extension)).string());
    CompareWithCommand(state, *output, reference);
}

void BM_FlacLevel5(benchmark::State& state) {
    Compare(
        state, "flac", ".flac",
        "flac -5 -s -f -o " + Quoted(ScratchFolder() / "theirs.flac") + " " + Quoted(SourceWav()));
}

void BM_Mp3Cbr128(benchmark::State& state) {
    Compare(state, "mp3", ".mp3",
            "lame --quiet -b 128 -q 5 -m s " + Quoted(SourceWav()) + " " +
                Quoted(ScratchFolder() / "theirs.mp3"));
}

void BM_VorbisQuality2(benchmark::State& state) {
    Compare(
        state, "vorbis", ".ogg",
        "oggenc -Q -q 2 -o " + Quoted(ScratchFolder() / "theirs.ogg") + " " + Quoted(SourceWav()));
}

BENCHMARK(BM_FlacLevel5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mp3Cbr128)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VorbisQuality2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
