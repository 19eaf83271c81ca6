// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

#include "tools/ui/resample_tool_prompts.h"
#include "tools/wav_resample_chain.h"
#include "tools/wma_output.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

inline constexpr int kWavResampleWidth = 458;
inline constexpr int kWavResampleHeight = 230;

// The modal "Wave Converter" window: converts one WAV file into a WAV file
// of another sample rate, channel count, sample width and encoding, or into
// a Windows Media file. "Close" only stops a running conversion; the window
// closes by its close box or Escape, which stop the conversion first.
//
// Threads: GUI thread; the chosen output's events arrive there through the
// pipeline's dispatcher. Ownership: the window owns the pipeline (through
// WavResampleChain) and its controls; the prompts are not owned.
class TfrmWavResample final : public QDialog {
    Q_OBJECT

public:
    // Null prompts: the system's file dialogs and message boxes.
    // makeWmaOutput supplies the Windows Media writer (tests replace it).
    TfrmWavResample(QWidget* owner, ResampleToolPrompts* prompts = nullptr,
                    WavResampleChain::WmaFactory makeWmaOutput = &MakeWmaOutput);
    ~TfrmWavResample() override;
    TfrmWavResample(const TfrmWavResample&) = delete;
    TfrmWavResample& operator=(const TfrmWavResample&) = delete;

    // "Input File...", "Output File...", "Start Convert", "Close".
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    [[nodiscard]] WavResampleChain& Chain() { return m_chain; }

protected:
    // Every way of closing passes here: a running conversion is stopped
    // synchronously first.
    void done(int result) override;

private:
    void BuildControls();
    void SetRunning(bool running);
    void ConversionDone(const std::string& exceptionMessage);

    std::unique_ptr<QtResampleToolPrompts> m_ownPrompts;
    ResampleToolPrompts* m_prompts;  // not owned
    WavResampleChain m_chain;

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label15 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};
