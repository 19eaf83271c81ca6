// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Everything the windows ask of the user in a modal box: notices, errors,
// Yes/No questions, picking a folder or files. Windows talk to the user only
// through this service so that tests can answer in place of a user.
// GUI thread only.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void Information(const QString& text) = 0;
    virtual void Error(const QString& text) = 0;
    // True when the user answers Yes.
    [[nodiscard]] virtual bool Question(const QString& text) = 0;
    // The chosen folder's full path, or an empty string when cancelled. The
    // browser opens at startFolder (at the desktop when it is no folder).
    [[nodiscard]] virtual QString ChooseFolder(const QString& title,
                                               const QString& startFolder) = 0;
    // The chosen files, or none when cancelled. The filter is a list of
    // description|pattern pairs separated by '|'.
    [[nodiscard]] virtual QStringList ChooseFiles(const QString& title, const QString& filter) = 0;
};

// The real boxes and dialogs: QMessageBox captioned "Brisklark" and the
// system's file dialogs, modal to the given parent.
class QtUserPrompts final : public UserPrompts {
public:
    explicit QtUserPrompts(QWidget* parent) : m_parent(parent) {}

    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Question(const QString& text) override;
    QString ChooseFolder(const QString& title, const QString& startFolder) override;
    QStringList ChooseFiles(const QString& title, const QString& filter) override;

    void SetParent(QWidget* parent) { m_parent = parent; }

private:
    QWidget* m_parent;  // not owned; may be null
};

// Turns "Sound file(*.wav)|*.wav| Any file(*.*)|*.*" into the name filters of
// a Qt file dialog: "Sound file(*.wav)", "Any file(*.*)". A name that does not
// end in its pattern in brackets gets it appended ("Sound (*.wav)"), as the
// dialog takes the patterns from there.
[[nodiscard]] QStringList NameFiltersFromPairs(const QString& pairs);
