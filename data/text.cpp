#include "data/text.h"

#include "platform/vb/error.h"
#include "platform/vb/variant.h"
#include "state/edition.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <utility>

namespace mdlGenel {

QString FoldSmsText(const QString& text) {
    // One pass over the text: the Turkish letters (and é) to their ASCII
    // letters, "&" to "-", "<" and ">" to "[" and "]", "~" to a blank, and
    // every CR and LF dropped (CR LF, then CR, then LF, as whole steps, leave
    // none). No replacement makes a character another one replaces, so the
    // order of the steps cannot show.
    try {
        QString out(text.size(), Qt::Uninitialized);
        QChar* o = out.data();
        for (const QChar c : text) {
            char16_t f = c.unicode();
            switch (f) {
            case u'Ü': f = u'U'; break;
            case u'ü': f = u'u'; break;
            case u'Ğ': f = u'G'; break;
            case u'ğ': f = u'g'; break;
            case u'İ': f = u'I'; break;
            case u'ı': f = u'i'; break;
            case u'Ş': f = u'S'; break;
            case u'ş': f = u's'; break;
            case u'Ç': f = u'C'; break;
            case u'ç': f = u'c'; break;
            case u'Ö': f = u'O'; break;
            case u'ö': f = u'o'; break;
            case u'&': f = u'-'; break;
            case u'é': f = u'e'; break;
            case u'\r': case u'\n': continue;
            case u'>': f = u']'; break;
            case u'<': f = u'['; break;
            case u'~': f = u' '; break;
            default: break;
            }
            *o++ = QChar(f);
        }
        out.truncate(o - out.constData());
        return out;
    } catch (...) {
        vb::LogSwallowed();
        return QString();
    }
}

namespace {

// What a number may be written with besides its digits: blanks (the
// non-breaking ones too), brackets, dashes, dots, commas and the plus sign.
bool dropped(char16_t c) {
    switch (c) {
    case u' ': case u'\u00A0': case u'\u2007': case u'\u202F':
    case u'(': case u')': case u'[': case u']': case u'{': case u'}':
    case u'-': case u'.': case u',': case u'+':
        return true;
    default:
        return false;
    }
}

bool digit(QChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

QString NormalizeGsmNumber(const QString& cellText) {
    // One pass, on the stack for a cell of usual length: the list builder
    // normalises a number a row.
    QVarLengthArray<QChar, 64> kept;
    for (const QChar c : cellText)
        if (!dropped(c.unicode()))
            kept.push_back(c);
    if (kept.size() <= 9)
        return QString();
    const QStringView s(kept.constData(), kept.size());
    // A text the language reads as a number may end in something else than
    // digits ("1,44e5" is one): a number is ten digits.
    const QStringView last = s.right(10);
    if (!std::all_of(last.begin(), last.end(), digit))
        return QString();
    // Digits alone always read as a number, up to where a double overflows.
    const bool numeric =
        (s.size() <= 300 && std::all_of(s.begin(), s.end() - 10, digit)) || vb::IsNumeric(s.toString());
    if (!numeric)
        return QString();
    for (const QString& prefix : quillmere::CurrentEdition().mobilePrefixes)
        if (last.startsWith(prefix))
            return last.toString();
    return QString();
}

QString NormalizeGsmCell(const vb::Variant& value) {
    if (value.isNull() || value.isEmpty())
        return QString();
    if (value.isNumber()) {
        const double number = vb::CDbl(value);
        if (!std::isfinite(number) || number != std::trunc(number))
            return QString();
    }
    return NormalizeGsmNumber(vb::CStr(value));
}

NumberSet::NumberSet(std::initializer_list<QString> numbers) {
    for (const QString& n : numbers)
        insert(n);
}

// Up to 18 digits, read after a leading 1 so that leading zeros still tell
// texts apart ("0532" is not "532").
std::optional<quint64> NumberSet::key(const QString& number) {
    if (number.isEmpty() || number.size() > 18)
        return std::nullopt;
    quint64 value = 1;
    for (const QChar c : number) {
        if (!digit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// Fibonacci hashing spreads the keys of consecutive numbers, as sheets
// often hold them, over the whole table.
std::size_t NumberSet::slotOf(quint64 key) const {
    return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
}

void NumberSet::reserve(qsizetype count) {
    if (std::size_t(count) * 2 > slots_.size())
        rehash(count);
}

void NumberSet::rehash(qsizetype count) {
    std::size_t size = 16;
    while (size < std::size_t(count) * 2)
        size *= 2;
    std::vector<quint64> old = std::exchange(slots_, std::vector<quint64>(size, 0));
    for (const quint64 k : old) {
        if (!k)
            continue;
        std::size_t i = slotOf(k);
        while (slots_[i])
            i = (i + 1) & (size - 1);
        slots_[i] = k;
    }
}

bool NumberSet::contains(const QString& number) const {
    const std::optional<quint64> k = key(number);
    if (!k)
        return texts_.contains(number);
    if (slots_.empty())
        return false;
    for (std::size_t i = slotOf(*k); slots_[i]; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i] == *k)
            return true;
    return false;
}

void NumberSet::insert(const QString& number) {
    const std::optional<quint64> k = key(number);
    if (!k) {
        texts_.insert(number);
        return;
    }
    if (std::size_t(keys_ + 1) * 2 > slots_.size())
        rehash(keys_ + 1);
    std::size_t i = slotOf(*k);
    for (; slots_[i]; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i] == *k)
            return;
    slots_[i] = *k;
    ++keys_;
}

} // namespace mdlGenel
