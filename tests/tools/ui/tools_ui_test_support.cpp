// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools_ui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>

#include "support/ui/qt_environment.h"

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_tools_ui", QtEnvironment::Pipeline::RunsPipelineCalls));

}  // namespace

bool ProcessEventsUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(120000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
