#include "platform/vb/variant.h"

#include "platform/vb/error.h"
#include "platform/vb/regional.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <new>
#include <optional>
#include <utility>

namespace vb {

namespace {

// Without TZ, the C library looks at /etc/localtime again at every local
// time conversion, which costs more than the rest of making a date: reading
// a long list of dates from a workbook would wait seconds for it. TZ naming
// that same file gives the same zone, read once.
const bool zoneReadOnce = [] {
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    return true;
}();

} // namespace

Variant::Variant(const QString& text) : type_(vbString), text_(text), number_(0) {}
Variant::Variant(const char* utf8) : type_(vbString), text_(QString::fromUtf8(utf8)), number_(0) {}
Variant::Variant(QStringView text) : type_(vbString), text_(text.toString()), number_(0) {}
Variant::Variant(int value) : type_(vbLong), number_(value) {}
Variant::Variant(double value) : type_(vbDouble), number_(value) {}
Variant::Variant(bool value) : type_(vbBoolean), number_(value ? 1 : 0) {}
Variant::Variant(const QDateTime& value) : type_(vbDate), date_(value) {}
Variant::Variant(const QDate& value) : type_(vbDate), date_(value.startOfDay()) {}

Variant::Variant(const Variant& other) : type_(other.type_), text_(other.text_), number_(0) { copyValue(other); }

Variant::Variant(Variant&& other) noexcept : type_(other.type_), text_(std::move(other.text_)), number_(0) {
    copyValue(other);
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        dropDate();
        type_ = other.type_;
        text_ = other.text_;
        copyValue(other);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        dropDate();
        type_ = other.type_;
        text_ = std::move(other.text_);
        copyValue(other);
    }
    return *this;
}

Variant::~Variant() { dropDate(); }

void Variant::copyValue(const Variant& other) {
    if (other.type_ == vbDate)
        new (&date_) QDateTime(other.date_);
    else
        number_ = other.number_;
}

void Variant::dropDate() {
    if (type_ == vbDate) {
        date_.~QDateTime();
        number_ = 0;
    }
}

const QDateTime& Variant::dateValue() const {
    static const QDateTime none;
    return type_ == vbDate ? date_ : none;
}

Variant Variant::Null() {
    Variant v;
    v.type_ = vbNull;
    return v;
}

Variant Variant::Error(int code) {
    Variant v;
    v.type_ = vbError;
    v.number_ = code;
    return v;
}

Variant Variant::Integer(qint16 value) {
    Variant v;
    v.type_ = vbInteger;
    v.number_ = value;
    return v;
}

Variant Variant::Long(qint32 value) {
    Variant v;
    v.type_ = vbLong;
    v.number_ = value;
    return v;
}

bool Variant::isNumber() const {
    switch (type_) {
    case vbInteger: case vbLong: case vbSingle: case vbDouble: case vbCurrency: case vbByte:
        return true;
    default:
        return false;
    }
}

bool Variant::operator==(const Variant& other) const {
    if (type_ != other.type_)
        return false;
    switch (type_) {
    case vbEmpty: case vbNull: return true;
    case vbString: return text_ == other.text_;
    case vbDate: return date_ == other.date_;
    default: return number_ == other.number_;
    }
}

double RoundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; do it by hand so nothing can.
    double floor = std::floor(value);
    double diff = value - floor;
    if (diff > 0.5)
        return floor + 1;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

