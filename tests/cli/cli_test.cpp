// SPDX-License-Identifier: GPL-3.0-or-later
// brisklark-cli as a subprocess on disc images: the drive list, the table of
// contents and disc ids against cd-info, the AccurateRip id script and a
// published MusicBrainz disc id, and the exit statuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cd/access/cd_access.h"
#include "discimage/disc_image.h"
#include "support/cd/toc_image.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct CliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

CliRun RunCli(const TestFolder& folder, const std::vector<fs::path>& images,
              const std::string& args) {
    std::string list;
    for (const fs::path& image : images) {
        list += (list.empty() ? "" : ":") + image.string();
    }
    const std::string err = folder.File("stderr.txt");
    const CommandResult result =
        RunCommand("BRISKLARK_DISC_IMAGES=" + ShellQuote(list) + " " + ShellQuote(BRISKLARK_CLI) +
                   " " + args + " 2>" + ShellQuote(err));
    return {result.Status, result.Output, ReadText(err)};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The machine's own drives come before the images in the list.
std::size_t RealDrives(const TestFolder& folder) {
    return Lines(RunCli(folder, {}, "drives --json").Out).size();
}

// A cue sheet over a sparse data file: (mode, first sector) per track.
fs::path WriteSparseCue(const fs::path& cue, const std::vector<std::pair<std::string, int>>& tracks,
                        int sectors) {
    std::string sheet = "FILE \"" + cue.stem().string() + ".bin\" BINARY\n";
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        char lines[96];
        const int start = tracks[i].second;
        std::snprintf(lines, sizeof lines, "  TRACK %02zu %s\n    INDEX 01 %02d:%02d:%02d\n", i + 1,
                      tracks[i].first.c_str(), start / 4500, start / 75 % 60, start % 75);
        sheet += lines;
    }
    WriteText(cue, sheet);
    const fs::path bin = fs::path(cue).replace_extension(".bin");
    WriteText(bin, "");
    fs::resize_file(bin, std::uintmax_t{static_cast<unsigned>(sectors)} * kCDSectorBytes);
    return cue;
}

// A noise disc of the given track lengths (sectors) with CD-Text; its
// AccurateRip id "NNN-id1-id2-cddb" as the answer script names its file.
std::string WriteNoiseDisc(const fs::path& cue, const std::vector<std::uint32_t>& sectors,
                           const discimage::CueText& text) {
    std::mt19937 noise(29);
    std::vector<discimage::Pcm> tracks;
    std::string lengths;
    for (const std::uint32_t count : sectors) {
        discimage::Pcm& track = tracks.emplace_back(std::size_t{count} * kCDSectorBytes);
        for (std::uint8_t& byte : track) {
            byte = static_cast<std::uint8_t>(noise());
        }
        lengths += " " + std::to_string(count);
    }
    EXPECT_TRUE(discimage::WriteDiscImage(cue, tracks, text).ok);
    const fs::path answers = cue.parent_path() / "answers";
    EXPECT_TRUE(RunCommand("/usr/bin/python3 " + ShellQuote(ACCURATERIP_ANSWERS_SCRIPT) + " " +
                           ShellQuote(fs::path(cue).replace_extension(".bin").string()) + " " +
                           ShellQuote(answers.string()) + lengths)
                    .Ok());
    for (const auto& entry : fs::recursive_directory_iterator(answers / "accurate")) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("dBAR-")) {
            return name.substr(5, name.size() - 5 - 4);
        }
    }
    return "";
}

// cd-info's table: per track (and the lead-out) its logical sector and type.
struct InfoEntry {
    int Start = 0;
    std::string Type;  // audio, data, leadout
};

std::vector<InfoEntry> CdInfoTable(const fs::path& cue) {
    const std::string out = RunCommand(
                                "cd-info --no-header --no-device-info --no-cddb "
                                "--no-analyze --cue-file " +
                                ShellQuote(cue.string()) + " 2>/dev/null")
                                .Output;
    std::vector<InfoEntry> table;
    for (const std::string& line : Lines(out)) {
        // "  1: 00:02:00  000000 audio  false ..."
        int start = 0;
        char type[16] = {};
        if (std::sscanf(line.c_str(), " %*d: %*d:%*d:%*d %d %15s", &start, type) == 2) {
            table.push_back({start, type});
        }
    }
    return table;
}

std::string Msf(int sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d.%02d", sectors / 4500, sectors / 75 % 60,
                  sectors % 75);
    return text;
}

