// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "audio/tags/id3v1_genres.h"
#include "cd/id3_tag.h"
#include "settings/settings_helpers.h"

namespace {

const QString kCaption = QStringLiteral("Brisklark");
const QString kExtracting = QStringLiteral("Extracting...");
const QString kInitializing = QStringLiteral("Initializing...");
const QString kNormalizing = QStringLiteral("Normalizing...");
const QString kEncoding = QStringLiteral("Encoding...");
const QString kRipStopped =
    QStringLiteral("The rip of track %1 \"%2\" was stopped; its partial file %3 was removed.");

// Both end-of-track pauses, in milliseconds.
constexpr int kEndOfTrackPauseMs = 300;

// Whether a ripped WAV file is encoded: for every format but WAV, and for a
// number outside the table, whose encoding then fails with a clear message.
bool RipEncodes(const TOutputFormatRow* format) {
    return format == nullptr || format->RipEncodes;
}

// "Track 07 "Intro": " and the text, as the report at the end lists a track.
QString TrackLine(const TRipItem& item, const std::string& text) {
    return QStringLiteral("Track %1 \"%2\": %3")
        .arg(QString::fromStdString(TwoDigits(item.Number)), QString::fromStdString(item.Title),
             QString::fromStdString(text));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, width, 17);
    return label;
}

}  // namespace

RipMessageEvent::RipMessageEvent(PostedMessage message)
    : QEvent(static_cast<QEvent::Type>(message.Number)), m_message(std::move(message)) {}

TfrmCDRip::TfrmCDRip(QWidget* owner, TCDHandle cdHandle, const std::vector<std::string>& tracks,
                     TOptionsSetting settings, const TDiscFields& discFields, ErrorBox errorBox)
    : QDialog(owner),
      m_cdHandle(cdHandle),
      m_settings(std::move(settings)),
      m_discFields(discFields),
      m_tags(TagsFromDiscFields(discFields)),
      m_items(ParseRipItems(tracks)),
      m_format(FindOutputFormat(m_settings.CommonOptions.OutputFormat)),
      m_errorBox(std::move(errorBox)) {
    BuildControls();
    if (owner != nullptr) {
        // Placed here at the fixed size: the placement at show time may
        // still go by the size the window had before.
        const QPoint centre = owner->frameGeometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    m_encoder.OnProgress = [this](int progress) { PostProgress(progress, kRipStatusOk); };
    m_encoder.OnDone = [this](const std::string& exceptionMessage) {
        EncodeEnded(exceptionMessage.empty() ? EncodeResult::Succeeded : EncodeResult::Failed,
                    exceptionMessage);
    };
    if (!m_items.empty()) {
        StartRipThread(m_items.front());
    }
    setWindowTitle(kCaption);
    lProgressHint->setText(kExtracting);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setFormat(kInitializing);
    lCurrentTrack->setText(m_items.empty() ? QString()
                                           : QString::fromStdString(m_items.front().Title));
    lOutputFormat->setText(
        QString::fromStdString(OutputFormatName(m_settings.CommonOptions.OutputFormat)));
    lSelectedTracks->setText(QString::number(m_items.size()));
    lCompleted->setText(QStringLiteral("0"));
}

TfrmCDRip::~TfrmCDRip() {
    StopRip();
    m_encoder.Stop();
}

void TfrmCDRip::BuildControls() {
    setFixedSize(kRipWindowWidth, kRipWindowHeight);
    constexpr int kLabelX = 24;
    constexpr int kValueX = 128;
    constexpr int kValueWidth = kRipWindowWidth - kValueX - 16;
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Current track:"), kLabelX, 16, 100);
    lCurrentTrack = MakeLabel(this, "lCurrentTrack", {}, kValueX, 16, kValueWidth);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Output format:"), kLabelX, 40, 100);
    lOutputFormat = MakeLabel(this, "lOutputFormat", {}, kValueX, 40, kValueWidth);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Selected tracks:"), kLabelX, 64, 100);
    lSelectedTracks = MakeLabel(this, "lSelectedTracks", {}, kValueX, 64, kValueWidth);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Completed:"), kLabelX, 88, 100);
    lCompleted = MakeLabel(this, "lCompleted", {}, kValueX, 88, kValueWidth);
    lProgressHint = MakeLabel(this, "lProgressHint", {}, kLabelX, 124, kRipWindowWidth - 48);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setGeometry(kLabelX, 148, kRipWindowWidth - 48, 22);

    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setGeometry((kRipWindowWidth - 75) / 2, 196, 75, 25);
    connect(bStop, &QPushButton::clicked, this, &TfrmCDRip::bStopClick);
}

void TfrmCDRip::Post(PostedMessage message) {
    QCoreApplication::postEvent(this, new RipMessageEvent(std::move(message)));
}

bool TfrmCDRip::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_RIPERROR) ||
        event->type() == static_cast<QEvent::Type>(WM_RIPPROGRESS)) {
        // The event frees the posted record when it is destroyed.
        HandleEvent(DecodeRipMessage(static_cast<RipMessageEvent*>(event)->Message()));
        return true;
    }
    return QDialog::event(event);
}

