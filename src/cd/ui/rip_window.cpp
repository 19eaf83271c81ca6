// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <charconv>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cd/id3_genres.h"
#include "cd/id3_tag.h"
#include "settings/settings_helpers.h"

namespace {

const QString kCaption = QStringLiteral("Brisklark");
const QString kExtracting = QStringLiteral("Extracting...");
const QString kInitializing = QStringLiteral("Initializing...");
const QString kNormalizing = QStringLiteral("Normalizing...");
const QString kEncoding = QStringLiteral("Encoding...");

// Both end-of-track pauses, in milliseconds.
constexpr int kEndOfTrackPauseMs = 300;

// The track number of an item: the value of its first two characters.
std::uint8_t ItemNumber(const std::string& item) {
    int number = 0;
    const char* end = item.data() + std::min<std::size_t>(item.size(), 2);
    std::from_chars(item.data(), end, number);
    return static_cast<std::uint8_t>(number);
}

TMainWindowTags TagsFromDiscFields(const TDiscFields& fields) {
    const auto genres = GenreListNames();
    const bool listed = fields.Genre >= 0 && fields.Genre < static_cast<int>(genres.size());
    return {fields.Artist, fields.Album, fields.Year,
            listed ? std::string(genres[static_cast<std::size_t>(fields.Genre)]) : std::string(),
            fields.Comment};
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

TfrmCDRip::TfrmCDRip(QWidget* owner, TCDHandle cdHandle, std::vector<std::string> tracks,
                     TOptionsSetting settings, const TDiscFields& discFields, ErrorBox errorBox)
    : QDialog(owner),
      m_cdHandle(cdHandle),
      m_settings(std::move(settings)),
      m_discFields(discFields),
      m_tags(TagsFromDiscFields(discFields)),
      m_errorBox(std::move(errorBox)),
      m_tracks(std::move(tracks)) {
    BuildControls();
    if (owner != nullptr) {
        // Placed here at the fixed size: the placement at show time may
        // still go by the size the window had before.
        const QPoint centre = owner->frameGeometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    m_outputs.OnProgress = [this](int progress) { PostProgress(progress, kRipStatusOk); };
    m_outputs.OnDone = [this](const std::string& exceptionMessage) {
        m_encodeFailure = exceptionMessage;
        m_encoded = exceptionMessage.empty();
        PostProgress(kPercentEncodeEnded, kRipStatusOk);
    };
    if (!m_tracks->empty()) {
        StartRipThread(0);
    }
    setWindowTitle(kCaption);
    lProgressHint->setText(kExtracting);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setFormat(kInitializing);
    lCurrentTrack->setText(FromUtf8(TitleOf(0)));
    lOutputFormat->setText(
        QString::fromStdString(OutputFormatName(m_settings.CommonOptions.OutputFormat)));
    lSelectedTracks->setText(QString::number(m_tracks->size()));
    lCompleted->setText(QStringLiteral("0"));
}

TfrmCDRip::~TfrmCDRip() {
    StopRip();
    m_outputs.StopEncoding();
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
    if (event->type() == static_cast<QEvent::Type>(WM_RIPERROR)) {
        WMRipError(static_cast<RipMessageEvent*>(event)->Message().LParam);
        return true;
    }
    if (event->type() == static_cast<QEvent::Type>(WM_RIPPROGRESS)) {
        PostedMessage message = static_cast<RipMessageEvent*>(event)->TakeMessage();
        if (dynamic_cast<TProcessInfo*>(message.Payload.get()) != nullptr) {
            WMRipProgress(std::unique_ptr<TProcessInfo>(
                static_cast<TProcessInfo*>(message.Payload.release())));
        }
        return true;
    }
    return QDialog::event(event);
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

std::string TfrmCDRip::TitleOf(std::size_t item) const {
    if (!m_tracks || item >= m_tracks->size() || (*m_tracks)[item].size() < 2) {
        return {};
    }
    return (*m_tracks)[item].substr(2);
}

std::string TfrmCDRip::FolderPath() const {
    return IncludeTrailingSeparator(m_settings.CommonOptions.OutputFolder);
}

void TfrmCDRip::WMRipError(std::int64_t code) {
    if (!m_tracks) {
        return;
    }
    // No further track starts: the window waits for the user to stop it.
    ShowError(code == kRipErrorDriveParameter
                  ? QStringLiteral("CD extract failed! Please try again.")
                  : QStringLiteral("Error while reading TOC information!"));
}

void TfrmCDRip::WMRipProgress(std::unique_ptr<TProcessInfo> info) {
    if (!m_tracks) {
        return;  // queued before the rip stopped
    }
    const std::int32_t percent = info->Percent;
    if (percent == kPercentNormalizing) {
        lProgressHint->setText(kNormalizing);
    } else if (percent == kPercentRipEnded) {
        RipEnded(std::move(info));
    } else if (percent == kPercentEncodeEnded) {
        TrackEnded();
    } else if (percent > 0) {
        ProgressBar1->setValue(percent);
    }
}

// The rip of item Completed has ended, with the outcome in Status.
void TfrmCDRip::RipEnded(std::unique_ptr<TProcessInfo> info) {
    const auto item = static_cast<std::size_t>(m_completed);
    const QString wavPath =
        FromUtf8(m_settings.CommonOptions.OutputFolder + "/" + TitleOf(item) + ".wav");
    if (info->Status == kRipStatusReadFailed) {
        ShowError(QStringLiteral("Error while reading CD information!"));
    } else if (info->Status == kRipStatusBadFileName) {
        ShowError(wavPath +
                  QStringLiteral(
                      " is not a valid file name. Please rename the Title in the CD tracks list."));
    } else if (info->Status == kRipStatusNormalizeFailed) {
        ShowError(wavPath + QStringLiteral(" could not be normalized. It is kept as ripped."));
    } else if (info->Status == kRipStatusOutOfMemory) {
        ShowError(QStringLiteral("Not enough memory to rip ") + wavPath + QStringLiteral("!"));
    }
    ++m_completed;
    m_encodeFailure.clear();
    m_encoded = false;
    if (m_settings.CommonOptions.OutputFormat == ofWAV) {
        if (m_completed == static_cast<int>(m_tracks->size())) {
            StopRip();
            close();
        } else {
            StartNextTrack();
        }
        return;
    }
    if (info->Status != kRipStatusOk) {
        // Straight to the end-of-track steps, without encoding.
        info->Percent = kPercentEncodeEnded;
        info->Status = kRipStatusNotEncoded;
        Post({WM_RIPPROGRESS, 0, 0, std::move(info)});
        return;
    }
    EncodeTrack(item);
}

void TfrmCDRip::EncodeTrack(std::size_t item) {
    lProgressHint->setText(kEncoding);
    ProgressBar1->setFormat(kEncoding);
    const std::string wavPath = FolderPath() + TitleOf(item) + ".wav";
    // Only the added extension is replaced: "Op.9.wav" becomes "Op.9.mp3".
    const std::string outputPath = wavPath.substr(0, wavPath.size() - 4) +
                                   OutputFormatExtension(m_settings.CommonOptions.OutputFormat);
    try {
        m_outputs.Encode(m_settings.CommonOptions.OutputFormat, wavPath, outputPath, m_settings,
                         m_tags);
    } catch (const std::exception& error) {
        // No run: the track ends as a failed encoding.
        m_encodeFailure = error.what();
        PostProgress(kPercentEncodeEnded, kRipStatusOk);
    }
}

// The encoding of item Completed - 1 has ended, failed, or was skipped.
void TfrmCDRip::TrackEnded() {
    const auto item = static_cast<std::size_t>(m_completed - 1);
    BusyWait(kEndOfTrackPauseMs);
    if (!m_encodeFailure.empty()) {
        // The WAV file is the only copy of the track's audio: keep it, and
        // tell the user once the rip ends rather than stop it now.
        m_encodeFailures.push_back(QStringLiteral("Track %1 \"%2\": %3")
                                       .arg(FromUtf8((*m_tracks)[item].substr(0, 2)),
                                            FromUtf8(TitleOf(item)), FromUtf8(m_encodeFailure)));
    } else if (m_encoded && !m_settings.CommonOptions.IsKeepWav) {
        // Only after this track's own encoding: WaveIn1 still names an
        // earlier track's WAV file when this one was not encoded.
        DeleteWaveFile();
    }
    // Only a file this track's encoding completed is tagged.
    if (m_settings.CommonOptions.OutputFormat == ofMP3 && m_encoded) {
        WriteId3Tag(item);
    }
    if (m_completed == static_cast<int>(m_tracks->size())) {
        StopRip();
        BusyWait(kEndOfTrackPauseMs);
        close();
    } else {
        StartNextTrack();
    }
}

// Deletes the file WaveIn1 read last, unless something still holds it.
void TfrmCDRip::DeleteWaveFile() {
    const std::filesystem::path path = std::filesystem::u8path(m_outputs.WaveFileName());
    std::error_code error;
    if (!path.empty() && std::filesystem::is_regular_file(path, error) && !IsFileInUse(path)) {
        std::filesystem::remove(path, error);
    }
}

void TfrmCDRip::WriteId3Tag(std::size_t item) {
    const std::string& track = (*m_tracks)[item];
    Tid3tag tag;
    tag.SetTitle(TitleOf(item));
    tag.SetArtist(m_discFields.Artist);
    tag.SetAlbum(m_discFields.Album);
    tag.SetYear(m_discFields.Year);
    tag.SetComment(m_discFields.Comment);
    tag.SetGenre(GenreFromListPosition(m_discFields.Genre));
    tag.SetTrack(ItemNumber(track));
    // A file that cannot be tagged keeps its audio; there is nothing to add.
    static_cast<void>(tag.WriteTag(FolderPath() + TitleOf(item) + ".mp3"));
}

void TfrmCDRip::StartRipThread(std::size_t item) {
    m_ripThread = std::make_unique<TCDRipThread>(ItemNumber((*m_tracks)[item]), TitleOf(item),
                                                 m_settings.CommonOptions);
    m_ripThread->SetCDHandle(m_cdHandle);
    m_ripThread->SetNotifyWindow(this);
    m_ripThread->Resume();
}

void TfrmCDRip::StartNextTrack() {
    const auto item = static_cast<std::size_t>(m_completed);
    lProgressHint->setText(kExtracting);
    ProgressBar1->setFormat(m_settings.CommonOptions.OutputFormat == ofWAV ? kInitializing
                                                                           : kExtracting);
    lCurrentTrack->setText(FromUtf8(TitleOf(item)));
    lCompleted->setText(QString::number(m_completed));
    m_ripThread.reset();
    StartRipThread(item);
}

void TfrmCDRip::StopRip() {
    if (!m_tracks) {
        return;
    }
    if (m_ripThread) {
        m_ripThread->SetStopRequested(true);
        m_ripThread.reset();
    }
    m_tracks.reset();
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
    if (m_formClosed) {
        return;
    }
    m_formClosed = true;
    StopRip();
    m_outputs.StopEncoding();
    m_outputs.ClearFileNames();
    ReportEncodeFailures();
}

void TfrmCDRip::ReportEncodeFailures() {
    if (m_encodeFailures.empty()) {
        return;
    }
    ShowError(QStringLiteral("These tracks could not be encoded; their WAV files are kept:\n") +
              m_encodeFailures.join(QLatin1Char('\n')));
    m_encodeFailures.clear();
}
