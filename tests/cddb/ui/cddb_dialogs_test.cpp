// SPDX-License-Identifier: GPL-3.0-or-later
// The CDDB dialogs on the offscreen platform, querying a real HTTP server on
// 127.0.0.1 about a disc image, with the real main window as the target.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <stdlib.h>

#include <functional>

#include "app/main_window.h"
#include "app/user_prompts.h"
#include "audio/tags/id3v1_genres.h"
#include "cddb/ui/query_cddb_dialog.h"
#include "cddb/ui/stop_query_dialog.h"
#include "settings/options_setting.h"
#include "support/cd/toc_image.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"
#include "support/ui/qt_environment.h"

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_cddb_ui", QtEnvironment::Pipeline::Unused));

struct SilentPrompts final : UserPrompts {
    void Information(const QString&) override {}
    void Error(const QString&) override {}
    bool Question(const QString&) override { return false; }
    QString ChooseFolder(const QString&, const QString&) override { return {}; }
    QStringList ChooseFiles(const QString&, const QString&) override { return {}; }
};

HttpReply Answer(std::string body) {
    return {HttpReply::Kind::Complete, 200, std::move(body)};
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// Presses a button from the event loop, so a modal run it starts does not
// block the caller (a timer does not fire again while its slot runs).
void ClickLater(QWidget* parent, const char* name) {
    QMetaObject::invokeMethod(Child<QPushButton>(parent, name), &QPushButton::click,
                              Qt::QueuedConnection);
}

// Types the test server's address (the list shows only known servers) and
// presses "Query".
void QueryServer(QWidget* dialog, const LoopbackHttpServer& server) {
    Child<QComboBox>(dialog, "cbServer")->setEditText(QString::fromStdString(server.Address()));
    ClickLater(dialog, "bQuery");
}

// Calls step every 10 ms while a modal dialog runs, with the dialog in front.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget* modal)> step) : m_step(std::move(step)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_step(modal);
            }
        });
        m_timer.start(10);
    }

private:
    std::function<void(QWidget*)> m_step;
    QTimer m_timer;
};

// Opens the query dialog as the program does, over the main window.
struct ModalCddbDialog final : CddbDialogOpener {
    void RunQueryCddb(QWidget* parent, std::uint8_t first, std::uint8_t last, TCDHandle handle,
                      DiscFieldsTarget& target) override {
        TfrmQueryCDDB dialog(parent, first, last, handle, OptionsSetting.QueryCDDB, target);
        dialog.exec();
    }
};

class CddbDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_root / "program");
        std::filesystem::create_directories(m_root / "config");
        OptionsSetting = TOptionsSetting{};
        // Three tracks; the image becomes the drive the main window opens.
        const TCDHandle handle = OpenTocImageDrive(m_root / "disc", {150, 4000, 8000}, 12000);
        ASSERT_NE(handle, 0u);
        CloseCDHandle(handle);
    }
    void TearDown() override {
        m_window.reset();
        unsetenv("BRISKLARK_DISC_IMAGES");
    }

    TfrmMain& StartWindow() {
        MainWindowHandOvers handOvers;
        handOvers.cddb = &m_opener;
        m_window = std::make_unique<TfrmMain>(TAppPaths(m_root / "program", m_root / "config"),
                                              m_prompts, handOvers);
        m_window->show();
        QApplication::processEvents();
        return *m_window;
    }

    QString Field(const char* name) const { return Child<QLineEdit>(m_window.get(), name)->text(); }
    QString Title(int row) const {
        return Child<QTreeWidget>(m_window.get(), "ListView1")->topLevelItem(row)->text(1);
    }

    TestFolder m_root;
    SilentPrompts m_prompts;
    ModalCddbDialog m_opener;
    std::unique_ptr<TfrmMain> m_window;
};

