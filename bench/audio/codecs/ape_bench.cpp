// SPDX-License-Identifier: GPL-3.0-or-later
//
// The APE output at levels 1000 to 4000 against flac -5 and flac -8 on the
// same five-minute 44.1 kHz stereo WAV file, all in each iteration. Counters:
//   ratio, cpu_ratio        our wall and processor time (all threads) over
//                           flac -5's; processor time depends less on what
//                           else the machine runs (and the ReportComparison
//                           seconds behind them)
//   vs_flac8, cpu_vs_flac8  the same against flac -8
//   size_pct                our file size in percent of the WAV data
//   flac5_size_pct, flac8_size_pct   the same for flac's files
// The signal is music-like (harmonic notes under envelopes plus quiet noise),
// so the sizes say something about real material. One iteration per level;
// --benchmark_repetitions repeats them (bench/run takes the median). Needs
// the flac program.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/codecs/mac_out.h"
#include "audio/wav/pcm_wav_header.h"
#include "audio/wav/wave_in.h"
#include "support/bench_support.h"

namespace {

constexpr int kSampleRate = 44100;  // Hz
constexpr int kSeconds = 300;

class Lcg {
public:
    uint32_t Next() {
        m_state = m_state * 1664525U + 1013904223U;
        return m_state;
    }
    double Unit() { return (Next() >> 8) / 16777216.0; }  // [0, 1)

private:
    uint32_t m_state = 12345;
};

// One period of a tone with six harmonics falling off as 1/k.
std::vector<float> HarmonicTable() {
    constexpr size_t kTableSize = 4096;
    std::vector<float> table(kTableSize);
    for (size_t i = 0; i < kTableSize; ++i) {
        const double phase = 2 * std::numbers::pi * static_cast<double>(i) / kTableSize;
        double value = 0;
        for (int k = 1; k <= 6; ++k) {
            value += std::sin(k * phase) / k;
        }
        table[i] = static_cast<float>(value / 2.5);
    }
    return table;
}

// Interleaved stereo samples: a new note of a pentatonic scale every quarter
// second, each ringing for one second (fast attack, exponential decay) and
// panned at random, plus noise about 60 dB below full scale.
std::vector<int16_t> MusicSamples() {
    constexpr size_t kFrames = static_cast<size_t>(kSampleRate) * kSeconds;
    constexpr size_t kNoteStride = kSampleRate / 4;
    constexpr size_t kNoteLength = kSampleRate;
    constexpr std::array kScale{220.0, 246.94, 277.18, 329.63, 369.99, 440.0, 493.88, 554.37};
    const std::vector<float> table = HarmonicTable();
    std::vector<double> left(kFrames);
    std::vector<double> right(kFrames);
    Lcg random;
    for (size_t start = 0; start < kFrames; start += kNoteStride) {
        const double hertz = kScale[random.Next() % kScale.size()] * (random.Next() % 2 + 1);
        const double pan = random.Unit();
        const double step = hertz * static_cast<double>(table.size()) / kSampleRate;
        double phase = 0;
        for (size_t t = 0; t < kNoteLength && start + t < kFrames; ++t) {
            const double seconds = static_cast<double>(t) / kSampleRate;
            const double envelope = std::min(1.0, seconds / 0.01) * std::exp(-3.0 * seconds);
            const double value = 7000.0 * envelope * table[static_cast<size_t>(phase)];
            left[start + t] += value * (1 - pan);
            right[start + t] += value * pan;
            phase = std::fmod(phase + step, static_cast<double>(table.size()));
        }
    }
    std::vector<int16_t> samples(2 * kFrames);
    for (size_t t = 0; t < kFrames; ++t) {
        const double noiseLeft = 32.0 * (random.Unit() - random.Unit());
        const double noiseRight = 32.0 * (random.Unit() - random.Unit());
        samples[2 * t] =
            static_cast<int16_t>(std::lround(std::clamp(left[t] + noiseLeft, -32768.0, 32767.0)));
        samples[2 * t + 1] =
            static_cast<int16_t>(std::lround(std::clamp(right[t] + noiseRight, -32768.0, 32767.0)));
    }
    return samples;
}

constexpr uint32_t kDataBytes = static_cast<uint32_t>(kSampleRate) * kSeconds * 4;

const std::string& SourceWav() {
    static const std::string path = [] {
        std::string wav = (ScratchFolder() / "source.wav").string();
        const std::vector<int16_t> samples = MusicSamples();
        const auto header = RenderPcmWavHeader({}, kDataBytes);
        std::ofstream out(wav, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()),
                  static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(int16_t)));
        if (!out) {
            std::abort();
        }
        return wav;
    }();
    return path;
}

Cost CostOfFlac(int level, const std::filesystem::path& target) {
    return CostOfCommand("flac -" + std::to_string(level) + " -s -f -o " + Quoted(target.string()) +
                         " " + Quoted(SourceWav()));
}

double SizePercent(const std::filesystem::path& file) {
    return 100.0 * static_cast<double>(std::filesystem::file_size(file)) / kDataBytes;
}

void BM_ApeAgainstFlac(benchmark::State& state) {
    const auto level = static_cast<int>(state.range(0));
    TWaveIn input;
    input.SetFileName(SourceWav());
    TMACOut output;
    output.SetCompressionLevel(level);
    output.SetDelay(0);
    output.SetInput(&input);
    const std::filesystem::path ours = ScratchFolder() / "ours.ape";
    const std::filesystem::path flac5 = ScratchFolder() / "flac5.flac";
    const std::filesystem::path flac8 = ScratchFolder() / "flac8.flac";
    output.SetFileName(ours.string());
    Cost oursCost;
    Cost flac5Cost;
    Cost flac8Cost;
    for (auto _ : state) {
        const Cost run = CostOfRun(output);
        oursCost += run;
        flac5Cost += CostOfFlac(5, flac5);
        flac8Cost += CostOfFlac(8, flac8);
        state.SetIterationTime(run.wall);
    }
    ReportComparison(state, oursCost, flac5Cost);
    state.counters["vs_flac8"] = oursCost.wall / flac8Cost.wall;
    state.counters["cpu_vs_flac8"] = oursCost.cpu / flac8Cost.cpu;
    state.counters["size_pct"] = SizePercent(ours);
    state.counters["flac5_size_pct"] = SizePercent(flac5);
    state.counters["flac8_size_pct"] = SizePercent(flac8);
    output.SetInput(nullptr);
}

BENCHMARK(BM_ApeAgainstFlac)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(3000)
    ->Arg(4000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
