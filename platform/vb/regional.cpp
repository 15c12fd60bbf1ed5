#include "platform/vb/regional.h"

#include <optional>

namespace vb {

RegionalSettings RegionalSettings::turkish() {
    return {QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), QChar(u','), QChar(u'.')};
}

RegionalSettings RegionalSettings::fromLocale(const QLocale& locale) {
    if (locale.language() == QLocale::Turkish)
        return turkish();
    RegionalSettings s;
    s.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years would make CStr(date) ambiguous; widen them as Windows'
    // own short date does on most desktops.
    if (!s.shortDateFormat.contains(QStringLiteral("yyyy")))
        s.shortDateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    s.timeFormat = locale.timeFormat(QLocale::LongFormat);
    // Time zone names have no place in a VB time text.
    s.timeFormat.remove(QStringLiteral(" t")).remove(QStringLiteral("t"));
    s.timeFormat = s.timeFormat.trimmed();
    s.decimalSeparator = locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0);
    s.groupSeparator = locale.groupSeparator().isEmpty() ? QChar(u',') : locale.groupSeparator().at(0);
    return s;
}

namespace {
std::optional<RegionalSettings>& current() {
    static std::optional<RegionalSettings> settings;
    return settings;
}
} // namespace

const RegionalSettings& Regional() {
    auto& s = current();
    if (!s)
        s = RegionalSettings::fromLocale(QLocale::system());
    return *s;
}

void SetRegional(const RegionalSettings& settings) { current() = settings; }

} // namespace vb
