// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_loudness.h"

#include <utility>

namespace {

// The rip thread writes CD audio: 16-bit little-endian stereo at 44100 Hz.
constexpr int kChannels = 2;
constexpr int kSampleRate = 44100;
constexpr std::size_t kFrameBytes = 4;

}  // namespace

RipLoudness::RipLoudness(RipAudioObserver* next) : m_next(next) {}

void RipLoudness::TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) {
    if (m_next != nullptr) {
        m_next->TrackStarted(trackNumber, sectorCount);
    }
    m_trackNumber = trackNumber;
    m_meter.emplace(kChannels, kSampleRate);
    m_pending.clear();
    // A track ripped again is measured again.
    const std::lock_guard lock(m_mutex);
    m_tracks.erase(trackNumber);
}

void RipLoudness::AudioWritten(std::span<const std::uint8_t> bytes) {
    if (m_next != nullptr) {
        m_next->AudioWritten(bytes);
    }
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    const std::size_t whole = m_pending.size() / kFrameBytes * kFrameBytes;
    m_samples.resize(whole / 2);
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        m_samples[i] = static_cast<std::int16_t>(m_pending[2 * i] | (m_pending[2 * i + 1] << 8));
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(whole));
    m_meter->Add(m_samples);
}

void RipLoudness::TrackEnded(bool complete) {
    if (m_next != nullptr) {
        m_next->TrackEnded(complete);
    }
    if (complete) {
        const std::lock_guard lock(m_mutex);
        m_tracks.insert_or_assign(m_trackNumber, std::move(*m_meter));
    }
    m_meter.reset();
}

std::optional<TReplayGain> RipLoudness::TrackGain(std::int32_t trackNumber) const {
    const std::lock_guard lock(m_mutex);
    const auto found = m_tracks.find(trackNumber);
    return found != m_tracks.end() ? found->second.Track() : std::nullopt;
}

std::optional<TReplayGain> RipLoudness::AlbumGain() const {
    const std::lock_guard lock(m_mutex);
    std::vector<const TLoudnessMeter*> tracks;
    for (const auto& [number, meter] : m_tracks) {
        tracks.push_back(&meter);
    }
    return ::AlbumGain(tracks);
}
