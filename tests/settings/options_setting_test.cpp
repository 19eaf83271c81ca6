// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/options_setting.h"

#include <gtest/gtest.h>

#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

class OptionsSettingTest : public ::testing::Test {
protected:
    OptionsSettingTest() : m_paths(ExecutableFolder(), m_temp.Path() / "config") {}

    fs::path ExecutableFolder() const {
        fs::path folder = m_temp.Path() / "bin";
        fs::create_directories(folder);
        return folder;
    }
    fs::path OptionsFile() const {
        return m_temp.Path() / "config/Tamberlyn/Brisklark/options.ini";
    }

    void WriteOptions(const std::string& text) {
        fs::create_directories(OptionsFile().parent_path());
        WriteText(OptionsFile(), text);
    }

    TOptionsSetting Loaded() const {
        TOptionsSetting options;
        LoadOptions(options, m_paths);
        return options;
    }

    TestFolder m_temp;
    TAppPaths m_paths;
};

// Sections are separated by two empty lines.
const char* const kDefaultFileText =
    "[CommonOptions]\n"
    "OutputFolder=@BIN@/Output\n"
    "OutputFormat=0\n"
    "IsKeepWav=0\n"
    "IsNormalize=0\n"
    "NormalizePercent=95\n"
    "EnableRipTime=0\n"
    "RipTime=0\n"
    "\n\n"
    "[Mp3Options]\n"
    "IsSelectVBR=0\n"
    "IsVBRHead=0\n"
    "BitRate=128\n"
    "MaxBitRate=320\n"
    "VBRQuality=4\n"
    "StereoMode=1\n"
    "CPU=3\n"
    "ConstantBitRate=5\n"
    "\n\n"
    "[OggOptions]\n"
    "IsUseCompress=1\n"
    "CompressPosition=30\n"
    "MaxBitRate=0\n"
    "NomalBitRate=0\n"
    "MinBitRate=0\n"
    "\n\n"
    "[WMAOptions]\n"
    "CodecIndex=0\n"
    "FormatIndex=29\n"
    "VBR=0\n"
    "\n\n"
    "[FLACOptions]\n"
    "Compression=2\n"
    "\n\n"
    "[APEOptions]\n"
    "Compression=2000\n"
    "CPU=3\n"
    "\n\n"
    "[CDOptions]\n"
    "Index=-1\n"
    "CDDb=0\n"
    "\n\n"
    "[QueryCDDB]\n"
    "Server=gnudb.gnudb.org\n"
    "Script=/~cddb/cddb.cgi\n"
    "UseProxy=0\n"
    "ProxyAddress=\n"
    "Port=80\n"
    "\n\n"
    "[Metadata]\n"
    "AutoLookup=1\n"
    "MusicBrainzServer=https://musicbrainz.org\n"
    "CoverArt=1\n"
    "CoverArtServer=https://coverartarchive.org\n"
    "UseCDText=1\n"
    "CddbEmail=\n"
    "EmbedCover=1\n"
    "ReplayGain=1\n"
    "Id3v2Version=4\n"
    "\n\n"
    "[Verify]\n"
    "SecureRead=1\n"
    "ReadRetries=20\n"
    "AccurateRip=1\n"
    "AccurateRipServer=http://www.accuraterip.com\n"
    "DecodeCheck=1\n"
    "WriteLog=1\n";

std::string DefaultFileText(const fs::path& executableFolder) {
    std::string text = kDefaultFileText;
    text.replace(text.find("@BIN@"), 5, executableFolder.string());
    return text;
}

