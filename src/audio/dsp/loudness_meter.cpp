// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/loudness_meter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/core/au_exception.h"

namespace {

// ReplayGain 2.0 brings every track to this loudness.
constexpr double kReferenceLufs = -18.0;

// The gain for a gated loudness; none for the library's answer when no
// block passed the gates (minus infinity) or it failed.
std::optional<double> GainFor(int result, double loudness) {
    if (result != EBUR128_SUCCESS || !std::isfinite(loudness)) {
        return std::nullopt;
    }
    return kReferenceLufs - loudness;
}

}  // namespace

void TLoudnessMeter::StateDeleter::operator()(ebur128_state* state) const {
    ebur128_destroy(&state);
}

TLoudnessMeter::TLoudnessMeter(int channels, int sampleRate) : m_channels(channels) {
    if (channels > 0 && sampleRate > 0) {
        m_state.reset(ebur128_init(static_cast<unsigned>(channels),
                                   static_cast<unsigned long>(sampleRate),
                                   EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    }
    if (!m_state) {
        throw EAuException("Cannot measure the loudness of this audio");
    }
}

void TLoudnessMeter::Add(std::span<const std::int16_t> interleaved) {
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(m_channels);
    if (frames > 0 &&
        ebur128_add_frames_short(m_state.get(), interleaved.data(), frames) != EBUR128_SUCCESS) {
        throw EAuException("Out of memory while measuring the loudness");
    }
}

double TLoudnessMeter::Peak() const {
    double highest = 0;
    for (int channel = 0; channel < m_channels; ++channel) {
        double peak = 0;
        if (ebur128_true_peak(m_state.get(), static_cast<unsigned>(channel), &peak) ==
            EBUR128_SUCCESS) {
            highest = std::max(highest, peak);
        }
    }
    return highest;
}

std::optional<TReplayGain> TLoudnessMeter::Track() const {
    double loudness = 0;
    const int result = ebur128_loudness_global(m_state.get(), &loudness);
    const std::optional<double> gain = GainFor(result, loudness);
    if (!gain) {
        return std::nullopt;
    }
    return TReplayGain{*gain, Peak()};
}

std::optional<TReplayGain> AlbumGain(std::span<const TLoudnessMeter* const> tracks) {
    std::vector<ebur128_state*> states;
    double peak = 0;
    for (const TLoudnessMeter* track : tracks) {
        states.push_back(track->m_state.get());
        peak = std::max(peak, track->Peak());
    }
    if (states.empty()) {
        return std::nullopt;
    }
    double loudness = 0;
    const int result = ebur128_loudness_global_multiple(states.data(), states.size(), &loudness);
    const std::optional<double> gain = GainFor(result, loudness);
    if (!gain) {
        return std::nullopt;
    }
    return TReplayGain{*gain, peak};
}
