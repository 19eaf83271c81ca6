// SPDX-License-Identifier: GPL-3.0-or-later
// A verified rip through the main window and the real rip window, with a
// server on 127.0.0.1 playing AccurateRip; its answers are made apart from
// the program, by the script the headless verdict test uses.
#include <QAction>
#include <QLineEdit>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "cd/access/cd_backend.h"
#include "settings/options_setting.h"
#include "support/cd/late_drive.h"
#include "support/common/files.h"
#include "support/common/run_command.h"
#include "support/http/loopback_http_server.h"

namespace fs = std::filesystem;

namespace {

using VerifiedRipFlowTest = MainWindowTest;

// The user ticks every track and presses Rip: the rip window lists each
// track's checks, the main window's status bar shows the closing line once
// the window has gone, and the log in the output folder holds the served
// verdicts and the hash of everything above its last line.
TEST_F(VerifiedRipFlowTest, TheRipShowsAndLogsTheServedVerdicts) {
    struct Case {
        const char* name;
        const char* answer;      // the script's answer served; any other: 404
        std::int32_t readsLate;  // 0: the image itself as the drive
        std::vector<std::string> results;
    };
    const std::string acc = "accurate (confidence 7)";
    const std::string unknown = "disc not present in database";
    const std::string off48 = "not accurate, matches at read offset +48";
    const Case cases[] = {
        {"accurate", "accurate", 0, {acc, acc, acc}},
        {"mismatch", "mismatch", 0, {acc, "not accurate", acc}},
        {"404", "missing", 0, {unknown, unknown, unknown}},
        {"+48 unknown", "accurate", 48, {off48, off48, off48}},
    };
    InsertDisc({1, 1, 1});
    ASSERT_TRUE(RunCommand("/usr/bin/python3 " + ShellQuote(ACCURATERIP_ANSWERS_SCRIPT) + " " +
                           ShellQuote((m_root / "disc.bin").string()) + " " +
                           ShellQuote((m_root / "answers").string()) + " 75 75 75")
                    .Ok());
    ModalRip rip;
    m_ripWindow = &rip;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server([&](const HttpRequest& request) {
            const fs::path file = m_root / "answers" / c.answer / request.target.substr(1);
            return fs::is_regular_file(file)
                       ? HttpReply(HttpReply::Kind::Complete, 200, ReadText(file))
                       : HttpReply(HttpReply::Kind::Complete, 404);
        });
        m_verify = "AccurateRipServer=http://" + server.Address() + "\n";
        LateDriveScript drive{.readsLate = c.readsLate};
        const std::shared_ptr<CDBackend> previousBackend =
            c.readsLate != 0 ? SetCDBackend(std::make_shared<LateDriveBackend>(drive)) : nullptr;
        const fs::path out = m_root / c.name;
        fs::create_directory(out);
        WriteOptions(ofWAV, out.string());
        StartWindow();
        Find<QLineEdit>("ID3artist")->setText("The Artist");
        Find<QLineEdit>("ID3album")->setText("Noise");
        auto* list = Find<QTreeWidget>("ListView1");
        ASSERT_EQ(list->topLevelItemCount(), 3);
        for (int row = 0; row < 3; ++row) {
            list->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        auto* ripCommand = Find<QAction>("aRip");
        ASSERT_TRUE(ripCommand->isEnabled());
        EXPECT_EQ(ripCommand->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));

        ripCommand->trigger();
        const std::string status = m_window->StatusText().toStdString();
        CloseWindow();
        if (c.readsLate != 0) {
            SetCDBackend(previousBackend);  // null: the libcdio backend, made afresh
        }

        EXPECT_TRUE(rip.errors.empty());
        EXPECT_EQ(m_prompts.shown.size(), 0U);
        const auto accurate = std::ranges::count(c.results, acc);
        const std::string summary = std::to_string(accurate) + " of 3 tracks accurately ripped";
        std::vector<std::string> checks;
        for (std::size_t k = 0; k < c.results.size(); ++k) {
            checks.push_back("Track 0" + std::to_string(k + 1) + ": " + c.results[k] +
                             "; decode check identical");
        }
        checks.push_back(summary + "; log: The Artist - Noise.log");
        EXPECT_EQ(rip.checks, checks);
        EXPECT_EQ(status, checks.back());
        const fs::path log = out / "The Artist - Noise.log";
        const std::string text = ReadText(log);
        EXPECT_EQ(LinesStartingWith(text, "AccurateRip result: "), c.results);
        EXPECT_EQ(LinesStartingWith(text, summary), std::vector<std::string>{""});
        const CommandResult hash =
            RunCommand("head -n -1 " + ShellQuote(log.string()) + " | sha256sum");
        ASSERT_TRUE(hash.Ok());
        EXPECT_EQ(LinesStartingWith(text, "SHA-256 "),
                  std::vector<std::string>{hash.Output.substr(0, 64)});
        for (const char* track : {"Track01.wav", "Track02.wav", "Track03.wav"}) {
            EXPECT_TRUE(fs::exists(out / track)) << track;
        }
    }
}

}  // namespace
