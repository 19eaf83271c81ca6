// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed afterwards.
class TagsTempDir {
public:
    TagsTempDir();
    ~TagsTempDir();
    [[nodiscard]] std::string Path(const std::string& name) const;

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// Runs a Python 3 script with the system interpreter (where python3-mutagen
// lives) and the given arguments; returns its standard output. A failing
// script fails the test through the returned exit status.
struct ScriptResult {
    int Status = -1;
    std::string Output;
};
ScriptResult RunPython(const std::string& script, const std::vector<std::string>& args);
