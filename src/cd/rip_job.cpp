// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "audio/core/file_descriptor.h"
#include "audio/tags/id3v1_genres.h"
#include "base/program_info.h"
#include "cd/accuraterip_disc_toc.h"
#include "cd/id3_tag.h"
#include "cd/rip_checks.h"
#include "settings/settings_helpers.h"

namespace {

// Whether a ripped WAV file is encoded: for every format but WAV, and for a
// number outside the table, whose encoding then fails with a clear message.
bool RipEncodes(const TOutputFormatRow* format) {
    return format == nullptr || format->RipEncodes;
}

// "Track 07 "Intro": " and the text, as the report at the end lists a track.
std::string TrackLine(const TRipItem& item, const std::string& text) {
    return "Track " + TwoDigits(item.Number) + " \"" + item.Title + "\": " + text;
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? std::string_view() : separator);
        text += parts[i];
    }
    return text;
}

// Saves the disc's JPEG cover as cover.jpg in the folder. A cover.jpg there
// already stays, whatever it is: it may be another album's. The file is
// written under a name of its own and then moved into place only if no
// cover.jpg exists by then, so a half-written cover.jpg never exists. Any
// failure leaves no cover and no trace: the cover is no part of the audio.
void SaveCover(const DiscInfo& disc, const std::string& folder) {
    if (disc.CoverType != "image/jpeg" || disc.Cover.empty()) {
        return;
    }
    const std::string target = IncludeTrailingSeparator(folder) + "cover.jpg";
    const std::string temporary = target + "." + std::to_string(::getpid()) + ".part";
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.IsOpen()) {
        return;
    }
    const bool written = WriteAt(fd.Get(), disc.Cover, 0);
    if (!fd.Close() || !written ||
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        ::unlink(temporary.c_str());
    }
}

struct TStoredReadOffset {
    std::int32_t samples = 0;
    TReadOffsetOrigin origin = TReadOffsetOrigin::None;
};

// The read offset stored for the handle's drive; disc images read as they
// are written, whatever a drive of the same name needs.
TStoredReadOffset StoredReadOffset(TCDHandle handle, const TDriveOffsets& offsets) {
    TCDDriveIdentity identity;
    if (GetCDDriveIdentity(handle, &identity) != 1) {
        return {};
    }
    if (identity.Image) {
        return {0, TReadOffsetOrigin::Image};
    }
    const std::optional<std::int32_t> stored = offsets.ReadOffset(identity.Vendor, identity.Model);
    return stored ? TStoredReadOffset{*stored, TReadOffsetOrigin::Drive} : TStoredReadOffset{};
}

// "YYYY-MM-DD hh:mm:ss", local time.
std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
    return text.data();
}

std::optional<TEncodedCodec> EncodedCodecOf(std::int32_t format) {
    switch (format) {
        case ofMP3:
            return TEncodedCodec::Mp3;
        case ofWAV:
            return TEncodedCodec::Wav;
        case ofOGG:
            return TEncodedCodec::Vorbis;
        case ofWMA:
            return TEncodedCodec::Wma;
        case ofFLAC:
            return TEncodedCodec::Flac;
        case ofAPE:
            return TEncodedCodec::Ape;
        default:
            return std::nullopt;
    }
}

}  // namespace

RipJob::RipJob(TCDHandle cdHandle, const std::vector<std::string>& tracks, TOptionsSetting settings,
               const DiscInfo& disc, RipJobView& view, RipJobHooks hooks)
    : m_cdHandle(cdHandle),
      m_settings(std::move(settings)),
      m_disc(disc),
      m_tags(TagsFromDisc(m_disc)),
      m_items(ParseRipItems(tracks)),
      m_format(FindOutputFormat(m_settings.CommonOptions.OutputFormat)),
      m_view(view),
      m_hooks(std::move(hooks)) {
    m_encoder.OnProgress = [this](int progress) { PostProgress(progress, kRipStatusOk); };
    m_encoder.OnDone = [this](const std::string& exceptionMessage) {
        EncodeEnded(exceptionMessage.empty() ? EncodeResult::Succeeded : EncodeResult::Failed,
                    exceptionMessage);
    };
}

RipJob::~RipJob() {
    StopRip();
    static_cast<void>(m_encoder.Stop());
    if (m_decodeCheck.joinable()) {
        m_decodeCheck.join();
    }
    RestoreReadMode();
}

