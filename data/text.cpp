#include "data/text.h"

#include "addin/edition.h"
#include "platform/vb/variant.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cmath>

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

} // namespace mdlGenel
