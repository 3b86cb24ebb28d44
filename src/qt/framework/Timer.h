#pragma once

// A timer as a window layout declares it: an interval and an enabled flag; it runs while
// enabled, its ticks being messages of the GUI thread.

#include <QTimer>

class TTimer : public QTimer {
    Q_OBJECT

public:
    explicit TTimer(QObject* parent = nullptr);

    void setEnabled(bool enabled);
};
