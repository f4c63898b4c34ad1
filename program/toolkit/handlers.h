// Handler dispatch: every event handler of a window runs through
// runHandler, which reports a failed number conversion or file access with
// its message and ends the handler there; what was sent before stays sent.
#pragma once

#include <QObject>
#include <QWidget>
#include <functional>

// owner is the window whose handler this is: the boxes the handler raises
// belong to it (the handler runs inside the dialog service's owner scope).
void runHandler(const std::function<void()>& handler, QWidget* owner = nullptr);

// Connects a signal of a control to a handler of its form, through the
// dispatch above.
template <typename Sender, typename Signal, typename Form>
QMetaObject::Connection connectHandler(Sender* sender, Signal signal, Form* form,
                                       void (Form::*handler)()) {
    return QObject::connect(sender, signal, form, [form, handler] {
        runHandler([form, handler] { (form->*handler)(); }, form);
    });
}
