// What the front panel's headless tests share besides the fixture: finding
// the panel's widgets by name, reading its lines and labels, answering its
// modal boxes, and the status reply as the library gives it.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <string>

#include "panel_fixture.h"

template <typename W>
W* find(QWidget* root, const char* name) {
    W* w = root->findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The index of the first line at or after `from` that contains `text`; -1 if none.
inline int lineWith(const QStringList& lines, const QString& text, int from = 0) {
    for (int i = from; i < lines.size(); ++i)
        if (lines[i].contains(text))
            return i;
    return -1;
}

inline QString label(QWidget* root, const char* name) {
    QLabel* l = find<QLabel>(root, name);
    return l ? l->text() : QString();
}

// Runs `answer` on the next modal window as soon as it is shown.
inline void whenModalShows(const std::function<void(QWidget*)>& answer) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

inline std::string statusReply() {
    return ecfStatusImp();
}
