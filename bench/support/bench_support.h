// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the benchmark programs: a scratch folder and source
// files, timing a pipeline run or a command, and reporting a side-by-side
// comparison with the counters that bench/run collects into its table.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>

#include "audio/core/au_output.h"

// Wall and processor (user + system) seconds of some work.
struct Cost {
    double wall = 0;
    double cpu = 0;

    Cost& operator+=(const Cost& other) {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

// This process's folder for its files under the system's temporary folder,
// made on the first call; RunBenchmarks removes it.
[[nodiscard]] const std::filesystem::path& ScratchFolder();

// Runs the benchmarks the command line selects, then removes the scratch
// folder. The body of a benchmark program's main.
int RunBenchmarks(int argc, char** argv);

// Runs a shell command; aborts the program when it fails.
void Shell(const std::string& command);

// Writes a 44.1 kHz 16-bit stereo WAV file of a sweep from 100 Hz to
// topHertz in one channel and pink noise in the other.
void MakeSweepWav(const std::filesystem::path& wav, int seconds, int topHertz);

// User plus system seconds of a resource usage record.
[[nodiscard]] double CpuSeconds(const rusage& usage);

// Processor seconds so far of this process, all threads (RUSAGE_SELF), or of
// its waited-for children (RUSAGE_CHILDREN).
[[nodiscard]] double CpuSeconds(int who);

// Runs work; its processor time is this process's (RUSAGE_SELF) or that of
// the children it waits for (RUSAGE_CHILDREN).
[[nodiscard]] Cost Measure(int who, const std::function<void()>& work);

// Runs the output to its end on this (the GUI) thread; returns the seconds
// from Run until the worker finished (not counting the fixed pause before
// OnDone). Aborts the program when the output reports an error.
[[nodiscard]] double TimeRun(TAuOutput& output);

// TimeRun with this process's processor time over the same span.
[[nodiscard]] Cost CostOfRun(TAuOutput& output);

// Runs a shell command and returns its cost (children's processor time).
// Aborts the program when the command fails.
[[nodiscard]] Cost CostOfCommand(const std::string& command);

// Quotes a path for the shell (paths here never hold a quote).
[[nodiscard]] std::string Quoted(const std::string& path);

// Times the output's run against the reference command once per iteration
// (the iteration's time is our run's wall time), reports the comparison and
// detaches the output's input.
void CompareWithCommand(benchmark::State& state, TAuOutput& output, const std::string& reference);

// Sets the counters of a comparison summed over the iterations: ratio and
// cpu_ratio (ours over the reference), ours_s, ours_cpu_s, reference_s and
// reference_cpu_s (per iteration).
void ReportComparison(benchmark::State& state, const Cost& ours, const Cost& reference);
