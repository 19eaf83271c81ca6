// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The modal About box: the program's picture, name and version, and OK.
// GUI thread only.
class TfrmAbout final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};
