#include "data/text.h"

#include "addin/edition.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"

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

QString NormalizeGsmNumber(const QString& cellText) {
    QString blanks = cellText;
    for (char16_t nonBreaking : {u'\u00A0', u'\u2007', u'\u202F'})
        blanks.replace(QChar(nonBreaking), u' ');
    QString s = vb::Trim(blanks);
    for (QChar c : {u' ', u'(', u')', u'[', u']', u'{', u'}', u'-', u'.', u',', u'+'})
        s.remove(c);
    if (s.size() > 9 && vb::IsNumeric(s)) {
        QString last = vb::Right(s, 10);
        // A text the language reads as a number may end in something else
        // than digits ("1,44e5" is one): a number is ten digits.
        if (std::any_of(last.begin(), last.end(), [](QChar c) { return c < u'0' || c > u'9'; }))
            return QString();
        for (const QString& prefix : quillmere::CurrentEdition().mobilePrefixes)
            if (last.startsWith(prefix))
                return last;
    }
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
