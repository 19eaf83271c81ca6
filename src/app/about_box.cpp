// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/jpeg_image.h"
#include "base/program_info.h"

namespace {

QByteArray ReadResource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Brisklark"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgPicture"));
    picture->setPixmap(
        QPixmap::fromImage(DecodeJpeg(ReadResource(QStringLiteral(":/app/about.jpg")))));

    auto* name = new QLabel(QStringLiteral("<b>Brisklark</b>"), this);
    name->setObjectName(QStringLiteral("lProgramName"));
    QFont nameFont = name->font();
    nameFont.setPointSize(nameFont.pointSize() + 6);
    name->setFont(nameFont);
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(kProgramVersion)), this);
    version->setObjectName(QStringLiteral("lVersion"));
    auto* blurb = new QLabel(
        QStringLiteral("Audio-CD ripper and audio-file converter\nTamberlyn Software"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("bOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(blurb);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(texts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setLayout(layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
