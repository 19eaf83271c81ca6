// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QEvent>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "cd/message_target.h"
#include "cd/rip_thread.h"
#include "cd/ui/rip_outputs.h"
#include "settings/disc_cache.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/options_setting.h"

class QLabel;
class QProgressBar;
class QPushButton;

inline constexpr int kRipWindowWidth = 367;
inline constexpr int kRipWindowHeight = 243;

// A message posted to a window (WM_RIPERROR, WM_RIPPROGRESS): a Qt event
// whose type is the message number. It owns the message's payload until the
// receiver takes it.
class RipMessageEvent final : public QEvent {
public:
    explicit RipMessageEvent(PostedMessage message);

    [[nodiscard]] const PostedMessage& Message() const { return m_message; }
    [[nodiscard]] PostedMessage TakeMessage() { return std::move(m_message); }

private:
    PostedMessage m_message;
};

// The modal progress window of one rip. For each item of the list in turn a
// rip thread extracts the track into a WAV file; unless the format is WAV,
// the file is then encoded, the WAV file deleted (unless it is to be kept)
// and an MP3 file tagged. Everything is decided on the GUI thread in the
// order of the messages the rip thread and the encoder events post here.
//
// Threads: GUI thread, except Post (any thread). Ownership: the window owns
// its copy of the list, the current rip thread (destroyed, with a wait,
// before the next starts and when the rip stops) and the pipeline
// components; posted records belong to the window once posted.
class TfrmCDRip final : public QDialog, public MessageTarget {
    Q_OBJECT

public:
    // Shows an error message box; tests record the texts instead.
    using ErrorBox = std::function<void(const QString& text)>;

    // Copies tracks ("07Intro": two-digit track position, then the title),
    // settings and the main window's disc fields, and starts the rip of the
    // first item at once. An empty errorBox shows a QMessageBox.
    TfrmCDRip(QWidget* owner, TCDHandle cdHandle, std::vector<std::string> tracks,
              TOptionsSetting settings, const TDiscFields& discFields, ErrorBox errorBox = {});
    ~TfrmCDRip() override;
    TfrmCDRip(const TfrmCDRip&) = delete;
    TfrmCDRip& operator=(const TfrmCDRip&) = delete;

    // MessageTarget: queues the message as a RipMessageEvent to this window.
    void Post(PostedMessage message) override;

    // Stops the rip thread (after its current read) and closes the window.
    void bStopClick();

    // The current rip thread, or nullptr.
    [[nodiscard]] TCDRipThread* RipThread() const { return m_ripThread.get(); }

protected:
    bool event(QEvent* event) override;
    // Every way of closing passes here (Stop, the close box, Escape, the end
    // of the rip): the rip thread and a running encoding are stopped first.
    void done(int result) override;

private:
    void BuildControls();
    void WMRipError(std::int64_t code);
    void WMRipProgress(std::unique_ptr<TProcessInfo> info);
    void RipEnded(std::unique_ptr<TProcessInfo> info);
    void EncodeTrack(std::size_t item);
    void TrackEnded();
    void DeleteWaveFile();
    void WriteId3Tag(std::size_t item);
    void StartRipThread(std::size_t item);
    void StartNextTrack();
    // Stops and destroys the rip thread and frees the list, once.
    void StopRip();
    void FormClose();
    // One message listing every track whose encoding failed, then none.
    void ReportEncodeFailures();
    void PostProgress(std::int32_t percent, std::int32_t status);
    void ShowError(const QString& text);
    [[nodiscard]] std::string TitleOf(std::size_t item) const;
    [[nodiscard]] std::string FolderPath() const;

    const TCDHandle m_cdHandle;
    const TOptionsSetting m_settings;
    const TDiscFields m_discFields;
    const TMainWindowTags m_tags;  // the disc fields as the encoder set-ups take them
    const ErrorBox m_errorBox;
    // The list; freed when the rip stops, after which messages still queued
    // are dropped.
    std::optional<std::vector<std::string>> m_tracks;
    int m_completed = 0;  // Completed
    std::unique_ptr<TCDRipThread> m_ripThread;
    RipOutputs m_outputs;
    // Why the encoding of the current track failed; empty when it did not
    // fail (or was not run).
    std::string m_encodeFailure;
    bool m_encoded = false;  // the current track's encoding ran to a good end
    // One line per track whose encoding failed, reported when the rip ends.
    QStringList m_encodeFailures;
    bool m_formClosed = false;

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
};
