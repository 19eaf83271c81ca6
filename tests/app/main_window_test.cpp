// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform with real disc images as drives.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "cd/access/cd_access.h"
#include "settings/disc_cache.h"
#include "settings/options_setting.h"
#include "support/ui/dialog_layout.h"

namespace {

QStringList RowTexts(const QTreeWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts << list.topLevelItem(row)->text(column);
    }
    return texts;
}

std::string ImageDriveDescription() {
    TCDList list;
    EXPECT_EQ(GetCDList(&list), 1);
    return (std::string(list.Drives[0].Vendor) + list.Drives[0].Product).substr(0, 26);
}

}  // namespace

class StartedWithDisc : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        InsertDisc({3, 4, 2, 5});
        m_outputFolder = m_root / "out";
        std::filesystem::create_directory(m_outputFolder);
        WriteOptions(2, m_outputFolder.string());
        TCDInfo cached;
        cached.TrackCount = 4;
        cached.Titles[1] = "Intro";
        cached.Titles[2] = "Walk";
        cached.Titles[4] = "Finale";
        const TDiscFields fields{"The Larks", "Morning", "2024", 18, "demo"};
        ASSERT_TRUE(SaveDiscInfo(cached, DiscKey(), fields, m_paths->DiscCacheFile()).Ok);
        StartWindow();
        m_list = Find<QTreeWidget>("ListView1");
        ASSERT_NE(m_list, nullptr);
    }

    void TickOnly(std::initializer_list<int> rows) {
        for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
            m_list->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
        }
        for (const int row : rows) {
            m_list->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
    }

    std::filesystem::path m_outputFolder;
    QTreeWidget* m_list = nullptr;
};

TEST_F(StartedWithDisc, ListsTheTracksTickedWithCachedTitlesAndTimes) {
    EXPECT_EQ(RowTexts(*m_list, 0), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(RowTexts(*m_list, 1), QStringList({"Intro", "Walk", "Track03", "Finale"}));
    EXPECT_EQ(RowTexts(*m_list, 2), QStringList({"00:02", "00:05", "00:09", "00:11"}));
    EXPECT_EQ(RowTexts(*m_list, 3), QStringList({"00:03", "00:04", "00:02", "00:05"}));
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(m_list->topLevelItem(row)->checkState(0), Qt::Checked);
    }
    EXPECT_NE(m_window->CDHandle(), 0u);
    EXPECT_EQ(m_window->StatusText().toStdString(), ImageDriveDescription());
}

TEST_F(StartedWithDisc, ShowsTheCachedDiscFieldsAndTheStoredOutputChoice) {
    EXPECT_EQ(Find<QLineEdit>("ID3artist")->text(), "The Larks");
    EXPECT_EQ(Find<QLineEdit>("ID3album")->text(), "Morning");
    EXPECT_EQ(Find<QLineEdit>("ID3year")->text(), "2024");
    EXPECT_EQ(Find<QComboBox>("ID3genre")->currentText(), "Blues");
    EXPECT_EQ(Find<QLineEdit>("ID3comment")->text(), "demo");
    EXPECT_EQ(Find<QComboBox>("cbOutputFormat")->currentText(), "OGG file(*.OGG)");
    EXPECT_EQ(Find<QLineEdit>("eOutputDir")->text().toStdString(), m_outputFolder.string());
}

TEST_F(StartedWithDisc, RipHandsOverTheTickedRowsAsNumberedItems) {
    TickOnly({1, 3});
    m_window->RipSelectedTracks();
    ASSERT_EQ(m_rip.runs.size(), 1u);
    EXPECT_EQ(m_rip.runs[0].first, m_window->CDHandle());
    EXPECT_EQ(m_rip.runs[0].second, (std::vector<std::string>{"02Walk", "04Finale"}));
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(StartedWithDisc, RipRefusesWithNothingTicked) {
    TickOnly({});
    m_window->RipSelectedTracks();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].kind, "information");
    EXPECT_EQ(m_prompts.shown[0].text, "Please select a track at least!");
    EXPECT_TRUE(m_rip.runs.empty());
}

TEST_F(StartedWithDisc, RipAsksToCreateAMissingFolderAndNoChangesNothing) {
    const std::filesystem::path missing = m_root / "new";
    OptionsSetting.CommonOptions.OutputFolder = missing.string();
    m_prompts.answers = {false};
    m_window->RipSelectedTracks();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].kind, "question");
    EXPECT_EQ(m_prompts.shown[0].text.toStdString(),
              missing.string() + ",the output folder does not exist.\r\ncreates a new folder?");
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(m_rip.runs.empty());
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFolder, missing.string());
}

