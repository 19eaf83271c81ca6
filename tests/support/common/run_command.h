// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// A shell command's exit status and standard output (standard error goes to
// the test's own unless the command redirects it).
struct CommandResult {
    int Status = -1;  // -1 when the shell could not run or the command was killed
    std::string Output;

    [[nodiscard]] bool Ok() const { return Status == 0; }
};

// Runs a command line through /bin/sh and collects its standard output.
[[nodiscard]] CommandResult RunCommand(const std::string& command);

// The text in single quotes for the shell, quotes inside escaped.
[[nodiscard]] std::string ShellQuote(const std::string& text);

// Runs a Python 3 script with the system interpreter (where python3-mutagen
// lives) and the given arguments.
[[nodiscard]] CommandResult RunPython(const std::string& script,
                                      const std::vector<std::string>& args);
