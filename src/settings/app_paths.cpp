// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

fs::path ExecutableFolderOfProcess() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) : executable.parent_path();
}

fs::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return {};
}

// $XDG_CONFIG_HOME counts only when absolute; otherwise ~/.config.
fs::path ConfigHomeOfUser() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr) {
        fs::path folder(config);
        if (folder.is_absolute()) {
            return folder;
        }
    }
    const fs::path home = HomeFolder();
    return home.empty() ? fs::path() : home / ".config";
}

bool IsWritableFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

TAppPaths::TAppPaths(fs::path executableFolder, fs::path configHome)
    : m_executableFolder(std::move(executableFolder)), m_configHome(std::move(configHome)) {}

TAppPaths TAppPaths::FromEnvironment() {
    return {ExecutableFolderOfProcess(), ConfigHomeOfUser()};
}

fs::path TAppPaths::EnsureSettingsFolder() const {
    // A relative configuration home would depend on the working folder.
    if (!m_configHome.is_absolute()) {
        return m_executableFolder;
    }
    const fs::path folder = m_configHome / "Tamberlyn" / "Brisklark";
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) ? folder : m_executableFolder;
}

fs::path TAppPaths::OptionsFile() const {
    return EnsureSettingsFolder() / "options.ini";
}

fs::path TAppPaths::DiscCacheFile() const {
    return WritableProgramFolder() / "cd.dat";
}

fs::path TAppPaths::DefaultOutputFolder() const {
    return WritableProgramFolder() / "Output";
}

void TAppPaths::CreateDefaultOutputFolder(const std::string& folder) const {
    if (fs::u8path(folder) == DefaultOutputFolder()) {
        std::error_code error;
        fs::create_directories(DefaultOutputFolder(), error);
    }
}

fs::path TAppPaths::ShippedFile(const std::string& name) const {
    const fs::path beside = m_executableFolder / name;
    std::error_code error;
    if (fs::exists(beside, error)) {
        return beside;
    }
    return (m_executableFolder / BRISKLARK_DATA_FROM_BIN / name).lexically_normal();
}

fs::path TAppPaths::WritableProgramFolder() const {
    return IsWritableFolder(m_executableFolder) ? m_executableFolder : EnsureSettingsFolder();
}

const TAppPaths& ProgramPaths() {
    static const TAppPaths paths = TAppPaths::FromEnvironment();
    return paths;
}
