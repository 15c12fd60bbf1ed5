#pragma once

#include "platform/vb/export.h"

#include <QObject>
#include <QTimer>
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

} // namespace vb
