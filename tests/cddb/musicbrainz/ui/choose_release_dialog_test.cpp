// SPDX-License-Identifier: GPL-3.0-or-later
// The release choice on the offscreen platform, driven by key presses and
// mouse clicks as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cddb/musicbrainz/ui/choose_release_dialog.h"
#include "support/ui/dialog_layout.h"
#include "support/ui/qt_environment.h"

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_musicbrainz_ui", QtEnvironment::Pipeline::Unused));

TMbCandidate Candidate(std::string title, std::string country, std::string date, std::string label,
                       std::string format, int discNumber, int discTotal, int trackCount) {
    TMbCandidate candidate;
    candidate.artist = "Ada Quill & The Tides";
    candidate.title = std::move(title);
    candidate.country = std::move(country);
    candidate.date = std::move(date);
    candidate.label = std::move(label);
    candidate.format = std::move(format);
    candidate.discNumber = discNumber;
    candidate.discTotal = discTotal;
    candidate.trackCount = trackCount;
    return candidate;
}

QTreeWidget* Releases(const QWidget& dialog) {
    return dialog.findChild<QTreeWidget*>(QStringLiteral("lvReleases"));
}

// Each row's texts, column by column.
std::vector<std::vector<std::string>> Rows(const QTreeWidget& list) {
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(list.topLevelItemCount()));
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < list.columnCount(); ++column) {
            rows[row].push_back(
                list.topLevelItem(static_cast<int>(row))->text(column).toStdString());
        }
    }
    return rows;
}

void PressKey(QWidget& dialog, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(dialog.focusWidget(), &press);
}

void DoubleClickRow(QWidget& dialog, int row) {
    QTreeWidget* list = Releases(dialog);
    const QPointF at = list->visualItemRect(list->topLevelItem(row)).center();
    const QPointF global = list->viewport()->mapToGlobal(at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
    }
}

// Runs the choice modally as the program does, with `act` done by the user.
std::optional<std::size_t> ChosenAfter(const std::vector<TMbCandidate>& candidates,
                                       const char* name,
                                       const std::function<void(QWidget& dialog)>& act) {
    QTimer::singleShot(0, [name, &act] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        // A step that left the dialog open must not hang the test.
        if (dialog->isVisible()) {
            ADD_FAILURE() << name << " left the dialog open";
            dialog->close();
        }
    });
    return ChooseReleaseModally(nullptr, candidates);
}

}  // namespace

TEST(ChooseReleaseDialog, ShowsEveryCandidateAndReturnsTheRowTheUserTakes) {
    const std::vector<TMbCandidate> candidates = {
        Candidate("Harbour Lights", "GB", "1998-04-06", "Northgate, Blue Fen", "CD", 2, 3, 12),
        Candidate("Harbour Lights <b>Remastered</b>", "", "2011", "", "Digital Media", 0, 0, 0),
        Candidate("Harbour Lights", "US", "1998", "Tidewater", "Enhanced CD", 1, 0, 13),
    };
    const std::vector<std::vector<std::string>> rows = {
        {"Ada Quill & The Tides", "Harbour Lights", "GB", "1998-04-06", "Northgate, Blue Fen", "CD",
         "2 of 3", "12"},
        {"Ada Quill & The Tides", "Harbour Lights <b>Remastered</b>", "", "2011", "",
         "Digital Media", "", ""},
        {"Ada Quill & The Tides", "Harbour Lights", "US", "1998", "Tidewater", "Enhanced CD", "1",
         "13"},
    };
    {
        TfrmChooseRelease dialog(nullptr, candidates);
        dialog.show();
        QApplication::processEvents();
        const QTreeWidget* list = Releases(dialog);
        EXPECT_EQ(Rows(*list), rows);
        EXPECT_EQ(dialog.focusWidget(), list);
        SaveScreenshot(dialog, "choose_release");
        EXPECT_EQ(LayoutProblems(dialog), std::vector<std::string>{});
    }

    struct Case {
        const char* name;
        std::function<void(QWidget& dialog)> act;
        std::optional<std::size_t> chosen;
    };
    const std::vector<Case> cases = {
        {"Enter", [](QWidget& dialog) { PressKey(dialog, Qt::Key_Return); }, 0},
        {"Down, Enter",
         [](QWidget& dialog) {
             PressKey(dialog, Qt::Key_Down);
             PressKey(dialog, Qt::Key_Enter);
         },
         1},
        {"Down, Escape",
         [](QWidget& dialog) {
             PressKey(dialog, Qt::Key_Down);
             PressKey(dialog, Qt::Key_Escape);
         },
         std::nullopt},
        {"double-click", [](QWidget& dialog) { DoubleClickRow(dialog, 2); }, 2},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(ChosenAfter(candidates, test.name, test.act), test.chosen) << test.name;
    }
}
