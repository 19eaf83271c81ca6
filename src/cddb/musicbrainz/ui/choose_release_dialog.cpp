// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/ui/choose_release_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { kArtist, kTitle, kCountry, kDate, kLabel, kFormat, kDisc, kTracks, kColumnCount };

// A column as wide as its longest text, but a very long title (network text)
// does not push the others out of sight; in pixels.
constexpr int kWidestColumn = 280;
// The list opens wide enough for its columns, up to this many pixels.
constexpr int kWidestList = 960;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// "2 of 3"; the number alone when the total is unknown; empty when both are.
QString DiscText(const TMbCandidate& candidate) {
    if (candidate.discNumber <= 0) {
        return {};
    }
    if (candidate.discTotal <= 0) {
        return QString::number(candidate.discNumber);
    }
    return QStringLiteral("%1 of %2").arg(candidate.discNumber).arg(candidate.discTotal);
}

QString TracksText(const TMbCandidate& candidate) {
    return candidate.trackCount > 0 ? QString::number(candidate.trackCount) : QString();
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmChooseRelease::TfrmChooseRelease(QWidget* parent, const std::vector<TMbCandidate>& candidates)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmChooseRelease"));
    setWindowTitle(QStringLiteral("Choose the release"));
    BuildControls();
    FillRows(candidates);
    SizeColumns();
}

void TfrmChooseRelease::BuildControls() {
    lvReleases = new QTreeWidget(this);
    lvReleases->setObjectName(QStringLiteral("lvReleases"));
    lvReleases->setRootIsDecorated(false);
    lvReleases->setItemsExpandable(false);
    lvReleases->setUniformRowHeights(true);
    lvReleases->setSelectionMode(QAbstractItemView::SingleSelection);
    lvReleases->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvReleases->setHeaderLabels({QStringLiteral("Artist"), QStringLiteral("Title"),
                                 QStringLiteral("Country"), QStringLiteral("Date"),
                                 QStringLiteral("Label"), QStringLiteral("Format"),
                                 QStringLiteral("Disc"), QStringLiteral("Tracks")});

    lMatches = new QLabel(QStringLiteral("Several releases match the disc. Choose the &release "
                                         "you have:"),
                          this);
    lMatches->setObjectName(QStringLiteral("lMatches"));
    lMatches->setTextFormat(Qt::PlainText);
    lMatches->setBuddy(lvReleases);
    lvReleases->setAccessibleName(
        QStringLiteral("Several releases match the disc. Choose the release you have:"));

    bUse = MakeButton(this, "bUse", QStringLiteral("&Use"));
    bUse->setDefault(true);
    bCancel = MakeButton(this, "bCancel", QStringLiteral("Cancel"));
    connect(bUse, &QPushButton::clicked, this, &QDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter on a row reaches the dialog, which presses the default button;
    // a disabled one swallows it, so Enter with no row selected does nothing.
    connect(lvReleases, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(lvReleases, &QTreeWidget::itemSelectionChanged, this, &TfrmChooseRelease::UpdateUse);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bUse);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lMatches);
    layout->addWidget(lvReleases);
    layout->addLayout(buttons);
}

void TfrmChooseRelease::FillRows(const std::vector<TMbCandidate>& candidates) {
    for (const TMbCandidate& candidate : candidates) {
        auto* row = new QTreeWidgetItem(lvReleases);
        row->setText(kArtist, Text(candidate.artist));
        row->setText(kTitle, Text(candidate.title));
        row->setText(kCountry, Text(candidate.country));
        row->setText(kDate, Text(candidate.date));
        row->setText(kLabel, Text(candidate.label));
        row->setText(kFormat, Text(candidate.format));
        row->setText(kDisc, DiscText(candidate));
        row->setText(kTracks, TracksText(candidate));
    }
    if (!candidates.empty()) {
        lvReleases->setCurrentItem(lvReleases->topLevelItem(0));
    }
    UpdateUse();
    lvReleases->setFocus();
}

void TfrmChooseRelease::SizeColumns() {
    for (int column = 0; column < kColumnCount; ++column) {
        lvReleases->resizeColumnToContents(column);
        lvReleases->setColumnWidth(column,
                                   std::min(lvReleases->columnWidth(column), kWidestColumn));
    }
    const int chrome =
        2 * lvReleases->frameWidth() +
        lvReleases->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvReleases);
    lvReleases->setMinimumWidth(std::min(lvReleases->header()->length() + chrome, kWidestList));
}

void TfrmChooseRelease::UpdateUse() {
    bUse->setEnabled(!lvReleases->selectedItems().isEmpty());
}

// The rows are never sorted or moved: a row's index is its candidate's.
std::optional<std::size_t> TfrmChooseRelease::SelectedPosition() const {
    const QList<QTreeWidgetItem*> selected = lvReleases->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(lvReleases->indexOfTopLevelItem(selected.front()));
}

std::optional<std::size_t> ChooseReleaseModally(QWidget* parent,
                                                const std::vector<TMbCandidate>& candidates) {
    if (candidates.empty()) {
        return std::nullopt;
    }
    TfrmChooseRelease dialog(parent, candidates);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.SelectedPosition();
}
