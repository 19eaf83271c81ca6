// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ui/encode_progress_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/app_paths.h"
#include "tool_test_support.h"
#include "tools_ui_test_support.h"

namespace fs = std::filesystem;

namespace {

class EncodeProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"sox", "oggdec"}) {
            SKIP_WITHOUT_PROGRAM(program);
        }
        fs::create_directory(m_out);
        LoadOptions(m_settings, TAppPaths(m_folder.File("program"), m_folder.File("config")));
        m_settings.CommonOptions.OutputFolder = m_out;
    }

    // Opens the window on the files and shows it, as the main window does.
    void Open(const QStringList& files, int kind, bool overwrite) {
        m_window = std::make_unique<TfrmEncodeProgress>(
            nullptr, files, kind, m_settings, DiscInfo{},
            [this, overwrite](const QString& text) {
                m_questions.push_back(text);
                return overwrite;
            },
            [this](const QString& text) { m_errors.push_back(text); });
        m_window->show();
    }

    template <class Control>
    Control* Find(const char* name) {
        return m_window->findChild<Control*>(QString::fromLatin1(name));
    }

    QString Text(const char* label) { return Find<QLabel>(label)->text(); }

    QString In(const std::string& name) { return QString::fromStdString(m_folder.File(name)); }

    TestFolder m_folder;
    const std::string m_out = m_folder.File("out");
    TOptionsSetting m_settings;
    std::unique_ptr<TfrmEncodeProgress> m_window;
    QStringList m_questions;
    QStringList m_errors;
};

// The first target exists and the user keeps it: only the second file is
// converted, and "Completed" shows 1 while it runs.
TEST_F(EncodeProgressTest, DeclinedOverwriteConvertsOnlyTheSecondFile) {
    MakeWav(m_folder.File("first.wav"), "-r 44100 -b 16 -c 2", 1.0);
    MakeWav(m_folder.File("second.wav"), "-r 44100 -b 16 -c 2", 20.0);
    WriteText(m_out + "/first.ogg", "keep me");
    Open({In("first.wav"), In("second.wav")}, 3, false);
    EXPECT_EQ(m_window->windowTitle(), "Brisklark");
    EXPECT_EQ(Text("lSelectedTracks"), "2");
    EXPECT_EQ(Text("lOutputFolder"), QString::fromStdString(m_out));
    EXPECT_EQ(Text("lProgressHint"), "Encoding...");

    ASSERT_TRUE(ProcessEventsUntil([this] { return m_window->Batch().Running(); }));
    EXPECT_EQ(m_questions,
              QStringList{QString::fromStdString(m_out) + "/first.ogg has existed, overite it?"});
    EXPECT_EQ(Text("lCompleted"), "1");
    EXPECT_EQ(Text("lInputFileName"), "second.wav");
    EXPECT_EQ(Text("lOutputFileName"), "second.ogg");
    EXPECT_EQ(Find<QProgressBar>("ProgressBar1")->format(), "Encoding...");

    ASSERT_TRUE(ProcessEventsUntil([this] { return !m_window->isVisible(); }));
    EXPECT_EQ(ReadText(m_out + "/first.ogg"), "keep me");
    Shell("oggdec -Q -o '" + m_out + "/second.dec.wav' '" + m_out + "/second.ogg'");
    EXPECT_NEAR(Soxi(m_out + "/second.dec.wav").Frames, 20 * 44100, 4410);
    EXPECT_TRUE(m_errors.empty());
}

// A file that cannot be read is skipped and named in one message when the
// window closes; the other file converts.
TEST_F(EncodeProgressTest, UnreadableFileIsReportedAsTheWindowCloses) {
    WriteText(m_folder.File("broken.wav"), "not a wave file");
    MakeWav(m_folder.File("good.wav"), "-r 44100 -b 16 -c 2", 1.0);
    Open({In("broken.wav"), In("good.wav")}, 2, true);
    ASSERT_TRUE(ProcessEventsUntil([this] { return !m_window->isVisible(); }));
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].startsWith("These files could not be converted:\nbroken.wav: "))
        << m_errors[0].toStdString();
    EXPECT_FALSE(fs::exists(m_out + "/broken.mp3"));
    EXPECT_GT(fs::file_size(m_out + "/good.mp3"), 1000U);
}

}  // namespace
