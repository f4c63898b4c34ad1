// One ordered record of what a test run did at its edges: the driver calls
// and the dialog boxes, interleaved as they happened.
#pragma once

#include <QStringList>

class EventLog {
public:
    void add(const QString& event) { events_.append(event); }
    const QStringList& events() const { return events_; }
    void clear() { events_.clear(); }

private:
    QStringList events_;
};
