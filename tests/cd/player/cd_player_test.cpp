// SPDX-License-Identifier: GPL-3.0-or-later
// The CD audio player on disc images, into the recording sink and into a
// real PulseAudio daemon.
#include "cd/player/cd_player.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/sound/pulse_sound.h"
#include "audio/sound/recording_sound.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/test_folder.h"
#include "support/sound/pulse_daemon.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Track lengths in sectors; short, since some tests play in real time.
const std::vector<std::uint32_t> kTrackSectors = {40, 23, 31};

// Collects the completion notices posted by the play thread.
class NoticeQueue final : public MessageTarget {
public:
    void Post(PostedMessage message) override {
        {
            std::lock_guard lock(m_mutex);
            EXPECT_EQ(message.Number, WM_CDPLAYNOTIFY);
            m_results.push_back(message.WParam);
        }
        m_posted.notify_all();
    }

    // Waits (up to a generous limit) until count notices have arrived.
    std::vector<std::int64_t> WaitFor(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_posted.wait_for(lock, 30s, [&] { return m_results.size() >= count; });
        return m_results;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<std::int64_t> m_results;
};

class CdPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::uint32_t seed = 11;
        for (const std::uint32_t sectors : kTrackSectors) {
            m_tracks.push_back(discimage::BytePattern(sectors * discimage::kSectorBytes, seed++));
        }
        const auto written = discimage::WriteDiscImage(m_folder.Path() / "disc.cue", m_tracks);
        ASSERT_TRUE(written.ok) << written.message;
        m_drive = OpenImageDrive(m_folder.Path() / "disc.cue");
        ASSERT_NE(m_drive, 0u);
    }

    void TearDown() override {
        CloseCDHandle(m_drive);
        unsetenv("BRISKLARK_DISC_IMAGES");
    }

    // The bytes of the tracks first..last (rows counted from 0).
    Bytes TrackBytes(std::size_t first, std::size_t last) const {
        Bytes bytes;
        for (std::size_t row = first; row <= last; ++row) {
            bytes.insert(bytes.end(), m_tracks[row].begin(), m_tracks[row].end());
        }
        return bytes;
    }

    // Plays a row as the main window does: to the next track's start, the
    // last row to the end of the disc.
    static bool PlayRow(TCDAudioPlayer& player, int row) {
        const auto from = player.TrackPosition(row + 1);
        const auto to = row + 1 < static_cast<int>(kTrackSectors.size())
                            ? player.TrackPosition(row + 2)
                            : std::nullopt;
        return from && player.Play(*from, to);
    }

    TestFolder m_folder;
    std::vector<discimage::Pcm> m_tracks;
    TCDHandle m_drive = 0;
    NoticeQueue m_notices;
};

TEST_F(CdPlayerTest, EachRowPlaysExactlyItsTrackThenCompletes) {
    for (int row = 0; row < static_cast<int>(kTrackSectors.size()); ++row) {
        RecordingSoundSystem sound;
        NoticeQueue notices;
        TCDAudioPlayer player(sound, &notices);
        ASSERT_TRUE(player.Open(m_drive));
        ASSERT_TRUE(PlayRow(player, row));
        EXPECT_EQ(notices.WaitFor(1), std::vector<std::int64_t>{prSuccessful}) << row;
        player.Close();
        EXPECT_EQ(sound.Streams(), std::vector<Bytes>{m_tracks[static_cast<std::size_t>(row)]})
            << row;
    }
}

TEST_F(CdPlayerTest, PlaysAnyRangeOfTrackMinuteSecondFramePositions) {
    RecordingSoundSystem sound;
    TCDAudioPlayer player(sound, &m_notices);
    ASSERT_TRUE(player.Open(m_drive));
    // From track 1 at 00:00:30 to track 3 at 00:00:02.
    const std::int64_t from = 1 | (30 << 24);
    const std::int64_t to = 3 | (2 << 24);
    ASSERT_TRUE(player.Play(from, to));
    EXPECT_EQ(m_notices.WaitFor(1), std::vector<std::int64_t>{prSuccessful});
    const Bytes all = TrackBytes(0, 2);
    const std::size_t sector = discimage::kSectorBytes;
    const std::size_t end = (kTrackSectors[0] + kTrackSectors[1] + 2) * sector;
    EXPECT_EQ(sound.Streams().at(0), Bytes(all.begin() + 30 * sector, all.begin() + end));

    // Positions off the disc or backwards are refused.
    EXPECT_FALSE(player.TrackPosition(4));
    EXPECT_FALSE(player.Play(4, std::nullopt));
    EXPECT_FALSE(player.Play(2, 1));
    EXPECT_FALSE(player.Play(3 | (40 << 24), std::nullopt));  // past the end of the disc
    EXPECT_FALSE(player.Play(1 | (75 << 24), std::nullopt));  // frame 75 does not exist
}

TEST_F(CdPlayerTest, PauseAndResumeLoseAndRepeatNothing) {
    RecordingSoundSystem sound;
    TCDAudioPlayer player(sound, &m_notices);
    // Pause from the sound output when the third read has been written.
    const std::size_t pauseAt = 3 * kPlaySectorsPerRead * discimage::kSectorBytes;
    sound.SetWriteObserver([&player, pauseAt](std::size_t, std::size_t bytes) {
        if (bytes == pauseAt) {
            EXPECT_TRUE(player.Pause());
        }
    });
    ASSERT_TRUE(player.Open(m_drive));
    ASSERT_TRUE(PlayRow(player, 0));
    while (!player.IsPaused()) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(100ms);  // a paused play must not write on
    EXPECT_EQ(sound.Streams().at(0).size(), pauseAt);

    ASSERT_TRUE(player.Resume());
    EXPECT_EQ(m_notices.WaitFor(1), std::vector<std::int64_t>{prSuccessful});
    EXPECT_EQ(sound.Streams(), std::vector<Bytes>{m_tracks[0]});
    EXPECT_FALSE(player.Resume());  // nothing left to resume
}

