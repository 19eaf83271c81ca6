// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Whole-file helpers for fixtures. A file that cannot be read reads as empty.
[[nodiscard]] std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
[[nodiscard]] std::string ReadText(const std::filesystem::path& file);
void WriteText(const std::filesystem::path& file, const std::string& text);
// The rest of each line of text that starts with `start`, in order.
[[nodiscard]] std::vector<std::string> LinesStartingWith(const std::string& text,
                                                         const std::string& start);
