#pragma once

#include "platform/vb/export.h"

#include <QDateTime>
#include <optional>

namespace vb {

// Now, Date and Time: the local wall clock, or a fixed instant that tests set.
QM_EXPORT QDateTime Now();
QM_EXPORT QDate Date();
QM_EXPORT QTime Time();

// Fixes the clock (tests); std::nullopt returns to the wall clock.
QM_EXPORT void SetClock(std::optional<QDateTime> fixed);
// Moves a fixed clock on (no effect on the wall clock).
QM_EXPORT void AdvanceClock(qint64 milliseconds);

} // namespace vb
