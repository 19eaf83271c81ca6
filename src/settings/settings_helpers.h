// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers used by the rip window and the rip thread. Any thread.

#include <filesystem>
#include <string>

// The number in decimal, with a leading zero for 0..9: 7 -> "07", 12 -> "12".
[[nodiscard]] std::string TwoDigits(int number);

// The title of a track that has none: "Track" and its two-digit number.
[[nodiscard]] std::string DefaultTrackTitle(int track);

// False when no such file exists (or it is a folder); otherwise true exactly
// when the file cannot be opened for reading and writing or another open
// stream holds a flock on it.
[[nodiscard]] bool IsFileInUse(const std::filesystem::path& path);

// Blocks the calling thread for at least the given milliseconds without
// servicing any window; returns at once for a count below 1.
void BusyWait(int milliseconds);

// The path with a "/" appended, unless it is empty or already ends in "/".
[[nodiscard]] std::string IncludeTrailingSeparator(const std::string& path);