TEST_F(StartedWithDisc, RipCreatesTheFolderOnYesAndGoesOn) {
    const std::filesystem::path missing = m_root / "new";
    OptionsSetting.CommonOptions.OutputFolder = missing.string();
    m_prompts.answers = {true};
    m_window->RipSelectedTracks();
    EXPECT_TRUE(std::filesystem::is_directory(missing));
    ASSERT_EQ(m_rip.runs.size(), 1u);
    EXPECT_EQ(m_rip.runs[0].second.size(), 4u);
}

TEST_F(StartedWithDisc, RipReportsAFolderThatCannotBeCreated) {
    // A folder below a regular file cannot be made, even by root.
    const std::filesystem::path blocker = m_root / "file";
    std::ofstream(blocker) << "x";
    OptionsSetting.CommonOptions.OutputFolder = (blocker / "out").string();
    m_prompts.answers = {true};
    m_window->RipSelectedTracks();
    ASSERT_EQ(m_prompts.shown.size(), 2u);
    EXPECT_EQ(m_prompts.shown[1].kind, "error");
    EXPECT_EQ(m_prompts.shown[1].text.toStdString(),
              "Cannot create " + (blocker / "out").string() + ".");
    EXPECT_TRUE(m_rip.runs.empty());
}

// Files the rip would write that exist already, the ripped WAV files among
// them, are replaced only when the user agrees to one question.
TEST_F(StartedWithDisc, RipAsksOnceBeforeReplacingExistingFiles) {
    TickOnly({1, 3});  // Walk and Finale, ripped to OGG
    const struct {
        std::vector<std::string> existing;
        bool replace;
        std::string question;  // "" when none is asked
    } cases[] = {
        {{"Intro.ogg", "Walk.mp3"}, false, ""},
        {{"Walk.ogg", "Walk.wav", "Finale.wav", "Intro.ogg"}, false, "3 file(s) already exist in "},
        {{"Finale.ogg"}, true, "1 file(s) already exist in "},
    };
    int folderNumber = 0;
    for (const auto& c : cases) {
        const std::filesystem::path folder = m_root / ("case" + std::to_string(++folderNumber));
        SCOPED_TRACE(folder.filename().string());
        std::filesystem::create_directory(folder);
        for (const std::string& name : c.existing) {
            std::ofstream(folder / name) << "mine";
        }
        OptionsSetting.CommonOptions.OutputFolder = folder.string();
        m_prompts.shown.clear();
        m_prompts.answers = {c.replace};
        m_rip.runs.clear();

        m_window->RipSelectedTracks();

        if (c.question.empty()) {
            EXPECT_TRUE(m_prompts.shown.empty());
        } else {
            ASSERT_EQ(m_prompts.shown.size(), 1u);
            EXPECT_EQ(m_prompts.shown[0].kind, "question");
            EXPECT_EQ(m_prompts.shown[0].text.toStdString(),
                      c.question + folder.string() + ". Replace them?");
        }
        EXPECT_EQ(m_rip.runs.size(), c.question.empty() || c.replace ? 1u : 0u);
        for (const std::string& name : c.existing) {
            std::ifstream file(folder / name);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "mine");
        }
    }
}

// A folder that exists but takes no new file is named, with the system's
// reason, before anything starts. The kernel's /sys refuses new files even
// to root, which the tests may run as.
TEST_F(StartedWithDisc, RipRefusesAnOutputFolderThatCannotBeWritten) {
    if (!std::filesystem::is_directory("/sys")) {
        GTEST_SKIP() << "no /sys on this system";
    }
    OptionsSetting.CommonOptions.OutputFolder = "/sys";
    m_window->RipSelectedTracks();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].kind, "error");
    const std::string text = m_prompts.shown[0].text.toStdString();
    EXPECT_TRUE(text == "Cannot write to the output folder /sys: Permission denied." ||
                text == "Cannot write to the output folder /sys: Read-only file system.")
        << text;
    EXPECT_TRUE(m_rip.runs.empty());
}

