// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The choice among the releases that match the disc: one row per candidate
// (artist, title, country, date, label, format, "disc N of M", tracks), the
// first selected. "Use", Enter or a double-click takes the selected row;
// "Cancel" or Escape takes none. The texts come from the network and are
// shown as plain text.
//
// Threads: GUI thread.

#include <QDialog>

#include <cstddef>
#include <optional>
#include <vector>

#include "cddb/musicbrainz/musicbrainz_choice.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class TfrmChooseRelease final : public QDialog {
    Q_OBJECT

public:
    TfrmChooseRelease(QWidget* parent, const std::vector<TMbCandidate>& candidates);

    // The position in the candidates of the selected row, if any.
    [[nodiscard]] std::optional<std::size_t> SelectedPosition() const;

private:
    void BuildControls();
    void FillRows(const std::vector<TMbCandidate>& candidates);
    void SizeColumns();
    void UpdateUse();

    QLabel* lMatches = nullptr;
    QTreeWidget* lvReleases = nullptr;
    QPushButton* bUse = nullptr;
    QPushButton* bCancel = nullptr;
};

// Runs the dialog modally over parent: the position of the chosen candidate,
// nothing when the user cancels or there is nothing to choose from.
[[nodiscard]] std::optional<std::size_t> ChooseReleaseModally(
    QWidget* parent, const std::vector<TMbCandidate>& candidates);
