// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>

// Outcome of writing a settings file: Ok, or why not (UTF-8 text for the user).
struct TSettingsResult {
    bool Ok = true;
    std::string Message;

    [[nodiscard]] static TSettingsResult Failure(std::string message) {
        return {false, std::move(message)};
    }
};
