// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Brisklark: hands over to an already running program if there is one,
// otherwise shows the main window and runs until it closes.
#include <QApplication>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/user_prompts.h"
#include "settings/app_paths.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisklark"));
    if (SingleInstance::NotifyRunningInstance()) {
        return 0;
    }
    QtUserPrompts prompts(nullptr);
    TfrmMain window(ProgramPaths(), prompts, MainWindowHandOvers{});
    prompts.SetParent(&window);
    SingleInstance instance(&window);
    window.show();
    return QApplication::exec();
}
