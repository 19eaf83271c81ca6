// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/cddb_entry.h"

#include <algorithm>
#include <charconv>
#include <span>

#include "audio/tags/id3v1_genres.h"

namespace {

constexpr std::string_view kTitleKey = "TTITLE";

// The track number of a "TTITLEn" key, n being decimal digits only (no sign),
// or nothing for any other key.
std::optional<int> TitleNumber(std::string_view key) {
    if (!key.starts_with(kTitleKey)) {
        return std::nullopt;
    }
    const std::string_view digits = key.substr(kTitleKey.size());
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    int number = 0;
    if (digits.empty() || !std::ranges::all_of(digits, isDigit) ||
        std::from_chars(digits.data(), digits.data() + digits.size(), number).ec != std::errc()) {
        return std::nullopt;
    }
    return number;
}

std::string Unescape(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char next = i + 1 < value.size() ? value[i + 1] : '\0';
        if (value[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            text += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        } else {
            text += value[i];
        }
    }
    return text;
}

// Control characters (C0, DEL and the UTF-8 encoded C1 range) become spaces,
// so nothing from a server can break a line or a file name in the program.
std::string ControlsToSpaces(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            out += ' ';
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Trim(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(start, text.find_last_not_of(' ') - start + 1));
}

std::string Clean(std::string_view joined) {
    return Trim(ControlsToSpaces(Unescape(joined)));
}

// Appends a line's value to the value joined so far for its key.
void Join(std::optional<std::string>& joined, std::string_view value) {
    joined = joined.value_or(std::string()) + std::string(value);
}

}  // namespace

TCddbDiscInfo ParseCddbEntry(std::string_view entry) {
    std::optional<std::string> discTitle;
    std::optional<std::string> year;
    std::optional<std::string> genre;
    std::map<int, std::string> titles;
    while (!entry.empty()) {
        const std::size_t end = std::min(entry.find('\n'), entry.size());
        std::string_view line = entry.substr(0, end);
        entry.remove_prefix(std::min(end + 1, entry.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "DTITLE") {
            Join(discTitle, value);
        } else if (key == "DYEAR") {
            Join(year, value);
        } else if (key == "DGENRE") {
            Join(genre, value);
        } else if (const std::optional<int> number = TitleNumber(key)) {
            titles[*number] += value;
        }
    }

    TCddbDiscInfo info;
    if (discTitle) {
        const std::string text = ControlsToSpaces(Unescape(*discTitle));
        const std::size_t slash = text.find('/');
        info.artist = Trim(std::string_view(text).substr(0, slash));
        info.album = slash == std::string::npos ? *info.artist : Trim(text.substr(slash + 1));
    }
    if (year) {
        info.year = Clean(*year);
    }
    if (genre) {
        info.genre = Clean(*genre);
    }
    for (const auto& [number, title] : titles) {
        info.titles[number] = Clean(title);
    }
    return info;
}

int CddbGenrePosition(std::string_view name) {
    const std::span<const std::string_view> names = GenreListNames();
    // Position 0 is the list's empty entry, which is no genre name.
    for (std::size_t position = 1; position < names.size(); ++position) {
        if (names[position] == name) {
            return static_cast<int>(position);
        }
    }
    return -1;
}

DiscInfo CddbEntryDisc(const TCddbDiscInfo& entry, int firstTrack, int trackCount) {
    DiscInfo disc;
    disc.Artist = entry.artist.value_or("");
    disc.Album = entry.album.value_or("");
    disc.Year = entry.year.value_or("");
    if (entry.genre) {
        disc.Genre = *entry.genre;
        disc.GenrePosition = CddbGenrePosition(*entry.genre);
    }
    for (const auto& [row, title] : entry.titles) {
        if (row < trackCount) {
            disc.Tracks.push_back({.Number = firstTrack + row, .Title = title});
        }
    }
    return disc;
}