// The list numbers the images after the real drives, names each with its
// path and file name, and tells an audio disc from a data disc; names that
// are not UTF-8 still give JSON.
TEST(CliTest, DrivesListsEveryImage) {
    TestFolder folder;
    const fs::path audio = WriteSparseCue(folder / "audio.cue", {{"AUDIO", 0}}, 300);
    const fs::path data = WriteSparseCue(folder / "data.cue", {{"MODE1/2352", 0}}, 300);
    const fs::path odd = WriteSparseCue(folder / "odd\xff.cue", {{"AUDIO", 0}}, 300);
    struct Expected {
        fs::path cue;
        std::string model;  // as JSON gives it
        bool audioDisc;
    };
    const Expected expected[] = {
        {audio, "audio.cue", true}, {data, "data.cue", false}, {odd, "odd\uFFFD.cue", true}};
    const std::size_t first = RealDrives(folder);

    const CliRun text = RunCli(folder, {audio, data, odd}, "drives");
    const CliRun jsonRun = RunCli(folder, {audio, data, odd}, "drives --json");
    ASSERT_EQ(text.Status, 0) << text.Err;
    ASSERT_EQ(jsonRun.Status, 0) << jsonRun.Err;
    const std::vector<std::string> textLines = Lines(text.Out);
    const std::vector<std::string> jsonLines = Lines(jsonRun.Out);
    ASSERT_EQ(textLines.size(), first + 3);
    ASSERT_EQ(jsonLines.size(), first + 3);
    for (std::size_t i = 0; i < 3; ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.cue.string());
        EXPECT_EQ(textLines[first + i], std::to_string(first + i) + ": Image " +
                                            e.cue.filename().string() + " (" + e.cue.string() +
                                            "), " + (e.audioDisc ? "audio disc" : "no audio disc"));
        const json drive = json::parse(jsonLines[first + i]);
        EXPECT_EQ(drive["drive"], first + i);
        EXPECT_EQ(drive["vendor"], "Image");
        EXPECT_EQ(drive["model"], e.model);
        EXPECT_EQ(drive["image"], true);
        EXPECT_EQ(drive["audio_disc"], e.audioDisc);
    }
    EXPECT_EQ(json::parse(jsonLines[first])["path"], audio.string());
}

