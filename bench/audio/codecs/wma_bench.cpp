// SPDX-License-Identifier: GPL-3.0-or-later
//
// The Windows Media components against the ffmpeg program on the same
// five-minute 44.1 kHz stereo file in the same run: WAV to WMA at 128 kbit/s
// through TWMAOut, and MP3 to WAV through TMP3In and TWaveOut. The "ratio"
// and "cpu_ratio" counters are our wall and processor time over ffmpeg's
// (goal: at most 1.02). One iteration each; --benchmark_repetitions repeats
// them (bench/run takes the median). Needs sox, lame, ffmpeg.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/codecs/wm_in.h"
#include "audio/codecs/wma_out.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "support/bench_support.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                                ("brisklark_wma_bench_" + std::to_string(getpid()));
    return folder;
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::abort();
    }
}

// Five minutes of a slow sweep in one channel and pink noise in the other.
const std::filesystem::path& SourceWav() {
    static const std::filesystem::path wav = [] {
        std::filesystem::create_directories(Folder());
        const std::filesystem::path path = Folder() / "source.wav";
        Shell("sox -n -r 44100 -c 2 -b 16 " + Quoted(path) +
              " synth 300 sine 100-8000 pinknoise vol 0.5");
        return path;
    }();
    return wav;
}

const std::filesystem::path& SourceMp3() {
    static const std::filesystem::path mp3 = [] {
        const std::filesystem::path path = Folder() / "source.mp3";
        Shell("lame --quiet -b 128 " + Quoted(SourceWav()) + " " + Quoted(path));
        return path;
    }();
    return mp3;
}

void Compare(benchmark::State& state, TAuFileOut& output, const std::string& reference) {
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

void BM_WavToWma128(benchmark::State& state) {
    TWaveIn input;
    input.SetFileName(SourceWav().string());
    TWMAOut output;
    output.SetDesiredBitrate(128);
    output.SetInput(&input);
    output.SetFileName((Folder() / "ours.wma").string());
    Compare(state, output,
            "ffmpeg -v error -y -i " + Quoted(SourceWav()) + " -c:a wmav2 -b:a 128k " +
                Quoted(Folder() / "theirs.wma"));
}

void BM_Mp3ToWav(benchmark::State& state) {
    TMP3In input;
    input.SetFileName(SourceMp3().string());
    TWaveOut output;
    output.SetInput(&input);
    output.SetFileName((Folder() / "ours.wav").string());
    Compare(state, output,
            "ffmpeg -v error -y -i " + Quoted(SourceMp3()) + " " + Quoted(Folder() / "theirs.wav"));
}

BENCHMARK(BM_WavToWma128)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mp3ToWav)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
