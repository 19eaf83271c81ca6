// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Brisklark: hands over to an already running program if there is one,
// otherwise shows the main window and runs until it closes.
#include <QApplication>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/user_prompts.h"
#include "audio/core/ui/pipeline_wake_up.h"
#include "cd/ui/rip_window.h"
#include "settings/app_paths.h"
#include "settings/options_setting.h"

namespace {

// Runs the rip window modally over the main window; the window (and the
// pipeline components it owns) is destroyed when the modal run ends.
class ModalRipWindow final : public RipWindowOpener {
public:
    void RunRip(QWidget* parent, TCDHandle cdHandle, const std::vector<std::string>& items,
                const TDiscFields& discFields) override {
        TfrmCDRip window(parent, cdHandle, items, OptionsSetting, discFields);
        window.exec();
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisklark"));
    if (SingleInstance::NotifyRunningInstance()) {
        return 0;
    }
    InstallPipelineWakeUp();
    QtUserPrompts prompts(nullptr);
    ModalRipWindow ripWindow;
    MainWindowHandOvers handOvers;
    handOvers.rip = &ripWindow;
    TfrmMain window(ProgramPaths(), prompts, handOvers);
    prompts.SetParent(&window);
    SingleInstance instance(&window);
    window.show();
    return QApplication::exec();
}
