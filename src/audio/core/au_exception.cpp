// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_exception.h"

std::string FormatAuMessage(std::string_view pattern, std::string_view argument) {
    std::string text(pattern);
    const auto at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}
