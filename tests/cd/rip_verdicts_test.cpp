// SPDX-License-Identifier: GPL-3.0-or-later
// Verified rips end to end: a disc image of noise ripped without a window,
// its AccurateRip answers made by an independent script and served from a
// loopback HTTP server.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "cd/queued_rip_view.h"
#include "cd/rip_job.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "support/audio/run_output.h"
#include "support/cd/late_drive.h"
#include "support/common/files.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kSampleBytes = 4;

// Each scenario's verdicts, in the log and in the view, its log's hash, and
// the files bit for bit: the disc's bytes, read through the drive's shift and
// the stored correction (silence where either runs off the disc).
TEST(RipVerdictsTest, EachTrackGetsTheVerdictOfTheServedAnswer) {
    SyncQueue::Instance().BindGuiThread();
    struct Case {
        const char* name;
        // served folder; "error": HTTP 500; "refused": nothing listens; "off":
        // AccurateRip not asked for
        const char* answer;
        std::int32_t driveShift;
        std::optional<std::int32_t> storedOffset;
        std::optional<std::uint32_t> badSector;  // read carefully, this sector failing
        std::vector<std::string> results;
    };
    const std::string acc = "accurate (confidence 7)";
    const std::string off48 = "not accurate, matches at read offset +48";
    const std::string unchecked = "not checked";
    const std::string unknown = "disc not present in database";
    const Case cases[] = {
        {"accurate", "accurate", 0, {}, {}, {acc, acc, acc}},
        {"mismatch", "mismatch", 0, {}, {}, {acc, "not accurate", acc}},
        {"absent", "absent", 0, {}, {}, {acc, acc, "not present in database"}},
        {"404", "missing", 0, {}, {}, {unknown, unknown, unknown}},
        {"500", "error", 0, {}, {}, {unchecked, unchecked, unchecked}},
        {"refused", "refused", 0, {}, {}, {unchecked, unchecked, unchecked}},
        {"+48 unknown", "accurate", 48, {}, {}, {off48, off48, off48}},
        {"+48 stored", "accurate", 48, 48, {}, {acc, acc, acc}},
        {"-1164 stored", "accurate", -1164, -1164, {}, {acc, acc, acc}},
        {"bad sector", "accurate", 0, {}, 100, {acc, "not accurate", acc}},
        {"AccurateRip off", "off", 0, {}, {}, {unchecked, unchecked, unchecked}},
    };
    const std::vector<std::uint32_t> sectors = {20, 100, 20};
    const std::vector<std::string> stems = {"One", "Two", "Three"};
    TestFolder folder;
    std::vector<Bytes> tracks;
    Bytes disc;
    std::mt19937 noise(27);
    for (const std::uint32_t count : sectors) {
        Bytes& track = tracks.emplace_back(std::size_t{count} * kCDSectorBytes);
        std::ranges::generate(track, [&] { return static_cast<std::uint8_t>(noise()); });
        disc.insert(disc.end(), track.begin(), track.end());
    }
    const fs::path cue = folder / "disc.cue";
    ASSERT_TRUE(discimage::WriteDiscImage(cue, tracks).ok);
    ASSERT_TRUE(RunCommand("/usr/bin/python3 " + ShellQuote(ACCURATERIP_ANSWERS_SCRIPT) + " " +
                           ShellQuote((folder / "disc.bin").string()) + " " +
                           ShellQuote((folder / "answers").string()) + " 20 100 20")
                    .Ok());
    std::atomic<const Case*> served = nullptr;
    LoopbackHttpServer server([&](const HttpRequest& request) {
        const std::string answer = served.load()->answer;
        const fs::path file = folder / "answers" / answer / request.target.substr(1);
        return answer == "error" ? HttpReply(HttpReply::Kind::Complete, 500)
               : !fs::is_regular_file(file)
                   ? HttpReply(HttpReply::Kind::Complete, 404)
                   : HttpReply(HttpReply::Kind::Complete, 200, ReadText(file));
    });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        served = &c;
        const bool named = c.driveShift != 0 || c.storedOffset;
        const fs::path out = folder / c.name;
        fs::create_directory(out);
        LateDriveScript drive{.readsLate = c.driveShift, .badSector = c.badSector, .named = named};
        const bool testDrive = named || c.badSector;
        const std::shared_ptr<CDBackend> previousBackend =
            testDrive ? SetCDBackend(std::make_shared<LateDriveBackend>(drive)) : nullptr;
        const TCDHandle handle = OpenImageDrive(cue);
        ASSERT_NE(handle, 0U);
        TOptionsSetting settings;
        settings.CommonOptions.OutputFolder = out.string();
        settings.CommonOptions.OutputFormat = ofWAV;
        const bool arOff = std::string(c.answer) == "off";
        settings.Verify = {c.badSector.has_value(),
                           5,
                           !arOff,
                           std::string(c.answer) == "refused" ? "http://127.0.0.1:9"
                                                              : "http://" + server.Address(),
                           true,
                           true};
        if (c.storedOffset) {
            ASSERT_TRUE(
                settings.DriveOffsets.SetReadOffset("Brisk", "Test Drive", *c.storedOffset));
        }
        QueuedRipView view;
        {
            RipJob job(handle, {"01One", "02Two", "03Three"}, settings,
                       {.Artist = "The Artist", .Album = "Noise"}, view);
            job.Start();
            EXPECT_TRUE(PumpUntil([&] { return view.Deliver(job); }));
            job.Close();
        }
        CloseCDHandle(handle);
        if (testDrive) {
            SetCDBackend(previousBackend);  // null: the libcdio backend, made afresh
        }

        EXPECT_EQ(view.Errors(), std::vector<std::string>());
        const auto accurate = std::ranges::count(c.results, acc);
        const std::string summary = std::to_string(accurate) + " of 3 tracks accurately ripped";
        EXPECT_EQ(view.CheckSummary(),
                  (arOff ? "3 tracks ripped, not checked with AccurateRip" : summary) +
                      "; log: The Artist - Noise.log");
        std::vector<std::string> lines;
        for (std::size_t k = 0; k < c.results.size(); ++k) {
            lines.push_back("Track 0" + std::to_string(k + 1) + ": " +
                            (arOff ? "" : c.results[k] + "; ") + "decode check identical");
        }
        EXPECT_EQ(view.TrackChecks(), lines);

        const fs::path log = out / "The Artist - Noise.log";
        const std::string text = ReadText(log);
        EXPECT_EQ(LinesStartingWith(text, "AccurateRip result: "), c.results);
        EXPECT_EQ(LinesStartingWith(text, summary), std::vector<std::string>{""});
        EXPECT_EQ(LinesStartingWith(text, named ? "Drive: " : "Image: "),
                  std::vector<std::string>{named ? "Brisk Test Drive" : cue.string()});
        const std::int32_t offset = c.storedOffset.value_or(0);
        EXPECT_EQ(LinesStartingWith(text, "Read offset correction: "),
                  std::vector<std::string>{(offset > 0 ? "+" : "") + std::to_string(offset) +
                                           " samples (" +
                                           (c.storedOffset ? "stored for this drive"
                                            : named        ? "none stored for this drive"
                                                           : "disc image") +
                                           ")"});
        const std::vector<std::string> readErrors = LinesStartingWith(text, "Read errors: ");
        ASSERT_EQ(readErrors.size(), c.badSector ? 3U : 0U);
        if (c.badSector) {
            EXPECT_NE(readErrors[1], "0");
            EXPECT_NE(LinesStartingWith(text, "Skipped sectors: ")[1], "0");
        }
        const CommandResult hash =
            RunCommand("head -n -1 " + ShellQuote(log.string()) + " | sha256sum");
        EXPECT_EQ(LinesStartingWith(text, "SHA-256 "),
                  std::vector<std::string>{hash.Output.substr(0, 64)});

        std::int64_t start = 0;
        for (std::size_t k = 0; k < tracks.size(); ++k) {
            const Bytes file = ReadFileBytes(out / (stems[k] + ".wav"));
            ASSERT_EQ(file.size(), 44 + tracks[k].size());
            Bytes expected(tracks[k].size(), 0);
            const auto total = static_cast<std::int64_t>(disc.size());
            for (std::int64_t i = 0; i < static_cast<std::int64_t>(expected.size()); ++i) {
                const std::int64_t raw = start + i + offset * kSampleBytes;
                const std::int64_t source = raw - c.driveShift * kSampleBytes;
                if (raw >= 0 && raw < total && source >= 0 && source < total) {
                    expected[i] = disc[source];
                }
            }
            EXPECT_TRUE((c.badSector && k == 1) || Bytes(file.begin() + 44, file.end()) == expected)
                << k + 1;
            start += static_cast<std::int64_t>(tracks[k].size());
        }
    }
}

}  // namespace
