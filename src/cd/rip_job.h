// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One rip without its window: for each item in turn a rip thread extracts
// the track into a WAV file; unless the output format is WAV, the file is
// then encoded, the WAV file deleted (unless it is to be kept) and, for
// formats tagged after encoding (MP3), the file tagged. Failed encodings do
// not stop the rip: one message at its end lists them. While it runs, the
// drive reads as the Verify settings and the drive's stored read offset say,
// and every track's verification record is gathered (TrackReports); the
// decode-back check of a file fails like its encoding. The disc's AccurateRip
// answer is fetched once, on a worker, while the tracks are ripped; each
// track's checks are shown once both its record and the answer are there,
// and the rip ends with a summary and the rip log. The job decides
// everything in the order of the messages the rip thread and its own
// encoder events post through the view, each decoded once into a
// TRipEvent; the view (the rip window, or a driver without windows) shows
// what the job reports and hands the messages back.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/wav/wave_in.h"
#include "cd/access/cd_access.h"
#include "cd/rip_job_view.h"
#include "cd/rip_loudness.h"
#include "cd/rip_protocol.h"
#include "cd/rip_thread.h"
#include "cd/rip_track_verifier.h"
#include "cd/rip_verification.h"
#include "cd/scoped_read_mode.h"
#include "disc/disc_info.h"
#include "settings/encoders/encode_step.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"

// A track's files once its encoding succeeded: the ripped WAV file and the
// encoded file.
struct RipTrackFiles {
    std::string Wav;
    std::string Encoded;
};

// What a caller adds to a rip; every member may be empty.
struct RipJobHooks {
    // The pause at the end of each track of a rip that encodes (whether or
    // not the track was encoded), and once more before the view closes
    // after the last (the window waits 300 ms; a command line does not).
    // Driving thread.
    std::function<void()> EndOfTrackPause;
    // Sees the audio each rip thread writes, on that thread (see
    // RipAudioObserver). Must outlive the job.
    RipAudioObserver* AudioObserver = nullptr;
    // Driving thread, after a track's encoding succeeded and before its WAV
    // file is deleted and its file tagged. A returned text goes into the
    // report at the end like a failed encoding, and keeps the WAV file.
    std::function<std::optional<std::string>(const TRipItem& item, const RipTrackFiles& files)>
        AfterEncode;
};

// Threads: the driving thread (the GUI thread, whose queue runs the
// pipeline's events), except that the view's Post is called from the rip
// thread. Ownership: the job owns its items, the current rip thread
// (destroyed, with a wait, before the next starts and when the rip stops),
// WaveIn1 and the encode step with its outputs; the view and the observer
// belong to the caller and must outlive the job.
class RipJob {
public:
    // Copies tracks ("07Intro": two-digit track position, then the title),
    // settings and the disc; nothing starts before Start.
    RipJob(TCDHandle cdHandle, const std::vector<std::string>& tracks, TOptionsSetting settings,
           const DiscInfo& disc, RipJobView& view, RipJobHooks hooks = {});
    // Stops the rip thread and a running encoding, reporting nothing.
    ~RipJob();
    RipJob(const RipJob&) = delete;
    RipJob& operator=(const RipJob&) = delete;

    // Saves the disc's JPEG cover as cover.jpg in the output folder unless
    // one is there, sets the drive's read mode for the rip, starts the
    // AccurateRip lookup when it is asked for and the disc has ids, then
    // shows the first item and starts its rip.
    void Start();
    // A message posted through the view; only WM_RIPPROGRESS and WM_RIPERROR
    // mean something.
    void HandleMessage(const PostedMessage& message);
    // Stops the rip thread (after its current read), once, noting a track
    // it cut short; nothing more starts.
    void StopRip();
    // The view ends: stops the rip, a running encoding, removing the file it
    // cut short, and the AccurateRip lookup, waits for a running decode
    // check, gives the drive its read mode back; when a track's rip ended,
    // shows the checks not yet shown, writes the rip log (when asked for)
    // and shows the summary; reports every failure in one error, and ignores
    // every message that follows.
    void Close();

    [[nodiscard]] int ItemCount() const { return static_cast<int>(m_items.size()); }
    // The current rip thread, or nullptr.
    [[nodiscard]] TCDRipThread* RipThread() const { return m_ripThread.get(); }

    // The read mode the rip set on the drive (careful reading, retries, the
    // drive's stored read offset; images none).
    [[nodiscard]] const TCDReadMode& ReadMode() const { return m_ripReadMode; }
    // One record per track whose rip ended (failed ones included), in rip
    // order; a track's decode check is added once it has run.
    [[nodiscard]] const std::vector<TRipTrackReport>& TrackReports() const {
        return m_verification.Reports();
    }

private:
    // Where the rip stands. Messages are handled only while ripping or
    // encoding; those still queued when the rip stopped are dropped.
    enum class Phase : std::uint8_t {
        Ripping,    // the rip thread of item Completed runs (or halted on an error)
        Encoding,   // item Completed - 1 is encoded, or its skipped end is queued
        Answering,  // the last track is done; the AccurateRip answer is awaited
        Stopped,    // the rip thread is gone; nothing more starts
        Closed,     // the view has closed
    };
    // How the encoding of the current track went.
    enum class EncodeResult : std::uint8_t { NotRun, Succeeded, Failed };

