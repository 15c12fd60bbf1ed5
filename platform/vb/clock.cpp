#include "platform/vb/clock.h"

namespace vb {

namespace {
std::optional<QDateTime>& fixedClock() {
    static std::optional<QDateTime> fixed;
    return fixed;
}
} // namespace

QDateTime Now() {
    QDateTime now = fixedClock() ? *fixedClock() : QDateTime::currentDateTime();
    // VB's clock has whole seconds.
    QTime t = now.time();
    now.setTime(QTime(t.hour(), t.minute(), t.second()));
    return now;
}

QDate Date() { return Now().date(); }
QTime Time() { return Now().time(); }

void SetClock(std::optional<QDateTime> fixed) { fixedClock() = std::move(fixed); }

void AdvanceClock(qint64 milliseconds) {
    if (fixedClock())
        *fixedClock() = fixedClock()->addMSecs(milliseconds);
}

} // namespace vb
