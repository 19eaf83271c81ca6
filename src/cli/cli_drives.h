// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// brisklark-cli drives: the CD drives and disc images, numbered as --drive
// takes them.

struct DrivesOptions {
    bool Json = false;  // one JSON object per drive and line
};

// The exit status: kExitFailure when there is no drive at all.
[[nodiscard]] int RunDrives(const DrivesOptions& options);
