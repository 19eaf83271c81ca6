// SPDX-License-Identifier: GPL-3.0-or-later
// Wall time of TResampler converting one minute of music-like 16-bit stereo
// from 44100 to 48000 Hz (a whole pass through GetData, as an output pulls
// it), beside `sox ... rate -q/-h/-v 48000` on the same audio as raw files.
// The counter "snr_db" is each result's signal-to-noise ratio against sox's
// very-high-quality result, so speeds are compared at a known quality.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "audio/dsp/resampler.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFromRate = 44100;
constexpr int kToRate = 48000;
constexpr int kSeconds = 60;

// Interleaved stereo: a few tones with moving amplitudes and a little noise.
std::vector<std::int16_t> MusicLike() {
    const double tones[] = {110.0, 277.2, 440.0, 1318.5, 3520.0, 7040.0};
    std::vector<std::int16_t> samples(std::size_t{kFromRate} * kSeconds * 2);
    unsigned noise = 1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kFromRate;
        noise = noise * 1103515245U + 12345U;
        double value = 0.01 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
        for (std::size_t k = 0; k < std::size(tones); ++k) {
            const double swell = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * (0.5 + k) * t);
            value += swell / (k + 1.5) *
                     std::sin(2 * std::numbers::pi * tones[k] * t + static_cast<double>(i % 2 + k));
        }
        samples[i] = static_cast<std::int16_t>(20000.0 * value / 1.6);
    }
    return samples;
}

// The audio as an input, delivered in 16 KiB pieces like a WAV file's.
class BufferInput final : public TAuInput {
public:
    explicit BufferInput(const std::vector<std::int16_t>& samples) : m_samples(samples) {}
    ~BufferInput() override { NotifyDestruction(); }
    int BitsPerSample() override { return 16; }
    int Channels() override { return 2; }
    int SampleRate() override { return kFromRate; }

protected:
    void InitInternal() override {
        m_offset = 0;
        m_size = static_cast<std::int64_t>(m_samples.size() * 2);
    }
    void FlushInternal() override {}
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override {
        bytes = std::min({bytes, std::size_t{16384}, m_samples.size() * 2 - m_offset});
        buffer = reinterpret_cast<const std::uint8_t*>(m_samples.data()) + m_offset;
        m_offset += bytes;
    }

private:
    const std::vector<std::int16_t>& m_samples;
    std::size_t m_offset = 0;
};

struct Fixture {
    Fixture()
        : folder(std::filesystem::temp_directory_path() /
                 ("bl_dsp_bench_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
        std::ofstream(Raw("in"), std::ios::binary)
            .write(reinterpret_cast<const char*>(audio.data()),
                   static_cast<std::streamsize>(audio.size() * 2));
        reference = Sox("-v");
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
    [[nodiscard]] std::string Raw(const std::string& name) const {
        return (folder / (name + ".raw")).string();
    }
    std::vector<std::int16_t> Sox(const std::string& quality) const {
        const std::string raw = " -t raw -e signed -b 16 -c 2 ";
        const std::string command = "sox -q -V1" + raw + "-r " + std::to_string(kFromRate) + " '" +
                                    Raw("in") + "'" + raw + "'" + Raw("out") + "' rate " + quality +
                                    " " + std::to_string(kToRate);
        if (std::system(command.c_str()) != 0) {
            return {};
        }
        std::ifstream file(Raw("out"), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    std::filesystem::path folder;
    std::vector<std::int16_t> audio = MusicLike();
    std::vector<std::int16_t> reference;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

double SnrDb(const std::vector<std::int16_t>& actual) {
    const std::vector<std::int16_t>& reference = Shared().reference;
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 0; i < std::min(reference.size(), actual.size()); ++i) {
        signal += static_cast<double>(reference[i]) * reference[i];
        const double difference = static_cast<double>(actual[i]) - reference[i];
        noise += difference * difference;
    }
    return 10 * std::log10(signal / std::max(noise, 1e-9));
}

void Report(benchmark::State& state, const std::vector<std::int16_t>& result) {
    state.counters["snr_db"] = SnrDb(result);
    state.counters["x_realtime"] = benchmark::Counter(
        kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Resampler(benchmark::State& state) {
    BufferInput input(Shared().audio);
    TResampler resampler;
    resampler.SetInput(&input);
    resampler.SetQuality(static_cast<TResamplerQuality>(state.range(0)));
    resampler.SetOutSampleRate(kToRate);
    std::vector<std::int16_t> result;
    for (auto _ : state) {
        const auto start = Clock::now();
        result.clear();
        resampler.Init();
        for (;;) {
            const std::uint8_t* buffer = nullptr;
            std::size_t bytes = 16384;
            resampler.GetData(buffer, bytes);
            if (bytes == 0) {
                break;
            }
            const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
            result.insert(result.end(), samples, samples + bytes / 2);
        }
        resampler.Flush();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    Report(state, result);
}

void BM_Sox(benchmark::State& state, const char* quality) {
    std::vector<std::int16_t> result;
    for (auto _ : state) {
        const auto start = Clock::now();
        result = Shared().Sox(quality);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    Report(state, result);
}

BENCHMARK(BM_Resampler)
    ->ArgName("quality")
    ->DenseRange(rqBest, rqFastest)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Sox, very_high, "-v")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Sox, high, "-h")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Sox, quick, "-q")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
