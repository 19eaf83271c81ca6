// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "verify/rip_log.h"

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines of the forms that other tools read, in order.
std::vector<std::string> FixedLines(const std::string& text) {
    const std::vector<std::string> prefixes = {
        "Track ",         "CRC32 ",  "AccurateRip v1 ", "AccurateRip v2 ", "AccurateRip result: ",
        "Decode check: ", "SHA-256 "};
    std::vector<std::string> fixed;
    for (const std::string& line : LinesOf(text)) {
        for (const std::string& prefix : prefixes) {
            if (line.starts_with(prefix)) {
                fixed.push_back(line.starts_with("SHA-256 ") ? "SHA-256 ..." : line);
            }
        }
        if (line.ends_with(" tracks accurately ripped")) {
            fixed.push_back(line);
        }
    }
    return fixed;
}

TRipLog TwoTrackRip() {
    TRipLog log;
    log.program = "Brisklark";
    log.version = "1.2.3";
    log.date = "2025-03-04 05:06:07";
    log.driveVendor = "ACME";
    log.driveModel = "Writer 52x";
    log.careful = true;
    log.retries = 20;
    log.readOffset = 6;
    log.readOffsetOrigin = TReadOffsetOrigin::Drive;
    log.toc = {{1, 0, 13000, false}, {2, 13000, 21170, false}};
    log.cddbId = 0x1a02cd02;
    log.accurateRipId = "002-0001b9a4-00032e57-1a02cd02";
    log.tracks = {
        {1,
         "01 First.flac",
         32767,
         {0, 0, 3, 1, 0, 0},
         0x13274b2a,
         0xde27c0ee,
         0x0d0a0d0a,
         TArVerdict{TArResult::Accurate, 2, 5, 7, {}},
         "identical"},
        // A line break in a name must not make a line that reads as a verdict.
        {2,
         "02 Second\nAccurateRip result: accurate (confidence 9).flac",
         0,
         {2, 1, 0, 0, 4, 0},
         0x0234974b,
         0x83437168,
         0x882ff830,
         TArVerdict{TArResult::NotAccurate, 0, 0, 3, 48},
         "FAILED (the decoded file is 10 samples short)"},
    };
    return log;
}

TEST(RipLogTest, TextHasTheFixedLinesAndItsHash) {
    TRipLog image = TwoTrackRip();
    image.imagePath = "/discs/a\r\nb.cue";
    image.careful = false;
    image.readOffset = 0;
    image.readOffsetOrigin = TReadOffsetOrigin::Image;
    image.tracks[0].verdict = {};
    image.tracks[0].decodeCheck.clear();
    image.tracks[1].verdict = {TArResult::DiscNotPresent, 0, 0, 0, {}};
    image.tracks[1].decodeCheck = "length and level ok";
    struct Case {
        const char* name;
        TRipLog log;
        std::vector<std::string> fixed;
        std::vector<std::string> lines;  // also present
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"careful drive rip",
         TwoTrackRip(),
         {"Track 01", "CRC32 13274b2a", "AccurateRip v1 de27c0ee", "AccurateRip v2 0d0a0d0a",
          "AccurateRip result: accurate (confidence 5)", "Decode check: identical", "Track 02",
          "CRC32 0234974b", "AccurateRip v1 83437168", "AccurateRip v2 882ff830",
          "AccurateRip result: not accurate, matches at read offset +48",
          "Decode check: FAILED (the decoded file is 10 samples short)",
          "1 of 2 tracks accurately ripped", "SHA-256 ..."},
         {"Brisklark 1.2.3 rip log", "Date: 2025-03-04 05:06:07", "Drive: ACME Writer 52x",
          "Read mode: careful, up to 20 retries",
          "Read offset correction: +6 samples (stored "
          "for this drive)",
          "   02         13000    21170  04:42.20  audio", "CDDB id: 1a02cd02",
          "AccurateRip id: 002-0001b9a4-00032e57-1a02cd02", "Peak: 100.0 %", "Peak: 0.0 %",
          "Jitter fixes: 3", "Read errors: 2", "Dropped bytes restored: 4"},
         {}},
        {"plain image rip",
         image,
         {"Track 01", "CRC32 13274b2a", "AccurateRip v1 de27c0ee", "AccurateRip v2 0d0a0d0a",
          "AccurateRip result: not checked", "Track 02", "CRC32 0234974b",
          "AccurateRip v1 83437168", "AccurateRip v2 882ff830",
          "AccurateRip result: disc not present in database", "Decode check: length and level ok",
          "0 of 2 tracks accurately ripped", "SHA-256 ..."},
         {"Image: /discs/a  b.cue", "Read mode: plain",
          "Read offset correction: 0 samples (disc image)"},
         {"Drive: ACME Writer 52x", "Read errors: 0"}},
    };
    SKIP_WITHOUT_PROGRAM("sha256sum");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = RipLogText(c.log);
        EXPECT_EQ(FixedLines(text), c.fixed) << text;
        const std::vector<std::string> lines = LinesOf(text);
        for (const std::string& line : c.lines) {
            EXPECT_NE(std::ranges::find(lines, line), lines.end()) << line << "\n" << text;
        }
        for (const std::string& line : c.absent) {
            EXPECT_EQ(std::ranges::find(lines, line), lines.end()) << line;
        }

        ASSERT_TRUE(text.ends_with("\n"));
        const std::size_t hashLine = text.rfind('\n', text.size() - 2) + 1;
        const std::string above = text.substr(0, hashLine);
        const CommandResult sum = RunCommand("printf '%s' " + ShellQuote(above) + " | sha256sum");
        ASSERT_TRUE(sum.Ok());
        EXPECT_EQ(text.substr(hashLine), "SHA-256 " + sum.Output.substr(0, 64) + "\n");
    }
}

TEST(RipLogTest, FileNames) {
    struct Case {
        const char* artist;
        const char* album;
        const char* name;
    };
    const Case cases[] = {
        {"Ann", "Album", "Ann - Album.log"},
        {" AC/DC ", "Live\tat: \"Home\"?", "AC-DC - Live-at: \"Home\"?.log"},
        {"Ann", "  ", "Ann.log"},
        {"", "Album", "Album.log"},
        {"", "", "Audio CD.log"},
        {" ", "..", "Audio CD.log"},
        {"Ünïcødé", "Ålbum", "Ünïcødé - Ålbum.log"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RipLogFileName(c.artist, c.album), c.name) << c.artist << "|" << c.album;
    }
    const std::string longName = RipLogFileName(std::string(300, 'a'), "b");
    EXPECT_EQ(longName, std::string(238, 'a') + ".log");
}

}  // namespace
