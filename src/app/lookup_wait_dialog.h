// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The modal wait of a lookup the user asked for: a line of text and "Stop".
// Its owner closes it with Accepted when the answer has come; "Stop",
// Escape and the window's close button end it with Rejected. GUI thread.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmLookupWait final : public QDialog {
    Q_OBJECT

public:
    TfrmLookupWait(QWidget* owner, const QString& title, const QString& text);

private:
    QLabel* lWaiting = nullptr;
    QPushButton* bStop = nullptr;
};
