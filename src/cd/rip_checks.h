// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the tracks of a rip checked out: each track's AccurateRip verdict from
// the disc's answer, the line a view shows for it, and the rip log's parts
// made from the tracks' records. Plain C++; any thread.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cd/rip_track_verifier.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_fetch.h"
#include "verify/rip_log.h"

// One verdict per report against the disc's answer: a track without sums (its
// rip failed) stays "not checked", as does every track when the lookup failed
// or was stopped. readOffset: the correction the tracks were read with.
[[nodiscard]] std::vector<TArVerdict> RipVerdicts(const TArFetchResult& answer, const TArDisc& disc,
                                                  std::span<const TRipTrackReport> reports,
                                                  int readOffset);

// "Track 02: accurate (confidence 12); decode check identical": the verdict
// when there is one, the decode check when it ran; empty when neither.
[[nodiscard]] std::string TrackCheckLine(const TRipTrackReport& report, const TArVerdict* verdict);

// A track's block of the log (its file without folder).
[[nodiscard]] TRipLogTrack RipLogTrackOf(const TRipTrackReport& report, const TArVerdict& verdict);

// The log's rows of a table of contents.
[[nodiscard]] std::vector<TRipLogTocRow> RipLogTocOf(const TArToc& toc);
