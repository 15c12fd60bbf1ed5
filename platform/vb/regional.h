#pragma once

#include "platform/vb/export.h"

#include <QLocale>
#include <QString>

namespace vb {

// The user's regional settings as the language runtime reads them: the
// formats CStr uses for dates and the decimal separator of numbers.
struct QM_EXPORT RegionalSettings {
    QString shortDateFormat;   // Qt date format, e.g. "dd.MM.yyyy"
    QString timeFormat;        // Qt time format, e.g. "HH:mm:ss"
    QChar decimalSeparator;
    QChar groupSeparator;

    // The formats a Turkish desktop has by default.
    static RegionalSettings turkish();
    // Derived from a locale (Turkish locales give turkish()).
    static RegionalSettings fromLocale(const QLocale& locale);
};

// The settings in force: taken from the process locale on first use.
QM_EXPORT const RegionalSettings& Regional();
QM_EXPORT void SetRegional(const RegionalSettings& settings);

} // namespace vb
