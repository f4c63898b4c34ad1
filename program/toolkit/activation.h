// Application-level activation, as a desktop form toolkit has it.
//
// A form's FormActivate runs when it becomes the application's active form:
// when it is shown, and when the operator returns to it from another form of
// the application, by clicking it or because the active form hid itself
// (which hands activation back to the form that was active before it).
// Closing a message box, or switching to another program and back, does not
// change the active form and so activates nothing.
//
// Show and hide drive the tracker synchronously; Qt's own activation events
// only report the operator's switches between forms, so behaviour does not
// depend on the window manager (or on there being one).
#pragma once

#include "toolkit/dialogs.h"

#include <QList>
#include <QObject>
#include <QPointer>

class TForm;

// It also tells the dialog service which form is in front of the boxes.
class ActivationTracker : public QObject, public DialogStacking {
    Q_OBJECT
public:
    static ActivationTracker& instance();
    ~ActivationTracker() override;

    TForm* activeForm() const { return active_; }

    // A form became visible, or was shown again while visible.
    void formShown(TForm* form);
    // A form was hidden.
    void formHidden(TForm* form);
    // The window system says a form became active (a click, a keyboard
    // switch, or the echo of our own activation).
    void windowSystemActivated(TForm* form);
    // The operator pressed a mouse button on a form.
    void formClicked(TForm* form);
    // Raises the active form and asks the window system to give it the
    // keyboard, after its activation handler or one of its boxes; what the
    // window system reports on the way there activates nothing.
    void bringToFront(TForm* form);
    // Forgets every form (the registry is being torn down).
    void reset();

    // The active form stands in front of the boxes: a box belongs to it when
    // no handler names an owner, and gives it the keyboard back on closing
    // (a box of a window behind, its timer's say, does not activate that
    // window). Only a box over a window that is no form raises that window.
    QWidget* frontWindow() const override;
    bool restoreAfterBox(QWidget* owner) override;

protected:
    // Mouse presses anywhere in a form reach the tracker here.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ActivationTracker();
    void activate(TForm* form);

    QPointer<TForm> active_;
    QList<QPointer<TForm>> history_;  // visible forms, most recently active last
    QPointer<TForm> awaitingEcho_;    // the form we asked the window system to activate
};
