// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_thread.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <exception>
#include <span>
#include <string_view>
#include <utility>

#include "audio/core/file_descriptor.h"
#include "audio/wav/pcm_wav_header.h"
#include "cd/wav_normalizer.h"

namespace {

constexpr std::int32_t kLeadInFrames = 150;  // 00:02:00, where sector 0 lies

// The header of 16-bit stereo PCM at 44100 Hz for audioBytes of audio.
std::array<std::uint8_t, kRipWavHeaderBytes> WavHeader(std::uint32_t audioBytes) {
    return RenderPcmWavHeader(TPcmWavFormat{}, audioBytes);
}

struct TrackSpan {
    std::uint32_t startSector = 0;
    std::uint32_t sectorCount = 0;
};

// The sectors of track trackNumber (1-based position), or false when the
// table has no such track or gives it no sectors.
bool FindTrack(const TTOC& toc, std::int32_t trackNumber, TrackSpan& span) {
    const std::int32_t trackCount = toc.LastTrack - toc.FirstTrack + 1;
    if (trackNumber < 1 || trackNumber > trackCount || trackNumber >= kMaxTOCEntries) {
        return false;
    }
    // The track's own address, not its distance from the first track, so
    // discs whose first track does not start at 00:02:00 read right.
    const std::int32_t start = AddressFrames(toc.Tracks[trackNumber - 1]) - kLeadInFrames;
    const std::int32_t count =
        AddressFrames(toc.Tracks[trackNumber]) - AddressFrames(toc.Tracks[trackNumber - 1]);
    if (start < 0 || count <= 0) {
        return false;
    }
    span.startSector = static_cast<std::uint32_t>(start);
    span.sectorCount = static_cast<std::uint32_t>(count);
    return true;
}

// Titles become file names as they stand, but one must not name a file
// outside the output folder (a "/"), be cut short by a NUL, or be a dot name.
bool IsUsableTitle(const std::string& title) {
    return title.find('/') == std::string::npos && title.find('\0') == std::string::npos &&
           title != "." && title != "..";
}

// Opens the WAV file for writing, empty, locked against every other user.
FileDescriptor CreateWavFile(const std::string& path) {
    // O_NONBLOCK keeps a FIFO of that name from blocking the open.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    struct stat info {};
    if (!file.IsOpen() || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::ftruncate(file.Get(), 0) != 0) {
        return {};
    }
    return file;
}

// Reads per write: the audio of this many reads goes to the file in one call.
constexpr std::size_t kReadsPerWrite = 8;

// Reads sectors into a few buffers, reused for the whole track, and appends
// their audio to the file once kReadsPerWrite reads are in (and on Flush):
// the same bytes in the same order as a write after each read, with an
// eighth of the system calls and no new buffer per read.
class SectorWriter {
public:
    SectorWriter(TCDHandle handle, int file, off_t offset, RipAudioObserver* observer,
                 std::stop_token stop)
        : m_handle(handle),
          m_file(file),
          m_offset(offset),
          m_observer(observer),
          m_stop(std::move(stop)) {}

    // Reads count sectors from start. False when the read fails or is
    // stopped, or when the write it completes fails.
    [[nodiscard]] bool Append(std::uint32_t start, std::uint32_t count) {
        TTrackBuf& buffer = m_buffers[m_pending];
        const std::uint32_t bytes = count * kCDSectorBytes;
        if (buffer.Buf.size() < bytes) {
            buffer.Buf.resize(bytes);
        }
        buffer.StartFrame = start;
        buffer.NumFrames = count;
        buffer.MaxLen = bytes;
        buffer.Len = 0;
        buffer.Status = 0;
        buffer.StartOffset = 0;
        if (ReadCDAudioLBA(m_handle, &buffer, m_stop) != 1 ||
            static_cast<std::size_t>(buffer.StartOffset) + buffer.Len > buffer.Buf.size()) {
            return false;
        }
        m_delivered[m_pending] = std::span(buffer.Buf).subspan(buffer.StartOffset, buffer.Len);
        ++m_pending;
        return m_pending < kReadsPerWrite || Flush();
    }

    // Writes the audio read and not yet written. False when this or an
    // earlier write failed.
    [[nodiscard]] bool Flush() {
        const auto pieces = std::span(m_delivered).first(m_pending);
        m_pending = 0;
        if (m_writeFailed || pieces.empty()) {
            return !m_writeFailed;
        }
        m_writeFailed = !WriteAt(m_file, pieces, m_offset);
        if (!m_writeFailed) {
            for (const auto piece : pieces) {
                m_offset += static_cast<off_t>(piece.size());
                if (m_observer != nullptr) {
                    m_observer->AudioWritten(piece);
                }
            }
        }
        return !m_writeFailed;
    }

    // The file offset after the audio written so far.
    off_t End() const { return m_offset; }

private:
    TCDHandle m_handle;
    int m_file;
    off_t m_offset;
    RipAudioObserver* m_observer;  // may be null
    std::stop_token m_stop;
    bool m_writeFailed = false;
    std::size_t m_pending = 0;
    std::array<TTrackBuf, kReadsPerWrite> m_buffers;
    std::array<std::span<const std::uint8_t>, kReadsPerWrite> m_delivered;
};

}  // namespace