TEST_F(OptionsSettingTest, WithoutAFileEveryFieldTakesItsDefault) {
    const TOptionsSetting options = Loaded();

    TOptionsSetting expected;
    expected.CommonOptions = {
        (ExecutableFolder() / "Output").string(), 0, false, false, 95, false, 0};
    expected.Mp3Options = {false, false, 128, 320, 4, 1, 3, 5};
    expected.OggOptions = {true, 30, 0, 0, 0};
    expected.WMAOptions = {0, 29, false};
    expected.FLACOptions = {2};
    expected.APEOptions = {2000, 3};
    expected.CDOptions = {-1, false};
    expected.QueryCDDB = {"gnudb.gnudb.org", "/~cddb/cddb.cgi", false, "", "80"};
    expected.Metadata = {
        true, "https://musicbrainz.org", true, "https://coverartarchive.org", true, "", true, true,
        4};
    expected.Verify = {true, 20, true, "http://www.accuraterip.com", true, true};
    EXPECT_EQ(options, expected);
    EXPECT_TRUE(fs::is_directory(OptionsFile().parent_path()));
    EXPECT_FALSE(fs::exists(OptionsFile()));  // nothing is written while loading
}

TEST_F(OptionsSettingTest, FirstSaveWritesEveryKeyInOrder) {
    const TSettingsResult saved = SaveOptions(Loaded(), m_paths);

    ASSERT_TRUE(saved.Ok) << saved.Message;
    EXPECT_EQ(ReadText(OptionsFile()), DefaultFileText(ExecutableFolder()));
}

TEST_F(OptionsSettingTest, SavedValuesReadBackUnchanged) {
    TOptionsSetting options;
    options.CommonOptions = {"/home/ünïcødé/Musik – 音楽", 4, true, true, 87, true, 12};
    options.Mp3Options = {true, true, 96, 256, 2, 3, 1, 8};
    options.OggOptions = {false, 77, 14, 9, 1};
    options.WMAOptions = {2, 7, true};
    options.FLACOptions = {8};
    options.APEOptions = {5500, 1};
    options.CDOptions = {3, true};
    options.QueryCDDB = {"cddb.example", "/cgi", true, "proxy.example", "3128"};
    options.Metadata = {false, "http://127.0.0.1:8080", false, "http://[::1]:81",
                        false, "someone@example.org",   false, false,
                        3};
    options.Verify = {false, 45, false, "http://127.0.0.1:8081", false, false};
    ASSERT_TRUE(options.DriveOffsets.SetReadOffset("HL-DT-ST", "DVDRAM GH24NSD1", 6));
    ASSERT_TRUE(options.DriveOffsets.SetReadOffset("  PLEXTOR ", "CD-R   PX-W4824A", -1164));
    ASSERT_TRUE(options.DriveOffsets.SetReadOffset("TSSTcorp", "CDDVDW SH-224DB", 2939));
    options.CDInfo.Artist = "kept in memory only";

    ASSERT_TRUE(SaveOptions(options, m_paths).Ok);
    TOptionsSetting reloaded = Loaded();

    EXPECT_EQ(reloaded.CDInfo.Artist, "");
    reloaded.CDInfo = options.CDInfo;
    EXPECT_EQ(reloaded, options);
}

TEST_F(OptionsSettingTest, RangedValuesAreBroughtIntoTheirRange) {
    // A retry cap off the steps of five would never end a bad sector's retries.
    const struct {
        const char* text;
        std::int32_t oggQuality;
        std::int32_t readRetries;
    } cases[] = {
        {"[OggOptions]\nCompressPosition=5\n[Verify]\nReadRetries=0\n", 30, 5},
        {"[OggOptions]\nCompressPosition=250\n[Verify]\nReadRetries=1000\n", 100, 100},
        {"[OggOptions]\nCompressPosition=64\n[Verify]\nReadRetries=35\n", 64, 35},
        {"[Verify]\nReadRetries=23\n", 30, 20},
        {"[Verify]\nReadRetries=-7\n", 30, 5},
    };
    for (const auto& c : cases) {
        WriteOptions(c.text);
        const TOptionsSetting options = Loaded();
        EXPECT_EQ(options.OggOptions.CompressPosition, c.oggQuality) << c.text;
        EXPECT_EQ(options.Verify.ReadRetries, c.readRetries) << c.text;
    }
}