// The table as cd-info reads the image, the AccurateRip and CDDB ids as the
// answer script computes them, a published MusicBrainz id, and the CD-Text
// written into the cue sheet; in text and in JSON.
TEST(CliTest, TocAgreesWithIndependentTools) {
    SKIP_WITHOUT_PROGRAM("cd-info");
    TestFolder folder;
    struct Case {
        const char* name;
        fs::path cue;
        std::string accurateRipId;  // empty: not checked
        std::string musicBrainzId;  // empty: not checked
        json cdText;
    };
    const discimage::CueText text = {
        "Café Album", "The Band", {{"One", "The Band"}, {"Two", "A Guest"}, {"", ""}}};
    fs::create_directories(folder / "noise");
    const fs::path noiseCue = folder / "noise" / "noise.cue";
    const std::string noiseId = WriteNoiseDisc(noiseCue, {20, 100, 37}, text);
    // A published disc: five tracks, starts in frames from the disc's start.
    const TCDHandle known =
        OpenTocImageDrive(folder / "known", {150, 61109, 94976, 118065, 143171}, 199410);
    ASSERT_NE(known, 0U);
    CloseCDHandle(known);
    const Case cases[] = {
        {"noise with CD-Text",
         noiseCue,
         noiseId,
         "",
         {{"album", "Café Album"},
          {"performer", "The Band"},
          {"tracks",
           {{{"number", 1}, {"title", "One"}, {"performer", "The Band"}},
            {{"number", 2}, {"title", "Two"}, {"performer", "A Guest"}}}}}},
        {"published", folder / "known" / "toc.cue", "", "tNSQ3K59B8ZkSb19P__Jet6B.sk-", nullptr},
        {"data first",
         WriteSparseCue(folder / "mixed.cue", {{"MODE1/2352", 0}, {"AUDIO", 900}, {"AUDIO", 2000}},
                        4000),
         "", "", nullptr},
    };
    ASSERT_FALSE(noiseId.empty());
    const std::size_t first = RealDrives(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string drive = " --drive " + std::to_string(first);
        const CliRun textRun = RunCli(folder, {c.cue}, "toc" + drive);
        const CliRun jsonRun = RunCli(folder, {c.cue}, "toc --json" + drive);
        ASSERT_EQ(textRun.Status, 0) << textRun.Err;
        ASSERT_EQ(jsonRun.Status, 0) << jsonRun.Err;
        const json toc = json::parse(jsonRun.Out);

        const std::vector<InfoEntry> table = CdInfoTable(c.cue);
        ASSERT_GE(table.size(), 2U);
        ASSERT_EQ(toc["tracks"].size(), table.size() - 1);
        std::vector<std::string> expectedLines = {"Track  Type   Start  Length"};
        for (std::size_t i = 0; i + 1 < table.size(); ++i) {
            const json& track = toc["tracks"][i];
            const int sectors = table[i + 1].Start - table[i].Start;
            EXPECT_EQ(track["number"], i + 1);
            EXPECT_EQ(track["type"], table[i].Type);
            EXPECT_EQ(track["start"], table[i].Start);
            EXPECT_EQ(track["sectors"], sectors);
            EXPECT_EQ(track["length"], Msf(sectors));
            char line[64];
            std::snprintf(line, sizeof line, "%5zu  %-5s  %5d  %s", i + 1, table[i].Type.c_str(),
                          table[i].Start, Msf(sectors).c_str());
            expectedLines.emplace_back(line);
        }
        EXPECT_EQ(table.back().Type, "leadout");
        EXPECT_EQ(toc["lead_out"], table.back().Start);
        if (!c.accurateRipId.empty()) {
            EXPECT_EQ(toc["accuraterip_id"], c.accurateRipId);
            EXPECT_EQ(toc["cddb_id"], c.accurateRipId.substr(c.accurateRipId.size() - 8));
        }
        if (!c.musicBrainzId.empty()) {
            EXPECT_EQ(toc["musicbrainz_id"], c.musicBrainzId);
        }
        EXPECT_EQ(toc["cd_text"], c.cdText);

        char leadOut[32];
        std::snprintf(leadOut, sizeof leadOut, "Lead-out      %5d", table.back().Start);
        expectedLines.emplace_back(leadOut);
        expectedLines.push_back("CDDB disc id: " + toc["cddb_id"].get<std::string>());
        expectedLines.push_back("AccurateRip disc id: " + toc["accuraterip_id"].get<std::string>());
        expectedLines.push_back("MusicBrainz disc id: " + toc["musicbrainz_id"].get<std::string>());
        if (!c.cdText.is_null()) {
            expectedLines.push_back("CD-Text album: Café Album");
            expectedLines.push_back("CD-Text performer: The Band");
            expectedLines.push_back("CD-Text track 1: One");
            expectedLines.push_back("CD-Text track 2: Two / A Guest");
        }
        EXPECT_EQ(Lines(textRun.Out), expectedLines);
    }
}

// Bad usage is 2 with the parser's words and the usage, a failure 1 with
// the program's reason, help 0; nothing on standard output but help.
TEST(CliTest, ExitStatusesAndMessages) {
    TestFolder folder;
    const fs::path audio = WriteSparseCue(folder / "audio.cue", {{"AUDIO", 0}}, 300);
    const fs::path data = WriteSparseCue(folder / "data.cue", {{"MODE1/2352", 0}}, 300);
    const std::size_t first = RealDrives(folder);
    const std::string dataDrive = std::to_string(first + 1);
    struct Case {
        std::vector<fs::path> images;
        std::string args;
        int status;
        std::string error;  // a part of standard error
        bool needsNoRealDrive;
    };
    const Case cases[] = {
        {{audio}, "toc --bogus", 2, "--bogus", false},
        {{audio}, "frobnicate", 2, "Usage: brisklark-cli", false},
        {{audio}, "", 2, "Usage: brisklark-cli", false},
        {{audio}, "toc --drive -1", 2, "--drive", false},
        {{audio}, "toc --drive x", 2, "--drive", false},
        {{audio}, "toc --drive 9", 1, "brisklark-cli: no drive 9", false},
        {{audio, data},
         "toc --drive " + dataDrive,
         1,
         "brisklark-cli: no audio disc in drive " + dataDrive,
         false},
        {{}, "toc", 1, "brisklark-cli: no drive 0", true},
        {{}, "drives", 1, "brisklark-cli: no CD drive or disc image found", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        if (c.needsNoRealDrive && first > 0) {
            continue;
        }
        const CliRun run = RunCli(folder, c.images, c.args);
        EXPECT_EQ(run.Status, c.status);
        EXPECT_NE(run.Err.find(c.error), std::string::npos) << run.Err;
        EXPECT_EQ(run.Out, "");
    }
    const CliRun help = RunCli(folder, {}, "toc --help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("--drive"), std::string::npos);
}

}  // namespace
