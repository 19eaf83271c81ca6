// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the WAV input and output through the pipeline (worker
// thread, locks, 16384-byte blocks), in MB/s of PCM moved, beside a plain
// `cp` of the same file. The source is five minutes of 16-bit stereo at
// 44100 Hz (52.9 MB), made at start in a temporary folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/wav/pcm_wav_header.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"
#include "support/bench_support.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 300;
constexpr std::int64_t kPcmBytes = std::int64_t{kRate} * kSeconds * 4;

std::string Path(const std::string& name) {
    return (ScratchFolder() / name).string();
}

// A 440 Hz tone in the left channel and 660 Hz in the right, made on first
// use.
const std::string& Source() {
    static const std::string path = [] {
        std::string wav = Path("source.wav");
        std::ofstream out(wav, std::ios::binary);
        const auto header = RenderPcmWavHeader({}, static_cast<std::uint32_t>(kPcmBytes));
        out.write(reinterpret_cast<const char*>(header.data()),
                  static_cast<std::streamsize>(header.size()));
        std::vector<std::int16_t> second(2 * kRate);
        for (int i = 0; i < kRate; ++i) {
            const double t = static_cast<double>(i) / kRate;
            second[2 * i] =
                static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 440 * t));
            second[2 * i + 1] =
                static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * 660 * t));
        }
        for (int s = 0; s < kSeconds; ++s) {
            out.write(reinterpret_cast<const char*>(second.data()),
                      static_cast<std::streamsize>(second.size() * 2));
        }
        if (!out) {
            std::abort();
        }
        return wav;
    }();
    return path;
}

void Convert(benchmark::State& state, const std::string& from, const std::string& to,
             TWavType kind) {
    TWaveIn input;
    input.SetFileName(from);
    TWaveOut output;
    output.SetWavType(kind);
    output.SetFileName(to);
    output.SetInput(&input);
    for (auto _ : state) {
        state.SetIterationTime(TimeRun(output));
    }
    state.SetBytesProcessed(state.iterations() * kPcmBytes);
    output.SetInput(nullptr);
}

void BM_WavToWavPcm(benchmark::State& state) {
    Convert(state, Source(), Path("copy.wav"), wtPCM);
}

void BM_PcmToImaAdpcm(benchmark::State& state) {
    Convert(state, Source(), Path("ima.wav"), wtDVIADPCM);
}

void BM_ImaAdpcmToPcm(benchmark::State& state) {
    const std::string ima = Path("ima_source.wav");
    if (!std::filesystem::exists(ima)) {
        TWaveIn input;
        input.SetFileName(Source());
        TWaveOut output;
        output.SetWavType(wtDVIADPCM);
        output.SetFileName(ima);
        output.SetInput(&input);
        static_cast<void>(TimeRun(output));
        output.SetInput(nullptr);
    }
    Convert(state, ima, Path("decoded.wav"), wtPCM);
}

void BM_CpOfTheSource(benchmark::State& state) {
    const std::string command = "cp " + Quoted(Source()) + " " + Quoted(Path("cp.wav"));
    for (auto _ : state) {
        state.SetIterationTime(CostOfCommand(command).wall);
    }
    state.SetBytesProcessed(state.iterations() * kPcmBytes);
}

BENCHMARK(BM_WavToWavPcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PcmToImaAdpcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImaAdpcmToPcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CpOfTheSource)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
