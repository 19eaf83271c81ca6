// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the WAV input and output through the pipeline (worker
// thread, locks, 16384-byte blocks), in MB/s of PCM moved, beside a plain
// `cp` of the same file. The source is five minutes of 16-bit stereo at
// 44100 Hz (52.9 MB), made at start in a temporary folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kSeconds = 300;
constexpr std::int64_t kPcmBytes = std::int64_t{kRate} * kSeconds * 4;

void PutLE(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>(value >> (8 * i)));
    }
}

// The temporary folder with the source file; removed at exit.
class Fixture {
public:
    Fixture()
        : m_folder(std::filesystem::temp_directory_path() /
                   ("bl_wav_bench_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(m_folder);
        std::ofstream out(Source(), std::ios::binary);
        out.write("RIFF", 4);
        PutLE(out, static_cast<std::uint32_t>(kPcmBytes + 36), 4);
        out.write("WAVEfmt ", 8);
        PutLE(out, 16, 4);
        PutLE(out, 1, 2);
        PutLE(out, 2, 2);
        PutLE(out, kRate, 4);
        PutLE(out, kRate * 4, 4);
        PutLE(out, 4, 2);
        PutLE(out, 16, 2);
        out.write("data", 4);
        PutLE(out, static_cast<std::uint32_t>(kPcmBytes), 4);
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
    }
    ~Fixture() {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    [[nodiscard]] std::string Path(const std::string& name) const {
        return (m_folder / name).string();
    }
    [[nodiscard]] std::string Source() const { return Path("source.wav"); }

private:
    std::filesystem::path m_folder;
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

// Runs the output once; seconds from Run until the worker is idle again
// (without the done event's delay).
double TimeRun(TAuOutput& output) {
    SyncQueue& queue = SyncQueue::Instance();
    const auto pollUntil = [&](const std::function<bool()>& condition) {
        while (!queue.RunPendingUntil(condition, std::chrono::milliseconds(1))) {
        }
    };
    const Clock::time_point start = Clock::now();
    output.Run();
    pollUntil([&] { return output.Busy(); });
    pollUntil([&] { return !output.Busy(); });
    const std::chrono::duration<double> seconds = Clock::now() - start;
    if (!output.ExceptionMessage().empty()) {
        std::abort();
    }
    return seconds.count();
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
    Convert(state, Files().Source(), Files().Path("copy.wav"), wtPCM);
}

void BM_PcmToImaAdpcm(benchmark::State& state) {
    Convert(state, Files().Source(), Files().Path("ima.wav"), wtDVIADPCM);
}

void BM_ImaAdpcmToPcm(benchmark::State& state) {
    const std::string ima = Files().Path("ima_source.wav");
    if (!std::filesystem::exists(ima)) {
        TWaveIn input;
        input.SetFileName(Files().Source());
        TWaveOut output;
        output.SetWavType(wtDVIADPCM);
        output.SetFileName(ima);
        output.SetInput(&input);
        TimeRun(output);
        output.SetInput(nullptr);
    }
    Convert(state, ima, Files().Path("decoded.wav"), wtPCM);
}

void BM_CpOfTheSource(benchmark::State& state) {
    const std::string command = "cp '" + Files().Source() + "' '" + Files().Path("cp.wav") + "'";
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::abort();
        }
        const std::chrono::duration<double> seconds = Clock::now() - start;
        state.SetIterationTime(seconds.count());
    }
    state.SetBytesProcessed(state.iterations() * kPcmBytes);
}

BENCHMARK(BM_WavToWavPcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PcmToImaAdpcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImaAdpcmToPcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CpOfTheSource)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
