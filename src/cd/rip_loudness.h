// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rip thread's observer for ReplayGain: it measures each track's
// loudness and true peak as the track is written, keeps the meter of every
// track that ended complete and gives each track's values and the album's
// over those tracks.
//
// Threads: the observer calls come on the rip thread; TrackGain and AlbumGain
// on the driving thread, after the track's TrackEnded (its end message is
// posted after that call). A meter moves into the kept ones under a mutex,
// which the readers take too, so a read that overlaps the next track's rip
// is safe as well; the meter of the track being ripped is the rip thread's
// alone.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "audio/dsp/loudness_meter.h"
#include "cd/rip_thread.h"

class RipLoudness final : public RipAudioObserver {
public:
    // Every call is passed on to `next` first; it may be null.
    explicit RipLoudness(RipAudioObserver* next);

    void TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) override;
    void AudioWritten(std::span<const std::uint8_t> bytes) override;
    void TrackEnded(bool complete) override;

    // None when the track did not end complete or holds nothing measurable.
    [[nodiscard]] std::optional<TReplayGain> TrackGain(std::int32_t trackNumber) const;
    // Over every track that ended complete; none when none is measurable.
    [[nodiscard]] std::optional<TReplayGain> AlbumGain() const;

private:
    RipAudioObserver* const m_next;
    // Rip thread only.
    std::int32_t m_trackNumber = 0;
    std::optional<TLoudnessMeter> m_meter;
    std::vector<std::uint8_t>
        m_pending;  // bytes not measured yet: a frame split between two blocks
    std::vector<std::int16_t> m_samples;  // the block being measured
    mutable std::mutex m_mutex;
    std::map<std::int32_t, TLoudnessMeter> m_tracks;  // by track number; under m_mutex
};
