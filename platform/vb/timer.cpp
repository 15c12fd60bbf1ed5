#include "platform/vb/timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <memory>
#include <vector>

namespace vb {

namespace {

// The timers that may tick while waiting: the QTimer inside each.
QSet<const QObject*>& waitTimers() {
    static QSet<const QObject*> timers;
    return timers;
}

bool userInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::InputMethod:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

// What may run while waiting. The window system keeps its input queued until
// the wait is over; input that reaches the program otherwise, and a request
// to close a window, is held and posted again once the wait is over, as a
// blocked window gets its queued messages afterwards. A held-back timer
// fires again at its next interval, a zero one at the first turn after the
// wait, so no tick is lost.
class WaitFilter : public QObject {
public:
    bool eventFilter(QObject* receiver, QEvent* e) override {
        const QEvent::Type type = e->type();
        if (type == QEvent::Timer)
            return !receiver->isWindowType() && !waitTimers().contains(receiver);
        if (!userInput(type) && type != QEvent::Close)
            return false;
        held_.push_back({receiver, std::unique_ptr<QEvent>(e->clone())});
        return true;
    }
    void release() {
        auto held = std::move(held_);
        held_.clear();
        for (auto& [receiver, event] : held)
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
    }

private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> held_;
};

int g_waits = 0;
QPointer<WaitFilter> g_filter;
bool g_pumping = false;

// The windows live on the thread of the application; a request made on
// another thread has no window to keep painting.
bool onWindowThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

WaitScope::WaitScope() : painting_(onWindowThread()) {
    if (painting_ && g_waits++ == 0) {
        if (!g_filter) {
            // The application's own filter: it goes with it.
            g_filter = new WaitFilter;
            g_filter->setParent(QCoreApplication::instance());
        }
        QCoreApplication::instance()->installEventFilter(g_filter);
    }
}

WaitScope::~WaitScope() {
    if (painting_ && --g_waits == 0 && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(g_filter);
        g_filter->release();
    }
}

bool Waiting() { return onWindowThread() && g_waits > 0; }

void PaintWhileWaiting() {
    // One turn per paint interval is all a window can show.
    static QElapsedTimer last;
    if (!onWindowThread() || g_waits == 0 || g_pumping || (last.isValid() && last.elapsed() < kPaintInterval.count()))
        return;
    last.start();
    g_pumping = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    g_pumping = false;
}

Timer::Timer(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
}

Timer::~Timer() { waitTimers().remove(&timer_); }

void Timer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    apply();
}

void Timer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void Timer::setRunsWhileWaiting(bool runs) {
    runsWhileWaiting_ = runs;
    if (runs)
        waitTimers().insert(&timer_);
    else
        waitTimers().remove(&timer_);
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
    if (Waiting())
        return PaintWhileWaiting();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

PacedYield::PacedYield(std::chrono::microseconds interval)
    : intervalNs_(std::chrono::duration_cast<std::chrono::nanoseconds>(interval).count()) {}

void PacedYield::operator()() {
    if (!due())
        return;
    DoEvents();
    since_.start();
}

} // namespace vb
