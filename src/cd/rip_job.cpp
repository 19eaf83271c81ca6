// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_job.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "audio/tags/id3v1_genres.h"
#include "cd/id3_tag.h"
#include "cd/msf_toc.h"
#include "cd/whole_file.h"
#include "settings/settings_helpers.h"

namespace {

// Whether a ripped WAV file is encoded: for every format but WAV, and for a
// number outside the table, whose encoding then fails with a clear message.
// The numbers of the disc's audio tracks in order; none when the table of
// contents cannot be read.
std::vector<std::int32_t> AudioTrackNumbers(TCDHandle handle) {
    std::vector<std::int32_t> numbers;
    if (const std::optional<TTOC> toc = ReadMsfToc(handle)) {
        for (int k = 0; k <= toc->LastTrack - toc->FirstTrack; ++k) {
            if (!IsDataTrack(toc->Tracks[k])) {
                numbers.push_back(toc->Tracks[k].TrackNumber);
            }
        }
    }
    return numbers;
}

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
// already stays, whatever it is: it may be another album's. Any failure
// leaves no cover and no trace: the cover is no part of the audio.
void SaveCover(const DiscInfo& disc, const std::string& folder) {
    if (disc.CoverType == "image/jpeg" && !disc.Cover.empty()) {
        static_cast<void>(WriteFileWhole(IncludeTrailingSeparator(folder) + "cover.jpg", disc.Cover,
                                         TExistingFile::Keep));
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
      m_items(ParseRipItems(tracks)),
      m_format(FindOutputFormat(m_settings.CommonOptions.OutputFormat)),
      m_view(view),
      m_hooks(std::move(hooks)),
      m_verification(cdHandle, m_settings.Verify, view) {
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
}

void RipJob::Start() {
    SaveCover(m_disc, m_settings.CommonOptions.OutputFolder);
    const TReadOffsetOrigin offsetOrigin = ApplyReadMode();
    m_ripReadMode = m_readMode->Mode();
    m_audioTracks = AudioTrackNumbers(m_cdHandle);
    // Normalising changes each track's level after it is measured, so a
    // normalised rip carries no ReplayGain values; WAV files carry no tags.
    if (m_settings.Metadata.ReplayGain && !m_settings.CommonOptions.IsNormalize &&
        m_format != nullptr && m_format->RipEncodes) {
        m_loudness.emplace(m_hooks.AudioObserver);
    }
    m_verification.Start(m_ripReadMode, offsetOrigin,
                         m_loudness ? &*m_loudness : m_hooks.AudioObserver);
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
            if (m_verification.Awaiting()) {
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
    m_verification.TrackRipped(item.Number, RipEncodes(m_format) && m_format != nullptr
                                                ? FolderPath() + item.FileStem + m_format->Extension
                                                : WavPath(item));
    if (!RipEncodes(m_format)) {
        // The WAV file is the track's file: checked here, it stays either way.
        if (status == kRipStatusOk && m_settings.Verify.DecodeCheck) {
            static_cast<void>(RecordDecodeCheck(
                item, CheckDecodedFile(WavPath(item), TEncodedCodec::Wav, WavPath(item))));
        }
        m_verification.TrackComplete();
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
                        TagsOf(item));
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
    m_verification.TrackComplete();
    StartNextTrackOrClose();
}

// The decode check of item Completed - 1's file has ended.
void RipJob::DecodeCheckEnded() {
    const TRipItem& item = m_items[static_cast<std::size_t>(m_completed - 1)];
    m_decodeCheck.join();
    m_keepWav = !RecordDecodeCheck(item, m_decodeCheckResult) || m_keepWav;
    FinishEncodedTrack(item);
    m_verification.TrackComplete();
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
    if (m_verification.Awaiting()) {
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

void RipJob::AccurateRipAnswered() {
    m_verification.Answered();
    if (m_phase == Phase::Answering) {
        CloseWhenAnswered(m_pauseAtClose);
    }
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
    m_finishedFiles.push_back(FolderPath() + item.FileStem + m_format->Extension);
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
    m_verification.DecodeChecked(check);
    if (!check.Passed) {
        m_encodeFailures.push_back(TrackLine(item, "the decode check " + check.LogText));
    }
    return check.Passed;
}

TReadOffsetOrigin RipJob::ApplyReadMode() {
    m_readMode.emplace(m_cdHandle);
    if (!m_readMode->Readable()) {
        return TReadOffsetOrigin::None;
    }
    TCDReadMode mode = m_readMode->Mode();
    mode.Careful = m_settings.Verify.SecureRead;
    if (mode.Careful) {
        mode.Retries = m_settings.Verify.ReadRetries;
    }
    const TStoredReadOffset offset = StoredReadOffset(m_cdHandle, m_settings.DriveOffsets);
    mode.OffsetSamples = offset.samples;
    m_readMode->Set(mode);
    return offset.origin;
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

TTagRecord RipJob::TagsOf(const TRipItem& item) const {
    const auto known = std::ranges::find(m_disc.Tracks, item.Number, &TrackInfo::Number);
    TrackInfo track = known != m_disc.Tracks.end() ? *known : TrackInfo{.Number = item.Number};
    // The title as the rip names the track.
    track.Title = item.Title;
    TTagRecord tags = TrackTags(m_disc, track, m_settings.Metadata.EmbedCover);
    // A data track after the audio is no track of the album.
    if (!m_audioTracks.empty()) {
        tags.TrackTotal = m_audioTracks.back();
    }
    if (m_loudness) {
        tags.TrackGain = m_loudness->TrackGain(item.Number);
    }
    return tags;
}

void RipJob::WriteAlbumGain() {
    const bool wholeDisc = m_finishedFiles.size() == m_items.size() &&
                           std::ranges::equal(m_items, m_audioTracks, {}, &TRipItem::Number, {});
    const std::optional<TReplayGain> albumGain =
        m_loudness && wholeDisc ? m_loudness->AlbumGain() : std::nullopt;
    if (!albumGain) {
        return;
    }
    for (const std::string& path : m_finishedFiles) {
        const std::optional<std::string> failure =
            MergeIntoFinishedFile(*m_format, path, {.AlbumGain = albumGain}, m_settings);
        if (failure) {
            m_albumGainFailures.push_back(path + ": " + *failure);
        }
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
    m_ripThread->SetAudioObserver(m_verification.Observer());
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
    m_verification.StopLookup();
    m_readMode.reset();
    WriteAlbumGain();
    m_logFailure = m_verification.Report(FolderPath(), m_disc).value_or("");
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
    if (!m_albumGainFailures.empty()) {
        parts.push_back("The album's ReplayGain could not be added to these files:\n" +
                        Joined(m_albumGainFailures, "\n"));
    }
    if (!m_logFailure.empty()) {
        parts.push_back(m_logFailure);
    }
    if (!parts.empty()) {
        m_view.ShowError(Joined(parts, "\n\n"));
    }
    m_encodeFailures.clear();
    m_albumGainFailures.clear();
    m_ripStopNote.clear();
    m_logFailure.clear();
}
