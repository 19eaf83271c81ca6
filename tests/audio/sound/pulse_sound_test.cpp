// SPDX-License-Identifier: GPL-3.0-or-later
// Playback streams on a real PulseAudio daemon started by the test.
#include "audio/sound/pulse_sound.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <span>

#include "support/common/oracle.h"
#include "support/common/test_folder.h"
#include "support/sound/pulse_daemon.h"

namespace {

std::vector<std::uint8_t> Pattern(std::size_t bytes) {
    std::vector<std::uint8_t> pcm(bytes);
    std::uint32_t state = 7;
    for (std::uint8_t& byte : pcm) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return pcm;
}

TEST(PulseSound, TheSinkHearsEveryByteOnceInOrder) {
    SKIP_WITHOUT_PROGRAM("parec");
    SKIP_WITHOUT_PROGRAM("pactl");
    PulseDaemon daemon;
    if (!daemon.FailureReason().empty()) {
        GTEST_SKIP() << daemon.FailureReason();
    }
    TestFolder folder;
    MonitorRecording recording(folder / "monitor.raw");
    ASSERT_EQ(recording.FailureReason(), "");
    PulseSoundSystem sound("Brisklark test", "pattern");
    SoundOpenResult opened = sound.OpenOutput();
    ASSERT_NE(opened.output, nullptr) << opened.message;

    // Half a second in pieces of uneven (whole-frame) sizes.
    const std::vector<std::uint8_t> pcm = Pattern(kSoundBytesPerSecond / 2);
    const std::span<const std::uint8_t> all(pcm);
    constexpr std::size_t kPieces[] = {4, 2352, 17640, 1000};
    std::size_t at = 0;
    for (std::size_t k = 0; at < pcm.size(); ++k) {
        const std::size_t piece = std::min(kPieces[k % std::size(kPieces)], pcm.size() - at);
        ASSERT_TRUE(opened.output->Write(all.subspan(at, piece)));
        at += piece;
    }
    ASSERT_TRUE(opened.output->Drain());
    const std::vector<std::uint8_t> heard = recording.Finish();
    EXPECT_EQ(WithoutSilentFrames(heard), WithoutSilentFrames(pcm));
}

TEST(PulseSound, WithoutAServerOpeningFailsWithTheReason) {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/brisklark/native", 1);
    PulseSoundSystem sound("Brisklark test", "nowhere");
    const SoundOpenResult opened = sound.OpenOutput();
    ::unsetenv("PULSE_SERVER");
    EXPECT_EQ(opened.output, nullptr);
    EXPECT_EQ(opened.message, "Sound server: Connection refused");
}

}  // namespace
