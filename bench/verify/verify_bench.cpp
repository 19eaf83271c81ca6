// SPDX-License-Identifier: GPL-3.0-or-later
#include <random>
#include <vector>

#include "support/bench_support.h"
#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_sums.h"

namespace {

constexpr std::uint64_t kDiscSectors = 74 * 60 * 75;
constexpr std::size_t kTracks = 20;
constexpr std::size_t kSectorBytes = 4 * kArSamplesPerSector;
// Rips hand over blocks of this many sectors.
constexpr std::size_t kBlockSectors = 26;

// Feeds a track of `sectors` from a block of noise repeated, as a rip does.
template <typename Summer>
auto FeedTrack(Summer summer, std::uint64_t sectors, const std::vector<std::uint8_t>& noise) {
    for (std::uint64_t at = 0; at < sectors; at += kBlockSectors) {
        const std::size_t count = std::min<std::uint64_t>(kBlockSectors, sectors - at);
        summer.Update(std::span(noise).first(count * kSectorBytes));
    }
    return summer.Finish();
}

// Wall and processor milliseconds of the sums and of the scan, with the
// search for a matching shift against an answer that never matches (so
// every shift is tried). The scan takes the tracks' own sums as well, as a
// rip that scans does instead of taking them apart.
void BM_AccurateRipWholeDisc(benchmark::State& state) {
    std::vector<std::uint8_t> noise(kBlockSectors * kSectorBytes);
    std::mt19937 random(1);
    for (std::uint8_t& byte : noise)
        byte = static_cast<std::uint8_t>(random());
    const std::uint64_t trackSectors = kDiscSectors / kTracks;
    const TArChunk chunk(kTracks, TArEntry{5, 1, 0});
    const std::vector<TArChunk> chunks(2, chunk);
    Cost sums;
    Cost scan;
    for (auto _ : state) {
        std::vector<TArRippedTrack> tracks(kTracks);
        sums += Measure(RUSAGE_SELF, [&] {
            for (std::size_t i = 0; i < kTracks; ++i) {
                tracks[i].slot = i;
                tracks[i].sums = *FeedTrack(
                    TArChecksummer(trackSectors * kArSamplesPerSector, i == 0, i + 1 == kTracks),
                    trackSectors, noise);
            }
        });
        scan += Measure(RUSAGE_SELF, [&] {
            for (std::size_t i = 0; i < kTracks; ++i) {
                tracks[i].shifted = FeedTrack(
                    TArOffsetScanner(trackSectors * kArSamplesPerSector, i == 0, i + 1 == kTracks),
                    trackSectors + 2 * kArScanMarginSectors, noise);
            }
            benchmark::DoNotOptimize(AccurateRipDiscShift(chunks, tracks));
        });
    }
    const double perIteration = 1e3 / static_cast<double>(state.iterations());
    state.counters["sums_ms"] = sums.wall * perIteration;
    state.counters["sums_cpu_ms"] = sums.cpu * perIteration;
    state.counters["scan_ms"] = scan.wall * perIteration;
    state.counters["scan_cpu_ms"] = scan.cpu * perIteration;
}
BENCHMARK(BM_AccurateRipWholeDisc)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
