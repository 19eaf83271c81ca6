// SPDX-License-Identifier: GPL-3.0-or-later
#include "discimage/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace discimage {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

void AppendFrame(Pcm& pcm, double left, double right) {
    for (double value : {left, right}) {
        const auto sample =
            static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
        const auto bits = static_cast<std::uint16_t>(sample);
        pcm.push_back(static_cast<std::uint8_t>(bits & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>(bits >> 8));
    }
}

double Frequency(int semitone) {
    return 440.0 * std::pow(2.0, semitone / 12.0);
}

// A plucked-string-like level: 8 ms attack, exponential decay, 40 ms release.
double Envelope(double t, double duration) {
    const double attack = std::min(1.0, t / 0.008);
    const double release = std::clamp((duration - t) / 0.040, 0.0, 1.0);
    return attack * release * std::exp(-2.5 * t);
}

double Voice(double frequency, double t) {
    double value = 0.0;
    for (int harmonic = 1; harmonic <= 4; ++harmonic) {
        value += std::sin(kTwoPi * frequency * harmonic * t) / (harmonic * harmonic);
    }
    return value;
}

// Scale degree (0 = tonic, 7 = octave above) of a major scale to semitones.
int Degree(int tonic, int degree) {
    static constexpr int kSteps[] = {0, 2, 4, 5, 7, 9, 11};
    const int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
    return tonic + 12 * octave + kSteps[degree - 7 * octave];
}

std::vector<Note> Tune(int tonic, const std::vector<std::pair<int, double>>& degrees) {
    std::vector<Note> notes;
    for (const auto& [degree, beats] : degrees) {
        notes.push_back({degree == kRest ? kRest : Degree(tonic, degree), beats});
    }
    return notes;
}

std::vector<Note> Repeat(const std::vector<Note>& notes, int times) {
    std::vector<Note> all;
    for (int i = 0; i < times; ++i) {
        all.insert(all.end(), notes.begin(), notes.end());
    }
    return all;
}

}  // namespace

Pcm SineTone(double frequencyHz, std::uint32_t frames, double amplitude) {
    Pcm pcm;
    pcm.reserve(std::size_t{frames} * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(kTwoPi * frequencyHz * i / kSampleRate);
        AppendFrame(pcm, value, -value);
    }
    return pcm;
}

Pcm BytePattern(std::size_t bytes, std::uint32_t seed) {
    Pcm pcm(bytes);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : pcm) {
        state = state * 1664525u + 1013904223u;  // a linear congruential generator
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return pcm;
}

Pcm Melody(const std::vector<Note>& notes, double beatsPerMinute, int tonic) {
    const double secondsPerBeat = 60.0 / beatsPerMinute;
    double total = 0.0;
    for (const Note& note : notes) {
        total += note.beats * secondsPerBeat;
    }
    const auto frames = static_cast<std::uint32_t>(total * kSampleRate);
    const double drone = Frequency(tonic - 24);

    Pcm pcm;
    pcm.reserve(std::size_t{frames} * 4);
    std::size_t index = 0;
    double noteStart = 0.0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        while (index + 1 < notes.size() && t >= noteStart + notes[index].beats * secondsPerBeat) {
            noteStart += notes[index].beats * secondsPerBeat;
            ++index;
        }
        const Note& note = notes[index];
        const double inNote = t - noteStart;
        double lead = 0.0;
        if (note.semitone != kRest) {
            lead = 0.35 * Envelope(inNote, note.beats * secondsPerBeat) *
                   Voice(Frequency(note.semitone), inNote);
        }
        // The drone fades in and out over two seconds at the ends of the piece.
        const double fade = std::clamp(std::min(t, total - t) / 2.0, 0.0, 1.0);
        const double bass = 0.08 * fade * std::sin(kTwoPi * drone * t);
        AppendFrame(pcm, 0.9 * lead + bass, 0.7 * lead + bass);
    }
    return pcm;
}

std::vector<Pcm> DemoAlbum() {
    const int c = 3;   // C5
    const int g = -2;  // G4
    const int f = -4;  // F4
    const std::vector<Note> morning = Tune(c, {{0, 1},
                                               {2, 1},
                                               {4, 1},
                                               {7, 1},
                                               {5, 1},
                                               {4, 1},
                                               {2, 2},
                                               {3, 1},
                                               {4, 1},
                                               {2, 1},
                                               {0, 1},
                                               {1, 1},
                                               {-1, 1},
                                               {0, 2}});
    const std::vector<Note> stroll = Tune(g, {{4, 0.5},
                                              {4, 0.5},
                                              {5, 1},
                                              {7, 1},
                                              {7, 0.5},
                                              {5, 0.5},
                                              {4, 1},
                                              {2, 1},
                                              {0, 1},
                                              {0, 0.5},
                                              {2, 0.5},
                                              {4, 1},
                                              {4, 1.5},
                                              {2, 0.5},
                                              {2, 2}});
    const std::vector<Note> lullaby = Tune(f, {{2, 1.5},
                                               {4, 0.5},
                                               {2, 1},
                                               {0, 2},
                                               {kRest, 1},
                                               {4, 1.5},
                                               {5, 0.5},
                                               {4, 1},
                                               {2, 2},
                                               {kRest, 1},
                                               {0, 1},
                                               {1, 1},
                                               {-1, 1},
                                               {0, 3}});
    const std::vector<Note> dance = Tune(c, {{0, 0.5},
                                             {4, 0.5},
                                             {7, 0.5},
                                             {4, 0.5},
                                             {5, 0.5},
                                             {9, 0.5},
                                             {7, 1},
                                             {4, 0.5},
                                             {2, 0.5},
                                             {3, 0.5},
                                             {1, 0.5},
                                             {2, 0.5},
                                             {-1, 0.5},
                                             {0, 1}});
    return {Melody(Repeat(morning, 2), 100, c), Melody(Repeat(stroll, 2), 112, g),
            Melody(Repeat(lullaby, 2), 72, f), Melody(Repeat(dance, 3), 132, c)};
}

// "Café" shows that the Latin-1 cue text comes back as the same characters.
CueText DemoAlbumText() {
    CueText text{.title = "Four Small Tunes", .performer = "The Sine Players", .tracks = {}};
    for (const char* title : {"Morning", "Stroll", "Lullaby", "Café Dance"}) {
        text.tracks.push_back({.title = title, .performer = {}});
    }
    return text;
}

}  // namespace discimage
