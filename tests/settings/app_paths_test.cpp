// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name); old != nullptr) {
            m_old = old;
        }
        ::setenv(name, value, 1);
    }
    ~TScopedEnv() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(AppPathsTest, ProgramFilesLieBesideAWritableExecutable) {
    TestFolder temp;
    const TAppPaths paths(temp.Path() / "bin", temp.Path() / "config");
    fs::create_directories(paths.ExecutableFolder());

    EXPECT_EQ(paths.EnsureSettingsFolder(), temp.Path() / "config/Tamberlyn/Brisklark");
    EXPECT_TRUE(fs::is_directory(temp.Path() / "config/Tamberlyn/Brisklark"));
    EXPECT_EQ(paths.OptionsFile(), temp.Path() / "config/Tamberlyn/Brisklark/options.ini");
    EXPECT_EQ(paths.DiscCacheFile(), temp.Path() / "bin/cd.dat");
    EXPECT_EQ(paths.DefaultOutputFolder(), temp.Path() / "bin/Output");
}

TEST(AppPathsTest, ProgramFilesMoveToTheSettingsFolderWhenTheExecutableFolderIsUnusable) {
    TestFolder temp;
    WriteText(temp.Path() / "plain-file", "");
    const TAppPaths paths(temp.Path() / "plain-file/bin", temp.Path() / "config");

    EXPECT_EQ(paths.DiscCacheFile(), temp.Path() / "config/Tamberlyn/Brisklark/cd.dat");
    EXPECT_EQ(paths.DefaultOutputFolder(), temp.Path() / "config/Tamberlyn/Brisklark/Output");
}

TEST(AppPathsTest, RelativeOrEmptyConfigHomeFallsBackToTheExecutableFolder) {
    TestFolder temp;
    EXPECT_EQ(TAppPaths(temp.Path(), "relative/config").EnsureSettingsFolder(), temp.Path());
    EXPECT_EQ(TAppPaths(temp.Path(), "").OptionsFile(), temp.Path() / "options.ini");
    EXPECT_FALSE(fs::exists("relative"));
}

TEST(AppPathsTest, ShippedFilesComeFromBesideTheExecutableOrTheInstalledDataFolder) {
    const fs::path installed = fs::path("share") / "brisklark" / "manual.html";
    const struct {
        const char* name;
        std::vector<fs::path> present;  // under the prefix
        fs::path expected;              // under the prefix
    } cases[] = {
        {"build folder", {"bin/manual.html"}, "bin/manual.html"},
        {"installed", {installed}, installed},
        {"both: the build folder wins", {"bin/manual.html", installed}, "bin/manual.html"},
        {"neither: where an install puts it", {}, installed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder temp;
        const fs::path prefix = temp.Path() / "usr";
        fs::create_directories(prefix / "bin");
        for (const fs::path& file : c.present) {
            WriteText(prefix / file, "<html></html>");
        }
        const TAppPaths paths(prefix / "bin", temp.Path() / "config");
        EXPECT_EQ(paths.ShippedFile("manual.html"), prefix / c.expected);
    }
}

TEST(AppPathsTest, EnvironmentNamesTheConfigHomeAndTheExecutable) {
    const fs::path executableFolder = fs::read_symlink("/proc/self/exe").parent_path();
    {
        const TScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(TAppPaths::FromEnvironment().ConfigHome(), "/srv/config");
        EXPECT_EQ(TAppPaths::FromEnvironment().ExecutableFolder(), executableFolder);
    }
    const TScopedEnv home("HOME", "/home/listener");
    const TScopedEnv relative("XDG_CONFIG_HOME", "not/absolute");
    EXPECT_EQ(TAppPaths::FromEnvironment().ConfigHome(), "/home/listener/.config");
}

}  // namespace
