// Comma-separated text (RFC 4180) in UTF-8: the first sheet only, no fonts,
// no column widths.
//
// How values are typed, so that what we write reads back the same:
// - An unquoted field that is a plain number is a number: an optional minus,
//   whole digits without a leading zero (a lone 0 is fine), optionally a "."
//   and decimals, optionally an exponent, at most 15 whole digits. Numbers
//   are written that way, with "." whatever the regional settings say.
// - Everything else is text, every quoted field included. So "05321234567"
//   keeps its leading zero, as do longer digit runs such as card numbers,
//   and text that looks like a number is written quoted to stay text.
// - An empty field is an empty cell. Booleans are written TRUE and FALSE and
//   dates as ISO 8601 text (yyyy-MM-dd, with HH:mm:ss when they have a time);
//   both come back as text.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QStringDecoder>
#include <charconv>

namespace excel::files {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype digitsFrom(QStringView s, qsizetype i) {
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

// The plain-number rule above.
bool isPlainNumber(QStringView s) {
    const qsizetype n = s.size();
    qsizetype i = !s.isEmpty() && s[0] == u'-' ? 1 : 0;
    const qsizetype wholeStart = i;
    i = digitsFrom(s, i);
    const qsizetype whole = i - wholeStart;
    if (whole == 0 || whole > 15 || (whole > 1 && s[wholeStart] == u'0'))
        return false;
    if (i < n && s[i] == u'.') {
        const qsizetype decimals = i + 1;
        i = digitsFrom(s, decimals);
        if (i == decimals)
            return false;
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype exponent = i + 1;
        if (exponent < n && (s[exponent] == u'+' || s[exponent] == u'-'))
            ++exponent;
        i = digitsFrom(s, exponent);
        if (i == exponent)
            return false;
    }
    return i == n;
}

vb::Variant fieldValue(const QString& text, bool quoted) {
    if (text.isEmpty())
        return {};
    if (!quoted && isPlainNumber(text)) {
        const QByteArray latin = text.toLatin1();
        double v = 0;
        std::from_chars(latin.constData(), latin.constData() + latin.size(), v);
        return vb::Variant(v);
    }
    return vb::Variant(text);
}

QString numberText(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    QString text = QString::fromLatin1(buf, r.ptr - buf);
    if (!isPlainNumber(text)) {
        // The shortest form has more whole digits than the rule takes.
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
        text = QString::fromLatin1(buf, r.ptr - buf);
    }
    return text;
}

QString fieldText(const vb::Variant& v) {
    if (v.isNumber())
        return numberText(v.doubleValue());
    if (v.isBoolean())
        return v.boolValue() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (v.isDate()) {
        const QDateTime& d = v.dateValue();
        return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("yyyy-MM-dd"))
                                       : d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (!v.isString())
        return {};
    const QString& s = v.stringValue();
    bool quote = isPlainNumber(s) || s.startsWith(u' ') || s.endsWith(u' ');
    for (QChar c : s)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            quote = true;
    if (!quote)
        return s;
    QString out = s;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

} // namespace

WorkbookData ReadCsv(const QString& path, const QByteArray& content) {
    QByteArrayView bytes(content);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (bytes.contains('\0'))
        RaiseUnreadable(path);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        RaiseUnreadable(path, QStringLiteral("UTF-8 değil"));

    SheetData sheet;
    sheet.name = SheetNameFromFileName(path);
    std::vector<CellData> row;
    QString field;
    bool quoted = false;     // the field began with a quote
    bool inQuotes = false;   // inside the quotes of a quoted field
    bool rowStarted = false;
    auto endField = [&]() {
        CellData cell;
        cell.value = fieldValue(field, quoted);
        row.push_back(std::move(cell));
        field.clear();
        quoted = false;
    };
    auto endRow = [&]() {
        endField();
        while (!row.empty() && row.back().isEmpty())
            row.pop_back();
        sheet.rows.push_back(std::move(row));
        row.clear();
        rowStarted = false;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        rowStarted = true;
        if (c == u'"' && field.isEmpty() && !quoted) {
            quoted = inQuotes = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            endRow();
        } else {
            field += c;  // also text after a closing quote, taken as it stands
        }
    }
    if (rowStarted || inQuotes)
        endRow();

    WorkbookData workbook;
    workbook.sheets.push_back(std::move(sheet));
    return workbook;
}

void WriteCsv(const WorkbookData& workbook, const QString& path) {
    const SheetData& sheet = workbook.sheets.front();
    const Extent extent = ExtentOf(sheet);
    QString text;
    text.reserve(qsizetype(sheet.rowCount()) * 32);
    for (int r = 0; r <= extent.lastRow; ++r) {
        for (int c = 0; c <= extent.lastColumn; ++c) {
            if (c > 0)
                text += u',';
            if (const CellData* cell = sheet.cell(r, c))
                text += fieldText(cell->value);
        }
        text += QStringLiteral("\r\n");
    }
    // With the byte order mark the host opens the text as UTF-8.
    WriteWholeFile(path, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
}

} // namespace excel::files
