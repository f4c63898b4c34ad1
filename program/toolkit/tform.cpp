#include "toolkit/tform.h"

#include "toolkit/activation.h"
#include "toolkit/handlers.h"
#include "toolkit/printer_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

TForm::TForm(QWidget* parent) : QMainWindow(parent) {
    // The tracker stands behind every box from the first form on, also the
    // boxes of a form's creation, before any form has been shown.
    ActivationTracker::instance();
}

void TForm::setBorder(Border border) {
    border_ = border;
    applyBorder();
}

void TForm::applyBorder() {
    Qt::WindowFlags flags = Qt::Window;
    switch (border_) {
        case Border::Sizeable:
        case Border::Single:
            break;
        case Border::SingleDialog:
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint;
            break;
        case Border::SingleNoIcons:
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            break;
    }
    setWindowFlags(flags);
}

void TForm::setDefaultButton(QAbstractButton* button) {
    defaultButton_ = button;
}

void TForm::Show() {
    if (!isVisible()) {
        if (startsMaximized_) {
            // Without a window manager nobody maximises the window but us.
            if (QScreen* target = screen()) {
                setGeometry(target->availableGeometry());
            }
            showMaximized();
        } else {
            show();
        }
    }
    raise();
    ActivationTracker& tracker = ActivationTracker::instance();
    tracker.formShown(this);
    // The activation handler may have raised boxes, whose closing the window
    // manager answers in its own time: the form is put in front again once
    // the handler is done, if it is still the active form.
    tracker.bringToFront(this);
}

void TForm::Close() {
    close();
}

void TForm::create() {
    // Every edit's text may go to the printer: each takes only what the
    // printer's code page has.
    restrictToPrinterText(this);
    // An editable list would keep Enter for itself (and add its text as an
    // entry); the form's lists leave it to the default button.
    for (QComboBox* list : findChildren<QComboBox*>()) {
        list->setInsertPolicy(QComboBox::NoInsert);
        list->installEventFilter(this);
        if (list->lineEdit()) {
            list->lineEdit()->installEventFilter(this);
        }
    }
    runHandler([this] { FormCreate(); }, this);
    if (visibleAtCreation_) {
        Show();
    }
}

bool TForm::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            ActivationTracker::instance().windowSystemActivated(this);
            break;
        case QEvent::NonClientAreaMouseButtonPress:
            ActivationTracker::instance().formClicked(this);
            break;
        default:
            break;
    }
    return QMainWindow::event(event);
}

void TForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (border_ != Border::Sizeable && !startsMaximized_) {
        setFixedSize(size());
    }
    if (screenCentered_ && screen()) {
        move(screen()->availableGeometry().center() - rect().center());
    }
}

void TForm::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (!event->spontaneous()) {
        ActivationTracker::instance().formHidden(this);
    }
}

void TForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (mainForm_ && event->isAccepted()) {
        // Closing the main form ends the program, whatever else is open.
        QApplication::quit();
    }
}

namespace {

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    // The keypad's Enter counts as Enter.
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

bool TForm::pressEnter() {
    // Only a push button takes Enter itself; a focused radio button, check
    // box, edit, list or track bar leaves it to the default button.
    auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
    QAbstractButton* target =
        focused && focused->window() == this ? focused : defaultButton_.data();
    if (target && target->isVisible() && target->isEnabled()) {
        target->click();
        return true;
    }
    return false;
}

void TForm::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event) && pressEnter()) {
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TForm::eventFilter(QObject* watched, QEvent* event) {
    if (isEnter(event)) {
        auto* list = qobject_cast<QComboBox*>(watched);
        if (!list && watched->parent()) {
            list = qobject_cast<QComboBox*>(watched->parent());
        }
        if (list && list->isEditable()) {
            // With no default button the key does nothing, as it would in a
            // window without one.
            pressEnter();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
