// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ui/dialog_layout.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTabBar>
#include <QTabWidget>

#include <cstdlib>

namespace {

// The controls a user reads or operates; anything else is a container or
// part of a composite control.
bool IsControl(const QWidget& widget) {
    return qobject_cast<const QLabel*>(&widget) || qobject_cast<const QAbstractButton*>(&widget) ||
           qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QLineEdit*>(&widget) ||
           qobject_cast<const QAbstractSlider*>(&widget) ||
           qobject_cast<const QGroupBox*>(&widget) ||
           qobject_cast<const QAbstractItemView*>(&widget) ||
           qobject_cast<const QTabWidget*>(&widget);
}

// Parts of composite controls: their owner places them.
bool InsideComposite(const QWidget& widget, const QWidget& window) {
    for (const QWidget* parent = widget.parentWidget(); parent != nullptr && parent != &window;
         parent = parent->parentWidget()) {
        if (qobject_cast<const QComboBox*>(parent) ||
            qobject_cast<const QAbstractSpinBox*>(parent) ||
            qobject_cast<const QAbstractItemView*>(parent) ||
            qobject_cast<const QTabBar*>(parent)) {
            return true;
        }
    }
    return false;
}

// Text controls must get their whole size hint; the others at least their
// minimum.
QSize NeededSize(const QWidget& widget) {
    const bool text = qobject_cast<const QLabel*>(&widget) ||
                      qobject_cast<const QAbstractButton*>(&widget) ||
                      qobject_cast<const QComboBox*>(&widget);
    return text ? widget.sizeHint() : widget.minimumSizeHint();
}

std::string Describe(const QWidget& widget) {
    std::string name = widget.objectName().toStdString();
    if (name.empty()) {
        name = widget.metaObject()->className();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        name += " \"" + label->text().toStdString() + "\"";
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        name += " \"" + button->text().toStdString() + "\"";
    }
    return name;
}

std::string SizeText(const QSize& size) {
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

}  // namespace

std::vector<std::string> LayoutProblems(const QWidget& window) {
    std::vector<const QWidget*> controls;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isVisible() && !widget->isWindow() && IsControl(*widget) &&
            !InsideComposite(*widget, window)) {
            controls.push_back(widget);
        }
    }
    std::vector<std::string> problems;
    for (const QWidget* control : controls) {
        const QSize needed = NeededSize(*control);
        if (control->width() < needed.width() || control->height() < needed.height()) {
            problems.push_back(Describe(*control) + " is " + SizeText(control->size()) +
                               ", needs " + SizeText(needed));
        }
        if (!control->parentWidget()->rect().contains(control->geometry())) {
            problems.push_back(Describe(*control) + " sticks out of " +
                               Describe(*control->parentWidget()));
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->parentWidget() == controls[j]->parentWidget() &&
                controls[i]->geometry().intersects(controls[j]->geometry())) {
                problems.push_back(Describe(*controls[i]) + " overlaps " + Describe(*controls[j]));
            }
        }
    }
    return problems;
}

std::filesystem::path SaveScreenshot(QWidget& window, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::current_path() / "screenshots";
    std::filesystem::create_directories(folder);
    std::string file = name;
    if (const char* tag = std::getenv("BRISKLARK_SCREENSHOT_TAG"); tag != nullptr && *tag != 0) {
        file += std::string("_") + tag;
    }
    const std::filesystem::path path = folder / (file + ".png");
    window.grab().save(QString::fromStdString(path.string()));
    return path;
}