TEST_F(StartedWithDisc, ClosingWritesTheDiscCacheFromTheWindowThenTheSettings) {
    m_window->SetTrackTitle(2, "Renamed");
    m_window->SetArtistText("Other Artist");
    m_window->SelectGenre(0);
    OptionsSetting.CommonOptions.OutputFormat = 4;
    const std::string key = DiscKey();
    CloseWindow();

    TCDInfo stored;
    LoadDiscInfo(stored, key, m_paths->DiscCacheFile());
    EXPECT_EQ(stored.TrackCount, 4);
    EXPECT_EQ(stored.Titles[1], "Intro");
    EXPECT_EQ(stored.Titles[3], "Renamed");
    EXPECT_EQ(stored.Artist, "Other Artist");
    EXPECT_EQ(stored.Album, "Morning");
    EXPECT_EQ(stored.Genre, 0);

    TOptionsSetting reloaded;
    LoadOptions(reloaded, *m_paths);
    EXPECT_EQ(reloaded.CommonOptions.OutputFormat, 4);
    EXPECT_EQ(reloaded.CommonOptions.OutputFolder, m_outputFolder.string());
}

TEST_F(StartedWithDisc, ClosingWithAnEmptiedListKeepsTheCachedTitles) {
    const std::string key = DiscKey();
    m_window->MediaRemoved();
    CloseWindow();
    TCDInfo stored;
    LoadDiscInfo(stored, key, m_paths->DiscCacheFile());
    EXPECT_EQ(stored.TrackCount, 4);
    EXPECT_EQ(stored.Titles[4], "Finale");
    EXPECT_EQ(stored.Artist, "The Larks");
}

TEST_F(StartedWithDisc, MediaArrivalRebuildsTheListAndEmptiesTheDiscFields) {
    m_window->SetTrackTitle(0, "Edited");
    m_window->MediaArrived();
    EXPECT_EQ(RowTexts(*m_list, 1), QStringList({"Intro", "Walk", "Track03", "Finale"}));
    for (const char* field : {"ID3artist", "ID3album", "ID3year", "ID3comment"}) {
        EXPECT_TRUE(Find<QLineEdit>(field)->text().isEmpty()) << field;
    }
    EXPECT_EQ(Find<QComboBox>("ID3genre")->currentIndex(), -1);
}

TEST_F(StartedWithDisc, MediaRemovalEmptiesTheListButKeepsTheHandle) {
    const TCDHandle handle = m_window->CDHandle();
    m_window->MediaRemoved();
    EXPECT_EQ(m_list->topLevelItemCount(), 0);
    EXPECT_EQ(m_window->CDHandle(), handle);
}

TEST_F(StartedWithDisc, RefreshRebuildsTheListOrReportsAMissingAudioDisc) {
    const QString driveStatus = m_window->StatusText();
    m_window->SetTrackTitle(0, "Edited");
    m_window->RefreshCD();
    EXPECT_EQ(RowTexts(*m_list, 1), QStringList({"Intro", "Walk", "Track03", "Finale"}));
    EXPECT_EQ(m_window->StatusText(), driveStatus);

    // The image drive disappears from the drive list: no audio disc any more.
    unsetenv("BRISKLARK_DISC_IMAGES");
    m_window->RefreshCD();
    EXPECT_EQ(m_list->topLevelItemCount(), 0);
    EXPECT_EQ(m_window->StatusText(), "Can not find audio CD in your CD device.");
}

TEST_F(StartedWithDisc, SwitchingDrivesReleasesTheOldHandle) {
    const TCDHandle first = m_window->CDHandle();
    m_window->SwitchDrive(0);
    // The old handle was closed first, so its number is free again.
    EXPECT_EQ(m_window->CDHandle(), first);
    EXPECT_EQ(m_list->topLevelItemCount(), 4);

    m_window->SwitchDrive(5);
    EXPECT_EQ(m_window->CDHandle(), 0u);
    EXPECT_EQ(m_window->StatusText(), "CD device information error in your configration!");
    EXPECT_EQ(CloseCDHandle(first), 0) << "the handle of the first drive is still open";
}

