// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/player/cd_player.h"

#include <algorithm>
#include <exception>
#include <span>

namespace {

constexpr std::int64_t kLeadInFrames = 150;  // 00:02:00, where sector 0 lies
constexpr std::int64_t kFramesPerSecond = 75;
constexpr std::int64_t kFramesPerMinute = 60 * kFramesPerSecond;

// The tracks' starts and the disc's end in logical sectors, or nothing when
// the table has no track or its addresses do not rise.
std::optional<std::vector<std::uint32_t>> DiscSectors(const TTOC& toc) {
    const int trackCount = toc.LastTrack - toc.FirstTrack + 1;
    if (toc.FirstTrack == 0 || trackCount < 1 || trackCount >= kMaxTOCEntries) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> sectors;
    for (int entry = 0; entry <= trackCount; ++entry) {
        const std::int64_t sector = AddressFrames(toc.Tracks[entry]) - kLeadInFrames;
        if (sector < 0 || (!sectors.empty() && sector <= sectors.back())) {
            return std::nullopt;
        }
        sectors.push_back(static_cast<std::uint32_t>(sector));
    }
    return sectors;
}

struct Tmsf {
    std::int64_t track = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
    std::int64_t frame = 0;
};

Tmsf UnpackTmsf(std::int64_t position) {
    return {position & 0xFF, (position >> 8) & 0xFF, (position >> 16) & 0xFF,
            (position >> 24) & 0xFF};
}

}  // namespace

TCDAudioPlayer::TCDAudioPlayer(SoundSystem& sound, MessageTarget* notifyWindow)
    : m_sound(sound), m_notifyWindow(notifyWindow) {}

TCDAudioPlayer::~TCDAudioPlayer() {
    Close();
}

bool TCDAudioPlayer::Open(TCDHandle drive) {
    Close();
    TTOC toc;
    std::optional<std::vector<std::uint32_t>> sectors;
    if (ModifyCDParms(drive, kCDParmMSF, 1) != 1 || ReadTOC(drive, &toc) != 1 ||
        !(sectors = DiscSectors(toc))) {
        m_lastError = "The disc's table of contents cannot be read.";
        return false;
    }
    SoundOpenResult opened = m_sound.OpenOutput();
    if (!opened.output) {
        m_lastError = opened.message;
        return false;
    }
    m_drive = drive;
    m_trackStarts = std::move(*sectors);
    m_output = std::move(opened.output);
    m_lastPlay = {m_trackStarts.front(), m_trackStarts.back()};
    m_nextSector = m_trackStarts.front();
    m_lastError.clear();
    return true;
}

std::optional<std::int64_t> TCDAudioPlayer::TrackPosition(int track) {
    const auto trackCount = static_cast<int>(m_trackStarts.size()) - 1;
    if (!IsOpen() || track < 1 || track > trackCount) {
        return std::nullopt;
    }
    return track;  // the track at 00:00:00
}

