#pragma once

#include "platform/vb/export.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace vb {

// The language's Timer control: ticks every Interval milliseconds while
// Enabled and the interval is above 0, on the event loop (so only while the
// program waits for events or calls DoEvents).
class QM_EXPORT Timer : public QObject {
public:
    explicit Timer(QObject* parent = nullptr, const QString& name = {});

    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // The Timer event handler.
    std::function<void()> onTimer;

    // Runs one tick now, whatever the state (tests).
    void fire();

private:
    void apply();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

// One turn of the event loop: pending events, timers and paints run.
QM_EXPORT void DoEvents();

// The yield of a loop that passes control to the event loop once per
// record. A turn of the loop costs far more than a record, so a yield turns
// it only when `interval` has passed since the turn before (the first yield
// of each PacedYield always does): the windows' timers, paints and buttons
// still run within that interval, and a loop over 150,000 records does not
// pay 150,000 turns.
class QM_EXPORT PacedYield {
public:
    explicit PacedYield(std::chrono::microseconds interval = std::chrono::microseconds(500));
    void operator()();

private:
    QElapsedTimer since_;
    qint64 intervalNs_;
};

} // namespace vb
