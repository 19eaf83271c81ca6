// SPDX-License-Identifier: GPL-3.0-or-later
// The track title editor and the options dialog, alone and opened from the
// main window, on the offscreen platform with disc images as drives.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "app/edit_track_name.h"
#include "app_fixture.h"
#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "settings/options_setting.h"
#include "settings/ui/options_dialog.h"
#include "support/common/files.h"
#include "support/ui/dialog_layout.h"

namespace {

// Runs `act` on the modal window once its modal run has started.
void WhenModal(const std::function<void(QWidget& dialog)>& act) {
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

template <typename T>
T* Child(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void PressEnter(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

}  // namespace

class TitleEditorTest : public MainWindowTest {};

TEST_F(TitleEditorTest, OkOnlyWithTextAndEnterOnlyWhenOkIsEnabled) {
    TfrmEditTrackName dialog(nullptr, QStringLiteral("Intro"));
    dialog.show();
    QApplication::processEvents();
    auto* name = Child<QLineEdit>(dialog, "eName");
    auto* ok = Child<QPushButton>(dialog, "bOK");
    EXPECT_EQ(dialog.windowTitle(), "Edit Track's Title");
    EXPECT_EQ(Child<QGroupBox>(dialog, "GroupBox1")->title(), "Please enter the new track title");
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_EQ(name->selectedText(), "Intro");
    EXPECT_EQ(dialog.focusWidget(), name);
    EXPECT_TRUE(ok->isEnabled());

    name->clear();
    EXPECT_FALSE(ok->isEnabled());
    PressEnter(name);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    name->insert(QStringLiteral("Overture"));
    EXPECT_TRUE(ok->isEnabled());
    PressEnter(name);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Title(), "Overture");
}

TEST_F(TitleEditorTest, DialogLayoutKeepsTheTitleEditorWhole) {
    TfrmEditTrackName dialog(nullptr, QStringLiteral("A title of some length"));
    dialog.show();
    QApplication::processEvents();
    SaveScreenshot(dialog, "title_editor");
    EXPECT_EQ(LayoutProblems(dialog), std::vector<std::string>{});
}

class DialogsFromMainWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_outputFolder = m_root / "out";
        std::filesystem::create_directory(m_outputFolder);
        WriteOptions(ofWAV, m_outputFolder.string());
        m_titleEditorWindow = &m_realTitleEditor;
        m_options = &m_realOptions;
    }

    // Lists a second disc image after the one of InsertDisc.
    void InsertSecondDisc(const std::vector<int>& trackSeconds) {
        std::vector<discimage::Pcm> tracks;
        for (const int seconds : trackSeconds) {
            tracks.push_back(discimage::BytePattern(static_cast<std::size_t>(seconds) *
                                                        discimage::kFramesPerSecond *
                                                        discimage::kSectorBytes,
                                                    7));
        }
        const std::filesystem::path cue = m_root / "second.cue";
        ASSERT_TRUE(discimage::WriteDiscImage(cue, tracks).ok);
        setenv("BRISKLARK_DISC_IMAGES", (m_cuePath.string() + ":" + cue.string()).c_str(), 1);
    }

    // Selects a row and edits its title through the title editor; with
    // `title` empty the editor is cancelled after typing something.
    void EditTitle(int row, const QString& title) {
        auto* list = Find<QTreeWidget>("ListView1");
        list->setCurrentItem(list->topLevelItem(row));
        WhenModal([title](QWidget& dialog) {
            auto* name = Child<QLineEdit>(dialog, "eName");
            name->setText(title.isEmpty() ? QStringLiteral("Discarded") : title);
            Child<QPushButton>(dialog, title.isEmpty() ? "bCancel" : "bOK")->click();
        });
        m_window->EditTrackName();
    }

    QString TitleOfRow(int row) const {
        return Find<QTreeWidget>("ListView1")->topLevelItem(row)->text(1);
    }

    std::filesystem::path m_outputFolder;
    ModalTitleEditor m_realTitleEditor;
    std::vector<QString> m_errors;
    ModalOptionsDialog m_realOptions{{[this](const QString& text) { m_errors.push_back(text); },
                                      [](const QString&, const QString&) { return QString(); }}};
};

