// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/id3v1_genres.h"

#include <algorithm>
#include <cctype>

namespace {

struct GenreRow {
    std::string_view ListName;
    std::uint8_t Number;
    std::string_view Id3v1Name = {};  // empty: spelled as ListName
};

// One row per genre, in list order.
constexpr std::array<GenreRow, kId3v1GenreCount> kGenres = {{
    {"A Cappella", 123},
    {"Acid", 34},
    {"Acid Jazz", 74},
    {"Acid Punk", 73},
    {"Acoustic", 99},
    {"Alt. Rock", 40},
    {"Alternative", 20},
    {"Ambient", 26},
    {"Anime", 145},
    {"Avantgarde", 90},
    {"Ballad", 116},
    {"Bass", 41},
    {"Beat", 135},
    {"Bebob", 85},
    {"Big Band", 96},
    {"Black Metal", 138},
    {"Bluegrass", 89},
    {"Blues", 0},
    {"Booty Bass", 107},
    {"BritPop", 132},
    {"Cabaret", 65},
    {"Celtic", 88},
    {"Chamber Music", 104, "Chamber music"},
    {"Chanson", 102},
    {"Chorus", 97},
    {"Christian Gangsta", 136, "Christian Gangsta Rap"},
    {"Christian Rap", 61},
    {"Christian Rock", 141},
    {"Classic Rock", 1},
    {"Classical", 32},
    {"Club", 112},
    {"Club-House", 128},
    {"Comedy", 57},
    {"Contemporary Christian", 140},
    {"Country", 2},
    {"Crossover", 139},
    {"Cult", 58},
    {"Dance", 3},
    {"Dance Hall", 125},
    {"Darkwave", 50},
    {"Death Metal", 22, "Death metal"},
    {"Disco", 4},
    {"Dream", 55},
    {"Drum & Base", 127, "Drum & Bass"},
    {"Drum Solo", 122},
    {"Duet", 120},
    {"Easy Listening", 98},
    {"Electronic", 52},
    {"Ethnic", 48},
    {"Eurodance", 54},
    {"Euro-House", 124},
    {"Euro-Techno", 25},
    {"Fast-Fusion", 84, "Fast Fusion"},
    {"Folk", 80},
    {"Folk/Rock", 81, "Folk-Rock"},
    {"Folklore", 115},
    {"Freestyle", 119},
    {"Funk", 5},
    {"Fusion", 30},
    {"Game", 36},
    {"Gangsta Rap", 59, "Gangsta"},
    {"Goa", 126},
    {"Gospel", 38},
    {"Gothic", 49},
    {"Gothic Rock", 91},
    {"Grunge", 6},
    {"Hard Rock", 79},
    {"Hardcore", 129},
    {"Heavy Metal", 137},
    {"Hip-Hop", 7},
    {"House", 35},
    {"Humour", 100},
    {"Indie", 131},
    {"Industrial", 19},
    {"Instrumental", 33},
    {"Instrumental Pop", 46, "Instrumental pop"},
    {"Instrumental Rock", 47, "Instrumental rock"},
    {"Jazz", 8},
    {"Jazz+Funk", 29},
    {"JPop", 146},
    {"Jungle", 63},
    {"Latin", 86},
    {"Lo-Fi", 71},
    {"Meditative", 45},
    {"Merengue", 142},
    {"Metal", 9},
    {"Musical", 77},
    {"National Folk", 82},
    {"Native American", 64},
    {"Negerpunk", 133},
    {"New Age", 10},
    {"New Wave", 66},
    {"Noise", 39},
    {"Oldies", 11},
    {"Opera", 103},
    {"Other", 12},
    {"Polka", 75},
    {"Polsk Punk", 134},
    {"Pop", 13},
    {"Pop/Funk", 62},
    {"Pop-Folk", 53},
    {"Porn Groove", 109},
    {"Power Ballad", 117},
    {"Pranks", 23},
    {"Primus", 108},
    {"Progressive Rock", 92},
    {"Psychedelic", 67},
    {"Psychedelic Rock", 93},
    {"Punk", 43},
    {"Punk Rock", 121},
    {"R&B", 14},
    {"Rap", 15},
    {"Rave", 68},
    {"Reggae", 16},
    {"Retro", 76},
    {"Revival", 87},
    {"Rhythmic Soul", 118, "Rhythmic soul"},
    {"Rock", 17},
    {"Rock & Roll", 78},
    {"Salsa", 143},
    {"Samba", 114},
    {"Satire", 110},
    {"Showtunes", 69},
    {"Ska", 21},
    {"Slow Jam", 111},
    {"Slow Rock", 95},
    {"Sonata", 105},
    {"Soul", 42},
    {"Sound Clip", 37},
    {"Soundtrack", 24},
    {"Southern Rock", 56},
    {"Space", 44},
    {"Speech", 101},
    {"Swing", 83},
    {"Symphonic Rock", 94},
    {"Symphony", 106},
    {"Synthpop", 147},
    {"Tango", 113},
    {"Techno", 18},
    {"Techno-Industrial", 51},
    {"Terror", 130},
    {"Thrash Metal", 144},
    {"Top 40", 60},
    {"Trailer", 70},
    {"Trance", 31},
    {"Tribal", 72},
    {"Trip-Hop", 27},
    {"Vocal", 28},
}};

constexpr bool EveryNumberOnce() {
    std::array<int, kId3v1GenreCount> seen{};
    for (const GenreRow& row : kGenres) {
        if (row.Number >= kId3v1GenreCount || seen[row.Number]++ != 0) {
            return false;
        }
    }
    return true;
}
static_assert(EveryNumberOnce(), "each ID3v1 genre number appears in exactly one row");

constexpr std::array<std::string_view, kId3v1GenreCount> MakeId3v1Names() {
    std::array<std::string_view, kId3v1GenreCount> names{};
    for (const GenreRow& row : kGenres) {
        names[row.Number] = row.Id3v1Name.empty() ? row.ListName : row.Id3v1Name;
    }
    return names;
}

constexpr std::array<std::string_view, kGenreListSize> MakeListNames() {
    std::array<std::string_view, kGenreListSize> names{};
    for (std::size_t i = 0; i < kGenres.size(); ++i) {
        names[i + 1] = kGenres[i].ListName;
    }
    return names;
}

constexpr std::array<std::string_view, kId3v1GenreCount> kId3v1Names = MakeId3v1Names();
constexpr std::array<std::string_view, kGenreListSize> kListNames = MakeListNames();

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

const std::array<std::string_view, kId3v1GenreCount>& Id3v1GenreNames() {
    return kId3v1Names;
}

std::span<const std::string_view> GenreListNames() {
    return kListNames;
}

std::uint8_t GenreFromListPosition(int position) {
    if (position < 1 || position >= kGenreListSize) {
        return kId3NoGenre;
    }
    return kGenres[static_cast<std::size_t>(position - 1)].Number;
}

int GenreListPosition(std::string_view name) {
    for (std::size_t i = 0; i < kListNames.size(); ++i) {
        if (EqualIgnoringCase(kListNames[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
