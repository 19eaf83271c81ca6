// SPDX-License-Identifier: GPL-3.0-or-later
//
// Rips a 74-minute disc image of 20 tracks, side by side with a reference on
// the same image in the same iteration:
//   BM_RipDiscToWav        plain reads (no careful reading, sums of the
//                          tracks only as every rip takes them, no decode
//                          check) track by track to WAV files, with and
//                          without normalisation, against cd-paranoia
//                          without its checks (-Z -B)
//   BM_RipDiscCareful      a verified rip to WAV as a user has it by default
//                          (careful reads, AccurateRip, the decode check and
//                          the log) against cd-paranoia in its default full
//                          mode (-B)
//   BM_RipDiscSums         the share of the AccurateRip work in a plain rip
//                          to WAV: AccurateRip on against off
//   BM_RipDiscEncoded      the whole disc to FLAC (level 5) or APE (level
//                          2000) end to end (rip a track to WAV, encode it,
//                          delete the WAV file), in a process of its own so
//                          its peak resident memory ("peak_mb") is the rip's
//                          alone; FLAC against cd-paranoia -Z -B followed by
//                          flac -5 on each file
// All rip through the rip window's RipJob, without its end-of-track pauses,
// and never reach the AccurateRip service: it is pointed at a loopback port
// that refuses connections.
//   BM_CopyBin             a plain cp of the image's data file, for scale
// The ratio counters are ours over the reference in wall and processor time.
// The image (about 780 MB) is made once per run in a folder under the
// system's temporary folder and removed at exit. The page cache holds it, so
// the figures measure the CPU and file-system cost of a rip, not a drive.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "cd/queued_rip_view.h"
#include "cd/rip_job.h"
#include "discimage/image_drive.h"
#include "settings/settings_helpers.h"
#include "support/bench_disc.h"
#include "support/bench_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTracks = 20;
constexpr std::uint32_t kDiscSectors = 74 * 60 * 75;
constexpr const char* kRipChildFlag = "--rip-child";

// Rips every track of the disc as the rip window does, each track by a rip
// thread of its own, driven by this thread, but without the window's
// pauses. False when the rip showed an error.
bool RipDisc(TCDHandle handle, const TOptionsSetting& settings) {
    std::vector<std::string> items;
    for (int track = 1; track <= kTracks; ++track) {
        items.push_back(TwoDigits(track) + "Track" + std::to_string(track));
    }
    SyncQueue& queue = SyncQueue::Instance();
    queue.BindGuiThread();
    QueuedRipView view;
    RipJob job(handle, items, settings, {}, view);
    job.Start();
    queue.RunPendingUntil([&] { return view.Deliver(job); });
    job.Close();
    return view.Errors().empty();
}

// The settings of a rip into the folder in format, without normalisation,
// with plain reads and no checks beyond the sums every rip takes.
TOptionsSetting RipSettings(const fs::path& folder, TOutputFormat format) {
    TOptionsSetting settings;
    settings.CommonOptions.OutputFolder = folder.string();
    settings.CommonOptions.OutputFormat = format;
    settings.CommonOptions.IsKeepWav = false;
    settings.FLACOptions.Compression = 5;
    settings.APEOptions.Compression = 2000;
    // The fastest setting: a delay too short to sleep, every frame thread.
    settings.APEOptions.CPU = 3;
    settings.Verify = {.SecureRead = false,
                       .ReadRetries = 20,
                       .AccurateRip = false,
                       // A port that refuses at once: no rip reaches the service.
                       .AccurateRipServer = "http://127.0.0.1:9",
                       .DecodeCheck = false,
                       .WriteLog = false};
    return settings;
}

// RipSettings with every check a user has by default.
TOptionsSetting VerifiedRipSettings(const fs::path& folder, TOutputFormat format) {
    TOptionsSetting settings = RipSettings(folder, format);
    settings.Verify.SecureRead = true;
    settings.Verify.AccurateRip = true;
    settings.Verify.DecodeCheck = true;
    settings.Verify.WriteLog = true;
    return settings;
}

// The disc image, made on first use.
BenchDisc& Disc() {
    static BenchDisc disc(kDiscSectors, kTracks);
    return disc;
}

// The folder for the rips.
fs::path Output(const BenchDisc& disc) {
    fs::path folder = disc.Folder() / "out";
    fs::create_directories(folder);
    return folder;
}

// cd-paranoia writing one WAV file per track into the output folder, with
// its further options (none: its default full checks).
std::string ParanoiaCommand(const BenchDisc& disc, const std::string& options = "-Z") {
    return "cd " + Quoted(Output(disc)) + " && cd-paranoia -q " + options + " -d " +
           Quoted(disc.Cue()) + " -B >/dev/null 2>&1";
}