TEST_F(StartedWithDisc, ActionsFollowTicksSelectionAndRows) {
    auto* rip = Find<QAction>("aRip");
    auto* play = Find<QAction>("aPlay");
    auto* query = Find<QAction>("aQueryCDDB");
    TickOnly({});
    m_list->clearSelection();
    QApplication::processEvents();
    EXPECT_FALSE(rip->isEnabled());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(query->isEnabled());

    m_list->topLevelItem(2)->setCheckState(0, Qt::Checked);
    m_list->setCurrentItem(m_list->topLevelItem(2));
    QApplication::processEvents();
    EXPECT_TRUE(rip->isEnabled());
    EXPECT_TRUE(play->isEnabled());
    EXPECT_TRUE(Find<QAction>("tbRip")->isEnabled());
    EXPECT_FALSE(Find<QAction>("aStop")->isEnabled());

    m_window->MediaRemoved();
    QApplication::processEvents();
    EXPECT_FALSE(query->isEnabled());
    EXPECT_FALSE(rip->isEnabled());
}

TEST_F(StartedWithDisc, TickCommandsSetClearAndFlipEveryRow) {
    TickOnly({0, 2});
    Find<QAction>("aInvertSelection")->trigger();
    EXPECT_EQ(m_list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(m_list->topLevelItem(2)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(m_list->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(m_list->topLevelItem(3)->checkState(0), Qt::Checked);
    Find<QAction>("aSelectNone")->trigger();
    EXPECT_FALSE(m_window->AnyTrackTicked());
    Find<QAction>("aSelectAll")->trigger();
    EXPECT_EQ(m_list->topLevelItem(0)->checkState(0), Qt::Checked);
}

TEST_F(StartedWithDisc, SpaceFlipsTheTickOfTheCurrentRow) {
    TickOnly({0, 1, 2, 3});
    m_list->setFocus();
    for (const int column : {0, 1}) {
        m_list->setCurrentItem(m_list->topLevelItem(2), column);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(m_list, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(m_list, &release);
        EXPECT_EQ(m_list->topLevelItem(2)->checkState(0), column == 0 ? Qt::Unchecked : Qt::Checked)
            << "column " << column;
    }
    EXPECT_EQ(m_list->topLevelItem(1)->checkState(0), Qt::Checked);
}

TEST_F(StartedWithDisc, GenreListShowsAboutTwentyEntriesAtATime) {
    auto* genre = Find<QComboBox>("ID3genre");
    genre->showPopup();
    QApplication::processEvents();
    const QAbstractItemView* view = genre->view();
    const int rows = view->viewport()->height() / view->sizeHintForRow(0);
    EXPECT_GE(rows, 18);
    EXPECT_LE(rows, 21);
    genre->hidePopup();
}

TEST_F(StartedWithDisc, TitleEditorRenamesOnlyWhenConfirmed) {
    m_list->setCurrentItem(m_list->topLevelItem(1));
    m_titleEditor.answer = std::nullopt;
    m_window->EditTrackName();
    EXPECT_EQ(m_list->topLevelItem(1)->text(1), "Walk");
    m_titleEditor.answer = QStringLiteral("Run");
    m_window->EditTrackName();
    EXPECT_EQ(m_titleEditor.offered, QStringList({"Walk", "Walk"}));
    EXPECT_EQ(m_list->topLevelItem(1)->text(1), "Run");
}

TEST_F(StartedWithDisc, CddbCommandHandsOverTheTrackRangeOfTheTableOfContents) {
    m_window->QueryCDDB();
    ASSERT_EQ(m_cddb.runs.size(), 1u);
    EXPECT_EQ(m_cddb.runs[0].first, 1);
    EXPECT_EQ(m_cddb.runs[0].last, 4);
    EXPECT_EQ(m_cddb.runs[0].handle, m_window->CDHandle());
}

TEST_F(StartedWithDisc, ConverterAsksForFilesWithItsTitleAndFilter) {
    m_prompts.files = {QStringLiteral("/music/a.mp3")};
    m_window->RunConverter(9);
    EXPECT_EQ(m_prompts.titles, QStringList({"Mp3 to Wma Converter"}));
    EXPECT_EQ(m_prompts.filters, QStringList({"Sound file(*.mp3)|*.mp3| Any file(*.*)|*.*"}));
    ASSERT_EQ(m_converter.runs.size(), 1u);
    EXPECT_EQ(m_converter.runs[0].first, m_prompts.files);
    EXPECT_EQ(m_converter.runs[0].second, 9);

    m_prompts.files.clear();
    m_window->RunConverter(42);
    EXPECT_EQ(m_prompts.titles.back(), "Audio Converter");
    EXPECT_EQ(m_converter.runs.size(), 1u);
}

TEST_F(StartedWithDisc, ProgramTextIsKeptWholeButTypingStopsAtTheLimit) {
    auto* artist = Find<QLineEdit>("ID3artist");
    const QString longName(40, QLatin1Char('a'));
    m_window->SetArtistText(longName);
    EXPECT_EQ(artist->text(), longName);
    artist->end(false);
    artist->insert(QStringLiteral("b"));
    EXPECT_EQ(artist->text(), longName);

    auto* year = Find<QLineEdit>("ID3year");
    year->clear();
    year->insert(QStringLiteral("199945"));
    EXPECT_EQ(year->text(), "1999");
}

TEST_F(StartedWithDisc, MinimumWidthKeepsTheDiscFieldsOnOneRow) {
    m_window->resize(500, 545);
    QApplication::processEvents();
    EXPECT_EQ(m_window->width(), 678);

    auto* group = Find<QGroupBox>("gbID3");
    QWidget* previous = nullptr;
    for (const char* name : {"lArtist", "ID3artist", "lAlbum", "ID3album", "lYear", "ID3year",
                             "lGenre", "ID3genre", "lComment", "ID3comment"}) {
        auto* control = Find<QWidget>(name);
        if (previous != nullptr) {
            EXPECT_GT(control->x(), previous->x() + previous->width() - 1) << name;
            EXPECT_LT(std::abs(control->y() - previous->y()), 6) << name;
        }
        previous = control;
    }
    auto* comment = Find<QLineEdit>("ID3comment");
    EXPECT_GT(comment->width(), 20);
    EXPECT_EQ(comment->x() + comment->width(), group->width() - 5);
    EXPECT_EQ(group->width(), m_window->centralWidget()->width() - 6);
}

// At its minimum size (asked for with a resize to almost nothing) every
// control keeps the room it needs.
TEST_F(StartedWithDisc, DialogLayoutHoldsAtTheMinimumSize) {
    m_window->resize(1, 1);
    QApplication::processEvents();
    SaveScreenshot(*m_window, "main_window_minimum");
    EXPECT_TRUE(m_window->rect().contains(m_window->centralWidget()->geometry()));
    EXPECT_EQ(LayoutProblems(*m_window), std::vector<std::string>{});
    EXPECT_GE(m_window->width(), 678);
}

// Every named control lies wholly inside its parent, and no two visible
// controls of one parent overlap, at the first size and at the minimum width.
TEST_F(StartedWithDisc, NoControlIsClippedOrOverlapsAnother) {
    for (const int width : {m_window->width(), 500}) {
        m_window->resize(width, m_window->height());
        QApplication::processEvents();
        SCOPED_TRACE(m_window->width());
        std::map<QWidget*, std::vector<QWidget*>> byParent;
        for (QWidget* control : m_window->findChildren<QWidget*>()) {
            const QString name = control->objectName();
            if (name.isEmpty() || name.startsWith(QStringLiteral("qt_")) || control->isWindow() ||
                !control->isVisible()) {
                continue;
            }
            QWidget* parent = control->parentWidget();
            EXPECT_TRUE(parent->rect().contains(control->geometry()))
                << name.toStdString() << " is clipped by " << parent->objectName().toStdString();
            byParent[parent].push_back(control);
        }
        ASSERT_GT(byParent.size(), 2u);
        for (const auto& [parent, controls] : byParent) {
            for (std::size_t i = 0; i < controls.size(); ++i) {
                for (std::size_t j = i + 1; j < controls.size(); ++j) {
                    EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                        << controls[i]->objectName().toStdString() << " overlaps "
                        << controls[j]->objectName().toStdString();
                }
            }
        }
    }
}

TEST_F(StartedWithDisc, PlayStopsAtTheNextTrackExceptOnTheLastRow) {
    const QString driveStatus = m_window->StatusText();
    m_list->setCurrentItem(m_list->topLevelItem(1));
    m_window->Play();
    EXPECT_EQ(m_window->StatusText(), "Play Walk");
    m_list->setCurrentItem(m_list->topLevelItem(3));
    m_window->Play();
    EXPECT_EQ(m_player.calls,
              (std::vector<std::string>{"open", "play 2000 3000", "close", "open", "play 4000"}));
    EXPECT_TRUE(m_window->IsPlaying());

    m_window->CdPlaybackCompleted(true);
    EXPECT_FALSE(m_window->IsPlaying());
    EXPECT_EQ(m_window->StatusText(), driveStatus);
    EXPECT_EQ(m_player.calls.back(), "close");
}

TEST_F(StartedWithDisc, PlayWhilePausedResumesWhicheverRowIsSelected) {
    m_list->setCurrentItem(m_list->topLevelItem(0));
    m_window->Play();
    m_window->Pause();
    EXPECT_TRUE(m_window->IsPaused());
    QApplication::processEvents();
    EXPECT_FALSE(Find<QAction>("aPause")->isEnabled());
    EXPECT_TRUE(Find<QAction>("aStop")->isEnabled());

    m_list->setCurrentItem(m_list->topLevelItem(2));
    m_window->Play();
    EXPECT_EQ(m_window->StatusText(), "Play Track03");
    EXPECT_EQ(m_player.calls,
              (std::vector<std::string>{"open", "play 1000 2000", "pause", "resume"}));
    EXPECT_FALSE(m_window->IsPaused());
}

TEST_F(StartedWithDisc, RipStopsPlaybackFirst) {
    m_list->setCurrentItem(m_list->topLevelItem(0));
    m_window->Play();
    m_window->RipSelectedTracks();
    EXPECT_FALSE(m_window->IsPlaying());
    EXPECT_EQ(m_player.calls.back(), "close");
    EXPECT_EQ(m_rip.runs.size(), 1u);
}

TEST_F(MainWindowTest, WithoutADriveShowsTheErrorAndIgnoresTheStoredOutputChoice) {
    WriteOptions(3, (m_root / "somewhere").string());
    StartWindow();
    EXPECT_EQ(m_window->StatusText(), "Can not find CD devices!");
    EXPECT_EQ(m_window->CDHandle(), 0u);
    EXPECT_EQ(Find<QComboBox>("cbOutputFormat")->currentText(), "MP3 file(*.MP3)");
    EXPECT_TRUE(Find<QLineEdit>("eOutputDir")->text().isEmpty());
    EXPECT_EQ(Find<QTreeWidget>("ListView1")->topLevelItemCount(), 0);

    m_window->RipSelectedTracks();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].text, "Please access CD devices rightly firstly!");

    m_window->QueryCDDB();
    EXPECT_EQ(m_prompts.shown.back().kind, "error");
    EXPECT_EQ(m_prompts.shown.back().text, "Error while reading TOC information!");
    EXPECT_TRUE(m_cddb.runs.empty());
}

TEST_F(MainWindowTest, BrowseStoresTheChosenFolder) {
    StartWindow();
    const QString before = QString::fromStdString(OptionsSetting.CommonOptions.OutputFolder);
    m_prompts.folder = QStringLiteral("/tmp/chosen");
    Find<QToolButton>("bBrowser")->click();
    EXPECT_EQ(m_prompts.titles, QStringList({"Please select the folder to save the audio file"}));
    EXPECT_EQ(Find<QLineEdit>("eOutputDir")->text(), "/tmp/chosen");
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFolder, "/tmp/chosen");
    Find<QToolButton>("bBrowser")->click();
    EXPECT_EQ(m_prompts.startFolders, QStringList({before, "/tmp/chosen"}));
}

// The offscreen platform has no program to open anything with, like a
// desktop without one set up.
TEST_F(StartedWithDisc, OpeningWithoutADesktopProgramIsReported) {
    m_window->JumpOutputFolder();
    Find<QAction>("aHelp")->trigger();
    Find<QAction>("aHomepage")->trigger();
    const QString end = QStringLiteral(": no program to open it is set up on this desktop.");
    ASSERT_EQ(m_prompts.shown.size(), 3u);
    EXPECT_EQ(m_prompts.shown[0].text,
              "Cannot open " + QString::fromStdString(m_outputFolder.string()) + end);
    EXPECT_EQ(m_prompts.shown[1].text,
              "Cannot open " +
                  QString::fromStdString(m_paths->ShippedFile("brisklark-manual.html").string()) +
                  end);
    EXPECT_EQ(m_prompts.shown[2].text, "Cannot open https://tamberlyn.example/brisklark/" + end);
    for (const auto& box : m_prompts.shown) {
        EXPECT_EQ(box.kind, "error");
    }
}

TEST_F(MainWindowTest, JumpToAMissingOutputFolderIsAnError) {
    StartWindow();
    OptionsSetting.CommonOptions.OutputFolder = "/nonexistent/out";
    m_window->JumpOutputFolder();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].kind, "error");
    EXPECT_EQ(m_prompts.shown[0].text, "/nonexistent/out,the output folder does not exist.");
}