    void HandleEvent(const TRipEvent& event);
    void ShowDriveError(std::int64_t code);
    void RipEnded(std::int32_t status);
    void ShowRipFailure(std::int32_t status, const TRipItem& item);
    void EncodeTrack(const TRipItem& item);
    void EncodeEnded(EncodeResult result, std::string failure);
    void TrackEnded();
    void DecodeCheckEnded();
    void StartNextTrackOrClose();
    // Closes the view once the AccurateRip answer is in, after the pause
    // when asked for.
    void CloseWhenAnswered(bool pause);
    void AccurateRipAnswered();
    // Deletes the WAV file unless kept, tags the file.
    void FinishEncodedTrack(const TRipItem& item);
    // Whether the WAV file of a track whose encoding succeeded is kept.
    [[nodiscard]] bool RunAfterEncode(const TRipItem& item);
    // Starts the decode check of the encoded file on a worker, which posts
    // kPercentDecodeChecked when done; false when none is to run.
    [[nodiscard]] bool StartDecodeCheck(const TRipItem& item);
    // Records a check's outcome; false (and a line in the report at the
    // end) when it failed.
    [[nodiscard]] bool RecordDecodeCheck(const TRipItem& item, const TDecodeCheck& check);
    // Sets the drive's read mode for the rip; where its read offset came from.
    TReadOffsetOrigin ApplyReadMode();
    void DeleteWaveFile();
    // Everything the files of this item are tagged with.
    [[nodiscard]] TTagRecord TagsOf(const TRipItem& item) const;
    void WriteId3Tag(const TRipItem& item);
    // Adds the album's ReplayGain to every file of a rip that took the
    // whole disc; a line per file it could not be added to.
    void WriteAlbumGain();
    void StartRipThread(const TRipItem& item);
    void StartNextTrack();
    void Pause() const;
    // One error listing every track whose encoding failed or was stopped
    // and the track whose rip was stopped, then none.
    void ReportAtClose();
    void PostProgress(std::int32_t percent, std::int32_t status);
    [[nodiscard]] bool IsLastItem() const;
    [[nodiscard]] std::string FolderPath() const;
    // The WAV file the rip thread makes of the item, as the messages name it.
    [[nodiscard]] std::string WavPath(const TRipItem& item) const;

    const TCDHandle m_cdHandle;
    const TOptionsSetting m_settings;
    // What the tags are written from; a track's own data is found by the
    // item's track number.
    const DiscInfo m_disc;
    const std::vector<TRipItem> m_items;
    // The chosen format's row; nullptr for a number outside the table,
    // whose encodings then fail.
    const TOutputFormatRow* const m_format;
    RipJobView& m_view;
    const RipJobHooks m_hooks;
    Phase m_phase = Phase::Ripping;
    int m_completed = 0;  // Completed
    std::unique_ptr<TCDRipThread> m_ripThread;
    // Declared before the encode step, whose outputs read it.
    TWaveIn WaveIn1;
    EncodeStep m_encoder;
    EncodeResult m_encodeResult = EncodeResult::NotRun;
    std::string m_encodeFailure;  // why, when m_encodeResult is Failed
    // One line per track whose encoding failed or was stopped (or whose
    // after-encode step failed), reported when the rip ends.
    std::vector<std::string> m_encodeFailures;
    // The track whose partial WAV file a stopped rip thread removed.
    std::string m_ripStopNote;
    // From Start until the rip closes.
    std::optional<ScopedCDReadMode> m_readMode;
    TCDReadMode m_ripReadMode;  // as set by Start
    // Measures each track as it is ripped, when ReplayGain is on; declared
    // before the verification, whose observer passes the audio on to it.
    std::optional<RipLoudness> m_loudness;
    // The disc's audio tracks by number, from the table of contents.
    std::vector<std::int32_t> m_audioTracks;
    // The file of each item whose encoding succeeded, for the album's gain.
    std::vector<std::string> m_finishedFiles;
    RipVerification m_verification;
    bool m_pauseAtClose = false;  // Answering: pause before the view closes
    std::string m_logFailure;     // why the log could not be written, for the report
    std::vector<std::string> m_albumGainFailures;  // files without the album's gain
    bool m_keepWav = false;            // the after-encode step or the decode check failed
    TDecodeCheck m_decodeCheckResult;  // written by the worker, read after joining it
    // Declared last: joined before anything it uses goes.
    std::jthread m_decodeCheck;
};
