// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Whether a file already at the path gives way to the new one.
enum class TExistingFile : std::uint8_t { Replace, Keep };

// Writes bytes as the file path. They go to a file of their own first, moved
// into place only once whole, so a failed write leaves the old file or none,
// never half a file. Why it failed, in words (with Keep, an existing file is
// such a failure); nothing when written.
[[nodiscard]] std::optional<std::string> WriteFileWhole(const std::string& path,
                                                        std::span<const std::uint8_t> bytes,
                                                        TExistingFile existing);
