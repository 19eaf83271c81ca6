// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seams between the main window and the windows it opens. Each window
// that a command opens is reached through one small interface here; the
// program wires the real windows in main.cpp, tests wire recording stand-ins.
// A command whose window is not wired ends after its checks.
// Every call happens on the GUI thread; the calls that open a window return
// when its modal run ends.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "settings/disc_cache.h"

class QWidget;

// The rip window: rips the items ("07Intro": two-digit track position, then
// the title) from the drive behind cdHandle and tags the files with the
// main window's disc fields.
class RipWindowOpener {
public:
    virtual ~RipWindowOpener() = default;
    virtual void RunRip(QWidget* parent, TCDHandle cdHandle, const std::vector<std::string>& items,
                        const TDiscFields& discFields) = 0;
};

// What the CDDB dialog may change in the main window while applying an answer.
class DiscFieldsTarget {
public:
    virtual ~DiscFieldsTarget() = default;
    virtual void ClearDiscFields() = 0;
    virtual void SetArtistText(const QString& text) = 0;
    virtual void SetAlbumText(const QString& text) = 0;
    virtual void SetYearText(const QString& text) = 0;
    // Position in the genre list, -1 for no selection.
    virtual void SelectGenre(int position) = 0;
    // Rows outside the list are ignored.
    virtual void SetTrackTitle(int row, const QString& title) = 0;
};

// The CDDB query dialog for the disc whose table of contents spans
// firstTrack..lastTrack.
class CddbDialogOpener {
public:
    virtual ~CddbDialogOpener() = default;
    virtual void RunQueryCddb(QWidget* parent, std::uint8_t firstTrack, std::uint8_t lastTrack,
                              TCDHandle cdHandle, DiscFieldsTarget& target) = 0;
};

// What the options dialog may ask of the main window after "OK".
class OptionsTarget {
public:
    virtual ~OptionsTarget() = default;
    // Opens the drive at this position of the drive list, rebuilds the track
    // list and remembers the new status text as the one playback restores.
    virtual void SwitchDrive(int position) = 0;
    // Shows the output format and folder of the settings record.
    virtual void ShowOutputSettings() = 0;
};

class OptionsDialogOpener {
public:
    virtual ~OptionsDialogOpener() = default;
    virtual void RunOptions(QWidget* parent, OptionsTarget& target) = 0;
};

// The track title editor: the edited title when confirmed, nothing otherwise.
class TitleEditorOpener {
public:
    virtual ~TitleEditorOpener() = default;
    [[nodiscard]] virtual std::optional<QString> EditTitle(QWidget* parent,
                                                           const QString& title) = 0;
};

// The batch file converter for the conversion kind (menu tag 2..10).
class FileConverterOpener {
public:
    virtual ~FileConverterOpener() = default;
    virtual void RunConverter(QWidget* parent, const QStringList& files, int kind) = 0;
};

// The WAV resample tool.
class ResampleToolOpener {
public:
    virtual ~ResampleToolOpener() = default;
    virtual void RunResampleTool(QWidget* parent) = 0;
};

// The CD audio player that plays tracks of the disc through the sound system.
// Positions are opaque to the main window: it only hands back what
// TrackPosition gave.
class CdAudioPlayer {
public:
    virtual ~CdAudioPlayer() = default;
    // Opens the default CD audio device with track/minute/second/frame times.
    virtual bool Open() = 0;
    // Start position of a track counted from 1; nothing on failure.
    [[nodiscard]] virtual std::optional<std::int64_t> TrackPosition(int track) = 0;
    // Plays from `from` to `to` (to the end of the disc without `to`). The
    // player's owner reports the end of a play to the main window's
    // CdPlaybackCompleted on the GUI thread.
    virtual bool Play(std::int64_t from, std::optional<std::int64_t> to) = 0;
    // Plays on from the current position.
    virtual bool PlayFromCurrent() = 0;
    virtual bool Pause() = 0;
    virtual bool Resume() = 0;
    [[nodiscard]] virtual bool IsPaused() const = 0;
    virtual bool Stop() = 0;
    virtual void Close() = 0;
};

// The wired windows; null members are windows not built yet. Not owned.
struct MainWindowHandOvers {
    RipWindowOpener* rip = nullptr;
    CddbDialogOpener* cddb = nullptr;
    OptionsDialogOpener* options = nullptr;
    TitleEditorOpener* titleEditor = nullptr;
    FileConverterOpener* converter = nullptr;
    ResampleToolOpener* resampleTool = nullptr;
    CdAudioPlayer* player = nullptr;
};
