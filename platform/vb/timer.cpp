#include "platform/vb/timer.h"

#include <QCoreApplication>

namespace vb {

Timer::Timer(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
}

void Timer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    apply();
}

void Timer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void Timer::fire() {
    if (onTimer)
        onTimer();
}

void Timer::apply() {
    if (enabled_ && interval_ > 0) {
        // Setting the interval or enabling again starts the count afresh, as
        // the control does.
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

void DoEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

PacedYield::PacedYield(std::chrono::microseconds interval)
    : intervalNs_(std::chrono::duration_cast<std::chrono::nanoseconds>(interval).count()) {}

void PacedYield::operator()() {
    if (since_.isValid() && since_.nsecsElapsed() < intervalNs_)
        return;
    DoEvents();
    since_.start();
}

} // namespace vb