void TfrmCDRip::HandleEvent(const TRipEvent& event) {
    if (m_phase != Phase::Ripping && m_phase != Phase::Encoding) {
        return;  // queued before the rip stopped
    }
    switch (event.Kind) {
        case TRipEventKind::DriveError:
            ShowDriveError(event.ErrorCode);
            break;
        case TRipEventKind::Normalizing:
            lProgressHint->setText(kNormalizing);
            break;
        case TRipEventKind::Progress:
            ProgressBar1->setValue(event.Percent);
            break;
        case TRipEventKind::RipEnded:
            if (m_phase == Phase::Ripping) {
                RipEnded(event.Status);
            }
            break;
        case TRipEventKind::EncodeEnded:
            if (m_phase == Phase::Encoding) {
                TrackEnded();
            }
            break;
        case TRipEventKind::None:
            break;
    }
}

void TfrmCDRip::ShowError(const QString& text) {
    if (m_errorBox) {
        m_errorBox(text);
    } else {
        QMessageBox::critical(this, kCaption, text);
    }
}

void TfrmCDRip::PostProgress(std::int32_t percent, std::int32_t status) {
    Post({WM_RIPPROGRESS, 0, 0, std::make_unique<TProcessInfo>(percent, status)});
}

bool TfrmCDRip::IsLastItem() const {
    return m_completed == static_cast<int>(m_items.size());
}

std::string TfrmCDRip::FolderPath() const {
    return IncludeTrailingSeparator(m_settings.CommonOptions.OutputFolder);
}

void TfrmCDRip::ShowDriveError(std::int64_t code) {
    // No further track starts: the window waits for the user to stop it.
    ShowError(code == kRipErrorDriveParameter
                  ? QStringLiteral("CD extract failed! Please try again.")
                  : QStringLiteral("Error while reading TOC information!"));
}

// The rip of item Completed has ended, with the outcome in status.
void TfrmCDRip::RipEnded(std::int32_t status) {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
    ShowRipFailure(status, item);
    ++m_completed;
    m_encodeResult = EncodeResult::NotRun;
    m_encodeFailure.clear();
    if (!RipEncodes(m_format)) {
        if (IsLastItem()) {
            StopRip();
            close();
        } else {
            StartNextTrack();
        }
        return;
    }
    m_phase = Phase::Encoding;
    if (status != kRipStatusOk) {
        // Straight to the end-of-track steps, without encoding.
        PostProgress(kPercentEncodeEnded, kRipStatusNotEncoded);
        return;
    }
    EncodeTrack(item);
}

std::string TfrmCDRip::WavPath(const TRipItem& item) const {
    return m_settings.CommonOptions.OutputFolder + "/" + item.FileStem + ".wav";
}

void TfrmCDRip::ShowRipFailure(std::int32_t status, const TRipItem& item) {
    const QString wavPath = QString::fromStdString(WavPath(item));
    if (status == kRipStatusReadFailed) {
        ShowError(QStringLiteral("Error while reading CD information!"));
    } else if (status == kRipStatusBadFileName) {
        ShowError(wavPath +
                  QStringLiteral(
                      " is not a valid file name. Please rename the Title in the CD tracks list."));
    } else if (status == kRipStatusNormalizeFailed) {
        ShowError(wavPath + QStringLiteral(" could not be normalized. It is kept as ripped."));
    } else if (status == kRipStatusOutOfMemory) {
        ShowError(QStringLiteral("Not enough memory to rip ") + wavPath + QStringLiteral("!"));
    }
}

void TfrmCDRip::EncodeTrack(const TRipItem& item) {
    lProgressHint->setText(kEncoding);
    ProgressBar1->setFormat(kEncoding);
    // Only the added extension differs: "Op.9.wav" becomes "Op.9.mp3".
    const std::string stem = FolderPath() + item.FileStem;
    try {
        m_encoder.Start(WaveIn1, stem + ".wav", m_settings.CommonOptions.OutputFormat,
                        stem + (m_format != nullptr ? m_format->Extension : ""), m_settings,
                        m_tags);
    } catch (const std::exception& error) {
        EncodeEnded(EncodeResult::Failed, error.what());
    }
}

// The encoding ended (or could not start); the end-of-track steps follow
// through the message queue, as for every other stage.
void TfrmCDRip::EncodeEnded(EncodeResult result, std::string failure) {
    m_encodeResult = result;
    m_encodeFailure = std::move(failure);
    PostProgress(kPercentEncodeEnded, kRipStatusOk);
}

