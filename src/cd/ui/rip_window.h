// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QEvent>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/wav/wave_in.h"
#include "cd/access/cd_access.h"
#include "base/message_target.h"
#include "cd/rip_protocol.h"
#include "cd/rip_thread.h"
#include "settings/disc_cache.h"
#include "settings/encoders/encode_step.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"

class QLabel;
class QProgressBar;
class QPushButton;

inline constexpr int kRipWindowWidth = 367;
inline constexpr int kRipWindowHeight = 243;

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

// The modal progress window of one rip. For each item of the list in turn a
// rip thread extracts the track into a WAV file; unless the output format
// is WAV, the file is then encoded, the WAV file deleted (unless it is to be
// kept) and, for formats tagged after encoding (MP3), the file tagged.
// Everything is decided on the GUI thread in the order of the messages the
// rip thread and the encoder events post here; each message is decoded once
// into a TRipEvent and handled by the phase the rip is in.
//
// Threads: GUI thread, except Post (any thread). Ownership: the window owns
// its items, the current rip thread (destroyed, with a wait, before the next
// starts and when the rip stops), WaveIn1 and the encode step with its
// outputs; posted records belong to the window once posted.
class TfrmCDRip final : public QDialog, public MessageTarget {
    Q_OBJECT

public:
    // Shows an error message box; tests record the texts instead.
    using ErrorBox = std::function<void(const QString& text)>;

    // Copies tracks ("07Intro": two-digit track position, then the title),
    // settings and the main window's disc fields, and starts the rip of the
    // first item at once. An empty errorBox shows a QMessageBox.
    TfrmCDRip(QWidget* owner, TCDHandle cdHandle, const std::vector<std::string>& tracks,
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
    // Where the rip stands. Messages are handled only while ripping or
    // encoding; those still queued when the rip stopped are dropped.
    enum class Phase : std::uint8_t {
        Ripping,   // the rip thread of item Completed runs (or halted on an error)
        Encoding,  // item Completed - 1 is encoded, or its skipped end is queued
        Stopped,   // the rip thread is gone; nothing more starts
        Closed,    // the window has closed
    };
    // How the encoding of the current track went.
    enum class EncodeResult : std::uint8_t { NotRun, Succeeded, Failed };

    void BuildControls();
    void HandleEvent(const TRipEvent& event);
    void ShowDriveError(std::int64_t code);
    void RipEnded(std::int32_t status);
    void ShowRipFailure(std::int32_t status, const TRipItem& item);
    void EncodeTrack(const TRipItem& item);
    void EncodeEnded(EncodeResult result, std::string failure);
    void TrackEnded();
    void DeleteWaveFile();
    void WriteId3Tag(const TRipItem& item);
    void StartRipThread(const TRipItem& item);
    void StartNextTrack();
    // Stops and destroys the rip thread, once, noting a track it cut short.
    void StopRip();
    void FormClose();
    // One message listing every track whose encoding failed or was stopped
    // and the track whose rip was stopped, then none.
    void ReportAtClose();
    void PostProgress(std::int32_t percent, std::int32_t status);
    void ShowError(const QString& text);
    [[nodiscard]] bool IsLastItem() const;
    [[nodiscard]] std::string FolderPath() const;
    // The WAV file the rip thread makes of the item.
    [[nodiscard]] std::string WavPath(const TRipItem& item) const;

    const TCDHandle m_cdHandle;
    const TOptionsSetting m_settings;
    const TDiscFields m_discFields;
    const TMainWindowTags m_tags;  // the disc fields as the encoder set-ups take them
    const std::vector<TRipItem> m_items;
    // The chosen format's row; nullptr for a number outside the table,
    // whose encodings then fail.
    const TOutputFormatRow* const m_format;
    const ErrorBox m_errorBox;
    Phase m_phase = Phase::Ripping;
    int m_completed = 0;  // Completed
    std::unique_ptr<TCDRipThread> m_ripThread;
    // Declared before the encode step, whose outputs read it.
    TWaveIn WaveIn1;
    EncodeStep m_encoder;
    EncodeResult m_encodeResult = EncodeResult::NotRun;
    std::string m_encodeFailure;  // why, when m_encodeResult is Failed
    // One line per track whose encoding failed or was stopped, reported when
    // the rip ends.
    QStringList m_encodeFailures;
    // The track whose partial WAV file a stopped rip thread removed.
    QString m_ripStopNote;

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
