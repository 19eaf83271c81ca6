// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// What the resample tool asks of the user in modal dialogs; tests answer in
// place of a user. GUI thread only.
class ResampleToolPrompts {
public:
    virtual ~ResampleToolPrompts() = default;
    // The chosen WAV file's full path, or an empty string when cancelled.
    [[nodiscard]] virtual QString ChooseInputFile() = 0;
    // The chosen output name (".wav" or ".wma"), or an empty string.
    [[nodiscard]] virtual QString ChooseOutputFile() = 0;
    virtual void Error(const QString& text) = 0;
};

// The system's "Open" and "Save As" dialogs and an error box captioned
// "Brisklark", modal to the given parent.
class QtResampleToolPrompts final : public ResampleToolPrompts {
public:
    explicit QtResampleToolPrompts(QWidget* parent) : m_parent(parent) {}

    QString ChooseInputFile() override;
    QString ChooseOutputFile() override;
    void Error(const QString& text) override;

private:
    QWidget* m_parent;  // not owned
};
