// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/disc_cache.h"

#include <algorithm>

#include "settings/ini_file.h"
#include "settings/settings_helpers.h"

namespace {

constexpr std::int32_t kDefaultTrackCount = kMaxTrackTitles;

// Titles are stored for tracks 1..count, and there are at most 100.
int StoredTitleCount(std::int32_t trackCount) {
    return std::min(trackCount, kMaxTrackTitles);
}

}  // namespace

void LoadDiscInfo(TCDInfo& info, const std::string& discKey,
                  const std::filesystem::path& cacheFile) {
    if (discKey.empty()) {
        return;
    }
    TIniFile ini;
    // An unreadable cache reads like a disc never seen.
    (void)ini.Load(cacheFile);
    const char* section = discKey.c_str();
    info.Artist = ini.ReadString(section, "CDArtist", "");
    info.Album = ini.ReadString(section, "CDAlbum", "");
    info.Year = ini.ReadString(section, "CDYear", "");
    info.Genre = ini.ReadInteger(section, "CDGenre", -1);
    info.Comment = ini.ReadString(section, "CDComment", "");
    info.TrackCount = ini.ReadInteger(section, "CDTrackNumber", kDefaultTrackCount);
    for (int track = 1; track <= StoredTitleCount(info.TrackCount); ++track) {
        std::string title = ini.ReadString(section, std::to_string(track).c_str(), "");
        info.Titles[track] = title.empty() ? DefaultTrackTitle(track) : std::move(title);
    }
}

bool DiscIsCached(const std::string& discKey, const std::filesystem::path& cacheFile) {
    TIniFile ini;
    return !discKey.empty() && ini.Load(cacheFile).Ok && ini.HasSection(discKey.c_str());
}

TSettingsResult SaveDiscInfo(const TCDInfo& info, const std::string& discKey,
                             const TDiscFields& fields, const std::filesystem::path& cacheFile) {
    if (discKey.empty()) {
        return {};
    }
    TIniFile ini;
    if (TSettingsResult loaded = ini.Load(cacheFile); !loaded.Ok) {
        return loaded;
    }
    const char* section = discKey.c_str();
    ini.WriteString(section, "CDArtist", fields.Artist);
    ini.WriteString(section, "CDAlbum", fields.Album);
    ini.WriteString(section, "CDYear", fields.Year);
    ini.WriteInteger(section, "CDGenre", fields.Genre);
    ini.WriteString(section, "CDComment", fields.Comment);
    ini.WriteInteger(section, "CDTrackNumber", info.TrackCount);
    for (int track = 1; track <= StoredTitleCount(info.TrackCount); ++track) {
        ini.WriteString(section, std::to_string(track).c_str(), info.Titles[track]);
    }
    return ini.Save(cacheFile);
}

void LoadDiscInfo(const std::string& discKey) {
    LoadDiscInfo(OptionsSetting.CDInfo, discKey, ProgramPaths().DiscCacheFile());
}

TSettingsResult SaveDiscInfo(const std::string& discKey, const TDiscFields& fields) {
    return SaveDiscInfo(OptionsSetting.CDInfo, discKey, fields, ProgramPaths().DiscCacheFile());
}