std::optional<std::uint32_t> TCDAudioPlayer::SectorOf(std::int64_t position, bool allowEnd) const {
    const Tmsf tmsf = UnpackTmsf(position);
    const auto trackCount = static_cast<std::int64_t>(m_trackStarts.size()) - 1;
    if (position < 0 || position > 0xFFFFFFFF || tmsf.track < 1 || tmsf.track > trackCount ||
        tmsf.second >= 60 || tmsf.frame >= kFramesPerSecond) {
        return std::nullopt;
    }
    const std::int64_t sector = m_trackStarts[static_cast<std::size_t>(tmsf.track - 1)] +
                                tmsf.minute * kFramesPerMinute + tmsf.second * kFramesPerSecond +
                                tmsf.frame;
    const std::int64_t end = m_trackStarts.back();
    if (sector > end || (sector == end && !allowEnd)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(sector);
}

bool TCDAudioPlayer::Play(std::int64_t from, std::optional<std::int64_t> to) {
    if (!IsOpen()) {
        return false;
    }
    const std::optional<std::uint32_t> start = SectorOf(from, false);
    const std::optional<std::uint32_t> end = to ? SectorOf(*to, true) : m_trackStarts.back();
    if (!start || !end || *end <= *start) {
        return false;
    }
    StartPlay({*start, *end});
    return true;
}

bool TCDAudioPlayer::PlayFromCurrent() {
    if (!IsOpen()) {
        return false;
    }
    EndPlay(prSuperseded);
    const std::uint32_t next = m_nextSector;  // the play thread has ended
    if (next >= m_lastPlay.to) {
        return false;
    }
    StartPlay({next, m_lastPlay.to});
    return true;
}

bool TCDAudioPlayer::Pause() {
    std::lock_guard lock(m_mutex);
    if (!m_running) {
        return false;
    }
    m_paused = true;
    return true;
}

bool TCDAudioPlayer::Resume() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || !m_paused) {
            return false;
        }
        m_paused = false;
    }
    m_wake.notify_all();
    return true;
}

bool TCDAudioPlayer::IsPaused() const {
    std::lock_guard lock(m_mutex);
    return m_running && m_paused;
}

bool TCDAudioPlayer::Stop() {
    if (!IsOpen()) {
        return false;
    }
    EndPlay(prAborted);
    return true;
}

void TCDAudioPlayer::Close() {
    if (!IsOpen()) {
        return;
    }
    EndPlay(prAborted);
    m_output.reset();
    m_trackStarts.clear();
    m_drive = 0;
}

void TCDAudioPlayer::StartPlay(PlayRequest request) {
    EndPlay(prSuperseded);
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
        m_paused = false;
        m_endRequest.reset();
        m_nextSector = request.from;
    }
    m_lastPlay = request;
    m_thread = std::thread([this, request] { RunPlay(request); });
}

void TCDAudioPlayer::EndPlay(TPlayResult result) {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_endRequest = result;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TCDAudioPlayer::RunPlay(PlayRequest request) {
    TPlayResult result = prFailed;
    try {
        result = PlayRange(request);
    } catch (const std::exception&) {
        // Out of memory: the play ends as failed.
    }
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    if (m_notifyWindow != nullptr) {
        try {
            m_notifyWindow->Post({WM_CDPLAYNOTIFY, result, 0, nullptr});
        } catch (const std::exception&) {
            // A target that cannot queue the notice: the play ends unreported.
        }
    }
}

// The play thread: sectors are read and written in order, each exactly once;
// a pause or an end request takes effect between two reads.
TPlayResult TCDAudioPlayer::PlayRange(PlayRequest request) {
    std::uint32_t sector = request.from;
    while (sector < request.to) {
        std::optional<TPlayResult> ended;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_paused || m_endRequest; });
            ended = m_endRequest;
        }
        if (ended) {
            m_output->Discard();
            return *ended;
        }
        const std::uint32_t count = std::min(kPlaySectorsPerRead, request.to - sector);
        if (!PlaySectors(sector, count)) {
            return prFailed;
        }
        sector += count;
        std::lock_guard lock(m_mutex);
        m_nextSector = sector;
    }
    if (!m_output->Drain()) {
        return prFailed;
    }
    // A stop that arrived while the last sectors sounded out wins.
    std::lock_guard lock(m_mutex);
    return m_endRequest.value_or(prSuccessful);
}

bool TCDAudioPlayer::PlaySectors(std::uint32_t start, std::uint32_t count) {
    TTrackBuf buffer = MakeTrackBuf(start, count);
    if (ReadCDAudioLBA(m_drive, &buffer) != 1 ||
        static_cast<std::size_t>(buffer.StartOffset) + buffer.Len > buffer.Buf.size()) {
        return false;
    }
    return m_output->Write(std::span(buffer.Buf).subspan(buffer.StartOffset, buffer.Len));
}
