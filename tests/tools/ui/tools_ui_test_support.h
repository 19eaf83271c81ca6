// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// The window tests' QApplication (running the pipeline's calls to the GUI
// thread) is registered once for the executable by tools_ui_test_support.cpp.

// Runs the Qt event loop until `done` holds; false after two minutes.
bool ProcessEventsUntil(const std::function<bool()>& done);
