#include "data/text.h"

#include "addin/edition.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"

#include <algorithm>
#include <cmath>

namespace mdlGenel {

QString FoldSmsText(const QString& text) {
    // One after the other, in this order: CR LF must go before CR and LF.
    static const std::pair<QString, QString> steps[] = {
        {QStringLiteral("Ü"), QStringLiteral("U")}, {QStringLiteral("ü"), QStringLiteral("u")},
        {QStringLiteral("Ğ"), QStringLiteral("G")}, {QStringLiteral("ğ"), QStringLiteral("g")},
        {QStringLiteral("İ"), QStringLiteral("I")}, {QStringLiteral("ı"), QStringLiteral("i")},
        {QStringLiteral("Ş"), QStringLiteral("S")}, {QStringLiteral("ş"), QStringLiteral("s")},
        {QStringLiteral("Ç"), QStringLiteral("C")}, {QStringLiteral("ç"), QStringLiteral("c")},
        {QStringLiteral("Ö"), QStringLiteral("O")}, {QStringLiteral("ö"), QStringLiteral("o")},
        {QStringLiteral("&"), QStringLiteral("-")}, {QStringLiteral("é"), QStringLiteral("e")},
        {QStringLiteral("\r\n"), QString()},       {QStringLiteral("\r"), QString()},
        {QStringLiteral("\n"), QString()},         {QStringLiteral(">"), QStringLiteral("]")},
        {QStringLiteral("<"), QStringLiteral("[")}, {QStringLiteral("~"), QStringLiteral(" ")},
    };
    try {
        QString out = text;
        for (const auto& [find, replacement] : steps)
            out.replace(find, replacement, Qt::CaseSensitive);
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