void RipJob::Start() {
    SaveCover(m_disc, m_settings.CommonOptions.OutputFolder);
    ApplyReadMode();
    m_arToc = ReadAccurateRipToc(m_cdHandle);
    if (m_arToc) {
        m_arDisc = AccurateRipDisc(*m_arToc);
    }
    m_verifier =
        std::make_unique<RipTrackVerifier>(m_cdHandle, m_arDisc, m_arToc ? m_arToc->leadOut : 0,
                                           m_settings.Verify.AccurateRip, m_hooks.AudioObserver);
    StartAccurateRipFetch();
    if (!m_items.empty()) {
        StartRipThread(m_items.front());
    }
    m_view.ShowHint(kRipExtracting);
    m_view.ShowProgressText(kRipInitializing);
    m_view.ShowTrack(m_items.empty() ? std::string() : m_items.front().Title, 0);
}

void RipJob::HandleMessage(const PostedMessage& message) {
    HandleEvent(DecodeRipMessage(message));
}

void RipJob::HandleEvent(const TRipEvent& event) {
    if (m_phase != Phase::Ripping && m_phase != Phase::Encoding && m_phase != Phase::Answering) {
        return;  // queued before the rip stopped
    }
    switch (event.Kind) {
        case TRipEventKind::DriveError:
            ShowDriveError(event.ErrorCode);
            break;
        case TRipEventKind::Normalizing:
            m_view.ShowHint(kRipNormalizing);
            break;
        case TRipEventKind::Progress:
            m_view.ShowProgress(event.Percent);
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
        case TRipEventKind::DecodeChecked:
            if (m_phase == Phase::Encoding && m_decodeCheck.joinable()) {
                DecodeCheckEnded();
            }
            break;
        case TRipEventKind::AccurateRipAnswered:
            if (m_arFetch.joinable()) {
                AccurateRipAnswered();
            }
            break;
        case TRipEventKind::None:
            break;
    }
}

void RipJob::PostProgress(std::int32_t percent, std::int32_t status) {
    m_view.Post({WM_RIPPROGRESS, 0, 0, std::make_unique<TProcessInfo>(percent, status)});
}

bool RipJob::IsLastItem() const {
    return m_completed == static_cast<int>(m_items.size());
}

std::string RipJob::FolderPath() const {
    return IncludeTrailingSeparator(m_settings.CommonOptions.OutputFolder);
}

void RipJob::Pause() const {
    if (m_hooks.EndOfTrackPause) {
        m_hooks.EndOfTrackPause();
    }
}

void RipJob::ShowDriveError(std::int64_t code) {
    // No further track starts: the view waits for the user to stop it.
    m_view.ShowError(code == kRipErrorDriveParameter ? "CD extract failed! Please try again."
                                                     : "Error while reading TOC information!");
}

