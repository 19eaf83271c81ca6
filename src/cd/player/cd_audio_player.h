// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "cd/access/cd_access.h"

// The CD audio device as the main window drives it: open it on a drive, ask
// where tracks start, play a range, pause, resume, stop, close. Positions are
// opaque to the caller: it only hands back what TrackPosition gave. The end
// of a play is reported separately, by the player's owner, to the main
// window's CdPlaybackCompleted on the GUI thread. GUI thread only.
class CdAudioPlayer {
public:
    virtual ~CdAudioPlayer() = default;
    // Opens the device on the drive behind the handle with
    // track/minute/second/frame times. False when it cannot be opened.
    virtual bool Open(TCDHandle drive) = 0;
    // Start position of a track counted from 1; nothing on failure.
    [[nodiscard]] virtual std::optional<std::int64_t> TrackPosition(int track) = 0;
    // Plays from `from` to `to` (to the end of the disc without `to`),
    // superseding a play still running.
    virtual bool Play(std::int64_t from, std::optional<std::int64_t> to) = 0;
    // Plays on from the current position.
    virtual bool PlayFromCurrent() = 0;
    virtual bool Pause() = 0;
    virtual bool Resume() = 0;
    [[nodiscard]] virtual bool IsPaused() const = 0;
    // False when no device is open.
    virtual bool Stop() = 0;
    virtual void Close() = 0;
};
