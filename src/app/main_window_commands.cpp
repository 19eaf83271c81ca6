// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands: drive and track list, rip, CDDB, title editor,
// options, playback, output folder, converters, help.
#include <QDesktopServices>
#include <QLineEdit>
#include <QTreeWidget>
#include <QUrl>

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/user_prompts.h"
#include "base/program_info.h"
#include "cd/cd_drive.h"
#include "cd/rip_protocol.h"
#include "cd/track_list.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"
#include "settings/settings_helpers.h"

namespace {

const QString kNoAudioCD = QString::fromLatin1(kNoAudioCDText);
const QString kFolderMissing = QStringLiteral("the output folder does not exist.");
constexpr const char* kManualFile = "brisklark-manual.html";

struct ConverterDialog {
    QString title;
    QString filter;
};

ConverterDialog ConverterDialogFor(int tag) {
    const QString wav = QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*");
    const QString mp3 = QStringLiteral("Sound file(*.mp3)|*.mp3| Any file(*.*)|*.*");
    const QString wma = QStringLiteral("Sound file(*.wma)|*.wma| Any file(*.*)|*.*");
    switch (tag) {
        case 2:
            return {QStringLiteral("Wav to Mp3 Converter"), wav};
        case 3:
            return {QStringLiteral("Wav to Ogg Converter"), wav};
        case 4:
            return {QStringLiteral("Wav to Wma Converter"), wav};
        case 5:
            return {QStringLiteral("Wav to Flac Converter"), wav};
        case 6:
            return {QStringLiteral("Wav to Ape Converter"), wav};
        case 7:
            return {QStringLiteral("Mp3 to Wav Converter"), mp3};
        case 8:
            return {QStringLiteral("Wma to Wav Converter"), wma};
        case 9:
            return {QStringLiteral("Mp3 to Wma Converter"), mp3};
        case 10:
            return {QStringLiteral("Wma to Mp3 Converter"), wma};
        default:
            return {QStringLiteral("Audio Converter"), wav};
    }
}

QString OutputFolderText() {
    return QString::fromStdString(OptionsSetting.CommonOptions.OutputFolder);
}

// Opens the URL with the desktop's program for it; says so when the desktop
// has none, as nothing else would show.
void OpenWithDesktop(const QUrl& url, UserPrompts& prompts) {
    if (!QDesktopServices::openUrl(url)) {
        prompts.Error(QStringLiteral("Cannot open %1: no program to open it is set up on this "
                                     "desktop.")
                          .arg(url.isLocalFile() ? url.toLocalFile() : url.toString()));
    }
}

bool OutputFolderExists() {
    std::error_code error;
    return std::filesystem::is_directory(
        std::filesystem::u8path(OptionsSetting.CommonOptions.OutputFolder), error);
}

// Why no new file can be made in the folder (the system's text), or empty
// when one can. Tried with a real file, removed at once: permission bits do
// not tell about read-only or special file systems, nor hold for root.
std::string FolderWriteFailure(const std::string& folder) {
    std::string probe = IncludeTrailingSeparator(folder) + ".brisklark-write-test-XXXXXX";
    const int file = ::mkstemp(probe.data());
    if (file < 0) {
        return std::strerror(errno);
    }
    ::close(file);
    ::unlink(probe.c_str());
    return {};
}

// How many of the files a rip of the items would write (encoded files and
// the WAV files made on the way) exist already.
std::size_t CountExistingRipTargets(const std::vector<std::string>& items) {
    const TOutputFormatRow* format = FindOutputFormat(OptionsSetting.CommonOptions.OutputFormat);
    const std::string encoded = format != nullptr && format->RipEncodes ? format->Extension : "";
    std::size_t existing = 0;
    for (const std::string& path :
         RipTargetFiles(ParseRipItems(items), OptionsSetting.CommonOptions.OutputFolder, encoded)) {
        std::error_code error;
        // A link counts even when dangling: the rip would write through it.
        if (std::filesystem::exists(
                std::filesystem::symlink_status(std::filesystem::u8path(path), error))) {
            ++existing;
        }
    }
    return existing;
}

}  // namespace

TCDHandle TfrmMain::OpenCDDevice(int position) {
    const TOpenCDResult opened = m_session.OpenDrive(position);
    SetStatusText(QString::fromStdString(opened.statusText));
    return opened.handle;
}

// The key of the disc in the opened drive, so that the titles shown are
// cached under the disc they belong to.
std::string TfrmMain::GetDiscKey() const {
    return m_session.DiscKey();
}

