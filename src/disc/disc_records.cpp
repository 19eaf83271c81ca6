// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/disc_records.h"

#include <algorithm>

#include "audio/tags/id3v1_genres.h"

namespace {

bool IsGenreListPosition(int position) {
    return position >= 0 && position < kGenreListSize;
}

}  // namespace

TDiscFields DiscFieldsOf(const DiscInfo& disc) {
    return {disc.Artist, disc.Album, disc.Year, disc.GenrePosition, disc.Comment};
}

TCDInfo CacheRecordOf(const DiscInfo& disc) {
    TCDInfo record;
    const TDiscFields fields = DiscFieldsOf(disc);
    record.Artist = fields.Artist;
    record.Album = fields.Album;
    record.Year = fields.Year;
    record.Genre = fields.Genre;
    record.Comment = fields.Comment;
    record.TrackCount = static_cast<std::int32_t>(disc.Tracks.size());
    const int stored = std::min(record.TrackCount, kMaxTrackTitles);
    for (int position = 1; position <= stored; ++position) {
        record.Titles[position] = disc.Tracks[static_cast<std::size_t>(position - 1)].Title;
    }
    return record;
}

DiscInfo DiscInfoOf(const TCDInfo& record) {
    DiscInfo disc;
    disc.Artist = record.Artist;
    disc.Album = record.Album;
    disc.Year = record.Year;
    disc.GenrePosition = IsGenreListPosition(record.Genre) ? record.Genre : -1;
    if (disc.GenrePosition >= 0) {
        disc.Genre = GenreListNames()[static_cast<std::size_t>(disc.GenrePosition)];
    }
    disc.Comment = record.Comment;
    const int stored = std::clamp(record.TrackCount, 0, kMaxTrackTitles);
    for (int position = 1; position <= stored; ++position) {
        disc.Tracks.push_back({.Number = position, .Title = record.Titles[position]});
    }
    return disc;
}

DiscInfo LoadCachedDisc(const std::string& discKey, const std::filesystem::path& cacheFile) {
    if (discKey.empty()) {
        return {};
    }
    TCDInfo record;
    LoadDiscInfo(record, discKey, cacheFile);
    return DiscInfoOf(record);
}

TSettingsResult SaveCachedDisc(const DiscInfo& disc, const std::string& discKey,
                               const std::filesystem::path& cacheFile) {
    const TCDInfo record = CacheRecordOf(disc);
    return SaveDiscInfo(record, discKey, DiscFieldsOf(disc), cacheFile);
}
