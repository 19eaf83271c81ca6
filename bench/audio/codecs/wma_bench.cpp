// SPDX-License-Identifier: GPL-3.0-or-later
//
// The Windows Media components against the ffmpeg program on the same
// five-minute 44.1 kHz stereo file in the same run: WAV to WMA at 128 kbit/s
// through TWMAOut, and MP3 to WAV through TMP3In and TWaveOut. The "ratio"
// counter is our time over ffmpeg's (goal: at most 1.05). Needs sox, lame,
// ffmpeg.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/codecs/wm_in.h"
#include "audio/codecs/wma_out.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                                ("brisklark_wma_bench_" + std::to_string(getpid()));
    return folder;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
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

double TimeCommand(const std::string& command) {
    const Clock::time_point start = Clock::now();
    Shell(command);
    const std::chrono::duration<double> seconds = Clock::now() - start;
    return seconds.count();
}

void Compare(benchmark::State& state, TAuFileOut& output, const std::string& reference) {
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const double seconds = TimeRun(output);
        ours += seconds;
        theirs += TimeCommand(reference);
        state.SetIterationTime(seconds);
    }
    state.counters["reference_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
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

BENCHMARK(BM_WavToWma128)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Mp3ToWav)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
