// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lookup_wait_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmLookupWait::TfrmLookupWait(QWidget* owner, const QString& title, const QString& text)
    : QDialog(owner) {
    setObjectName(QStringLiteral("frmLookupWait"));
    setWindowTitle(title);
    lWaiting = new QLabel(text, this);
    lWaiting->setObjectName(QStringLiteral("lWaiting"));
    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setDefault(true);
    connect(bStop, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bStop);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lWaiting);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
