// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seams between the main window and the windows it opens. Each window
// that a command opens is reached through one small interface here; the
// program wires the real windows in main.cpp, tests wire recording stand-ins.
// A command whose window is not wired ends after its checks. The CD audio
// player's interface lives with the player (cd/cd_audio_player.h); what a
// window may ask back of the main window lives with that window's library
// (DiscFieldsTarget; the options dialog's whole hand-over).
// Every call happens on the GUI thread; the calls that open a window return
// when its modal run ends.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "cd/player/cd_audio_player.h"
#include "cddb/musicbrainz/musicbrainz_choice.h"
#include "cddb/ui/disc_fields_target.h"
#include "disc/disc_info.h"
#include "settings/ui/options_hand_over.h"

class QWidget;

// The rip window: rips the items ("07Intro": two-digit track position, then
// the title) from the drive behind cdHandle and tags the files from the
// disc (the main window's session). Returns the rip's closing line for the
// status bar ("N of M tracks accurately ripped", the log), or nothing.
class RipWindowOpener {
public:
    virtual ~RipWindowOpener() = default;
    virtual std::string RunRip(QWidget* parent, TCDHandle cdHandle,
                               const std::vector<std::string>& items, const DiscInfo& disc) = 0;
};

// The CDDB query dialog for the disc whose table of contents spans
// firstTrack..lastTrack.
class CddbDialogOpener {
public:
    virtual ~CddbDialogOpener() = default;
    virtual void RunQueryCddb(QWidget* parent, std::uint8_t firstTrack, std::uint8_t lastTrack,
                              TCDHandle cdHandle, DiscFieldsTarget& target) = 0;
};

// The track title editor: the edited title when confirmed, nothing otherwise.
class TitleEditorOpener {
public:
    virtual ~TitleEditorOpener() = default;
    [[nodiscard]] virtual std::optional<QString> EditTitle(QWidget* parent,
                                                           const QString& title) = 0;
};

// The batch file converter for the conversion kind (menu tag 2..10); the
// Ogg Vorbis and FLAC outputs are tagged from the disc (the main window's
// session).
class FileConverterOpener {
public:
    virtual ~FileConverterOpener() = default;
    virtual void RunConverter(QWidget* parent, const QStringList& files, int kind,
                              const DiscInfo& disc) = 0;
};

// The WAV resample tool.
class ResampleToolOpener {
public:
    virtual ~ResampleToolOpener() = default;
    virtual void RunResampleTool(QWidget* parent) = 0;
};

// The choice among the releases a MusicBrainz answer offers for the disc:
// the position of the chosen candidate, nothing when the user cancels.
class ReleaseChoiceOpener {
public:
    virtual ~ReleaseChoiceOpener() = default;
    [[nodiscard]] virtual std::optional<std::size_t> ChooseRelease(
        QWidget* parent, const std::vector<TMbCandidate>& candidates) = 0;
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
    ReleaseChoiceOpener* releaseChoice = nullptr;
};
