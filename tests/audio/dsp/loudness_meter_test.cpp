// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/loudness_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/wav/wave_in.h"
#include "support/audio/loudness_oracle.h"
#include "support/audio/pcm_bytes.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

// Writes a 3 s stereo WAV file: a 300 Hz sine at 0.3 on the left and, on the
// right, a square of 1837.5 Hz built from its odd harmonics up to 16.5 kHz
// (so any meter's interpolation sees it alike), sampled half a sample off its
// crests: its samples peak at 0.98, its waveform above full scale.
constexpr const char* kSquareOverFullScale = R"(
import math, struct, sys, wave
rate, period = 44100, 24
def square(t):
    return sum(math.sin(2 * math.pi * k * t / period) / k for k in range(1, 10, 2))
right = [square(i + 0.5) for i in range(3 * rate)]
scale = 0.98 / max(abs(v) for v in right)
out = wave.open(sys.argv[1], "wb")
out.setnchannels(2)
out.setsampwidth(2)
out.setframerate(rate)
out.writeframes(b"".join(struct.pack("<hh", round(9830 * math.sin(2 * math.pi * 300 * i / rate)),
                                     round(32767 * scale * v)) for i, v in enumerate(right)))
)";

// The file read through our WAV input and measured in pieces of 1001 frames,
// as a rip or a converter hands over its blocks.
TLoudnessMeter Measure(const std::string& wav, int channels, int rate) {
    TWaveIn input;
    input.SetFileName(wav);
    const std::vector<std::int16_t> samples = AsSamples(ReadPass(input));
    TLoudnessMeter meter(channels, rate);
    const std::span<const std::int16_t> all(samples);
    const std::size_t piece = 1001 * static_cast<std::size_t>(channels);
    for (std::size_t at = 0; at < all.size(); at += piece) {
        meter.Add(all.subspan(at, std::min(piece, all.size() - at)));
    }
    return meter;
}

double Decibels(double fraction) {
    return 20 * std::log10(fraction);
}

// ReplayGain's reference is -18 LUFS.
constexpr double kReference = -18;

TEST(LoudnessMeter, TrackGainAndTruePeakAgreeWithFfmpeg) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const struct {
        std::string name;
        int channels;
        int rate;
        std::string effects;         // of sox; none: the square written by Python
        bool measurable;             // silence and less than one 400 ms block are not
        bool overFullScale = false;  // true peak between samples above 1
    } cases[] = {
        {"sine at -20 dBFS", 2, 44100, "synth 10 sine 997 vol -20dB", true},
        // The channels differ, the louder first, then the louder last.
        {"pink noise, a quiet sine", 2, 44100,
         "synth 10 pinknoise sine 2000 lowpass 6000 remix 1v0.4 2v0.1", true},
        {"a sine, a square over full scale", 2, 44100, "", true, true},
        {"mono sine at 48 kHz", 1, 48000, "synth 8 sine 440 vol -6dB", true},
        {"fading out, gated", 2, 44100, "synth 12 sine 330 fade t 0 12 10 vol 0.7", true},
        {"silence", 2, 44100, "trim 0 5", false},
        {"0.3 s of a loud sine", 2, 44100, "synth 0.3 sine 1000 vol 0.8", false},
    };
    TestFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string wav = folder.File("signal.wav");
        if (c.effects.empty()) {
            ASSERT_TRUE(RunPython(kSquareOverFullScale, {wav}).Ok());
        } else {
            SoxWav(wav, c.channels, c.rate, c.effects);
        }
        const FfmpegLoudness oracle = FfmpegEbur128(wav);
        ASSERT_EQ(oracle.loudness > -70, c.measurable) << oracle.loudness;
        const std::optional<TReplayGain> gain = Measure(wav, c.channels, c.rate).Track();
        ASSERT_EQ(gain.has_value(), c.measurable);
        if (gain) {
            EXPECT_NEAR(gain->GainDb, kReference - oracle.loudness, 0.1);
            EXPECT_NEAR(Decibels(gain->Peak), oracle.peakDb, 0.1);
            EXPECT_EQ(gain->Peak > 1, c.overFullScale) << gain->Peak;
        }
    }
}

// The album is gated as one: its loudness is that of the tracks played one
// after the other, which a silent track does not change. The tracks lie
// within 10 LU of each other, so each counts.
TEST(LoudnessMeter, AlbumGainAgreesWithFfmpegOnTheTracksJoined) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder folder;
    const struct {
        std::string name;
        std::string effects;
    } tracks[] = {{"middle", "synth 6 sine 523 vol -14dB"},
                  {"silent", "trim 0 3"},
                  {"loud", "synth 9 pinknoise lowpass 6000 vol 0.5"},
                  {"quiet", "synth 5 sine 200 vol -20dB"}};
    std::vector<TLoudnessMeter> meters;
    std::string joined = "sox";
    for (const auto& track : tracks) {
        const std::string wav = folder.File(track.name + ".wav");
        SoxWav(wav, 2, 44100, track.effects);
        meters.push_back(Measure(wav, 2, 44100));
        joined += " " + ShellQuote(wav);
    }
    ASSERT_TRUE(RunCommand(joined + " " + ShellQuote(folder.File("album.wav"))).Ok());
    const FfmpegLoudness oracle = FfmpegEbur128(folder.File("album.wav"));

    const std::vector<const TLoudnessMeter*> all = {&meters[0], &meters[1], &meters[2], &meters[3]};
    const std::optional<TReplayGain> album = AlbumGain(all);
    ASSERT_TRUE(album.has_value());
    EXPECT_NEAR(album->GainDb, kReference - oracle.loudness, 0.1);
    EXPECT_NEAR(Decibels(album->Peak), oracle.peakDb, 0.1);
    // Nothing measurable, or no track at all, makes no album values.
    EXPECT_EQ(AlbumGain(std::span(all).subspan(1, 1)), std::nullopt);
    EXPECT_EQ(AlbumGain({}), std::nullopt);
}

}  // namespace
