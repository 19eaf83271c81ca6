// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A fresh, empty folder under the system's temporary folder for one test,
// removed with everything in it when the object goes away.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Whole-file helpers for fixtures; they fail the calling test on an error.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
