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
    ~Timer() override;

    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // The Timer event handler.
    std::function<void()> onTimer;

    // Runs one tick now, whatever the state (tests).
    void fire();

    // A timer whose handler only shows progress may tick while the program
    // waits on a request (see WaitScope); every other timer waits for it.
    bool RunsWhileWaiting() const { return runsWhileWaiting_; }
    void setRunsWhileWaiting(bool runs);

private:
    void apply();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
    bool runsWhileWaiting_ = false;
};

// One turn of the event loop: pending events, timers and paints run. While a
// wait is in progress it is PaintWhileWaiting() instead.
QM_EXPORT void DoEvents();

// Marks a synchronous wait on something outside the program, such as a
// gateway request: the calling handler is still running, so nothing else of
// the program may run meanwhile, yet its windows must not freeze. While one
// is alive, PaintWhileWaiting() (and DoEvents) repaint the windows and tick
// the timers that run while waiting, and nothing more: input and requests to
// close a window wait until the wait is over, other timers are held back and
// socket notifiers do not fire.
class QM_EXPORT WaitScope {
public:
    WaitScope();
    ~WaitScope();
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    bool painting_;  // made on the windows' thread
};
QM_EXPORT bool Waiting();
// Called over and over by the wait; does its work at most once per paint
// interval, so it is cheap to call often.
QM_EXPORT void PaintWhileWaiting();

// How often a window can show anything new: the turns of the event loop
// a long operation makes need be no more frequent than that.
inline constexpr std::chrono::milliseconds kPaintInterval{16};

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
    // Whether the next call turns the event loop: what only the event loop
    // shows (a caption) need not be written before then.
    bool due() const { return !since_.isValid() || since_.nsecsElapsed() >= intervalNs_; }

private:
    QElapsedTimer since_;
    qint64 intervalNs_;
};

} // namespace vb
