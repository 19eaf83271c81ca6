// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Loudness for ReplayGain 2.0: a track's integrated loudness after EBU R 128
// (400 ms blocks, gated at -70 LUFS and 10 LU below the ungated level) and
// its true peak, through libebur128, and an album's over several tracks.
//
// Threads: a meter belongs to one thread at a time; Track and AlbumGain only
// read the meters.

#include <ebur128.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "audio/tags/tag_record.h"

// Measures one track: integrated loudness (EBU R 128, gated) and true peak.
class TLoudnessMeter {
public:
    // Throws EAuException when the library cannot start (no memory, or a
    // channel count or rate it does not take).
    TLoudnessMeter(int channels, int sampleRate);
    TLoudnessMeter(TLoudnessMeter&&) noexcept = default;
    TLoudnessMeter& operator=(TLoudnessMeter&&) noexcept = default;
    ~TLoudnessMeter() = default;

    // Interleaved samples of whole frames; a part frame at the end is left
    // out. Throws EAuException when the library runs out of memory.
    void Add(std::span<const std::int16_t> interleaved);

    // The gain to the -18 LUFS reference (GainDb = -18 - loudness) and the
    // highest true peak over the channels as a fraction of full scale; none
    // when nothing measurable was added (silence, or less than one 400 ms
    // block).
    [[nodiscard]] std::optional<TReplayGain> Track() const;

private:
    friend std::optional<TReplayGain> AlbumGain(std::span<const TLoudnessMeter* const> tracks);

    struct StateDeleter {
        void operator()(ebur128_state* state) const;
    };

    [[nodiscard]] double Peak() const;

    std::unique_ptr<ebur128_state, StateDeleter> m_state;
    int m_channels;
};

// The album's values over several tracks' meters: loudness gated over all
// their blocks together, as if the tracks were played one after the other,
// and the highest of their peaks; none when no track is measurable.
[[nodiscard]] std::optional<TReplayGain> AlbumGain(std::span<const TLoudnessMeter* const> tracks);
