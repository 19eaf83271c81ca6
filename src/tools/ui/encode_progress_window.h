// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "disc/disc_info.h"
#include "settings/options_setting.h"
#include "tools/file_converter.h"

class QLabel;
class QProgressBar;
class QPushButton;

inline constexpr int kEncodeProgressWidth = 420;
inline constexpr int kEncodeProgressHeight = 250;

// The modal progress window of the batch file converter: shows the file
// being converted, its output, the counts and the output folder, and drives
// the batch with its own WM_NEXTFILE message. It closes by itself after the
// last file; "Stop" (or any other way of closing) ends the batch. Files that
// could not be converted are listed in one message as the window closes.
//
// Threads: GUI thread; the writers' events arrive there through the
// pipeline's dispatcher. Ownership: owns the batch (readers, encode step
// and writers) and its controls.
class TfrmEncodeProgress final : public QDialog, private FileConverterView {
    Q_OBJECT

public:
    // Asks a Yes/No question; tests answer it.
    using Question = std::function<bool(const QString& text)>;
    // Shows an error message box; tests record the texts instead.
    using ErrorBox = std::function<void(const QString& text)>;

    // Copies the files (full paths) and starts the batch of conversion kind
    // `kind` (2..10) through the first WM_NEXTFILE, tagging from the disc's
    // fields. Empty question and errorBox show QMessageBoxes.
    TfrmEncodeProgress(QWidget* owner, const QStringList& files, int kind,
                       const TOptionsSetting& settings, const DiscInfo& disc,
                       Question question = {}, ErrorBox errorBox = {});
    ~TfrmEncodeProgress() override;
    TfrmEncodeProgress(const TfrmEncodeProgress&) = delete;
    TfrmEncodeProgress& operator=(const TfrmEncodeProgress&) = delete;

    void bStopClick();

    [[nodiscard]] FileConverterBatch& Batch() { return *m_batch; }

protected:
    bool event(QEvent* event) override;
    // Every way of closing passes here (Stop, the close box, Escape, the end
    // of the batch).
    void done(int result) override;

private:
    void BuildControls(const QString& outputFolder, qsizetype fileCount);

    // FileConverterView.
    void PostNextFile(int word) override;
    void ShowInputFile(const std::string& name, int completed) override;
    void ShowOutputFile(const std::string& name) override;
    void ShowProgress(int percent) override;
    [[nodiscard]] bool AskOverwrite(const std::string& outputPath) override;
    void ReportFailure(const std::string& inputName, const std::string& reason) override;
    void CloseWindow() override;

    void ReportFailures();

    const Question m_question;
    const ErrorBox m_errorBox;
    QStringList m_failures;  // one line per file not converted
    bool m_closed = false;

    QLabel* Label1 = nullptr;
    QLabel* lInputFileName = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lOutputFileName = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lSelectedTracks = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lCompleted = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lOutputFolder = nullptr;
    QLabel* lProgressHint = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* bStop = nullptr;
    // Made after the controls, which it reports to from its first call.
    std::unique_ptr<FileConverterBatch> m_batch;
};
