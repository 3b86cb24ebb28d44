#include "framework/Timer.h"

TTimer::TTimer(QObject* parent) : QTimer(parent) {
    // A coarse timer may be 5 % late; the ticks should come at their interval.
    setTimerType(Qt::PreciseTimer);
}

void TTimer::setEnabled(bool enabled) {
    if (enabled) {
        start();
    } else {
        stop();
    }
}