TEST_F(DialogsFromMainWindow, ConfirmedTitleNamesTheRippedFileAndCancelKeepsTheOld) {
    InsertDisc({1, 1});
    ModalRip rip;
    m_ripWindow = &rip;
    StartWindow();
    EditTitle(0, QStringLiteral("Overture"));
    EditTitle(1, QString());
    EXPECT_EQ(TitleOfRow(0), "Overture");
    EXPECT_EQ(TitleOfRow(1), "Track02");

    m_window->RipSelectedTracks();
    EXPECT_TRUE(rip.errors.empty());
    EXPECT_TRUE(std::filesystem::exists(m_outputFolder / "Overture.wav"));
    EXPECT_TRUE(std::filesystem::exists(m_outputFolder / "Track02.wav"));
    EXPECT_FALSE(std::filesystem::exists(m_outputFolder / "Discarded.wav"));
}

TEST_F(DialogsFromMainWindow, DoubleClickOpensTheEditorCentredOverTheMainWindow) {
    InsertDisc({1, 1});
    StartWindow();
    auto* list = Find<QTreeWidget>("ListView1");
    QTreeWidgetItem* row = list->topLevelItem(1);
    list->setCurrentItem(row);
    QPoint offset;
    WhenModal([this, &offset](QWidget& dialog) {
        offset = dialog.frameGeometry().center() - m_window->frameGeometry().center();
        Child<QLineEdit>(dialog, "eName")->setText(QStringLiteral("Walk"));
        PressEnter(Child<QLineEdit>(dialog, "eName"));
    });
    emit list->itemDoubleClicked(row, 1);
    EXPECT_EQ(TitleOfRow(1), "Walk");
    EXPECT_LE(offset.manhattanLength(), 2);
}

TEST_F(DialogsFromMainWindow, ChoosingAnotherDriveRebuildsTheTrackList) {
    InsertDisc({1, 1});
    InsertSecondDisc({1, 1, 1});
    StartWindow();
    auto* list = Find<QTreeWidget>("ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    WhenModal([](QWidget& dialog) {
        Child<QComboBox>(dialog, "cbCDList")->setCurrentIndex(1);
        Child<QComboBox>(dialog, "cbOutputFormat")->setCurrentIndex(ofFLAC);
        Child<QPushButton>(dialog, "bOK")->click();
    });
    m_window->OpenOptions();
    EXPECT_TRUE(m_errors.empty());
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_NE(m_window->CDHandle(), 0u);
    EXPECT_EQ(m_window->StatusText(), "Image   second.cue");
    EXPECT_EQ(Find<QComboBox>("cbOutputFormat")->currentText(), "FLAC file(*.FLAC)");
    EXPECT_EQ(OptionsSetting.CDOptions.Index, 1);
}

// A first start has the default output folder its settings name, so that
// "OK" in the options takes it; a missing folder the user chose is not made.
TEST_F(DialogsFromMainWindow, FirstStartMakesTheDefaultOutputFolder) {
    std::filesystem::remove(m_paths->OptionsFile());
    StartWindow();
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFolder, m_paths->DefaultOutputFolder().string());
    WhenModal([](QWidget& dialog) {
        Child<QPushButton>(dialog, "bOK")->click();
        if (dialog.isVisible()) {
            Child<QPushButton>(dialog, "bCancel")->click();
        }
    });
    m_window->OpenOptions();
    EXPECT_TRUE(m_errors.empty());
    EXPECT_TRUE(std::filesystem::is_directory(m_paths->DefaultOutputFolder()));
    CloseWindow();

    WriteOptions(ofWAV, (m_root / "chosen").string());
    StartWindow();
    EXPECT_FALSE(std::filesystem::exists(m_root / "chosen"));
}

TEST_F(DialogsFromMainWindow, ConfirmedOptionsSurviveARestart) {
    InsertDisc({1});
    StartWindow();
    WhenModal([](QWidget& dialog) {
        Child<QComboBox>(dialog, "cbOutputFormat")->setCurrentIndex(ofAPE);
        Child<QComboBox>(dialog, "cbFlacCompression")->setCurrentIndex(8);
        Child<QPushButton>(dialog, "bOK")->click();
    });
    m_window->OpenOptions();
    // Nothing is written before the main window closes.
    EXPECT_NE(ReadText(m_paths->OptionsFile()).find("OutputFormat=1"), std::string::npos);
    CloseWindow();
    const std::string saved = ReadText(m_paths->OptionsFile());
    EXPECT_NE(saved.find("OutputFormat=5"), std::string::npos);

    OptionsSetting = TOptionsSetting{};
    StartWindow();
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFormat, ofAPE);
    EXPECT_EQ(OptionsSetting.FLACOptions.Compression, 8);
    EXPECT_EQ(Find<QComboBox>("cbOutputFormat")->currentText(), "APE FILE(*.APE)");
}