TEST_F(OptionsSettingTest, DriveOffsetsAreKeyedByVendorAndModel) {
    WriteOptions(
        "[DriveOffsets]\n"
        "HL-DT-ST - DVDRAM GH24NSD1=6\n"
        "PLEXTOR - CD-R PX-W4824A=-1164\n"
        "LITE-ON - far=2940\n"
        "LITE-ON - word=six\n"
        "; ASUS - DRW=48\n");
    TOptionsSetting options = Loaded();
    const TDriveOffsets& offsets = options.DriveOffsets;

    const struct {
        const char* vendor;
        const char* model;
        std::optional<std::int32_t> offset;
    } found[] = {
        {"HL-DT-ST", "DVDRAM GH24NSD1", 6},
        {"hl-dt-st ", " dvdram gh24nsd1", 6},  // trimmed, any letter case
        {"PLEXTOR", "CD-R PX-W4824A", -1164},
        {"PLEXTOR", "CD-R", std::nullopt},
        {"LITE-ON", "far", std::nullopt},  // beyond any drive's offset
        {"LITE-ON", "word", std::nullopt},
        {"ASUS", "DRW", std::nullopt},
    };
    for (const auto& f : found) {
        EXPECT_EQ(offsets.ReadOffset(f.vendor, f.model), f.offset) << f.vendor << f.model;
    }

    const struct {
        const char* vendor;
        const char* model;
        std::int32_t samples;
        bool stored;
    } set[] = {
        {"hl-dt-st", "dvdram gh24nsd1", 667, true},  // replaces the entry of other case
        {"ASUS", "DRW-24D5MT", -2939, true},
        {"ASUS", "DRW-24D5MT", -2940, false},
        {"ASUS", "a=b", 10, false},
        {"ASUS", "two\nlines", 10, false},
        {"", "model", 10, false},
        {"vendor", "   ", 10, false},
        {";ASUS", "DRW", 10, false},
        {"[ASUS]", "DRW", 10, false},
    };
    for (const auto& s : set) {
        EXPECT_EQ(options.DriveOffsets.SetReadOffset(s.vendor, s.model, s.samples), s.stored)
            << s.vendor << s.model << s.samples;
    }

    ASSERT_TRUE(SaveOptions(options, m_paths).Ok);
    const std::string text = ReadText(OptionsFile());
    // Entries loading refused stay in the file as they were.
    EXPECT_NE(text.find("LITE-ON - far=2940\nLITE-ON - word=six\n"), std::string::npos) << text;
    const TOptionsSetting reloaded = Loaded();
    EXPECT_EQ(reloaded.DriveOffsets.ReadOffset("HL-DT-ST", "DVDRAM GH24NSD1"), 667);
    EXPECT_EQ(reloaded.DriveOffsets.ReadOffset("ASUS", "DRW-24D5MT"), -2939);
    EXPECT_EQ(reloaded.DriveOffsets.ReadOffset("PLEXTOR", "CD-R PX-W4824A"), -1164);
    EXPECT_EQ(reloaded.DriveOffsets.Entries().size(), 3u);
}

TEST_F(OptionsSettingTest, ValuesThatAreNotNumbersGiveTheDefault) {
    WriteOptions(
        "[CommonOptions]\n"
        "OutputFolder=\n"
        "OutputFormat=abc\n"
        "IsKeepWav=7\n"
        "IsNormalize=yes\n"
        "NormalizePercent=12abc\n"
        "RipTime=-40\n"
        "[Mp3Options]\n"
        "BitRate=99999999999\n"
        "MaxBitRate=\n"
        "[OggOptions]\n"
        "IsUseCompress=0\n"
        "[cdoptions]\n"
        "index=2\n");
    const TOptionsSetting options = Loaded();

    EXPECT_EQ(options.CommonOptions.OutputFolder, "");  // present but empty
    EXPECT_EQ(options.CommonOptions.OutputFormat, 0);
    EXPECT_TRUE(options.CommonOptions.IsKeepWav);  // any non-zero number is true
    EXPECT_FALSE(options.CommonOptions.IsNormalize);
    EXPECT_EQ(options.CommonOptions.NormalizePercent, 95);
    EXPECT_EQ(options.CommonOptions.RipTime, -40);
    EXPECT_EQ(options.Mp3Options.BitRate, 128);  // beyond 32 bits
    EXPECT_EQ(options.Mp3Options.MaxBitRate, 320);
    EXPECT_FALSE(options.OggOptions.IsUseCompress);
    EXPECT_EQ(options.CDOptions.Index, 2);  // names compare without letter case
}

