#include "toolkit/activation.h"

#include "toolkit/handlers.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QEvent>

ActivationTracker& ActivationTracker::instance() {
    static ActivationTracker tracker;
    return tracker;
}

ActivationTracker::ActivationTracker() {
    if (qApp) {
        qApp->installEventFilter(this);
    }
    setDialogStacking(this);
}

ActivationTracker::~ActivationTracker() {
    setDialogStacking(nullptr);
}

QWidget* ActivationTracker::frontWindow() const {
    return active_.data();
}

bool ActivationTracker::restoreAfterBox(QWidget* owner) {
    if (owner && owner->isVisible() && !qobject_cast<TForm*>(owner)) {
        return false;
    }
    if (active_) {
        bringToFront(active_);
    }
    return true;
}

bool ActivationTracker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        if (auto* form = qobject_cast<TForm*>(static_cast<QWidget*>(watched)->window())) {
            formClicked(form);
        }
    }
    return false;
}

void ActivationTracker::formShown(TForm* form) {
    activate(form);
}

void ActivationTracker::formHidden(TForm* form) {
    history_.removeAll(form);
    if (awaitingEcho_ == form) {
        awaitingEcho_ = nullptr;
    }
    if (active_ != form) {
        return;
    }
    active_ = nullptr;
    runHandler([form] { form->FormDeactivate(); }, form);
    // Hand activation back to the form that was active before, as a desktop does.
    while (!history_.isEmpty() && (!history_.last() || !history_.last()->isVisible())) {
        history_.removeLast();
    }
    if (!active_ && !history_.isEmpty()) {
        activate(history_.last());
    }
}

void ActivationTracker::windowSystemActivated(TForm* form) {
    if (!form->isVisible() || QApplication::activeModalWidget()) {
        return;
    }
    if (awaitingEcho_) {
        // Until the window system has caught up with our last activation, its
        // reports are stale echoes of earlier ones.
        if (awaitingEcho_ == form) {
            awaitingEcho_ = nullptr;
        }
        return;
    }
    activate(form);
}

void ActivationTracker::formClicked(TForm* form) {
    if (form->isVisible() && !QApplication::activeModalWidget()) {
        activate(form);
    }
}

void ActivationTracker::bringToFront(TForm* form) {
    if (form != active_ || !form->isVisible()) {
        return;
    }
    form->raise();
    if (QApplication::activeWindow() != form) {
        awaitingEcho_ = form;
    }
    form->activateWindow();
}

void ActivationTracker::reset() {
    active_ = nullptr;
    history_.clear();
    awaitingEcho_ = nullptr;
}

void ActivationTracker::activate(TForm* form) {
    if (form == active_) {
        return;
    }
    TForm* previous = active_;
    active_ = form;
    history_.removeAll(form);
    history_.append(form);
    if (QApplication::activeWindow() != form) {
        awaitingEcho_ = form;
        form->activateWindow();
    }
    if (previous) {
        runHandler([previous] { previous->FormDeactivate(); }, previous);
    }
    // A deactivation handler may itself have moved activation on.
    if (active_ == form) {
        runHandler([form] { form->FormActivate(); }, form);
    }
}