// The encoding of item Completed - 1 has ended, failed, or was skipped.
void TfrmCDRip::TrackEnded() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed - 1)];
    BusyWait(kEndOfTrackPauseMs);
    if (m_encodeResult == EncodeResult::Failed) {
        // The WAV file is the only copy of the track's audio: keep it, and
        // tell the user once the rip ends rather than stop it now.
        m_encodeFailures.push_back(TrackLine(item, m_encodeFailure));
    } else if (m_encodeResult == EncodeResult::Succeeded) {
        // Only after this track's own encoding: WaveIn1 still names an
        // earlier track's WAV file when this one was not encoded.
        if (!m_settings.CommonOptions.IsKeepWav) {
            DeleteWaveFile();
        }
        // Only a file this track's encoding completed is tagged.
        if (m_format->TagStep == TTagStep::Id3v1) {
            WriteId3Tag(item);
        }
    }
    if (IsLastItem()) {
        StopRip();
        BusyWait(kEndOfTrackPauseMs);
        close();
    } else {
        StartNextTrack();
    }
}

// Deletes the file WaveIn1 read last, unless something still holds it.
void TfrmCDRip::DeleteWaveFile() {
    const std::filesystem::path path = std::filesystem::u8path(WaveIn1.FileName());
    std::error_code error;
    if (!path.empty() && std::filesystem::is_regular_file(path, error) && !IsFileInUse(path)) {
        std::filesystem::remove(path, error);
    }
}

void TfrmCDRip::WriteId3Tag(const TRipItem& item) {
    Tid3tag tag;
    tag.SetTitle(item.Title);
    tag.SetArtist(m_discFields.Artist);
    tag.SetAlbum(m_discFields.Album);
    tag.SetYear(m_discFields.Year);
    tag.SetComment(m_discFields.Comment);
    tag.SetGenre(GenreFromListPosition(m_discFields.Genre));
    tag.SetTrack(static_cast<std::uint8_t>(item.Number));
    // A file that cannot be tagged keeps its audio; there is nothing to add.
    static_cast<void>(tag.WriteTag(FolderPath() + item.FileStem + m_format->Extension));
}

void TfrmCDRip::StartRipThread(const TRipItem& item) {
    m_ripThread =
        std::make_unique<TCDRipThread>(item.Number, item.FileStem, m_settings.CommonOptions);
    m_ripThread->SetCDHandle(m_cdHandle);
    m_ripThread->SetNotifyWindow(this);
    m_ripThread->Resume();
}

void TfrmCDRip::StartNextTrack() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
    m_phase = Phase::Ripping;
    lProgressHint->setText(kExtracting);
    ProgressBar1->setFormat(RipEncodes(m_format) ? kExtracting : kInitializing);
    lCurrentTrack->setText(QString::fromStdString(item.Title));
    lCompleted->setText(QString::number(m_completed));
    m_ripThread.reset();
    StartRipThread(item);
}

void TfrmCDRip::StopRip() {
    if (m_phase != Phase::Ripping && m_phase != Phase::Encoding) {
        return;
    }
    if (m_ripThread) {
        m_ripThread->SetStopRequested(true);
        m_ripThread->WaitFor();
        // Only a thread still ripping item Completed can have cut it short.
        if (m_ripThread->PartialFileRemoved()) {
            const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
            m_ripStopNote = kRipStopped.arg(QString::fromStdString(TwoDigits(item.Number)),
                                            QString::fromStdString(item.Title),
                                            QString::fromStdString(WavPath(item)));
        }
        m_ripThread.reset();
    }
    m_phase = Phase::Stopped;
}

void TfrmCDRip::bStopClick() {
    StopRip();
    close();
}

void TfrmCDRip::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TfrmCDRip::FormClose() {
    if (m_phase == Phase::Closed) {
        return;
    }
    StopRip();
    m_phase = Phase::Closed;
    // Only the encoding of item Completed - 1 can be running. Its WAV file
    // stays: it is the track's only copy.
    if (const std::optional<std::string> removed = m_encoder.Stop()) {
        const TRipItem& item = m_items[static_cast<std::size_t>(m_completed - 1)];
        m_encodeFailures.push_back(TrackLine(
            item, "the encoding was stopped; its partial file " + *removed + " was removed."));
    }
    m_encoder.ClearFileNames();
    ReportAtClose();
}

void TfrmCDRip::ReportAtClose() {
    QStringList parts;
    if (!m_encodeFailures.empty()) {
        parts.push_back(
            QStringLiteral("These tracks could not be encoded; their WAV files are kept:\n") +
            m_encodeFailures.join(QLatin1Char('\n')));
    }
    if (!m_ripStopNote.isEmpty()) {
        parts.push_back(m_ripStopNote);
    }
    if (!parts.empty()) {
        ShowError(parts.join(QStringLiteral("\n\n")));
    }
    m_encodeFailures.clear();
    m_ripStopNote.clear();
}
