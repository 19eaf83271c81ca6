// SPDX-License-Identifier: GPL-3.0-or-later
//
// The Windows Media components against the ffmpeg program on the same
// five-minute 44.1 kHz stereo file in the same run: WAV to WMA at 128 kbit/s
// through TWMAOut, and MP3 to WAV through TMP3In and TWaveOut. The "ratio"
// and "cpu_ratio" counters are our wall and processor time over ffmpeg's
// (goal: at most 1.02). One iteration each; --benchmark_repetitions repeats
// them (bench/run takes the median). Needs sox, lame, ffmpeg.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "audio/codecs/wm_in.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "bench_outputs.h"
#include "support/bench_support.h"

namespace {

// Five minutes of a slow sweep in one channel and pink noise in the other.
const std::filesystem::path& SourceWav() {
    static const std::filesystem::path wav = [] {
        const std::filesystem::path path = ScratchFolder() / "source.wav";
        MakeSweepWav(path, 300, 8000);
        return path;
    }();
    return wav;
}

const std::filesystem::path& SourceMp3() {
    static const std::filesystem::path mp3 = [] {
        const std::filesystem::path path = ScratchFolder() / "source.mp3";
        Shell("lame --quiet -b 128 " + Quoted(SourceWav()) + " " + Quoted(path));
        return path;
    }();
    return mp3;
}

void BM_WavToWma128(benchmark::State& state) {
    TWaveIn input;
    input.SetFileName(SourceWav().string());
    const std::unique_ptr<TAuFileOut> output = MakeBenchOutput("wma");
    output->SetInput(&input);
    output->SetFileName((ScratchFolder() / "ours.wma").string());
    CompareWithCommand(state, *output,
                       "ffmpeg -v error -y -i " + Quoted(SourceWav()) + " -c:a wmav2 -b:a 128k " +
                           Quoted(ScratchFolder() / "theirs.wma"));
}

void BM_Mp3ToWav(benchmark::State& state) {
    TMP3In input;
    input.SetFileName(SourceMp3().string());
    TWaveOut output;
    output.SetInput(&input);
    output.SetFileName((ScratchFolder() / "ours.wav").string());
    CompareWithCommand(state, output,
                       "ffmpeg -v error -y -i " + Quoted(SourceMp3()) + " " +
                           Quoted(ScratchFolder() / "theirs.wav"));
}

BENCHMARK(BM_WavToWma128)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mp3ToWav)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
