// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the program keeps its files. The executable's folder and the user's
// configuration home are resolved once (FromEnvironment) or given by tests;
// the folders derived from them are checked each time they are asked for.
// Any thread; the methods that create the settings folder touch the disk.

#include <filesystem>
#include <string>

class TAppPaths {
public:
    TAppPaths(std::filesystem::path executableFolder, std::filesystem::path configHome);

    // The running program: the folder of /proc/self/exe, and $XDG_CONFIG_HOME
    // (when absolute) or else $HOME/.config.
    [[nodiscard]] static TAppPaths FromEnvironment();

    const std::filesystem::path& ExecutableFolder() const { return m_executableFolder; }
    const std::filesystem::path& ConfigHome() const { return m_configHome; }

    // ConfigHome/Tamberlyn/Brisklark, created with its parents when missing;
    // the executable's folder when that folder cannot be had.
    [[nodiscard]] std::filesystem::path EnsureSettingsFolder() const;

    // EnsureSettingsFolder()/options.ini.
    [[nodiscard]] std::filesystem::path OptionsFile() const;

    // "cd.dat" in the executable's folder, or in the settings folder when the
    // executable's folder is not writable (a system-wide install).
    [[nodiscard]] std::filesystem::path DiscCacheFile() const;

    // "Output" under the same rule as DiscCacheFile.
    [[nodiscard]] std::filesystem::path DefaultOutputFolder() const;

    // Creates the default output folder when `folder` (UTF-8) names it and it
    // is missing, so that a first start has the folder its settings name. A
    // folder the user chose is left alone: creating it is the user's call. A
    // failure is left for the later folder checks to report.
    void CreateDefaultOutputFolder(const std::string& folder) const;

    // A file shipped with the program (the manual): beside the executable in
    // a build folder, otherwise in the installed shipped-files folder, which
    // lies at a fixed place relative to the executable (../share/brisklark
    // for an install under any prefix). The installed path when neither has it.
    [[nodiscard]] std::filesystem::path ShippedFile(const std::string& name) const;

private:
    [[nodiscard]] std::filesystem::path WritableProgramFolder() const;

    std::filesystem::path m_executableFolder;
    std::filesystem::path m_configHome;
};

// The running program's paths, resolved on first use.
[[nodiscard]] const TAppPaths& ProgramPaths();
