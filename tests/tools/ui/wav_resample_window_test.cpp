// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <filesystem>
#include <functional>
#include <memory>

#include "tool_test_support.h"
#include "tools/ui/wav_resample_window.h"
#include "tools_ui_test_support.h"

namespace {

// Answers the dialogs with prepared names and records the error boxes.
class ScriptedPrompts final : public ResampleToolPrompts {
public:
    QString ChooseInputFile() override { return Input; }
    QString ChooseOutputFile() override { return Output; }
    void Error(const QString& text) override { Errors.push_back(text); }

    QString Input;
    QString Output;
    std::vector<QString> Errors;
};

template <class Control>
Control* Find(QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// A file that is not WAV keeps the labels silently; one that cannot be
// opened (gone since it was chosen) says why and the tool carries on.
TEST(WavResampleWindow, ShowsTheInputAndKeepsTheLabelsForAFileThatIsNotWavOrGone) {
    SKIP_WITHOUT_PROGRAM("sox");
    TestFolder folder;
    MakeWav(folder.File("adpcm.wav"), "-e ima-adpcm -r 22050 -c 1", 0.5);
    WriteText(folder.File("text.wav"), "text\n");
    ScriptedPrompts prompts;
    TfrmWavResample window(nullptr, &prompts);
    prompts.Input = QString::fromStdString(folder.File("adpcm.wav"));
    window.Button1Click();
    prompts.Input = QString::fromStdString(folder.File("text.wav"));
    window.Button1Click();
    EXPECT_TRUE(prompts.Errors.empty());
    prompts.Input = QString::fromStdString(folder.File("gone.wav"));
    window.Button1Click();
    ASSERT_EQ(prompts.Errors.size(), 1U);
    EXPECT_TRUE(prompts.Errors[0].contains("gone.wav")) << prompts.Errors[0].toStdString();
    EXPECT_EQ(Find<QLabel>(window, "Label5")->text(), "adpcm.wav");
    EXPECT_EQ(Find<QLabel>(window, "Label6")->text(), "1");
    EXPECT_EQ(Find<QLabel>(window, "Label7")->text(), "22050");
    EXPECT_EQ(Find<QLabel>(window, "Label8")->text(), "16");
    EXPECT_EQ(Find<QLabel>(window, "Label15")->text(), "DVI IMA ADPCM");
}

TEST(WavResampleWindow, ConvertsAndSaysSuccess) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("soxi");
    TestFolder folder;
    MakeWav(folder.File("in.wav"), "-r 44100 -b 16 -c 2", 1);
    ScriptedPrompts prompts;
    prompts.Input = QString::fromStdString(folder.File("in.wav"));
    TfrmWavResample window(nullptr, &prompts);
    window.show();
    window.Button3Click();  // no output chosen yet
    ASSERT_EQ(prompts.Errors, std::vector<QString>{"The output file name is not set!"});
    EXPECT_EQ(window.windowTitle(), "Wave Converter");
    window.Button1Click();
    prompts.Output = QString::fromStdString(folder.File("out.wav"));
    window.Button2Click();
    EXPECT_EQ(Find<QLabel>(window, "Label10")->text(), "out.wav");
    Find<QLineEdit>(window, "Edit1")->setText("11025");
    Find<QSpinBox>(window, "SpinEdit3")->setValue(16);
    auto* start = Find<QPushButton>(window, "Button3");
    start->click();
    EXPECT_EQ(window.windowTitle(), "Converting...");
    // The input and output cannot change under the running conversion.
    const std::vector<QPushButton*> choosers = {Find<QPushButton>(window, "Button1"),
                                                Find<QPushButton>(window, "Button2")};
    for (QPushButton* button : std::vector<QPushButton*>{start, choosers[0], choosers[1]}) {
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
    }
    ASSERT_TRUE(ProcessEventsUntil([&] { return start->isEnabled(); }));
    EXPECT_TRUE(choosers[0]->isEnabled() && choosers[1]->isEnabled());
    EXPECT_EQ(window.windowTitle(), "Success!");
    EXPECT_EQ(Find<QProgressBar>(window, "ProgressBar1")->value(), 100);
    const SoundInfo info = Soxi(folder.File("out.wav"));
    EXPECT_EQ(info.SampleRate, 11025);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.Frames, 11025);
}

// "Close" stops the conversion after the current block; the window stays,
// the partial file is kept and readable, and the caption says "Success!".
TEST(WavResampleWindow, CloseStopsTheConversionAndKeepsThePartialFile) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("soxi");
    TestFolder folder;
    MakeWav(folder.File("long.wav"), "-r 44100 -b 16 -c 2", 120);
    ScriptedPrompts prompts;
    prompts.Input = QString::fromStdString(folder.File("long.wav"));
    prompts.Output = QString::fromStdString(folder.File("part.wav"));
    TfrmWavResample window(nullptr, &prompts);
    window.show();
    window.Button1Click();
    window.Button2Click();
    Find<QLineEdit>(window, "Edit1")->setText("48000");
    Find<QSpinBox>(window, "SpinEdit1")->setValue(2);
    Find<QSpinBox>(window, "SpinEdit3")->setValue(16);
    auto* bar = Find<QProgressBar>(window, "ProgressBar1");
    QObject::connect(bar, &QProgressBar::valueChanged, &window, [&](int value) {
        if (value > 0) {
            Find<QPushButton>(window, "Button4")->click();
        }
    });
    window.Button3Click();
    auto* start = Find<QPushButton>(window, "Button3");
    ASSERT_TRUE(ProcessEventsUntil([&] { return start->isEnabled(); }));
    EXPECT_EQ(window.windowTitle(), "Success!");
    EXPECT_TRUE(window.isVisible());
    const SoundInfo info = Soxi(folder.File("part.wav"));
    EXPECT_EQ(info.SampleRate, 48000);
    EXPECT_GT(info.Frames, 0);
    EXPECT_LT(info.Frames, 48000 * 60);
}

}  // namespace
