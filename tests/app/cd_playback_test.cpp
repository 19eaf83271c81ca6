// SPDX-License-Identifier: GPL-3.0-or-later
// Play, pause and stop of the main window with the real CD player on a disc
// image, its notices relayed to the window as the program wires them.
#include <QAction>
#include <QApplication>
#include <QTreeWidget>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "app/cd_playback_notices.h"
#include "app_fixture.h"
#include "audio/sound/pulse_sound.h"
#include "audio/sound/recording_sound.h"
#include "cd/player/cd_player.h"
#include "discimage/disc_image.h"
#include "discimage/synth.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// IsPlaying, IsPaused and whether aPlay, aPause and aStop are enabled.
struct PlaybackState {
    bool playing;
    bool paused;
    bool play;
    bool pause;
    bool stop;
    bool operator==(const PlaybackState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PlaybackState& state) {
    return out << state.playing << state.paused << " actions " << state.play << state.pause
               << state.stop;
}

constexpr PlaybackState kIdle{false, false, true, false, false};
constexpr PlaybackState kPlaying{true, false, true, true, true};
constexpr PlaybackState kPaused{true, true, true, false, true};

}  // namespace

class CdPlayback : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        InsertDisc({1, 1, 1});
    }

    // Starts the window with the real player on this sound system.
    void Start(SoundSystem& sound) {
        m_player = std::make_unique<TCDAudioPlayer>(sound, &m_notices);
        StartWindow(m_player.get());
        m_notices.SetWindow(m_window.get());
        m_list = Find<QTreeWidget>("ListView1");
        m_driveStatus = m_window->StatusText();
    }

    void PlayRow(int row) {
        m_list->setCurrentItem(m_list->topLevelItem(row));
        m_window->Play();
    }

    PlaybackState State() {
        m_window->UpdateActions();
        return {m_window->IsPlaying(), m_window->IsPaused(), Find<QAction>("aPlay")->isEnabled(),
                Find<QAction>("aPause")->isEnabled(), Find<QAction>("aStop")->isEnabled()};
    }

    // Runs the event loop until the condition holds or a generous time passed.
    static bool RunUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(5ms);
        }
        return condition();
    }

    static void RunFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        RunUntil([end] { return std::chrono::steady_clock::now() >= end; });
    }

    // The bytes InsertDisc wrote for a track (its seeds count from 1).
    static Bytes Track(int index) {
        return discimage::BytePattern(discimage::kFramesPerSecond * discimage::kSectorBytes,
                                      static_cast<std::uint32_t>(index));
    }

    // The sound system the player writes to in real time, like a sound card.
    RecordingSoundSystem m_sound{true};
    // Destroyed after the player (declared before it), as in the program.
    CdPlaybackNotices m_notices;
    std::unique_ptr<TCDAudioPlayer> m_player;
    QTreeWidget* m_list = nullptr;
    QString m_driveStatus;
};

TEST_F(CdPlayback, PausedPlayResumesWhereItStoppedAndEndsAtTheNextTrack) {
    Start(m_sound);
    m_list->setCurrentItem(m_list->topLevelItem(0));
    EXPECT_EQ(State(), kIdle);

    PlayRow(0);
    EXPECT_EQ(m_window->StatusText(), "Play Track01");
    EXPECT_EQ(State(), kPlaying);
    RunFor(200ms);
    m_window->Pause();
    EXPECT_EQ(State(), kPaused);
    ASSERT_TRUE(RunUntil([this] { return m_player->IsPaused(); }));
    const std::size_t pausedAt = m_sound.Streams().at(0).size();
    RunFor(200ms);
    EXPECT_EQ(m_sound.Streams().at(0).size(), pausedAt);  // nothing written while paused

    PlayRow(2);
    EXPECT_EQ(m_window->StatusText(), "Play Track03");
    EXPECT_EQ(State(), kPlaying);
    ASSERT_TRUE(RunUntil([this] { return !m_window->IsPlaying(); }));
    EXPECT_EQ(State(), kIdle);
    EXPECT_EQ(m_window->StatusText(), m_driveStatus);
    EXPECT_EQ(m_sound.Streams(), std::vector<Bytes>{Track(1)});
}

TEST_F(CdPlayback, PlayOnAnotherRowRestartsAndStopEndsAtOnce) {
    Start(m_sound);
    PlayRow(0);
    RunFor(200ms);
    PlayRow(2);  // closes and reopens the device
    ASSERT_TRUE(RunUntil([this] { return !m_window->IsPlaying(); }));
    std::vector<Bytes> streams = m_sound.Streams();
    ASSERT_EQ(streams.size(), 2u);
    const Bytes first = Track(1);
    EXPECT_LT(streams[0].size(), first.size());
    EXPECT_TRUE(std::equal(streams[0].begin(), streams[0].end(), first.begin()));
    EXPECT_EQ(streams[1], Track(3));  // the last row plays to the end of the disc

    PlayRow(1);
    RunFor(200ms);
    m_window->Stop();
    EXPECT_EQ(State(), kIdle);
    EXPECT_EQ(m_window->StatusText(), m_driveStatus);
    RunFor(200ms);
    streams = m_sound.Streams();
    ASSERT_EQ(streams.size(), 3u);
    EXPECT_GT(streams[2].size(), 0u);
    EXPECT_LT(streams[2].size(), Track(2).size());
    EXPECT_FALSE(m_window->IsPlaying());  // the aborted play's notice changes nothing
}

TEST_F(CdPlayback, WithoutASoundServerTheStateTableStillHolds) {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/brisklark/native", 1);
    PulseSoundSystem pulse("Brisklark test", "CD audio");
    Start(pulse);
    PlayRow(1);
    EXPECT_EQ(m_window->StatusText(), "Play Track02");
    EXPECT_EQ(State(), kPlaying);
    m_window->Pause();
    EXPECT_EQ(State(), kPaused);
    m_window->Stop();
    ::unsetenv("PULSE_SERVER");
    EXPECT_EQ(State(), kIdle);
    EXPECT_EQ(m_window->StatusText(), m_driveStatus);
}

TEST_F(CdPlayback, SwitchingTheDriveEndsPlaybackFirst) {
    Start(m_sound);
    PlayRow(0);
    RunFor(200ms);
    m_window->SwitchDrive(0);
    EXPECT_FALSE(m_window->IsPlaying());
    EXPECT_EQ(m_window->StatusText(), m_driveStatus);
    const std::size_t played = m_sound.Streams().at(0).size();
    RunFor(200ms);
    EXPECT_EQ(m_sound.Streams().at(0).size(), played);
    EXPECT_LT(played, Track(1).size());
}
