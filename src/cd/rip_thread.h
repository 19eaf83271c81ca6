// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TCDRipThread extracts one audio track of the disc in a drive into a WAV
// file in the output folder and, when asked, scales its samples by the
// normalisation percentage. It reports everything by posting messages to its
// NotifyWindow and never touches a window itself.
//
// Threads: the owner (the rip window, on the GUI thread) creates the object
// suspended, sets CDHandle and NotifyWindow, calls Resume and later destroys
// it; the body runs on the object's own thread. The only data shared while it
// runs is StopRequested; PartialFileRemoved is read once it has ended. An
// AudioObserver is called on the rip thread.

#include <atomic>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>
#include <thread>

#include "base/message_target.h"
#include "cd/access/cd_access.h"
#include "settings/options_setting.h"

inline constexpr std::uint32_t WM_RIPERROR = 2125;
inline constexpr std::uint32_t WM_RIPPROGRESS = 2126;

// LParam of WM_RIPERROR.
inline constexpr std::int64_t kRipErrorDriveParameter = 1;
inline constexpr std::int64_t kRipErrorTableOfContents = 2;

// Percent values of a TProcessInfo beyond the progress range 1..100.
inline constexpr std::int32_t kPercentNormalizing = 999;
inline constexpr std::int32_t kPercentRipEnded = 1000;
inline constexpr std::int32_t kPercentEncodeEnded = 2000;
// Posted by the rip job itself once a file's decode check has ended.
inline constexpr std::int32_t kPercentDecodeChecked = 3000;
// Posted by the rip job itself once the disc's AccurateRip answer has come
// (or the lookup failed).
inline constexpr std::int32_t kPercentAccurateRipAnswered = 4000;

// Status values of a TProcessInfo with Percent kPercentRipEnded.
inline constexpr std::int32_t kRipStatusOk = 0;
inline constexpr std::int32_t kRipStatusReadFailed = 3;
inline constexpr std::int32_t kRipStatusNotEncoded = 4;
inline constexpr std::int32_t kRipStatusBadFileName = 5;
// The WAV file could not be normalised; it stays as ripped.
inline constexpr std::int32_t kRipStatusNormalizeFailed = 6;
// The thread ran out of memory (or could not post a message) mid-way.
inline constexpr std::int32_t kRipStatusOutOfMemory = 7;

// Posted with WM_RIPPROGRESS; owned by the receiver.
struct TProcessInfo : MessagePayload {
    TProcessInfo(std::int32_t percent, std::int32_t status) : Percent(percent), Status(status) {}

    std::int32_t Percent;  // 1..100 progress, or one of the kPercent... stages; 0 carries nothing
    std::int32_t Status;   // a kRipStatus... value, meaningful with kPercentRipEnded
};

// Sectors per ReadCDAudioLBA call.
inline constexpr std::uint32_t kRipSectorsPerRead = 10;
// Bytes per normalisation block.
inline constexpr std::size_t kNormalizeBlockBytes = 2048;

// Sees the audio a rip thread writes into its WAV file, on the rip thread,
// in order: TrackStarted, AudioWritten for each block, TrackEnded. A rip
// that fails before its file is open (a bad name, a drive or table of
// contents error) calls nothing. Normalisation rewrites the file later and
// is not seen: the bytes are the audio as read from the disc.
class RipAudioObserver {
public:
    virtual ~RipAudioObserver() = default;
    // The WAV header is written; sectorCount sectors of trackNumber follow.
    virtual void TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) = 0;
    // These bytes (16-bit stereo PCM) were written to the file after those of the calls before.
    virtual void AudioWritten(std::span<const std::uint8_t> bytes) = 0;
    // The copy is over; complete when the file holds the whole track with
    // its header patched (false after a failed read or write, or a stop).
    virtual void TrackEnded(bool complete) = 0;
};

class TCDRipThread {
public:
    // Creates the thread suspended. trackNumber is the 1-based position in
    // the table of contents; trackTitle is the name of the WAV file,
    // options.OutputFolder + "/" + trackTitle + ".wav". Only OutputFolder,
    // IsNormalize and NormalizePercent of options are used; they are copied.
    TCDRipThread(std::int32_t trackNumber, std::string trackTitle, const TCommonOptions& options);
    // Waits as WaitFor does.
    ~TCDRipThread();
    TCDRipThread(const TCDRipThread&) = delete;
    TCDRipThread& operator=(const TCDRipThread&) = delete;

    void SetCDHandle(TCDHandle handle) { m_cdHandle = handle; }
    // The target must outlive this object.
    void SetNotifyWindow(MessageTarget* target) { m_notifyWindow = target; }
    // Optional; the observer must outlive this object.
    void SetAudioObserver(RipAudioObserver* observer) { m_audioObserver = observer; }
    // Starts the body; a second call does nothing.
    void Resume();
    // Waits for the body to return; set StopRequested first to end it early.
    void WaitFor();

    // Any thread. The body checks it after each read.
    void SetStopRequested(bool stop) {
        m_stopRequested.store(stop);
        if (stop) {
            m_readStop.request_stop();  // also ends a careful read between sectors
        }
    }
    bool StopRequested() const { return m_stopRequested.load(); }

    std::int32_t TrackNumber() const { return m_trackNumber; }
    const std::string& TrackTitle() const { return m_trackTitle; }
    // After WaitFor: a stop cut the track short, and its WAV file, which
    // would pass for the whole track, was removed.
    bool PartialFileRemoved() const { return m_partialFileRemoved.load(); }

private:
    void Execute();
    void Extract(const std::string& wavPath, std::uint32_t startSector, std::uint32_t sectorCount);
    enum class CopyResult : std::uint8_t { Complete, CutShort, Failed };
    [[nodiscard]] CopyResult CopyTrack(int file, std::uint32_t startSector,
                                       std::uint32_t sectorCount, std::uint32_t& audioBytes);
    void PostError(std::int64_t code);
    void PostProgress(std::int32_t percent, std::int32_t status = kRipStatusOk);

    std::atomic<bool> m_stopRequested{false};
    std::stop_source m_readStop;
    std::atomic<bool> m_partialFileRemoved{false};
    const std::int32_t m_trackNumber;
    const std::string m_trackTitle;
    const std::string m_outputFolder;
    const bool m_isNormalize;
    const std::int32_t m_normalizePercent;
    TCDHandle m_cdHandle = 0;
    MessageTarget* m_notifyWindow = nullptr;
    RipAudioObserver* m_audioObserver = nullptr;
    std::thread m_thread;
};