// The rip of item Completed has ended, with the outcome in status.
void RipJob::RipEnded(std::int32_t status) {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
    ShowRipFailure(status, item);
    ++m_completed;
    m_encodeResult = EncodeResult::NotRun;
    m_encodeFailure.clear();
    m_keepWav = false;
    TRipTrackReport report = m_verifier->TakeReport();
    report.Number = item.Number;
    report.File = RipEncodes(m_format) && m_format != nullptr
                      ? FolderPath() + item.FileStem + m_format->Extension
                      : WavPath(item);
    m_reports.push_back(std::move(report));
    if (!RipEncodes(m_format)) {
        // The WAV file is the track's file: checked here, it stays either way.
        if (status == kRipStatusOk && m_settings.Verify.DecodeCheck) {
            static_cast<void>(RecordDecodeCheck(
                item, CheckDecodedFile(WavPath(item), TEncodedCodec::Wav, WavPath(item))));
        }
        TrackRecordComplete();
        if (IsLastItem()) {
            CloseWhenAnswered(false);
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

std::string RipJob::WavPath(const TRipItem& item) const {
    return m_settings.CommonOptions.OutputFolder + "/" + item.FileStem + ".wav";
}

void RipJob::ShowRipFailure(std::int32_t status, const TRipItem& item) {
    const std::string wavPath = WavPath(item);
    if (status == kRipStatusReadFailed) {
        m_view.ShowError("Error while reading CD information!");
    } else if (status == kRipStatusBadFileName) {
        m_view.ShowError(wavPath +
                         " is not a valid file name. Please rename the Title in the CD tracks "
                         "list.");
    } else if (status == kRipStatusNormalizeFailed) {
        m_view.ShowError(wavPath + " could not be normalized. It is kept as ripped.");
    } else if (status == kRipStatusOutOfMemory) {
        m_view.ShowError("Not enough memory to rip " + wavPath + "!");
    }
}

void RipJob::EncodeTrack(const TRipItem& item) {
    m_view.ShowHint(kRipEncoding);
    m_view.ShowProgressText(kRipEncoding);
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
void RipJob::EncodeEnded(EncodeResult result, std::string failure) {
    m_encodeResult = result;
    m_encodeFailure = std::move(failure);
    PostProgress(kPercentEncodeEnded, kRipStatusOk);
}

// The encoding of item Completed - 1 has ended, failed, or was skipped.
void RipJob::TrackEnded() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed - 1)];
    Pause();
    if (m_encodeResult == EncodeResult::Failed) {
        // The WAV file is the only copy of the track's audio: keep it, and
        // tell the user once the rip ends rather than stop it now.
        m_encodeFailures.push_back(TrackLine(item, m_encodeFailure));
    } else if (m_encodeResult == EncodeResult::Succeeded) {
        m_keepWav = RunAfterEncode(item);
        if (StartDecodeCheck(item)) {
            return;  // DecodeCheckEnded goes on
        }
        FinishEncodedTrack(item);
    }
    TrackRecordComplete();
    StartNextTrackOrClose();
}

// The decode check of item Completed - 1's file has ended.
void RipJob::DecodeCheckEnded() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed - 1)];
    m_decodeCheck.join();
    m_keepWav = !RecordDecodeCheck(item, m_decodeCheckResult) || m_keepWav;
    FinishEncodedTrack(item);
    TrackRecordComplete();
    StartNextTrackOrClose();
}

void RipJob::StartNextTrackOrClose() {
    if (IsLastItem()) {
        CloseWhenAnswered(true);
    } else {
        StartNextTrack();
    }
}

void RipJob::CloseWhenAnswered(bool pause) {
    if (m_arFetch.joinable()) {
        // The lookup's own time limit bounds the wait.
        m_phase = Phase::Answering;
        m_pauseAtClose = pause;
        return;
    }
    StopRip();
    if (pause) {
        Pause();
    }
    m_view.CloseView();
}

bool RipJob::ChecksAccurateRip() const {
    return m_settings.Verify.AccurateRip && m_arDisc;
}

void RipJob::StartAccurateRipFetch() {
    if (!ChecksAccurateRip()) {
        return;
    }
    // The answer takes a network round trip, or the lookup's time limit:
    // not on the driving thread, and never in the rip's way.
    m_arFetch = std::jthread([this, server = m_settings.Verify.AccurateRipServer,
                              ids = m_arDisc->ids](std::stop_token stop) {
        m_arAnswer = FetchAccurateRip(server, ids, std::move(stop));
        PostProgress(kPercentAccurateRipAnswered, kRipStatusOk);
    });
}

void RipJob::AccurateRipAnswered() {
    m_arFetch.join();
    ShowTrackChecks();
    if (m_phase == Phase::Answering) {
        CloseWhenAnswered(m_pauseAtClose);
    }
}

void RipJob::TrackRecordComplete() {
    ++m_completeReports;
    ShowTrackChecks();
}

std::vector<TArVerdict> RipJob::Verdicts() const {
    if (!ChecksAccurateRip()) {
        return std::vector<TArVerdict>(m_reports.size());
    }
    return RipVerdicts(m_arAnswer, *m_arDisc, m_reports, m_readMode.OffsetSamples);
}

void RipJob::ShowTrackChecks() {
    if (m_arFetch.joinable()) {
        return;  // shown when the answer comes
    }
    const std::vector<TArVerdict> verdicts = Verdicts();
    for (; m_shownChecks < m_completeReports; ++m_shownChecks) {
        const std::string line = TrackCheckLine(
            m_reports[m_shownChecks], ChecksAccurateRip() ? &verdicts[m_shownChecks] : nullptr);
        if (!line.empty()) {
            m_view.ShowTrackCheck(line);
        }
    }
}

