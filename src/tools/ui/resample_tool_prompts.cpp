// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ui/resample_tool_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

QString QtResampleToolPrompts::ChooseInputFile() {
    QFileDialog dialog(m_parent, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Wave Files (*.wav)"));
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtResampleToolPrompts::ChooseOutputFile() {
    QFileDialog dialog(m_parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(
        {QStringLiteral("Wave Files (*.wav)"), QStringLiteral("Windows Media Files (*.wma)")});
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void QtResampleToolPrompts::Error(const QString& text) {
    QMessageBox::critical(m_parent, QStringLiteral("Brisklark"), text);
}
