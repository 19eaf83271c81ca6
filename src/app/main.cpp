// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Brisklark: hands over to an already running program if there is one,
// otherwise shows the main window and runs until it closes.
#include <QApplication>
#include <QIcon>

#include "app/cd_playback_notices.h"
#include "app/edit_track_name.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/user_prompts.h"
#include "audio/core/ui/pipeline_wake_up.h"
#include "audio/sound/pulse_sound.h"
#include "cd/player/cd_player.h"
#include "cd/ui/rip_window.h"
#include "cddb/musicbrainz/ui/choose_release_dialog.h"
#include "cddb/ui/query_cddb_dialog.h"
#include "settings/app_paths.h"
#include "settings/options_setting.h"
#include "settings/ui/options_dialog.h"
#include "tools/ui/encode_progress_window.h"
#include "tools/ui/wav_resample_window.h"

namespace {

// Runs the rip window modally over the main window; the window (and the
// pipeline components it owns) is destroyed when the modal run ends.
class ModalRipWindow final : public RipWindowOpener {
public:
    std::string RunRip(QWidget* parent, TCDHandle cdHandle, const std::vector<std::string>& items,
                       const DiscInfo& disc) override {
        TfrmCDRip window(parent, cdHandle, items, OptionsSetting, disc);
        window.exec();
        return window.CheckSummary();
    }
};

// Runs the WAV resample tool modally over the main window; the tool and its
// pipeline are destroyed when the modal run ends.
class ModalResampleTool final : public ResampleToolOpener {
public:
    void RunResampleTool(QWidget* parent) override {
        TfrmWavResample window(parent);
        window.exec();
    }
};

// Runs the CDDB query dialog modally; it changes the settings record's
// connection and, through the target, the main window's disc fields.
class ModalCddbDialog final : public CddbDialogOpener {
public:
    void RunQueryCddb(QWidget* parent, std::uint8_t firstTrack, std::uint8_t lastTrack,
                      TCDHandle cdHandle, DiscFieldsTarget& target) override {
        TfrmQueryCDDB dialog(parent, firstTrack, lastTrack, cdHandle, OptionsSetting.QueryCDDB,
                             target);
        dialog.exec();
    }
};

// Runs the file converter modally over the main window; the window and the
// pipeline it owns are destroyed when the modal run ends.
class ModalFileConverter final : public FileConverterOpener {
public:
    void RunConverter(QWidget* parent, const QStringList& files, int kind,
                      const DiscInfo& disc) override {
        TfrmEncodeProgress window(parent, files, kind, OptionsSetting, disc);
        window.exec();
    }
};

// Runs the release choice modally over the main window.
class ModalReleaseChoice final : public ReleaseChoiceOpener {
public:
    [[nodiscard]] std::optional<std::size_t> ChooseRelease(
        QWidget* parent, const std::vector<TMbCandidate>& candidates) override {
        return ChooseReleaseModally(parent, candidates);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisklark"));
    // Lets the desktop match the windows to the installed desktop entry and
    // icon, which are named by the application id.
    QApplication::setDesktopFileName(QStringLiteral(BRISKLARK_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(BRISKLARK_APP_ID)));
    if (SingleInstance::NotifyRunningInstance()) {
        return 0;
    }
    InstallPipelineWakeUp();
    QtUserPrompts prompts(nullptr);
    ModalRipWindow ripWindow;
    ModalCddbDialog cddbDialog;
    ModalOptionsDialog optionsDialog({[&prompts](const QString& text) { prompts.Error(text); },
                                      [&prompts](const QString& title, const QString& startFolder) {
                                          return prompts.ChooseFolder(title, startFolder);
                                      }});
    ModalTitleEditor titleEditor;
    // Declared before the player, so the player's thread has ended before
    // the relay of its notices goes.
    CdPlaybackNotices playbackNotices;
    PulseSoundSystem soundSystem("Brisklark", "CD audio");
    TCDAudioPlayer player(soundSystem, &playbackNotices);
    MainWindowHandOvers handOvers;
    handOvers.rip = &ripWindow;
    handOvers.cddb = &cddbDialog;
    handOvers.options = &optionsDialog;
    handOvers.titleEditor = &titleEditor;
    handOvers.player = &player;
    ModalResampleTool resampleTool;
    handOvers.resampleTool = &resampleTool;
    ModalFileConverter fileConverter;
    handOvers.converter = &fileConverter;
    ModalReleaseChoice releaseChoice;
    handOvers.releaseChoice = &releaseChoice;
    TfrmMain window(ProgramPaths(), prompts, handOvers);
    playbackNotices.SetWindow(&window);
    prompts.SetParent(&window);
    SingleInstance instance(&window);
    window.show();
    return QApplication::exec();
}
