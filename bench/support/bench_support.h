// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the benchmark programs: timing a pipeline run or a
// command, and reporting a side-by-side comparison with the counters that
// bench/run collects into its table.

#include <benchmark/benchmark.h>

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

// Sets the counters of a comparison summed over the iterations: ratio and
// cpu_ratio (ours over the reference), ours_s, ours_cpu_s, reference_s and
// reference_cpu_s (per iteration).
void ReportComparison(benchmark::State& state, const Cost& ours, const Cost& reference);
