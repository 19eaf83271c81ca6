// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QEvent>
#include <QStringList>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_target.h"
#include "cd/access/cd_access.h"
#include "cd/rip_job.h"
#include "cd/rip_thread.h"
#include "disc/disc_info.h"
#include "settings/options_setting.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

inline constexpr int kRipWindowWidth = 367;
inline constexpr int kRipWindowHeight = 243;
// Below the rip's own controls: the list of each ripped track's checks.
inline constexpr int kRipChecksHeight = 120;

// A message posted to a window (WM_RIPERROR, WM_RIPPROGRESS): a Qt event
// whose type is the message number. It owns the message's payload, which
// goes with the event once the receiver has handled it.
class RipMessageEvent final : public QEvent {
public:
    explicit RipMessageEvent(PostedMessage message);

    [[nodiscard]] const PostedMessage& Message() const { return m_message; }

private:
    PostedMessage m_message;
};

// The modal progress window of one rip: the view of a RipJob, which runs
// the rip (rip thread, encoding, WAV clean-up, tag, track after track).
// Every message the rip thread and the encoder events post comes here as a
// RipMessageEvent and goes on to the job, which decides on the GUI thread.
//
// Threads: GUI thread, except Post (any thread). Ownership: the window owns
// the job; posted records belong to the window once posted.
class TfrmCDRip final : public QDialog, public RipJobView {
    Q_OBJECT

public:
    // Shows an error message box; tests record the texts instead.
    using ErrorBox = std::function<void(const QString& text)>;

    // Copies tracks ("07Intro": two-digit track position, then the title),
    // settings and the disc, and starts the rip of the first item at once.
    // An empty errorBox shows a QMessageBox.
    TfrmCDRip(QWidget* owner, TCDHandle cdHandle, const std::vector<std::string>& tracks,
              TOptionsSetting settings, const DiscInfo& disc, ErrorBox errorBox = {});
    ~TfrmCDRip() override;
    TfrmCDRip(const TfrmCDRip&) = delete;
    TfrmCDRip& operator=(const TfrmCDRip&) = delete;

    // MessageTarget: queues the message as a RipMessageEvent to this window.
    void Post(PostedMessage message) override;

    // Stops the rip thread (after its current read) and closes the window.
    void bStopClick();

    // The current rip thread, or nullptr.
    [[nodiscard]] TCDRipThread* RipThread() const { return m_job.RipThread(); }
    // The rip's closing line ("N of M tracks accurately ripped", the log),
    // for the owner to show once the window has gone; empty before.
    [[nodiscard]] const std::string& CheckSummary() const { return m_checkSummary; }

protected:
    bool event(QEvent* event) override;
    // Every way of closing passes here (Stop, the close box, Escape, the end
    // of the rip): the rip thread and a running encoding are stopped first.
    void done(int result) override;

private:
    // RipJobView
    void ShowTrack(const std::string& title, int completed) override;
    void ShowHint(std::string_view hint) override;
    void ShowProgressText(std::string_view text) override;
    void ShowProgress(int percent) override;
    void ShowError(const std::string& text) override;
    void ShowTrackCheck(const std::string& line) override;
    void ShowCheckSummary(const std::string& line) override;
    void CloseView() override;

    void BuildControls();

    const ErrorBox m_errorBox;
    std::string m_checkSummary;
    RipJob m_job;

    QLabel* Label1 = nullptr;
    QLabel* lCurrentTrack = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lOutputFormat = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lSelectedTracks = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lCompleted = nullptr;
    QLabel* lProgressHint = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* bStop = nullptr;
    QLabel* lChecks = nullptr;
    QListWidget* lbChecks = nullptr;
};