TEST_F(CddbDialogsTest, QueryFillsTheMainWindowAndClosesBothDialogs) {
    LoopbackHttpServer server([](const HttpRequest& request) {
        if (request.target.find("cddb+query") != std::string::npos) {
            return Answer("200 rock 0a00a003 Old / Name\r\n");
        }
        return Answer(
            "210 rock 0a00a003 CD database entry follows (until terminating `.')\r\n"
            "DTITLE=The Band / The Record\r\nDYEAR=1987\r\nDGENRE=Rock\r\n"
            "TTITLE0=Start\r\nTTITLE1=Middle part that goes "
            "o\r\nTTITLE1=n\r\nTTITLE2=End\r\n.\r\n");
    });
    TfrmMain& window = StartWindow();
    OptionsSetting.Metadata.CddbEmail = "jo@example.org";
    Child<QLineEdit>(&window, "ID3comment")->setText(QStringLiteral("old comment"));
    bool queried = false;
    const ModalDriver driver([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<TfrmQueryCDDB*>(modal); dialog && !queried) {
            queried = true;
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Query CDDB"));
            QueryServer(dialog, server);
        }
    });
    window.QueryCDDB();
    ASSERT_EQ(server.Requests().size(), 2u);  // the query and the read
    for (const HttpRequest& request : server.Requests()) {
        EXPECT_NE(request.target.find("&hello=jo+example.org+"), std::string::npos)
            << request.target;
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Field("ID3artist"), QStringLiteral("The Band"));
    EXPECT_EQ(Field("ID3album"), QStringLiteral("The Record"));
    EXPECT_EQ(Field("ID3year"), QStringLiteral("1987"));
    EXPECT_EQ(Field("ID3comment"), QString());
    EXPECT_EQ(Child<QComboBox>(&window, "ID3genre")->currentIndex(), GenreListPosition("Rock"));
    EXPECT_EQ(Title(0), QStringLiteral("Start"));
    EXPECT_EQ(Title(1), QStringLiteral("Middle part that goes on"));
    EXPECT_EQ(Title(2), QStringLiteral("End"));
}

TEST_F(CddbDialogsTest, StopLeavesTheQueryDialogOpenAndAppliesNothing) {
    LoopbackHttpServer server([](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Stall, 200, "200 rock 0a00a003 Late / Answer\r\n"};
    });
    TfrmMain& window = StartWindow();
    Child<QLineEdit>(&window, "ID3artist")->setText(QStringLiteral("Kept"));
    bool queried = false;
    bool stopped = false;
    qint64 stopMs = -1;
    QElapsedTimer clock;
    const ModalDriver driver([&](QWidget* modal) {
        if (auto* wait = qobject_cast<TfrmStopQuery*>(modal)) {
            if (!stopped && !server.Requests().empty()) {
                EXPECT_EQ(wait->windowTitle(), QStringLiteral("Query CDDB..."));
                stopped = true;
                clock.start();
                ClickLater(wait, "bStop");
            }
        } else if (auto* dialog = qobject_cast<TfrmQueryCDDB*>(modal)) {
            if (!queried) {
                queried = true;
                QueryServer(dialog, server);
            } else if (stopped) {
                stopMs = clock.elapsed();
                dialog->reject();
            }
        }
    });
    window.QueryCDDB();
    ASSERT_TRUE(stopped);
    // The query dialog came back while the server still held the answer; the
    // time limit of a request is 30 s.
    EXPECT_GE(stopMs, 0);
    EXPECT_LT(stopMs, 5000);
    EXPECT_EQ(Field("ID3artist"), QStringLiteral("Kept"));
    EXPECT_EQ(Title(0), QStringLiteral("Track01"));
}

TEST_F(CddbDialogsTest, NoMatchShowsThePanelAndChangesNothing) {
    LoopbackHttpServer server(
        [](const HttpRequest&) { return Answer("202 No match for disc ID 0a00a003.\r\n"); });
    TfrmMain& window = StartWindow();
    Child<QLineEdit>(&window, "ID3artist")->setText(QStringLiteral("Kept"));
    bool queried = false;
    bool panelSeen = false;
    const ModalDriver driver([&](QWidget* modal) {
        if (auto* wait = qobject_cast<TfrmStopQuery*>(modal)) {
            auto* panel = Child<QLabel>(wait, "pNoMatch");
            if (panel->isVisible() && !panelSeen) {
                panelSeen = true;
                EXPECT_FALSE(Child<QLabel>(wait, "lHint")->isVisible());
                EXPECT_EQ(panel->text(), QString::fromLatin1(kCddbNoMatchText));
                auto* button = Child<QPushButton>(wait, "bStop");
                EXPECT_EQ(button->text(), QStringLiteral("Close"));
                ClickLater(wait, "bStop");
            }
        } else if (auto* dialog = qobject_cast<TfrmQueryCDDB*>(modal)) {
            if (panelSeen) {
                dialog->reject();
            } else if (!queried) {
                queried = true;
                QueryServer(dialog, server);
            }
        }
    });
    window.QueryCDDB();
    EXPECT_TRUE(panelSeen);
    EXPECT_EQ(Field("ID3artist"), QStringLiteral("Kept"));
    EXPECT_EQ(Title(0), QStringLiteral("Track01"));
}

class RecordingTarget final : public DiscFieldsTarget {
public:
    void ClearDiscFields() override {}
    void ApplyDiscInfo(const DiscInfo&) override {}
};

