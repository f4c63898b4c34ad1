#include "toolkit/ttimer.h"

TTimer::TTimer(QObject* parent) : QTimer(parent) {
    connect(this, &QTimer::timeout, this, &TTimer::tick);
}

void TTimer::setEnabled(bool enabled) {
    if (enabled && !isActive()) {
        start();
    } else if (!enabled) {
        stop();
    }
}

void TTimer::fire() {
    emit tick();
}
