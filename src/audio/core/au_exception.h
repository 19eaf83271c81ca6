// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Every error raised inside the audio pipeline. An output's worker catches it
// (and any other std::exception) and reports it through OnThreadException.
class EAuException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of a message pattern with an argument, as in
// "Cannot open file %s".
[[nodiscard]] std::string FormatAuMessage(std::string_view pattern, std::string_view argument);
