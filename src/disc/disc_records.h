// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// DiscInfo and the older disc records. "cd.dat" keeps its format: a disc's
// section holds the five disc fields (artist, album, year, genre position,
// comment), the track count and the titles by position 1..100; nothing else
// of a DiscInfo is cached.

#include <filesystem>
#include <string>

#include "disc/disc_info.h"
#include "settings/disc_cache.h"
#include "settings/options_setting.h"
#include "settings/settings_result.h"

// The five disc fields.
[[nodiscard]] TDiscFields DiscFieldsOf(const DiscInfo& disc);

// The cache record: the five fields, TrackCount the number of tracks and
// Titles[1..100] the titles of the first 100 tracks by their position.
[[nodiscard]] TCDInfo CacheRecordOf(const DiscInfo& disc);

// The disc of a cache record: its five fields (a genre position outside the
// genre list reads as none, the genre's text is its list entry) and one
// track per title, numbered by position, all ticked.
[[nodiscard]] DiscInfo DiscInfoOf(const TCDInfo& record);

// The disc's section of the cache file as LoadDiscInfo reads it: a disc not
// cached has 100 tracks "Track01".."Track100". An empty key gives an empty
// DiscInfo.
[[nodiscard]] DiscInfo LoadCachedDisc(const std::string& discKey,
                                      const std::filesystem::path& cacheFile);

// Writes the disc's section as SaveDiscInfo does.
[[nodiscard]] TSettingsResult SaveCachedDisc(const DiscInfo& disc, const std::string& discKey,
                                             const std::filesystem::path& cacheFile);
