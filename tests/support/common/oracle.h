// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tests that check our output with an external program (ffmpeg, flac,
// oggdec, sox, ...) or Python module (mutagen) skip, saying why, when it is
// not installed; scripts/install-deps installs all of them.

#include <gtest/gtest.h>

#include <string>

// Empty when the program is found on PATH, else the reason to skip.
[[nodiscard]] std::string MissingProgram(const std::string& program);
// Empty when the system python3 imports the module, else the reason to skip.
[[nodiscard]] std::string MissingPythonModule(const std::string& module);

// Skip the current test (use in a test body or a fixture's SetUp).
#define SKIP_WITHOUT_PROGRAM(program)                                            \
    if (const std::string missing_ = MissingProgram(program); !missing_.empty()) \
    GTEST_SKIP() << missing_
#define SKIP_WITHOUT_PYTHON_MODULE(module)                                           \
    if (const std::string missing_ = MissingPythonModule(module); !missing_.empty()) \
    GTEST_SKIP() << missing_
