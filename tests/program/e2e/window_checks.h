// The checks of a shown window's layout, shared by the offscreen layout
// test and the test on a real desktop.
#pragma once

#include "e2e/window_tour.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <algorithm>

namespace window_checks {

// The smallest screen the program is made for, less the title bar the
// desktop puts over a window and a panel along one edge of the screen.
inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;
inline constexpr int kTitleBar = 32;
inline constexpr int kPanel = 40;

inline QString where(const QWidget* widget) {
    return widget->window()->objectName() + "." + widget->objectName();
}

// The controls of a window as its layout names them: the widgets Qt makes
// inside a control (a combo's edit, a scroll area's viewport) are left out.
inline QList<QWidget*> namedControls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !child->isVisible()) {
            continue;
        }
        bool inner = false;
        for (QWidget* up = child->parentWidget(); up && up != window; up = up->parentWidget()) {
            if (qobject_cast<QComboBox*>(up) || qobject_cast<QAbstractScrollArea*>(up)) {
                inner = true;
            }
        }
        if (!inner) {
            controls.append(child);
        }
    }
    return controls;
}

// The width a line edit gives its text, and the width its text needs.
inline int textRoom(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    // QLineEdit keeps two pixels on each side of its text.
    return contents.width() - margins.left() - margins.right() - 4;
}

inline int textRoom(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.rect = combo->rect();
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    return field.width() - (combo->isEditable() ? 4 : 0);
}

inline int textWidth(const QWidget* widget, QString text) {
    text.remove(QLatin1Char('&'));
    return widget->fontMetrics().horizontalAdvance(text);
}

// Checks the controls of a shown window: each lies inside the window and
// inside the control that holds it, and no text is cut.
void checkControls(const TourStop& stop);

// Checks one window as it is shown: it fits the small screen with room for
// a title bar, and its controls pass checkControls.
inline void checkFits(const TourStop& stop) {
    TForm* window = stop.form;
    SCOPED_TRACE((stop.formName + " " + stop.picture).toStdString());
    checkControls(stop);
    if (window->isMaximized()) {
        // A maximised window takes the screen it is on; it must be able to
        // take the small one.
        EXPECT_LE(window->minimumSizeHint().width(), kScreenWidth);
        EXPECT_LE(window->minimumSizeHint().height(), kScreenHeight - kTitleBar - kPanel);
    } else {
        EXPECT_LE(window->frameGeometry().width(), kScreenWidth) << stop.formName.toStdString();
        EXPECT_LE(window->frameGeometry().height(), kScreenHeight - kTitleBar - kPanel)
            << stop.formName.toStdString();
    }
}

inline void checkControls(const TourStop& stop) {
    TForm* window = stop.form;
    const QRect client = window->rect();
    // A layout squeezed below its minimum eats its margins and then its
    // controls.
    if (QWidget* central = window->centralWidget(); central && central->layout()) {
        const QSize least = central->minimumSizeHint();
        EXPECT_GE(central->width(), least.width()) << stop.formName.toStdString();
        EXPECT_GE(central->height(), least.height()) << stop.formName.toStdString();
    }
    for (QWidget* control : namedControls(window)) {
        const QRect inWindow(control->mapTo(window, QPoint(0, 0)), control->size());
        EXPECT_TRUE(client.contains(inWindow))
            << where(control).toStdString() << " at " << inWindow.x() << "," << inWindow.y() << " "
            << inWindow.width() << "x" << inWindow.height() << " outside the window "
            << client.width() << "x" << client.height();
        if (QWidget* holder = control->parentWidget(); holder && holder != window) {
            EXPECT_TRUE(holder->rect().contains(control->geometry()))
                << where(control).toStdString() << " sticks out of " << where(holder).toStdString();
        }

        if (auto* label = qobject_cast<QLabel*>(control)) {
            if (label->text().isEmpty()) {
                continue;
            }
            if (label->wordWrap()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << where(label).toStdString() << " \"" << label->text().toStdString() << "\"";
            } else {
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << where(label).toStdString() << " \"" << label->text().toStdString() << "\"";
                EXPECT_GE(label->height(), label->fontMetrics().height())
                    << where(label).toStdString();
            }
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            EXPECT_GE(box->width(), box->sizeHint().width()) << where(box).toStdString();
        } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            EXPECT_GE(radio->width(), radio->sizeHint().width()) << where(radio).toStdString();
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_GE(button->width(), button->sizeHint().width())
                << where(button).toStdString() << " \"" << button->text().toStdString() << "\"";
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            EXPECT_GE(textRoom(edit), textWidth(edit, edit->text()))
                << where(edit).toStdString() << " cuts \"" << edit->text().toStdString() << "\"";
            EXPECT_GE(edit->height(), edit->minimumSizeHint().height())
                << where(edit).toStdString();
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            EXPECT_GE(textRoom(combo), textWidth(combo, combo->currentText()))
                << where(combo).toStdString() << " cuts \"" << combo->currentText().toStdString()
                << "\"";
        }
    }
}

// The tallest band across a window's central area where no control stands.
inline int largestEmptyBand(TForm* window) {
    QWidget* central = window->centralWidget();
    QList<QPair<int, int>> spans;
    for (QWidget* control : namedControls(central)) {
        if (control->parentWidget() != central) {
            continue;
        }
        const int top = control->mapTo(central, QPoint(0, 0)).y();
        spans.append({top, top + control->height()});
    }
    std::sort(spans.begin(), spans.end());
    int reached = 0;
    int largest = 0;
    for (const auto& [top, bottom] : spans) {
        largest = std::max(largest, top - reached);
        reached = std::max(reached, bottom);
    }
    return std::max(largest, central->height() - reached);
}

}  // namespace window_checks