TEST_F(CddbDialogsTest, OpeningShowsTheStoredConnection) {
    RecordingTarget target;
    struct Case {
        TQueryCDDB stored;
        QString shown;
    };
    const Case cases[] = {
        {{"www.gnudb.org", "/cgi/x", true, "proxy.lan", "3128"}, QStringLiteral("www.gnudb.org")},
        {{"cddb.example.net", "/~cddb/cddb.cgi", false, "", "80"},
         QStringLiteral("gnudb.gnudb.org")},
        {{"WWW.GNUDB.ORG", "/~cddb/cddb.cgi", false, "", "80"}, QStringLiteral("gnudb.gnudb.org")},
    };
    for (Case c : cases) {
        TfrmQueryCDDB dialog(nullptr, 1, 3, 0, c.stored, target);
        EXPECT_EQ(Child<QComboBox>(&dialog, "cbServer")->currentText(), c.shown);
        EXPECT_EQ(Child<QComboBox>(&dialog, "cbServer")->currentIndex() >= 0, true);
        EXPECT_EQ(Child<QLineEdit>(&dialog, "eScript")->text(),
                  QString::fromStdString(c.stored.Script));
        EXPECT_EQ(Child<QCheckBox>(&dialog, "cbProxy")->isChecked(), c.stored.UseProxy);
        EXPECT_EQ(Child<QLineEdit>(&dialog, "eAddress")->isEnabled(), c.stored.UseProxy);
        EXPECT_EQ(Child<QLineEdit>(&dialog, "ePort")->isEnabled(), c.stored.UseProxy);
        EXPECT_EQ(Child<QLineEdit>(&dialog, "ePort")->text(),
                  QString::fromStdString(c.stored.Port));
    }
}

TEST_F(CddbDialogsTest, ProxyBoxEnablesItsFieldsAndDefaultResetsServerScriptAndProxy) {
    RecordingTarget target;
    TQueryCDDB stored{"www.gnudb.org", "/other.cgi", false, "proxy.lan", "3128"};
    TfrmQueryCDDB dialog(nullptr, 1, 3, 0, stored, target);
    auto* proxy = Child<QCheckBox>(&dialog, "cbProxy");
    auto* address = Child<QLineEdit>(&dialog, "eAddress");
    proxy->click();
    EXPECT_TRUE(address->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(&dialog, "ePort")->isEnabled());

    Child<QPushButton>(&dialog, "bDefault")->click();
    EXPECT_EQ(Child<QComboBox>(&dialog, "cbServer")->currentText(),
              QStringLiteral("gnudb.gnudb.org"));
    EXPECT_EQ(Child<QLineEdit>(&dialog, "eScript")->text(), QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_FALSE(proxy->isChecked());
    EXPECT_FALSE(address->isEnabled());
    EXPECT_EQ(address->text(), QStringLiteral("proxy.lan"));
    EXPECT_EQ(Child<QLineEdit>(&dialog, "ePort")->text(), QStringLiteral("3128"));
    // Defaults are shown only; the settings change on "Query".
    EXPECT_EQ(stored.Script, "/other.cgi");
}

TEST_F(CddbDialogsTest, AFailedQueryClosesBothDialogsThenSaysWhyAndKeepsTheConnection) {
    LoopbackHttpServer server([](const HttpRequest&) { return Answer("500 Refused\r\n"); });
    TfrmMain& window = StartWindow();
    OptionsSetting.QueryCDDB = {};
    bool queried = false;
    std::vector<std::string> boxes;  // caption, icon, text, whether the query dialog still shows
    const ModalDriver driver([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const bool dialogShown = window.findChild<TfrmQueryCDDB*>() != nullptr &&
                                     window.findChild<TfrmQueryCDDB*>()->isVisible();
            boxes.insert(boxes.end(),
                         {box->windowTitle().toStdString(), std::to_string(box->icon()),
                          box->text().toStdString(), dialogShown ? "shown" : "closed"});
            box->close();
        } else if (auto* dialog = qobject_cast<TfrmQueryCDDB*>(modal); dialog && !queried) {
            queried = true;
            Child<QComboBox>(dialog, "cbServer")
                ->setEditText(QString::fromStdString(" " + server.Address() + " "));
            Child<QLineEdit>(dialog, "eScript")->setText(QStringLiteral("/~cddb/cddb.cgi"));
            Child<QLineEdit>(dialog, "eAddress")->setText(QStringLiteral("unused.lan"));
            Child<QLineEdit>(dialog, "ePort")->setText(QStringLiteral("none"));
            ClickLater(dialog, "bQuery");
        }
    });
    window.QueryCDDB();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // a failed query closes both
    EXPECT_EQ(boxes, (std::vector<std::string>{"Brisklark", std::to_string(QMessageBox::Critical),
                                               "The CDDB query failed: 500 Refused", "closed"}));
    EXPECT_EQ(OptionsSetting.QueryCDDB,
              (TQueryCDDB{server.Address(), "/~cddb/cddb.cgi", false, "unused.lan", "none"}));
    EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
