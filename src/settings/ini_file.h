// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One INI file held in memory with typed reads and writes. Sections and keys
// keep the order in which they were first loaded or written, and everything
// not written stays as loaded. Text is UTF-8; key and section names compare
// without regard to letter case. Not thread-safe: one owner at a time.

// Text stays UTF-8 bytes throughout, so the narrow class needs no converter.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_result.h"

class TIniFile {
public:
    TIniFile();

    // Loads the file; a missing file loads as empty and counts as success.
    // Anything but a regular file is refused unread. On failure the content
    // stays empty.
    [[nodiscard]] TSettingsResult Load(const std::filesystem::path& file);

    // Writes the whole content through a temporary file that then replaces
    // the file, so a failed write leaves the old file whole. The new file
    // keeps the old one's permission bits.
    [[nodiscard]] TSettingsResult Save(const std::filesystem::path& file) const;

    // True when the file has the section, with keys or without.
    [[nodiscard]] bool HasSection(const char* section) const;
    // A missing key gives the default; a present but empty string key gives "".
    [[nodiscard]] std::string ReadString(const char* section, const char* key,
                                         const std::string& defaultValue) const;
    // A missing key, or text that is not a 32-bit decimal integer, gives the default.
    [[nodiscard]] std::int32_t ReadInteger(const char* section, const char* key,
                                           std::int32_t defaultValue) const;
    // Read as an integer; true for any non-zero value.
    [[nodiscard]] bool ReadBool(const char* section, const char* key, bool defaultValue) const;
    // Every key of a section with its value, in file order; none when the
    // section is missing. For sections whose key names are data.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> ReadSection(
        const char* section) const;

    // Line breaks in the value become spaces: one line holds one key.
    void WriteString(const char* section, const char* key, const std::string& value);
    void WriteInteger(const char* section, const char* key, std::int32_t value);
    // Written as "1" or "0".
    void WriteBool(const char* section, const char* key, bool value);

private:
    CSimpleIniA m_ini;
};
