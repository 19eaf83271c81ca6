// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The options dialog's hand-over: how the program opens it, and what it may
// ask of the main window after "OK". GUI thread.

class QWidget;

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
