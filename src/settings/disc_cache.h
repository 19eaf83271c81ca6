// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The disc cache "cd.dat": one section per disc, named by its disc key, with
// artist, album, year, genre, comment and track titles. An empty disc key
// means no disc could be identified: then nothing is read or written.
// Called on the GUI thread.

#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/options_setting.h"
#include "settings/settings_result.h"

// The five disc fields as the main window shows them.
struct TDiscFields {
    std::string Artist;
    std::string Album;
    std::string Year;
    std::int32_t Genre = -1;  // selected position in the genre list, -1 none
    std::string Comment;
};

// Fills info from the disc's section: the five fields, TrackCount (default
// 100), and Titles[1..min(TrackCount, 100)], each "TrackNN" when missing or
// empty. Titles above that keep their values. A missing file reads as an
// empty section.
void LoadDiscInfo(TCDInfo& info, const std::string& discKey,
                  const std::filesystem::path& cacheFile);

// True when the cache holds a section for the disc: the user's titles (or
// those the user kept) rather than defaults.
[[nodiscard]] bool DiscIsCached(const std::string& discKey, const std::filesystem::path& cacheFile);

// Writes the disc fields, info.TrackCount and Titles[1..min(TrackCount,
// 100)] to the disc's section, keeping everything else in the file. Refuses
// (and changes nothing) when the existing file cannot be read.
[[nodiscard]] TSettingsResult SaveDiscInfo(const TCDInfo& info, const std::string& discKey,
                                           const TDiscFields& fields,
                                           const std::filesystem::path& cacheFile);

// The same on OptionsSetting.CDInfo and the running program's "cd.dat".
void LoadDiscInfo(const std::string& discKey);
[[nodiscard]] TSettingsResult SaveDiscInfo(const std::string& discKey, const TDiscFields& fields);