void TfrmMain::RefreshTrackList() {
    if (CDHandle() == 0) {
        return;
    }
    EmptyTrackList();
    const TTrackListRead read = m_session.ReadDisc();
    if (!read.ok) {
        SetStatusText(QString::fromStdString(read.statusText));
        return;
    }
    m_showingDisc = true;
    const std::vector<TrackInfo>& tracks = m_session.Disc().Tracks;
    for (std::size_t row = 0; row < tracks.size(); ++row) {
        AddTrackRow(m_session.Layout()[row], tracks[row]);
    }
    m_showingDisc = false;
    if (!tracks.empty()) {
        ShowDiscFields();
    }
    SetStatusText(QString::fromStdString(m_session.DriveDescription()));
}

void TfrmMain::MediaArrived() {
    RefreshTrackList();
    ClearDiscFields();
    DiscCameIn();
}

void TfrmMain::MediaRemoved() {
    AbandonLookups();
    EmptyTrackList();
}

void TfrmMain::PollMediaChange() {
    if (CDHandle() == 0 || CDMediaChanged(CDHandle()) != 1) {
        return;
    }
    if (CDHasAudioTrack(CDHandle()) == 1) {
        MediaArrived();
    } else {
        MediaRemoved();
    }
}

void TfrmMain::RefreshCD() {
    if (FirstCDDriveHasAudioCD()) {
        RefreshTrackList();
        if (StatusText() == kNoAudioCD) {
            SetStatusText(QString::fromStdString(m_session.DriveDescription()));
        }
        DiscCameIn();
    } else {
        AbandonLookups();
        EmptyTrackList();
        SetStatusText(kNoAudioCD);
    }
}

// The tray commands act on the opened drive; their result is not reported.
void TfrmMain::EjectCDROM() {
    if (CDHandle() != 0) {
        (void)EjectCD(CDHandle());
    }
}

void TfrmMain::CloseCDROM() {
    if (CDHandle() != 0) {
        (void)CloseCDTray(CDHandle());
    }
}

// The previous drive's handle is released first, so that switching drives
// never uses up the module's handles.
void TfrmMain::SwitchDrive(int position) {
    // The player reads through this handle, and its number may come back
    // for the next drive: playback ends before the handle goes.
    if (m_isPlaying) {
        Stop();
    }
    AbandonLookups();
    (void)m_session.CloseDrive();
    OpenCDDevice(position);
    RefreshTrackList();
    m_savedStatusText = StatusText();
    DiscCameIn();
}

bool TfrmMain::CheckOutputFolder() {
    if (OutputFolderExists()) {
        return true;
    }
    m_prompts.Information(kFolderMissing +
                          QStringLiteral("Please check the output directory setting."));
    return false;
}

// Asks to create a missing output folder (its parent must exist); false when
// the folder is still missing.
bool TfrmMain::EnsureOutputFolderExists() {
    if (OutputFolderExists()) {
        return true;
    }
    const QString folder = OutputFolderText();
    if (!m_prompts.Question(folder + QStringLiteral(",") + kFolderMissing +
                            QStringLiteral("\r\ncreates a new folder?"))) {
        return false;
    }
    std::error_code error;
    if (!std::filesystem::create_directory(
            std::filesystem::u8path(OptionsSetting.CommonOptions.OutputFolder), error) ||
        error) {
        m_prompts.Error(QStringLiteral("Cannot create ") + folder + QStringLiteral("."));
        return false;
    }
    return true;
}

void TfrmMain::RipSelectedTracks() {
    if (CDHandle() == 0) {
        m_prompts.Information(QStringLiteral("Please access CD devices rightly firstly!"));
        return;
    }
    if (!AnyTrackTicked()) {
        m_prompts.Information(QStringLiteral("Please select a track at least!"));
        return;
    }
    if (!EnsureOutputFolderExists()) {
        return;
    }
    const std::vector<std::string> items = TickedRipItems();
    if (!CheckOutputFolder()) {
        return;
    }
    if (const std::string reason = FolderWriteFailure(OptionsSetting.CommonOptions.OutputFolder);
        !reason.empty()) {
        m_prompts.Error(QStringLiteral("Cannot write to the output folder ") + OutputFolderText() +
                        QStringLiteral(": ") + QString::fromStdString(reason) +
                        QStringLiteral("."));
        return;
    }
    if (const std::size_t existing = CountExistingRipTargets(items);
        existing > 0 &&
        !m_prompts.Question(QString::number(existing) +
                            QStringLiteral(" file(s) already exist in ") + OutputFolderText() +
                            QStringLiteral(". Replace them?"))) {
        return;
    }
    if (m_isPlaying) {
        Stop();
    }
    if (m_handOvers.rip != nullptr) {
        const std::string summary =
            m_handOvers.rip->RunRip(this, CDHandle(), items, m_session.Disc());
        if (!summary.empty()) {
            SetStatusText(QString::fromStdString(summary));
        }
    }
}

