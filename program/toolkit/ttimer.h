// A timer with the toolkit's Enabled switch: enabled means ticking.
#pragma once

#include <QTimer>

class TTimer : public QTimer {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent = nullptr);

    void setEnabled(bool enabled);
    bool isEnabled() const { return isActive(); }

    // Runs one tick now, as the timer would; tests drive polling with it.
    void fire();

signals:
    void tick();
};
