// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a CDDB entry ("KEY=value" lines) into what the main window shows.
// A value too long for one line continues on further lines with the same key;
// they are joined as they are, then the escapes "\n", "\t" and "\\" are
// undone, control characters become spaces and the ends are trimmed.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "disc/disc_info.h"

struct TCddbDiscInfo {
    // From DTITLE, split at the first "/"; without "/" both hold the whole text.
    std::optional<std::string> artist;
    std::optional<std::string> album;
    std::optional<std::string> year;   // DYEAR
    std::optional<std::string> genre;  // DGENRE, a free-text name
    // TTITLEn by n: 0 is the disc's first track.
    std::map<int, std::string> titles;
};

// Reads the entry's DTITLE, DYEAR, DGENRE and TTITLEn lines; comments and
// other keys are skipped.
[[nodiscard]] TCddbDiscInfo ParseCddbEntry(std::string_view entry);

// The position of a genre name in the main window's genre list when it is
// one of its 148 names (exact, letter case included); -1 otherwise.
[[nodiscard]] int CddbGenrePosition(std::string_view name);

// The disc an entry describes: artist, album, year, the genre's name and its
// list position, and a track per TTITLEn of the disc's trackCount tracks
// (n counts from the disc's first track, firstTrack).
[[nodiscard]] DiscInfo CddbEntryDisc(const TCddbDiscInfo& entry, int firstTrack, int trackCount);