void TfrmMain::QueryCDDB() {
    TTOC toc;
    if (ReadTOC(CDHandle(), &toc) != 1) {
        m_prompts.Error(QStringLiteral("Error while reading TOC information!"));
        return;
    }
    if (m_handOvers.cddb != nullptr) {
        m_handOvers.cddb->RunQueryCddb(this, toc.FirstTrack, toc.LastTrack, CDHandle(), *this);
    }
}

void TfrmMain::EditTrackName() {
    QTreeWidgetItem* item = ListView1->currentItem();
    if (item == nullptr || !item->isSelected() || m_handOvers.titleEditor == nullptr) {
        return;
    }
    if (const std::optional<QString> title =
            m_handOvers.titleEditor->EditTitle(this, item->text(kColumnTitle))) {
        item->setText(kColumnTitle, *title);
    }
}

void TfrmMain::OpenOptions() {
    if (m_handOvers.options != nullptr) {
        m_handOvers.options->RunOptions(this, *this);
    }
}

void TfrmMain::Play() {
    CdAudioPlayer* player = m_handOvers.player;
    const int row = SelectedRow();
    if (player == nullptr || row < 0) {
        return;
    }
    SetStatusText(QStringLiteral("Play ") + ListView1->topLevelItem(row)->text(kColumnTitle));
    const bool wasPlaying = m_isPlaying;
    const bool wasPaused = m_isPaused;
    m_isPlaying = true;
    m_isPaused = false;
    if (wasPaused) {
        if (!player->Resume()) {
            player->PlayFromCurrent();
        }
        return;
    }
    if (wasPlaying) {
        player->Close();
    }
    if (!player->Open(CDHandle())) {
        return;
    }
    const std::optional<std::int64_t> start = player->TrackPosition(row + 1);
    if (!start) {
        return;
    }
    std::optional<std::int64_t> end;
    if (row + 1 < ListView1->topLevelItemCount()) {
        end = player->TrackPosition(row + 2);
    }
    player->Play(*start, end);
}

void TfrmMain::Pause() {
    m_isPaused = true;
    if (CdAudioPlayer* player = m_handOvers.player) {
        if (player->IsPaused()) {
            player->Resume();
        } else {
            player->Pause();
        }
    }
}

void TfrmMain::Stop() {
    m_isPlaying = false;
    m_isPaused = false;
    if (CdAudioPlayer* player = m_handOvers.player; player != nullptr && player->Stop()) {
        player->Close();
    }
    SetStatusText(m_savedStatusText);
}

void TfrmMain::CdPlaybackCompleted(bool successful) {
    if (successful) {
        Stop();
    }
}

void TfrmMain::BrowseOutputFolder() {
    const QString folder = m_prompts.ChooseFolder(
        QStringLiteral("Please select the folder to save the audio file"), OutputFolderText());
    if (!folder.isEmpty()) {
        eOutputDir->setText(folder);
        OptionsSetting.CommonOptions.OutputFolder = folder.toStdString();
    }
}

void TfrmMain::JumpOutputFolder() {
    if (OutputFolderExists()) {
        OpenWithDesktop(QUrl::fromLocalFile(OutputFolderText()), m_prompts);
    } else {
        m_prompts.Error(OutputFolderText() + QStringLiteral(",") + kFolderMissing);
    }
}

void TfrmMain::RunConverter(int tag) {
    if (tag == 1) {
        if (m_handOvers.resampleTool != nullptr) {
            m_handOvers.resampleTool->RunResampleTool(this);
        }
        return;
    }
    const ConverterDialog dialog = ConverterDialogFor(tag);
    const QStringList files = m_prompts.ChooseFiles(dialog.title, dialog.filter);
    if (files.isEmpty() || !CheckOutputFolder()) {
        return;
    }
    if (m_handOvers.converter != nullptr) {
        m_handOvers.converter->RunConverter(this, files, tag, m_session.Disc());
    }
}

void TfrmMain::OpenHelp() {
    const std::filesystem::path manual = m_paths.ShippedFile(kManualFile);
    OpenWithDesktop(QUrl::fromLocalFile(QString::fromStdString(manual.string())), m_prompts);
}

void TfrmMain::OpenHomePage() {
    OpenWithDesktop(QUrl(QString::fromLatin1(kProgramHomePage)), m_prompts);
}

void TfrmMain::ShowAbout() {
    TfrmAbout about(this);
    about.exec();
}