TCDRipThread::TCDRipThread(std::int32_t trackNumber, std::string trackTitle,
                           const TCommonOptions& options)
    : m_trackNumber(trackNumber),
      m_trackTitle(std::move(trackTitle)),
      m_outputFolder(options.OutputFolder),
      m_isNormalize(options.IsNormalize),
      m_normalizePercent(options.NormalizePercent) {}

TCDRipThread::~TCDRipThread() {
    WaitFor();
}

void TCDRipThread::WaitFor() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void TCDRipThread::Resume() {
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { Execute(); });
    }
}

void TCDRipThread::PostError(std::int64_t code) {
    if (m_notifyWindow != nullptr) {
        m_notifyWindow->Post({WM_RIPERROR, 0, code, nullptr});
    }
}

void TCDRipThread::PostProgress(std::int32_t percent, std::int32_t status) {
    if (m_notifyWindow != nullptr) {
        m_notifyWindow->Post(
            {WM_RIPPROGRESS, 0, 0, std::make_unique<TProcessInfo>(percent, status)});
    }
}

void TCDRipThread::Execute() {
    try {
        if (ModifyCDParms(m_cdHandle, kCDParmMSF, 1) == 0) {
            PostError(kRipErrorDriveParameter);
            return;
        }
        TTOC toc;
        TrackSpan track;
        if (ReadTOC(m_cdHandle, &toc) != 1 || !FindTrack(toc, m_trackNumber, track)) {
            PostError(kRipErrorTableOfContents);
            return;
        }
        Extract(m_outputFolder + "/" + m_trackTitle + ".wav", track.startSector, track.sectorCount);
    } catch (const std::exception&) {
        // Out of memory or a failing message target. The window waits for a
        // final message, so one is tried even now.
        try {
            PostProgress(kPercentRipEnded, kRipStatusOutOfMemory);
        } catch (const std::exception&) {
            // Nothing is left to report with.
        }
    }
}

// Reads the track into file after its header, posting progress after each
// read, until it is complete, StopRequested is set or a read or write fails.
// audioBytes receives the bytes appended. A failure outweighs a stop.
TCDRipThread::CopyResult TCDRipThread::CopyTrack(int file, std::uint32_t startSector,
                                                 std::uint32_t sectorCount,
                                                 std::uint32_t& audioBytes) {
    SectorWriter writer(m_cdHandle, file, kRipWavHeaderBytes, m_audioObserver,
                        m_readStop.get_token());
    bool failed = false;
    std::uint32_t done = 0;
    while (!failed && done < sectorCount) {
        const std::uint32_t count = std::min(kRipSectorsPerRead, sectorCount - done);
        const bool appended = writer.Append(startSector + done, count);
        // A careful read the stop ended early leaves the track cut short.
        if (!appended && GetAspiLibError() == cdeReadStopped) {
            break;
        }
        failed = !appended;
        done += count;
        PostProgress(static_cast<std::int32_t>(std::uint64_t{done} * 100 / sectorCount));
        if (StopRequested()) {
            break;
        }
    }
    // Also after a failed read: the audio read before it stays in the file.
    const bool written = writer.Flush();
    audioBytes = static_cast<std::uint32_t>(writer.End() - static_cast<off_t>(kRipWavHeaderBytes));
    if (failed || !written) {
        return CopyResult::Failed;
    }
    return done < sectorCount ? CopyResult::CutShort : CopyResult::Complete;
}

void TCDRipThread::Extract(const std::string& wavPath, std::uint32_t startSector,
                           std::uint32_t sectorCount) {
    FileDescriptor wave = IsUsableTitle(m_trackTitle) ? CreateWavFile(wavPath) : FileDescriptor();
    if (!wave.IsOpen()) {
        PostProgress(kPercentRipEnded, kRipStatusBadFileName);
        return;
    }
    // A failed rip keeps the header with a count of 0 and the audio read so
    // far; a complete one gets the real count. One a stop cut short is
    // removed: with its count patched it would pass for the whole track.
    std::uint32_t audioBytes = 0;
    const bool started = WriteAt(wave.Get(), WavHeader(0), 0);
    if (started && m_audioObserver != nullptr) {
        m_audioObserver->TrackStarted(m_trackNumber, sectorCount);
    }
    const CopyResult copied =
        started ? CopyTrack(wave.Get(), startSector, sectorCount, audioBytes) : CopyResult::Failed;
    const bool complete =
        copied == CopyResult::Complete && WriteAt(wave.Get(), WavHeader(audioBytes), 0);
    if (started && m_audioObserver != nullptr) {
        m_audioObserver->TrackEnded(complete);
    }
    if (copied == CopyResult::CutShort) {
        m_partialFileRemoved = ::unlink(wavPath.c_str()) == 0;
        return;
    }
    wave = FileDescriptor();
    if (!complete) {
        PostProgress(kPercentRipEnded, kRipStatusReadFailed);
        return;
    }
    if (StopRequested()) {
        return;
    }
    if (m_isNormalize) {
        PostProgress(kPercentNormalizing);
        const auto progress = [this](std::int32_t percent) { PostProgress(percent); };
        if (!NormalizeWavFile(wavPath, m_normalizePercent, kNormalizeBlockBytes, progress)) {
            PostProgress(kPercentRipEnded, kRipStatusNormalizeFailed);
            return;
        }
    }
    PostProgress(kPercentRipEnded, kRipStatusOk);
}
