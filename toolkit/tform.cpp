#include "toolkit/tform.h"

#include "toolkit/activation.h"
#include "toolkit/handlers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>

TForm::TForm(QWidget* parent) : QMainWindow(parent) {}

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
    ActivationTracker::instance().formShown(this);
}

void TForm::Close() {
    close();
}

void TForm::create() {
    runHandler([this] { FormCreate(); });
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

void TForm::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        QAbstractButton* target =
            focused && focused->window() == this ? focused : defaultButton_.data();
        if (target && target->isVisible() && target->isEnabled()) {
            target->click();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}
