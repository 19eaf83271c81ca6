// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit_track_name.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kFieldMinimumWidth = 260;

}  // namespace

TfrmEditTrackName::TfrmEditTrackName(QWidget* parent, const QString& title) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEditTrackName"));
    setWindowTitle(QStringLiteral("Edit Track's Title"));

    auto* group = new QGroupBox(QStringLiteral("Please enter the new track title"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    eName = new QLineEdit(title, group);
    eName->setObjectName(QStringLiteral("eName"));
    eName->setAccessibleName(group->title());
    eName->setMinimumWidth(kFieldMinimumWidth);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(eName);

    aOK = new QAction(QStringLiteral("&OK"), this);
    aOK->setObjectName(QStringLiteral("aOK"));
    connect(aOK, &QAction::triggered, this, &QDialog::accept);
    bOK = new QPushButton(aOK->text(), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    // Enter in eName presses the default button, and a disabled default
    // button swallows it: with an empty field Enter does nothing.
    bOK->setDefault(true);
    connect(bOK, &QPushButton::clicked, aOK, &QAction::trigger);
    connect(aOK, &QAction::changed, bOK, [this] { bOK->setEnabled(aOK->isEnabled()); });
    bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    bCancel->setAutoDefault(false);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(eName, &QLineEdit::textChanged, this, &TfrmEditTrackName::UpdateOK);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    // A fixed dialog border: the size follows the contents only.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateOK();
}

QString TfrmEditTrackName::Title() const {
    return eName->text();
}

void TfrmEditTrackName::UpdateOK() {
    aOK->setEnabled(!eName->text().isEmpty());
}

void TfrmEditTrackName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QWidget* owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->window()->frameGeometry().center());
        move(frame.topLeft());
    }
    eName->selectAll();
    eName->setFocus();
}

std::optional<QString> ModalTitleEditor::EditTitle(QWidget* parent, const QString& title) {
    TfrmEditTrackName dialog(parent, title);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Title();
}
