// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TCDAudioPlayer plays tracks of the disc in a drive through the sound
// system: a thread of its own reads the sectors through the CD access module
// and writes their PCM to a sound output. It works the same for real drives
// and disc images, since no drive's own audio output is involved.
//
// Positions are in track/minute/second/frame form, packed as one number
// (track in the low byte, then minute, second and frame): TrackPosition(n)
// is track n at 00:00:00.
//
// Threads: every public call on the GUI thread; the play thread reads the
// drive, writes the sound output and posts the completion notice. The GUI
// thread touches the drive handle and the output only while no play thread
// runs; pause, end requests and the play position are shared under a mutex.
// Ownership: the player owns its sound output and play thread, never the
// drive handle (the main window's), the sound system or the notify target.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound/sound_output.h"
#include "base/message_target.h"
#include "cd/access/cd_access.h"
#include "cd/player/cd_audio_player.h"

// The completion notice, posted when a play ends; WParam is a TPlayResult.
inline constexpr std::uint32_t WM_CDPLAYNOTIFY = 953;

enum TPlayResult : std::int64_t {
    prSuccessful = 1,  // every sector of the range was played and heard
    prSuperseded = 2,  // another play replaced it
    prAborted = 4,     // stopped or closed
    prFailed = 8,      // a sector could not be read or the sound output failed
};

// Sectors per read (1/15 s of audio): how far a pause or stop may run on.
inline constexpr std::uint32_t kPlaySectorsPerRead = 5;

class TCDAudioPlayer final : public CdAudioPlayer {
public:
    // sound and notifyWindow (null: no notices) must outlive the player.
    TCDAudioPlayer(SoundSystem& sound, MessageTarget* notifyWindow);
    // Closes the device.
    ~TCDAudioPlayer() override;
    TCDAudioPlayer(const TCDAudioPlayer&) = delete;
    TCDAudioPlayer& operator=(const TCDAudioPlayer&) = delete;

    // Reads the drive's table of contents and opens a sound output; an open
    // device is closed first. False when either fails (see LastError).
    bool Open(TCDHandle drive) override;
    [[nodiscard]] std::optional<std::int64_t> TrackPosition(int track) override;
    // Starts a play of [from, to) on the play thread; a running play ends
    // as superseded first. False when not open or the range is not on the disc.
    bool Play(std::int64_t from, std::optional<std::int64_t> to) override;
    // Plays from the first sector the last play did not reach to that
    // play's end. False when there is nothing left to play.
    bool PlayFromCurrent() override;
    // Stops feeding the sound output after the sector being played; what the
    // sound server holds still sounds. False when no play is running.
    bool Pause() override;
    // Goes on with the next unplayed sector. False when not paused.
    bool Resume() override;
    [[nodiscard]] bool IsPaused() const override;
    // Ends a running play as aborted, dropping what the server still holds,
    // and returns once the play thread has ended. False when not open.
    bool Stop() override;
    // Stops and releases the sound output. Nothing happens when not open.
    void Close() override;

    // Why the last Open failed.
    [[nodiscard]] const std::string& LastError() const { return m_lastError; }

private:
    struct PlayRequest {
        std::uint32_t from = 0;
        std::uint32_t to = 0;
    };

    [[nodiscard]] bool IsOpen() const { return m_drive != 0; }
    // The logical sector of a position; the disc's end only when allowEnd.
    [[nodiscard]] std::optional<std::uint32_t> SectorOf(std::int64_t position, bool allowEnd) const;
    void StartPlay(PlayRequest request);
    // Asks a play thread to end with this result (unless it already ended
    // by itself) and joins it.
    void EndPlay(TPlayResult result);
    void RunPlay(PlayRequest request);
    [[nodiscard]] TPlayResult PlayRange(PlayRequest request);
    [[nodiscard]] bool PlaySectors(std::uint32_t start, std::uint32_t count);

    SoundSystem& m_sound;
    MessageTarget* const m_notifyWindow;
    TCDHandle m_drive = 0;
    // Track starts in logical sectors, then the disc's end.
    std::vector<std::uint32_t> m_trackStarts;
    std::unique_ptr<SoundOutput> m_output;
    std::string m_lastError;
    PlayRequest m_lastPlay;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;  // a play thread is playing
    bool m_paused = false;
    std::optional<TPlayResult> m_endRequest;
    std::uint32_t m_nextSector = 0;  // first sector the play has not written
    std::thread m_thread;
};
