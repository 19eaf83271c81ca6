// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_loudness.h"

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

// Counts what reaches the next observer.
struct CountingObserver final : RipAudioObserver {
    void TrackStarted(std::int32_t, std::uint32_t) override { ++started; }
    void AudioWritten(std::span<const std::uint8_t> bytes) override { written += bytes.size(); }
    void TrackEnded(bool) override { ++ended; }
    int started = 0;
    std::size_t written = 0;
    int ended = 0;
};

// Tracks are fed as the rip thread writes them, in blocks of ten sectors,
// but cut at an odd byte so frames are split between blocks. A track that
// ends incomplete (a failed read, a stop) counts neither alone nor in the
// album.
TEST(RipLoudness, MeasuresEachCompleteTrackAndTheAlbumOverThem) {
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    const struct {
        std::int32_t number;
        std::string effects;
        bool complete;
    } tracks[] = {{1, "synth 7 sine 440 vol -12dB", true},
                  {2, "synth 4 pinknoise lowpass 6000 vol 0.9", false},
                  {3, "synth 6 pinknoise lowpass 6000 vol 0.3", true}};
    TestFolder folder;
    CountingObserver next;
    RipLoudness loudness(&next);
    std::size_t bytesFed = 0;
    std::string joined = "sox";
    for (const auto& track : tracks) {
        const std::string wav = folder.File(std::to_string(track.number) + ".wav");
        SoxWav(wav, 2, 44100, track.effects);
        TWaveIn input;
        input.SetFileName(wav);
        const std::vector<std::uint8_t> audio = ReadPass(input);
        loudness.TrackStarted(track.number, static_cast<std::uint32_t>(audio.size() / 2352));
        for (std::size_t at = 0; at < audio.size(); at += 23519) {
            loudness.AudioWritten(
                std::span(audio).subspan(at, std::min<std::size_t>(23519, audio.size() - at)));
        }
        loudness.TrackEnded(track.complete);
        bytesFed += audio.size();

        SCOPED_TRACE(track.number);
        const std::optional<TReplayGain> gain = loudness.TrackGain(track.number);
        ASSERT_EQ(gain.has_value(), track.complete);
        if (gain) {
            const FfmpegLoudness oracle = FfmpegEbur128(wav);
            EXPECT_NEAR(gain->GainDb, -18 - oracle.loudness, 0.1);
            EXPECT_NEAR(20 * std::log10(gain->Peak), oracle.peakDb, 0.1);
            joined += " " + ShellQuote(wav);
        }
    }
    EXPECT_EQ(next.started, 3);
    EXPECT_EQ(next.written, bytesFed);
    EXPECT_EQ(next.ended, 3);

    ASSERT_TRUE(RunCommand(joined + " " + ShellQuote(folder.File("album.wav"))).Ok());
    const FfmpegLoudness oracle = FfmpegEbur128(folder.File("album.wav"));
    const std::optional<TReplayGain> album = loudness.AlbumGain();
    ASSERT_TRUE(album.has_value());
    EXPECT_NEAR(album->GainDb, -18 - oracle.loudness, 0.1);
    EXPECT_NEAR(20 * std::log10(album->Peak), oracle.peakDb, 0.1);
}

}  // namespace
