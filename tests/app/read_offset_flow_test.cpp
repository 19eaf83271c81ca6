// SPDX-License-Identifier: GPL-3.0-or-later
// "Find read offset..." through the main window, with a server on 127.0.0.1
// playing AccurateRip.
#include <QAction>

#include <memory>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "cd/access/cd_backend.h"
#include "cd/accuraterip_disc_toc.h"
#include "discimage/image_drive.h"
#include "settings/options_setting.h"
#include "support/cd/late_drive.h"
#include "support/common/files.h"
#include "support/http/loopback_http_server.h"

namespace {

using ReadOffsetFlowTest = MainWindowTest;

// A drive that reads 48 samples late: the search finds +48 and, once the
// user agrees, the drive's entry is in the settings saved at closing (a
// "No" stores nothing). A disc image is told it needs no offset, with no
// request to the server.
TEST_F(ReadOffsetFlowTest, TheFoundOffsetIsStoredForTheDrive) {
    struct Case {
        const char* name;
        bool drive;  // the image answers as a real drive
        bool yes;
        std::vector<std::string> shown;  // the boxes: kind, then text
        std::string stored;              // the drive's line in options.ini
    };
    const Case cases[] = {
        {"found, stored",
         true,
         true,
         {"question",
          "The drive Brisk - Test Drive reads 48 samples off. Store read offset +48 "
          "for it?"},
         "Brisk - Test Drive=48"},
        {"found, not stored",
         true,
         false,
         {"question",
          "The drive Brisk - Test Drive reads 48 samples off. Store read offset +48 "
          "for it?"},
         ""},
        {"image", false, true, {"information", "Disc images need no read offset."}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InsertDisc({3, 4, 2, 3});
        const TCDHandle image = OpenImageDrive(m_cuePath);
        const std::optional<TArDisc> disc = AccurateRipDisc(*ReadAccurateRipToc(image));
        CloseCDHandle(image);
        ASSERT_TRUE(disc.has_value());
        const std::string answer = AccurateRipAnswerFor(*disc, ReadFileBytes(m_root / "disc.bin"),
                                                        std::vector<int>(disc->tracks.size(), 0));
        LoopbackHttpServer server([&](const HttpRequest&) {
            return HttpReply{HttpReply::Kind::Complete, 200, answer};
        });
        m_verify = "AccurateRipServer=http://" + server.Address() + "\n";
        LateDriveScript script{48};
        const std::shared_ptr<CDBackend> previousBackend =
            c.drive ? SetCDBackend(std::make_shared<LateDriveBackend>(script)) : nullptr;
        WriteOptions(0, m_root.string());
        StartWindow();
        const auto* command = Find<QAction>("aFindReadOffset");
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->isEnabled());
        EXPECT_EQ(command->text(), "Find read &offset...");
        m_prompts.answers = {c.yes};

        m_window->FindDriveReadOffset();
        CloseWindow();
        if (c.drive) {
            SetCDBackend(previousBackend);
        }

        std::vector<std::string> shown;
        for (const ScriptedPrompts::Shown& box : m_prompts.shown) {
            shown.push_back(box.kind);
            shown.push_back(box.text.toStdString());
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(server.Requests().size(), c.drive ? 1U : 0U);
        const std::string options = ReadText(m_paths->OptionsFile());
        EXPECT_EQ(options.find("Brisk - Test Drive") != std::string::npos, !c.stored.empty());
        if (!c.stored.empty()) {
            EXPECT_NE(options.find("\n" + c.stored + "\n"), std::string::npos) << options;
        }
        m_prompts.shown.clear();
        std::filesystem::remove(m_paths->OptionsFile());
    }
}

}  // namespace