TEST_F(CdPlayerTest, PlayWhilePlayingSupersedesTheFirstPlay) {
    RecordingSoundSystem sound(true);  // as fast as a sound card takes it
    TCDAudioPlayer player(sound, &m_notices);
    ASSERT_TRUE(player.Open(m_drive));
    ASSERT_TRUE(PlayRow(player, 0));
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(PlayRow(player, 2));
    EXPECT_EQ(m_notices.WaitFor(2), (std::vector<std::int64_t>{prSuperseded, prSuccessful}));

    // A whole-sector prefix of track 1, then all of track 3, in one stream.
    const Bytes stream = sound.Streams().at(0);
    const std::size_t first = stream.size() - m_tracks[2].size();
    EXPECT_GT(first, 0u);
    EXPECT_LT(first, m_tracks[0].size());
    EXPECT_EQ(first % discimage::kSectorBytes, 0u);
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(first)),
              Bytes(m_tracks[0].begin(), m_tracks[0].begin() + static_cast<std::ptrdiff_t>(first)));
    EXPECT_EQ(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(first), stream.end()),
              m_tracks[2]);
}

TEST_F(CdPlayerTest, StopAbortsAtOnceAndIsHarmlessWhenNothingIsOpen) {
    RecordingSoundSystem sound(true);
    TCDAudioPlayer player(sound, &m_notices);
    EXPECT_FALSE(player.Stop());
    player.Close();
    EXPECT_FALSE(player.Pause());
    EXPECT_FALSE(player.PlayFromCurrent());

    ASSERT_TRUE(player.Open(m_drive));
    ASSERT_TRUE(PlayRow(player, 0));
    std::this_thread::sleep_for(100ms);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(player.Stop());
    // At most one read is still being written when Stop arrives.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_EQ(m_notices.WaitFor(1), std::vector<std::int64_t>{prAborted});
    const std::size_t played = sound.Streams().at(0).size();
    EXPECT_LT(played, m_tracks[0].size());
    EXPECT_TRUE(player.Stop());  // open, nothing playing

    // Playing on from where it stopped completes the track.
    ASSERT_TRUE(player.PlayFromCurrent());
    EXPECT_EQ(m_notices.WaitFor(2), (std::vector<std::int64_t>{prAborted, prSuccessful}));
    EXPECT_EQ(sound.Streams(), std::vector<Bytes>{m_tracks[0]});
    EXPECT_FALSE(player.PlayFromCurrent());
}

TEST_F(CdPlayerTest, OpeningFailsWithoutADiscOrASoundServer) {
    RecordingSoundSystem recording;
    TCDAudioPlayer noDisc(recording, &m_notices);
    EXPECT_FALSE(noDisc.Open(0));
    EXPECT_FALSE(noDisc.TrackPosition(1));

    ::setenv("PULSE_SERVER", "unix:/nonexistent/brisklark/native", 1);
    PulseSoundSystem pulse("Brisklark test", "CD audio");
    TCDAudioPlayer player(pulse, &m_notices);
    EXPECT_FALSE(player.Open(m_drive));
    ::unsetenv("PULSE_SERVER");
    EXPECT_EQ(player.LastError(), "Sound server: Connection refused");
    EXPECT_FALSE(player.Play(1, std::nullopt));
    EXPECT_FALSE(player.Stop());
}

TEST_F(CdPlayerTest, ASoundServerHearsTheTracksOneAfterAnother) {
    SKIP_WITHOUT_PROGRAM("parec");
    SKIP_WITHOUT_PROGRAM("pactl");
    PulseDaemon daemon;
    if (!daemon.FailureReason().empty()) {
        GTEST_SKIP() << daemon.FailureReason();
    }
    MonitorRecording recording(m_folder.Path() / "monitor.raw");
    ASSERT_EQ(recording.FailureReason(), "");
    PulseSoundSystem sound("Brisklark test", "CD audio");
    TCDAudioPlayer player(sound, &m_notices);
    for (int row = 0; row < static_cast<int>(kTrackSectors.size()); ++row) {
        ASSERT_TRUE(player.Open(m_drive)) << player.LastError();
        ASSERT_TRUE(PlayRow(player, row));
        ASSERT_EQ(m_notices.WaitFor(static_cast<std::size_t>(row) + 1).back(), prSuccessful);
        player.Close();
    }
    EXPECT_EQ(WithoutSilentFrames(recording.Finish()), WithoutSilentFrames(TrackBytes(0, 2)));
}

TEST_F(CdPlayerTest, ASoundServerGoingAwayFailsThePlay) {
    PulseDaemon daemon;
    if (!daemon.FailureReason().empty()) {
        GTEST_SKIP() << daemon.FailureReason();
    }
    PulseSoundSystem sound("Brisklark test", "CD audio");
    TCDAudioPlayer player(sound, &m_notices);
    ASSERT_TRUE(player.Open(m_drive)) << player.LastError();
    ASSERT_TRUE(PlayRow(player, 0));
    daemon.Kill();
    EXPECT_EQ(m_notices.WaitFor(1), std::vector<std::int64_t>{prFailed});
    EXPECT_TRUE(player.Stop());
    player.Close();
}

}  // namespace