void RipJob::ReportChecks() {
    if (m_reports.empty()) {
        return;
    }
    ShowTrackChecks();
    const std::vector<TArVerdict> verdicts = Verdicts();
    const auto accurate = std::ranges::count(verdicts, TArResult::Accurate, &TArVerdict::result);
    std::string summary = std::to_string(accurate) + " of " + std::to_string(verdicts.size()) +
                          " tracks accurately ripped";
    if (m_settings.Verify.WriteLog) {
        const std::string name = RipLogFileName(m_disc.Artist, m_disc.Album);
        std::optional<std::string> failure;
        try {
            failure = WriteFileWhole(FolderPath() + name, RipLogText(LogOf(verdicts)));
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure) {
            m_logFailure =
                "The rip log " + FolderPath() + name + " could not be written: " + *failure + ".";
        } else {
            summary += "; log: " + name;
        }
    }
    m_view.ShowCheckSummary(summary);
}

TRipLog RipJob::LogOf(const std::vector<TArVerdict>& verdicts) const {
    TRipLog log;
    log.program = "Brisklark";
    log.version = kProgramVersion;
    log.date = LocalDateTime();
    TCDDriveIdentity identity;
    if (GetCDDriveIdentity(m_cdHandle, &identity) == 1) {
        log.driveVendor = identity.Vendor;
        log.driveModel = identity.Model;
        if (identity.Image && GetCDDrivePath(m_cdHandle, &log.imagePath) != 1) {
            log.imagePath = identity.Model;
        }
    }
    log.careful = m_readMode.Careful;
    log.retries = m_readMode.Retries;
    log.readOffset = m_readMode.OffsetSamples;
    log.readOffsetOrigin = m_readOffsetOrigin;
    if (m_arToc) {
        log.toc = RipLogTocOf(*m_arToc);
    }
    if (m_arDisc) {
        log.cddbId = m_arDisc->ids.cddbId;
        log.accurateRipId = AccurateRipIdText(m_arDisc->ids);
    }
    for (std::size_t i = 0; i < m_reports.size(); ++i) {
        log.tracks.push_back(RipLogTrackOf(m_reports[i], verdicts[i]));
    }
    return log;
}

void RipJob::FinishEncodedTrack(const TRipItem& item) {
    // Only after this track's own encoding: WaveIn1 still names an earlier
    // track's WAV file when this one was not encoded.
    if (!m_keepWav && !m_settings.CommonOptions.IsKeepWav) {
        DeleteWaveFile();
    }
    // Only a file this track's encoding completed is tagged.
    if (m_format->TagStep == TTagStep::Id3v1) {
        WriteId3Tag(item);
    }
}

bool RipJob::StartDecodeCheck(const TRipItem& item) {
    const std::optional<TEncodedCodec> codec =
        EncodedCodecOf(m_settings.CommonOptions.OutputFormat);
    if (!m_settings.Verify.DecodeCheck || !codec) {
        return false;
    }
    const std::string stem = FolderPath() + item.FileStem;
    // A decoding takes as long as a track's encoding may: not on the
    // driving thread, which shows the rip.
    m_decodeCheck =
        std::jthread([this, codec, encoded = stem + m_format->Extension, wav = stem + ".wav"] {
            m_decodeCheckResult = CheckDecodedFile(encoded, *codec, wav);
            PostProgress(kPercentDecodeChecked, kRipStatusOk);
        });
    return true;
}

bool RipJob::RecordDecodeCheck(const TRipItem& item, const TDecodeCheck& check) {
    m_reports.back().DecodeCheck = check;
    if (!check.Passed) {
        m_encodeFailures.push_back(TrackLine(item, "the decode check " + check.LogText));
    }
    return check.Passed;
}

void RipJob::ApplyReadMode() {
    TCDReadMode previous;
    if (GetCDReadMode(m_cdHandle, &previous) != 1) {
        return;
    }
    m_readMode = previous;
    m_readMode.Careful = m_settings.Verify.SecureRead;
    if (m_readMode.Careful) {
        m_readMode.Retries = m_settings.Verify.ReadRetries;
    }
    const TStoredReadOffset offset = StoredReadOffset(m_cdHandle, m_settings.DriveOffsets);
    m_readMode.OffsetSamples = offset.samples;
    m_readOffsetOrigin = offset.origin;
    if (m_readMode != previous && SetCDReadMode(m_cdHandle, m_readMode) == 1) {
        m_previousReadMode = previous;
        static_cast<void>(GetCDReadMode(m_cdHandle, &m_readMode));  // retries as rounded
    }
}