void ReportDisc(benchmark::State& state, std::int64_t bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["s_per_disc"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Rips the whole disc to WAV as settings say (ours) against cd-paranoia with
// paranoiaOptions on the same image (the reference), in turn.
void CompareWithParanoia(benchmark::State& state, BenchDisc& disc, const TOptionsSetting& settings,
                         const std::string& paranoiaOptions) {
    Cost ours;
    Cost theirs;
    for (auto _ : state) {
        bool ripped = false;
        ours += Measure(RUSAGE_SELF, [&] { ripped = RipDisc(disc.Handle(), settings); });
        if (!ripped) {
            state.SkipWithError("the rip failed");
            return;
        }
        theirs += CostOfCommand(ParanoiaCommand(disc, paranoiaOptions));
    }
    ReportDisc(state, disc.Bytes());
    ReportComparison(state, ours, theirs);
}

void BM_RipDiscToWav(benchmark::State& state) {
    BenchDisc& disc = Disc();
    if (disc.Handle() == 0) {
        state.SkipWithError("the disc image could not be made or opened");
        return;
    }
    TOptionsSetting settings = RipSettings(Output(disc), ofWAV);
    settings.CommonOptions.IsNormalize = state.range(0) != 0;
    settings.CommonOptions.NormalizePercent = 95;
    CompareWithParanoia(state, disc, settings, "-Z");
}
BENCHMARK(BM_RipDiscToWav)
    ->ArgName("normalize")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// A verified rip as a user has it against cd-paranoia's full checks.
void BM_RipDiscCareful(benchmark::State& state) {
    BenchDisc& disc = Disc();
    if (disc.Handle() == 0) {
        state.SkipWithError("the disc image could not be made or opened");
        return;
    }
    CompareWithParanoia(state, disc, VerifiedRipSettings(Output(disc), ofWAV), "");
}
BENCHMARK(BM_RipDiscCareful)->Unit(benchmark::kSecond)->UseRealTime();

// A plain rip with AccurateRip on (ours) against the same rip with it off
// (the reference). The two alternate in turn within an iteration, so that
// the machine's other work falls on both alike.
void BM_RipDiscSums(benchmark::State& state) {
    constexpr int kPairs = 3;
    BenchDisc& disc = Disc();
    if (disc.Handle() == 0) {
        state.SkipWithError("the disc image could not be made or opened");
        return;
    }
    TOptionsSetting off = RipSettings(Output(disc), ofWAV);
    TOptionsSetting on = off;
    on.Verify.AccurateRip = true;
    Cost ours;
    Cost theirs;
    for (auto _ : state) {
        for (int pair = 0; pair < kPairs; ++pair) {
            bool ripped = false;
            ours += Measure(RUSAGE_SELF, [&] { ripped = RipDisc(disc.Handle(), on); });
            theirs += Measure(RUSAGE_SELF, [&] { ripped = RipDisc(disc.Handle(), off) && ripped; });
            if (!ripped) {
                state.SkipWithError("the rip failed");
                return;
            }
        }
    }
    ReportDisc(state, disc.Bytes() * kPairs);
    // Per rip, as in the other rows.
    ReportComparison(state, {ours.wall / kPairs, ours.cpu / kPairs},
                     {theirs.wall / kPairs, theirs.cpu / kPairs});
}
BENCHMARK(BM_RipDiscSums)->Unit(benchmark::kSecond)->UseRealTime();

// The body of the child process of BM_RipDiscEncoded: rips the whole disc
// image cue into folder, each track encoded to format ("flac" or "ape") and
// its WAV file deleted. Returns the exit status.
int RipDiscEncoded(const std::string& format, const fs::path& cue, const fs::path& folder) {
    const TCDHandle handle = OpenImageDrive(cue);
    if (handle == 0) {
        return 1;
    }
    const bool ripped = RipDisc(handle, RipSettings(folder, format == "ape" ? ofAPE : ofFLAC));
    CloseCDHandle(handle);
    return ripped ? 0 : 1;
}

// Runs RipDiscEncoded in a fresh process (so nothing of this one counts);
// cost receives its wall and processor time, peakKilobytes its peak resident
// memory. False when it failed.
bool RunRipChild(const std::string& format, const BenchDisc& disc, Cost& cost,
                 long& peakKilobytes) {
    const std::string cue = disc.Cue().string();
    const std::string folder = Output(disc).string();
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const char* argv[] = {"bench_cd_rip", kRipChildFlag,  format.c_str(),
                              cue.c_str(),    folder.c_str(), nullptr};
        ::execv("/proc/self/exe", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = -1;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        return false;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    cost = {wall.count(), CpuSeconds(usage)};
    peakKilobytes = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_RipDiscEncoded(benchmark::State& state) {
    BenchDisc& disc = Disc();
    if (disc.Handle() == 0) {
        state.SkipWithError("the disc image could not be made or opened");
        return;
    }
    const bool flac = state.range(0) == 0;
    const std::string reference =
        ParanoiaCommand(disc) + " && cd " + Quoted(Output(disc)) +
        " && for f in track*.cdda.wav; do flac -5 -s -f --delete-input-file \"$f\" || exit 1; done";
    Cost ours;
    Cost theirs;
    long peakKilobytes = 0;
    for (auto _ : state) {
        Cost run;
        long kilobytes = 0;
        if (!RunRipChild(flac ? "flac" : "ape", disc, run, kilobytes)) {
            state.SkipWithError("the rip failed");
            return;
        }
        ours += run;
        peakKilobytes = std::max(peakKilobytes, kilobytes);
        if (flac) {
            theirs += CostOfCommand(reference);
        }
    }
    ReportDisc(state, disc.Bytes());
    if (flac) {
        ReportComparison(state, ours, theirs);
    } else {
        const auto iterations = static_cast<double>(state.iterations());
        state.counters["ours_s"] = ours.wall / iterations;
        state.counters["ours_cpu_s"] = ours.cpu / iterations;
    }
    state.counters["peak_mb"] = static_cast<double>(peakKilobytes) / 1024.0;
}
BENCHMARK(BM_RipDiscEncoded)
    ->ArgName("ape")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_CopyBin(benchmark::State& state) {
    BenchDisc& disc = Disc();
    const fs::path bin = fs::path(disc.Cue()).replace_extension(".bin");
    const std::string command =
        "cp " + Quoted(bin.string()) + " " + Quoted((Output(disc) / "copy.bin").string());
    for (auto _ : state) {
        static_cast<void>(CostOfCommand(command));
    }
    ReportDisc(state, disc.Bytes());
}
BENCHMARK(BM_CopyBin)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], kRipChildFlag) == 0) {
        return RipDiscEncoded(argv[2], argv[3], argv[4]);
    }
    return RunBenchmarks(argc, argv);
}
