// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/core/au_output.h"

// Runs the output to its end on this (the GUI) thread; returns the seconds
// from Run until the worker finished (not counting the fixed pause before
// OnDone). Aborts the program when the output reports an error.
[[nodiscard]] double TimeRun(TAuOutput& output);