// The player and the main window read the same handle after the rip.
void RipJob::RestoreReadMode() {
    if (m_previousReadMode) {
        static_cast<void>(SetCDReadMode(m_cdHandle, *m_previousReadMode));
        m_previousReadMode.reset();
    }
}

bool RipJob::RunAfterEncode(const TRipItem& item) {
    if (!m_hooks.AfterEncode) {
        return false;
    }
    const std::string stem = FolderPath() + item.FileStem;
    const std::optional<std::string> failure =
        m_hooks.AfterEncode(item, {stem + ".wav", stem + m_format->Extension});
    if (failure) {
        m_encodeFailures.push_back(TrackLine(item, *failure));
    }
    return failure.has_value();
}

// Deletes the file WaveIn1 read last, unless something still holds it.
void RipJob::DeleteWaveFile() {
    const std::filesystem::path path = std::filesystem::u8path(WaveIn1.FileName());
    std::error_code error;
    if (!path.empty() && std::filesystem::is_regular_file(path, error) && !IsFileInUse(path)) {
        std::filesystem::remove(path, error);
    }
}

void RipJob::WriteId3Tag(const TRipItem& item) {
    Tid3tag tag;
    tag.SetTitle(item.Title);
    tag.SetArtist(m_disc.Artist);
    tag.SetAlbum(m_disc.Album);
    tag.SetYear(m_disc.Year);
    tag.SetComment(m_disc.Comment);
    tag.SetGenre(GenreFromListPosition(m_disc.GenrePosition));
    tag.SetTrack(static_cast<std::uint8_t>(item.Number));
    // A file that cannot be tagged keeps its audio; there is nothing to add.
    static_cast<void>(tag.WriteTag(FolderPath() + item.FileStem + m_format->Extension));
}

void RipJob::StartRipThread(const TRipItem& item) {
    m_ripThread =
        std::make_unique<TCDRipThread>(item.Number, item.FileStem, m_settings.CommonOptions);
    m_ripThread->SetCDHandle(m_cdHandle);
    m_ripThread->SetNotifyWindow(&m_view);
    m_ripThread->SetAudioObserver(m_verifier.get());
    m_ripThread->Resume();
}

void RipJob::StartNextTrack() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
    m_phase = Phase::Ripping;
    m_view.ShowHint(kRipExtracting);
    m_view.ShowProgressText(RipEncodes(m_format) ? kRipExtracting : kRipInitializing);
    m_view.ShowTrack(item.Title, m_completed);
    m_ripThread.reset();
    StartRipThread(item);
}

void RipJob::StopRip() {
    if (m_phase != Phase::Ripping && m_phase != Phase::Encoding && m_phase != Phase::Answering) {
        return;
    }
    if (m_ripThread) {
        m_ripThread->SetStopRequested(true);
        m_ripThread->WaitFor();
        // Only a thread still ripping item Completed can have cut it short.
        if (m_ripThread->PartialFileRemoved()) {
            const TRipItem& item = m_items[static_cast<std::size_t>(m_completed)];
            m_ripStopNote = "The rip of track " + TwoDigits(item.Number) + " \"" + item.Title +
                            "\" was stopped; its partial file " + WavPath(item) + " was removed.";
        }
        m_ripThread.reset();
    }
    m_phase = Phase::Stopped;
}

void RipJob::Close() {
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
    // A check still running belongs to item Completed - 1, whose WAV file
    // therefore stays; its outcome is no longer reported.
    if (m_decodeCheck.joinable()) {
        m_decodeCheck.join();
    }
    // A lookup still running ends at once; its tracks are not checked.
    m_arFetch.request_stop();
    if (m_arFetch.joinable()) {
        m_arFetch.join();
    }
    RestoreReadMode();
    ReportChecks();
    ReportAtClose();
}

void RipJob::ReportAtClose() {
    std::vector<std::string> parts;
    if (!m_encodeFailures.empty()) {
        parts.push_back("These tracks could not be encoded; their WAV files are kept:\n" +
                        Joined(m_encodeFailures, "\n"));
    }
    if (!m_ripStopNote.empty()) {
        parts.push_back(m_ripStopNote);
    }
    if (!m_logFailure.empty()) {
        parts.push_back(m_logFailure);
    }
    if (!parts.empty()) {
        m_view.ShowError(Joined(parts, "\n\n"));
    }
    m_encodeFailures.clear();
    m_ripStopNote.clear();
    m_logFailure.clear();
}