namespace {

const QDateTime& serialEpoch() {
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// A number written in the regional settings, with blanks around it, an
// optional sign, group separators in the whole part, a decimal separator and
// an exponent; also &H and &O numbers. Nothing else may follow.
std::optional<double> parseRegionalNumber(const QString& text) {
    const RegionalSettings& rs = Regional();
    int i = 0, n = int(text.size());
    while (i < n && isBlank(text[i])) ++i;
    int end = n;
    while (end > i && isBlank(text[end - 1])) --end;
    if (i >= end)
        return std::nullopt;
    QString body = text.mid(i, end - i);
    if (body.startsWith(u'&') && body.size() > 2) {
        QChar kind = body[1].toUpper();
        bool ok = false;
        qlonglong v = 0;
        if (kind == u'H') v = body.mid(2).toLongLong(&ok, 16);
        else if (kind == u'O') v = body.mid(2).toLongLong(&ok, 8);
        if (!ok) return std::nullopt;
        return double(v);
    }
    std::string ascii;
    int p = 0, m = int(body.size());
    if (p < m && (body[p] == u'+' || body[p] == u'-')) {
        ascii += char(body[p].unicode());
        ++p;
        while (p < m && isBlank(body[p])) ++p;
    }
    bool digits = false, seenDecimal = false;
    for (; p < m; ++p) {
        QChar c = body[p];
        if (c.isDigit() && c.unicode() < 128) {
            ascii += char(c.unicode());
            digits = true;
        } else if (c == rs.decimalSeparator && !seenDecimal) {
            ascii += '.';
            seenDecimal = true;
        } else if (c == rs.groupSeparator && !seenDecimal && digits) {
            // grouping is ignored in the whole part
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    if (p < m && (body[p] == u'E' || body[p] == u'e' || body[p] == u'D' || body[p] == u'd')) {
        ascii += 'e';
        ++p;
        if (p < m && (body[p] == u'+' || body[p] == u'-')) {
            ascii += char(body[p].unicode());
            ++p;
        }
        bool expDigits = false;
        while (p < m && body[p].isDigit() && body[p].unicode() < 128) {
            ascii += char(body[p].unicode());
            ++p;
            expDigits = true;
        }
        if (!expDigits)
            return std::nullopt;
    }
    if (p != m)
        return std::nullopt;
    char* tail = nullptr;
    double v = std::strtod(ascii.c_str(), &tail);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<QDateTime> parseRegionalDate(const QString& text) {
    const RegionalSettings& rs = Regional();
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // The regional formats first, then their loose variants (single-digit
    // days, months and hours), then ISO.
    QString looseDate = rs.shortDateFormat;
    looseDate.replace(QStringLiteral("dd"), QStringLiteral("d")).replace(QStringLiteral("MM"), QStringLiteral("M"));
    QString looseTime = rs.timeFormat;
    looseTime.replace(QStringLiteral("HH"), QStringLiteral("H"));
    const QString dateFormats[] = {rs.shortDateFormat, looseDate};
    const QString timeFormats[] = {rs.timeFormat, looseTime, QStringLiteral("H:mm"), QStringLiteral("HH:mm")};
    for (const QString& df : dateFormats) {
        for (const QString& tf : timeFormats) {
            QDateTime dt = QDateTime::fromString(t, df + u' ' + tf);
            if (dt.isValid()) return dt;
        }
        QDate d = QDate::fromString(t, df);
        if (d.isValid()) return d.startOfDay();
    }
    for (const QString& tf : timeFormats) {
        QTime tm = QTime::fromString(t, tf);
        if (tm.isValid()) return QDateTime(serialEpoch().date(), tm);
    }
    QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid()) return iso;
    return std::nullopt;
}

double toNumber(const Variant& v) {
    switch (v.type()) {
    case vbEmpty: return 0;
    case vbNull: Raise(errInvalidUseOfNull);
    case vbBoolean: return v.boolValue() ? -1 : 0;
    case vbError: Raise(errTypeMismatch);
    case vbDate: return ToSerialDate(v.dateValue());
    case vbString: {
        auto n = parseRegionalNumber(v.stringValue());
        if (!n) {
            QString t = v.stringValue().trimmed();
            if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return -1;
            if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return 0;
            auto d = parseRegionalDate(v.stringValue());
            if (d) return ToSerialDate(*d);
            Raise(errTypeMismatch);
        }
        return *n;
    }
    default: return v.doubleValue();
    }
}

} // namespace

double ToSerialDate(const QDateTime& value) {
    QDateTime local(value.date(), value.time());
    qint64 days = serialEpoch().date().daysTo(local.date());
    double frac = local.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the serial's fraction still counts forward in time.
    return days < 0 ? double(days) - frac : double(days) + frac;
}

bool IsSerialDate(double serial) {
    return serial >= -657434.0 && serial < 2958466.0;   // NaN is neither
}

QDateTime FromSerialDate(double serial) {
    if (!IsSerialDate(serial))
        Raise(errOverflow);
    double whole = std::trunc(serial);
    double frac = std::fabs(serial - whole);
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    if (ms >= 86400000) { ms -= 86400000; whole += serial < 0 ? -1 : 1; }
    QDate d = serialEpoch().date().addDays(qint64(whole));
    // Whole seconds, as the language keeps them.
    QTime t = QTime::fromMSecsSinceStartOfDay(int((ms + 500) / 1000 * 1000 % 86400000));
    return QDateTime(d, t);
}

namespace {

// A magnitude that is a decimal of at most fifteen digits, as amounts and
// counts are: its digits and how many of them follow the separator. The
// double lies within a quarter of half a unit of the fifteenth digit from
// that decimal, so printf's rounding to fifteen digits gives it back exactly.
std::optional<std::pair<quint64, int>> fewDigits(double magnitude) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                         1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    // Outside this range "%.15G" writes an exponent.
    if (!(magnitude >= 1e-4 && magnitude < 1e15))
        return std::nullopt;
    for (int places = 0; places < int(std::size(kPowers)); ++places) {
        // One rounding: the powers are exact.
        const double scaled = magnitude * kPowers[places];
        if (scaled >= 1e15)
            break;
        if (scaled == std::trunc(scaled)) {
            auto digits = quint64(scaled);
            while (places > 0 && digits % 10 == 0) {
                digits /= 10;
                --places;
            }
            return std::pair{digits, places};
        }
    }
    return std::nullopt;
}

} // namespace

QString NumberText(double value) {
    if (value == 0)
        return QStringLiteral("0");
    const QChar decimal = Regional().decimalSeparator;
    // Lists format a number a row: the usual ones are written from their
    // digits, the rest by to_chars, which is bound to match "%.15G".
    if (const auto few = fewDigits(std::fabs(value))) {
        const auto [digits, places] = *few;
        char buf[24];
        const auto length = int(std::to_chars(buf, buf + sizeof buf, digits).ptr - buf);
        // Written in place: a sign, the whole part (0 when all digits follow
        // the separator), the separator, zeros after it and the rest.
        const int whole = std::max(length - places, 0);
        const int zeros = std::max(places - length, 0);
        QString s(int(value < 0) + std::max(whole, 1) + (places > 0 ? 1 + places : 0), Qt::Uninitialized);
        QChar* out = s.data();
        if (value < 0)
            *out++ = u'-';
        if (whole == 0)
            *out++ = u'0';
        for (int i = 0; i < length; ++i) {
            if (i == whole) {   // never without places
                *out++ = decimal;
                for (int z = 0; z < zeros; ++z)
                    *out++ = u'0';
            }
            *out++ = QChar(char16_t(buf[i]));
        }
        return s;
    }
    char buf[64];
    const char* end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
    QString s(end - buf, Qt::Uninitialized);
    QChar* out = s.data();
    for (const char* c = buf; c != end; ++c)
        *out++ = *c == '.' ? decimal : QChar(char16_t(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c));
    return s;
}

QString DateText(const QDateTime& value) {
    const RegionalSettings& rs = Regional();
    bool hasDate = value.date() != serialEpoch().date();
    bool hasTime = value.time() != QTime(0, 0);
    if (hasDate && hasTime)
        return value.date().toString(rs.shortDateFormat) + u' ' + value.time().toString(rs.timeFormat);
    if (hasTime)
        return value.time().toString(rs.timeFormat);
    return value.date().toString(rs.shortDateFormat);
}

QString CStr(const Variant& v) {
    switch (v.type()) {
    case vbEmpty: return QString();
    case vbNull: Raise(errInvalidUseOfNull);
    case vbString: return v.stringValue();
    case vbBoolean: return v.boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case vbDate: return DateText(v.dateValue());
    case vbError: return QStringLiteral("Error %1").arg(v.errorCode());
    default: return NumberText(v.doubleValue());
    }
}

qint16 CInt(const Variant& v) {
    double r = RoundHalfEven(toNumber(v));
    if (r < -32768 || r > 32767)
        Raise(errOverflow);
    return qint16(r);
}

qint32 CLng(const Variant& v) {
    double r = RoundHalfEven(toNumber(v));
    if (r < -2147483648.0 || r > 2147483647.0)
        Raise(errOverflow);
    return qint32(r);
}

double CDbl(const Variant& v) { return toNumber(v); }

bool CBool(const Variant& v) { return toNumber(v) != 0; }

QDateTime CDate(const Variant& v) {
    switch (v.type()) {
    case vbNull: Raise(errInvalidUseOfNull);
    case vbDate: return v.dateValue();
    case vbString: {
        auto d = parseRegionalDate(v.stringValue());
        if (d) return *d;
        auto n = parseRegionalNumber(v.stringValue());
        if (n) return FromSerialDate(*n);
        Raise(errTypeMismatch);
    }
    default: return FromSerialDate(toNumber(v));
    }
}

double Val(const QString& text) {
    // Blanks, tabs and line feeds are skipped anywhere in the number.
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            s += c;
    if (s.startsWith(u'&') && s.size() > 1) {
        QChar kind = s[1].toUpper();
        int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0) return 0;
        int p = 2;
        QString digits;
        while (p < s.size()) {
            bool ok = false;
            QString(s[p]).toInt(&ok, base);
            if (!ok) break;
            digits += s[p++];
        }
        return digits.isEmpty() ? 0 : double(digits.toLongLong(nullptr, base));
    }
    std::string ascii;
    int p = 0, n = int(s.size());
    if (p < n && (s[p] == u'+' || s[p] == u'-')) ascii += char(s[p++].unicode());
    bool dot = false, digits = false;
    while (p < n) {
        QChar c = s[p];
        if (c.unicode() < 128 && c.isDigit()) { ascii += char(c.unicode()); digits = true; }
        else if (c == u'.' && !dot) { ascii += '.'; dot = true; }
        else break;
        ++p;
    }
    if (!digits) return 0;
    if (p < n && (s[p] == u'E' || s[p] == u'e' || s[p] == u'D' || s[p] == u'd')) {
        std::string exp = "e";
        int q = p + 1;
        if (q < n && (s[q] == u'+' || s[q] == u'-')) exp += char(s[q++].unicode());
        bool ed = false;
        while (q < n && s[q].unicode() < 128 && s[q].isDigit()) { exp += char(s[q++].unicode()); ed = true; }
        if (ed) ascii += exp;
    }
    return std::strtod(ascii.c_str(), nullptr);
}

bool IsNumeric(const Variant& v) {
    switch (v.type()) {
    case vbEmpty: return true;
    case vbNull: case vbDate: case vbError: return false;
    case vbString: return parseRegionalNumber(v.stringValue()).has_value();
    default: return true;
    }
}

bool IsDate(const Variant& v) {
    if (v.isDate()) return true;
    if (v.isString()) return parseRegionalDate(v.stringValue()).has_value();
    return false;
}

QString TypeName(const Variant& v) {
    switch (v.type()) {
    case vbEmpty: return QStringLiteral("Empty");
    case vbNull: return QStringLiteral("Null");
    case vbInteger: return QStringLiteral("Integer");
    case vbLong: return QStringLiteral("Long");
    case vbSingle: return QStringLiteral("Single");
    case vbDouble: return QStringLiteral("Double");
    case vbCurrency: return QStringLiteral("Currency");
    case vbDate: return QStringLiteral("Date");
    case vbString: return QStringLiteral("String");
    case vbBoolean: return QStringLiteral("Boolean");
    case vbError: return QStringLiteral("Error");
    case vbByte: return QStringLiteral("Byte");
    default: return QStringLiteral("Variant");
    }
}

} // namespace vb
