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
#include <string>

#include "audio/codecs/flac_out.h"
#include "audio/codecs/mp3_out.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/wav/wave_in.h"
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

void Compare(benchmark::State& state, TAuFileOut& output, const std::string& extension,
             const std::string& reference) {
    TWaveIn input;
    input.SetFileName(SourceWav());
    output.SetInput(&input);
    output.SetFileName((ScratchFolder() / ("ours" + extension)).string());
    CompareWithCommand(state, output, reference);
}

void BM_FlacLevel5(benchmark::State& state) {
    TFLACOut output;
    output.SetCompressionLevel(5);
    Compare(
        state, output, ".flac",
        "flac -5 -s -f -o " + Quoted(ScratchFolder() / "theirs.flac") + " " + Quoted(SourceWav()));
}

void BM_Mp3Cbr128(benchmark::State& state) {
    TMP3Out output;  // br128, quality 5, stereo
    Compare(state, output, ".mp3",
            "lame --quiet -b 128 -q 5 -m s " + Quoted(SourceWav()) + " " +
                Quoted(ScratchFolder() / "theirs.mp3"));
}

void BM_VorbisQuality2(benchmark::State& state) {
    TVorbisOut output;  // Compression 0.2
    Compare(
        state, output, ".ogg",
        "oggenc -Q -q 2 -o " + Quoted(ScratchFolder() / "theirs.ogg") + " " + Quoted(SourceWav()));
}

BENCHMARK(BM_FlacLevel5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mp3Cbr128)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VorbisQuality2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
