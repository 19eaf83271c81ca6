// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/file_stem.h"

#include "settings/settings_helpers.h"

namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text, std::string_view characters) {
    const std::size_t start = text.find_first_not_of(characters);
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(characters) - start + 1);
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// Cuts before the first byte of the character that would not fit whole.
std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

}  // namespace

std::string FileStemOf(std::string_view title, int trackNumber) {
    std::string stem(Trimmed(title, kWhiteSpace));
    for (char& c : stem) {
        if (c == '/' || IsControl(c)) {
            c = '-';
        }
    }
    stem = Trimmed(CutAtCharacter(stem, kMaxFileStemBytes), " ");
    if (stem.empty() || stem == "." || stem == "..") {
        return DefaultTrackTitle(trackNumber);
    }
    return stem;
}
