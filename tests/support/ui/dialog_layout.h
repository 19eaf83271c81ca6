// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class QWidget;

// One line per visible control of the window that is smaller than its text
// needs (its size hint), sticks out of its parent, or overlaps a visible
// sibling; empty when nothing is cut off or covered. Controls inside
// composite controls (a combo box's field, a list's scroll bars) are left to
// their owner.
[[nodiscard]] std::vector<std::string> LayoutProblems(const QWidget& window);

// Saves what the window shows as screenshots/<name>.png in the working folder,
// with "_<tag>" appended when BRISKLARK_SCREENSHOT_TAG is set; the file's path.
std::filesystem::path SaveScreenshot(QWidget& window, const std::string& name);
