// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <optional>

#include "app/hand_overs.h"

class QAction;
class QLineEdit;
class QPushButton;

// The small modal dialog in which the user renames one track: the title in
// eName, all of it selected when shown so that typing replaces it, and "&OK"
// only while the field holds text. GUI thread only.
class TfrmEditTrackName final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditTrackName(QWidget* parent, const QString& title);

    [[nodiscard]] QString Title() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateOK();

    QLineEdit* eName = nullptr;
    QAction* aOK = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCancel = nullptr;
};

// Opens the title editor modally over the main window.
class ModalTitleEditor final : public TitleEditorOpener {
public:
    [[nodiscard]] std::optional<QString> EditTitle(QWidget* parent, const QString& title) override;
};
