// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/user_prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kCaption = QStringLiteral("Brisklark");

// Centres a dialog on its screen once it is shown, keeping its size.
void CentreOnScreenWhenShown(QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
        const QScreen* screen =
            dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return;
        }
        const QRect area = screen->geometry();
        dialog.move(area.x() + (area.width() - dialog.width()) / 2,
                    area.y() + (area.height() - dialog.height()) / 2);
    });
}

}  // namespace

void QtUserPrompts::Information(const QString& text) {
    QMessageBox::information(m_parent, kCaption, text);
}

void QtUserPrompts::Error(const QString& text) {
    QMessageBox::critical(m_parent, kCaption, text);
}

bool QtUserPrompts::Question(const QString& text) {
    QMessageBox box(QMessageBox::Information, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    return box.exec() == QMessageBox::Yes;
}

QString QtUserPrompts::ChooseFolder(const QString& title, const QString& startFolder) {
    const QString start = QFileInfo(startFolder).isDir()
                              ? startFolder
                              : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QFileDialog dialog(m_parent, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    CentreOnScreenWhenShown(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

QStringList QtUserPrompts::ChooseFiles(const QString& title, const QString& filter) {
    QFileDialog dialog(m_parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(NameFiltersFromPairs(filter));
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

QStringList NameFiltersFromPairs(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        const bool namesPattern = name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'));
        filters << (namesPattern ? name : QStringLiteral("%1 (%2)").arg(name, pattern));
    }
    return filters;
}