TEST_F(OptionsSettingTest, SaveKeepsOtherSectionsAndKeys) {
    WriteOptions(
        "; written by hand\n"
        "[Window]\n"
        "Left=10\n"
        "\n"
        "[CommonOptions]\n"
        "Theme=dark\n"
        "OutputFormat=3\n");
    TOptionsSetting options = Loaded();
    options.CommonOptions.OutputFormat = 5;

    ASSERT_TRUE(SaveOptions(options, m_paths).Ok);
    const std::string text = ReadText(OptionsFile());

    EXPECT_EQ(text.rfind("; written by hand\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Window]\nLeft=10\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[CommonOptions]\nTheme=dark\nOutputFormat=5\nOutputFolder="),
              std::string::npos)
        << text;
    EXPECT_EQ(Loaded(), options);
}

TEST_F(OptionsSettingTest, UnusableSettingsFolderFallsBackToTheExecutableFolder) {
    // A folder under a regular file can never be created, not even by root.
    WriteText(m_temp.Path() / "plain-file", "");
    const TAppPaths paths(ExecutableFolder(), m_temp.Path() / "plain-file/config");
    WriteText(ExecutableFolder() / "options.ini", "[CommonOptions]\nOutputFormat=3\n");

    TOptionsSetting options;
    LoadOptions(options, paths);
    EXPECT_EQ(options.CommonOptions.OutputFormat, 3);

    options.CommonOptions.OutputFormat = 4;
    ASSERT_TRUE(SaveOptions(options, paths).Ok);
    EXPECT_NE(ReadText(ExecutableFolder() / "options.ini").find("OutputFormat=4\n"),
              std::string::npos);
}

TEST_F(OptionsSettingTest, UnreadableFileGivesDefaultsAndIsNotOverwritten) {
    fs::create_directories(OptionsFile());  // a folder where the file should be

    EXPECT_EQ(Loaded().APEOptions.Compression, 2000);
    const TSettingsResult saved = SaveOptions(Loaded(), m_paths);

    EXPECT_FALSE(saved.Ok);
    EXPECT_EQ(saved.Message, "Can not read \"" + OptionsFile().string() + "\": not a regular file");
    EXPECT_TRUE(fs::is_directory(OptionsFile()));
}

TEST_F(OptionsSettingTest, SaveKeepsThePermissionsOfTheFileItReplaces) {
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                                 fs::perms::owner_all | fs::perms::group_read}) {
        WriteOptions("[Other]\nA=1\n");
        fs::permissions(OptionsFile(), mode);

        ASSERT_TRUE(SaveOptions(Loaded(), m_paths).Ok);

        EXPECT_EQ(fs::status(OptionsFile()).permissions(), mode);
        EXPECT_NE(ReadText(OptionsFile()).find("Port=80"), std::string::npos);
    }
}

TEST_F(OptionsSettingTest, SaveThroughASymbolicLinkKeepsTheLink) {
    WriteText(m_temp.Path() / "real.ini", "[Other]\nA=1\n");
    fs::create_directories(OptionsFile().parent_path());
    fs::create_symlink(m_temp.Path() / "real.ini", OptionsFile());

    ASSERT_TRUE(SaveOptions(Loaded(), m_paths).Ok);

    EXPECT_TRUE(fs::is_symlink(OptionsFile()));
    EXPECT_NE(ReadText(m_temp.Path() / "real.ini").find("[Other]\nA=1\n"), std::string::npos);
    EXPECT_NE(ReadText(m_temp.Path() / "real.ini").find("Port=80"), std::string::npos);
}

}  // namespace
