// Text files of separated values: the first sheet only, no fonts, no
// column widths.
//
// Reading takes the files as a Turkish desktop has them:
// - Encoding: UTF-8 with or without a byte order mark, UTF-16 with one, and
//   otherwise Windows-1254 (a file that is not valid UTF-8).
// - Separator: the one a first line "sep=;" names (the line is no data);
//   otherwise whichever of ";", tab and "," splits the first lines into the
//   same number of fields, ";" first.
// - With ";" or tab between fields the values are typed as the regional
//   settings write them (Turkish: "1.234,56" is a number, "29.02.2024" and
//   "29.02.2024 18:00" are dates, "DOĞRU" and "YANLIŞ" booleans, "#DIV/0!"
//   an error value); with "," as the plain numbers of the rule below, since
//   a decimal comma could not stand unquoted there. A file of one column
//   takes both kinds of number.
// - Plain numbers: an optional minus, whole digits without a leading zero
//   (a lone 0 is fine), optionally a "." and decimals, optionally an
//   exponent, at most 15 whole digits. The regional ones: the same with the
//   decimal separator, and with the group separator between groups of three
//   whole digits. So "05321234567" keeps its leading zero and stays text, as
//   do longer digit runs such as card numbers.
// - A quoted field is always text; an empty field an empty cell.
//
// Writing: UTF-8 with a byte order mark, the regional list separator (";"
// when the decimal separator is a comma, as under Turkish settings, so that
// Excel and LibreOffice on a Turkish desktop open the file in columns),
// numbers with the regional decimal separator and no grouping, dates in the
// regional short date and time formats, booleans as DOĞRU and YANLIŞ, error
// values as their texts. Texts that would read back as something else are
// quoted.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include "platform/vb/regional.h"

#include <QStringDecoder>
#include <array>
#include <charconv>
#include <optional>

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

// The ASCII text of a number as from_chars reads it, kept off the heap
// for the lengths numbers have: a file of a million rows types ten
// million fields.
class NumberText {
public:
    void operator+=(char c) {
        if (size_ < sizeof inline_)
            inline_[size_] = c;
        else
            spill(c);
        ++size_;
    }
    std::optional<double> value() const {
        const char* p = size_ <= sizeof inline_ ? inline_ : long_.data();
        double v = 0;
        if (std::from_chars(p, p + size_, v).ec != std::errc())
            return std::nullopt;
        return v;
    }

private:
    void spill(char c) {
        if (long_.empty())
            long_.assign(inline_, sizeof inline_);
        long_ += c;
    }
    char inline_[64];
    std::string long_;
    size_t size_ = 0;
};

// The number of a field by the plain rule (decimal "." and no grouping) or
// the regional one (decimal and group separators of the settings); nothing
// when the field is no such number.
std::optional<double> numberOf(QStringView s, QChar decimal, QChar group) {
    const qsizetype n = s.size();
    qsizetype i = !s.isEmpty() && s[0] == u'-' ? 1 : 0;
    const qsizetype wholeStart = i;
    NumberText ascii;
    if (i == 1)
        ascii += '-';
    int whole = 0;
    i = digitsFrom(s, i);
    const qsizetype firstGroup = i - wholeStart;
    if (firstGroup == 0 || (firstGroup > 1 && s[wholeStart] == u'0'))
        return std::nullopt;
    for (qsizetype k = wholeStart; k < i; ++k)
        ascii += char(s[k].unicode());
    whole += int(firstGroup);
    if (!group.isNull() && i < n && s[i] == group) {
        if (firstGroup > 3)
            return std::nullopt;
        while (i < n && s[i] == group) {
            const qsizetype start = i + 1;
            const qsizetype end = digitsFrom(s, start);
            if (end - start != 3)
                return std::nullopt;
            for (qsizetype k = start; k < end; ++k)
                ascii += char(s[k].unicode());
            whole += 3;
            i = end;
        }
    }
    if (whole > 15)
        return std::nullopt;
    if (i < n && s[i] == decimal) {
        const qsizetype decimals = i + 1;
        i = digitsFrom(s, decimals);
        if (i == decimals)
            return std::nullopt;
        ascii += '.';
        for (qsizetype k = decimals; k < i; ++k)
            ascii += char(s[k].unicode());
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ascii += 'e';
        qsizetype exponent = i + 1;
        if (exponent < n && (s[exponent] == u'+' || s[exponent] == u'-'))
            ascii += char(s[exponent++].unicode());
        i = digitsFrom(s, exponent);
        if (i == exponent)
            return std::nullopt;
        for (qsizetype k = exponent; k < i; ++k)
            ascii += char(s[k].unicode());
    }
    if (i != n)
        return std::nullopt;
    return ascii.value();
}

bool isPlainNumber(QStringView s) {
    return numberOf(s, u'.', QChar()).has_value();
}

// The regional short date format taken apart once: the order of day, month
// and year and the character between them ("dd.MM.yyyy": d, M, y and ".").
struct DateShape {
    std::array<char, 3> order{'d', 'M', 'y'};
    QChar separator = u'.';

    static DateShape of(const QString& format) {
        DateShape shape;
        int k = 0;
        for (qsizetype i = 0; i < format.size() && k < 3;) {
            const QChar c = format[i];
            if (c == u'd' || c == u'M' || c == u'y') {
                shape.order[size_t(k++)] = char(c.unicode());
                while (i < format.size() && format[i] == c)
                    ++i;
            } else {
                shape.separator = c;
                ++i;
            }
        }
        return shape;
    }
};

// A whole number of 1 to `most` digits at i; -1 when there is none.
int digitsAt(QStringView s, qsizetype& i, int most) {
    int v = 0, count = 0;
    while (i < s.size() && isDigit(s[i]) && count < most) {
        v = v * 10 + (s[i].unicode() - u'0');
        ++i;
        ++count;
    }
    return count ? v : -1;
}

// "H:mm" or "H:mm:ss" from i to the end.
std::optional<QTime> timeAt(QStringView s, qsizetype i) {
    const int h = digitsAt(s, i, 2);
    if (h < 0 || i >= s.size() || s[i] != u':')
        return std::nullopt;
    ++i;
    const qsizetype minuteStart = i;
    const int m = digitsAt(s, i, 2);
    if (m < 0 || i - minuteStart != 2)
        return std::nullopt;
    int sec = 0;
    if (i < s.size() && s[i] == u':') {
        ++i;
        const qsizetype secondStart = i;
        sec = digitsAt(s, i, 2);
        if (sec < 0 || i - secondStart != 2)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    QTime t(h, m, sec);
    return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
}

// A date, a date and time, or a time of day in the regional formats.
std::optional<QDateTime> dateOf(QStringView s, const DateShape& shape) {
    if (s.isEmpty() || !isDigit(s[0]))
        return std::nullopt;
    if (auto t = timeAt(s, 0))
        return QDateTime(QDate(1899, 12, 30), *t);
    qsizetype i = 0;
    int parts[3];
    for (int k = 0; k < 3; ++k) {
        parts[k] = digitsAt(s, i, shape.order[size_t(k)] == 'y' ? 4 : 2);
        if (parts[k] < 0)
            return std::nullopt;
        if (k < 2) {
            if (i >= s.size() || s[i] != shape.separator)
                return std::nullopt;
            ++i;
        }
    }
    int day = 0, month = 0, year = 0;
    for (int k = 0; k < 3; ++k)
        (shape.order[size_t(k)] == 'd' ? day : shape.order[size_t(k)] == 'M' ? month : year) = parts[k];
    if (year < 1000)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    if (i == s.size())
        return date.startOfDay();
    if (s[i] != u' ')
        return std::nullopt;
    const auto time = timeAt(s, i + 1);
    if (!time)
        return std::nullopt;
    return QDateTime(date, *time);
}

// The names Turkish Excel shows for booleans and errors, beside the ones
// of other languages.
const QString kTrue = QStringLiteral("DOĞRU");
const QString kFalse = QStringLiteral("YANLIŞ");

std::optional<int> errorOf(QStringView s) {
    static const std::pair<const char16_t*, int> turkish[] = {
        {u"#BOŞ!", 0x00}, {u"#SAYI/0!", 0x07}, {u"#BÖL/0!", 0x07}, {u"#DEĞER!", 0x0F},
        {u"#BAŞV!", 0x17}, {u"#AD?", 0x1D},     {u"#SAYI!", 0x24},  {u"#YOK", 0x2A},
    };
    if (s.isEmpty() || s[0] != u'#')
        return std::nullopt;
    if (auto code = ErrorCodeOfText(s))
        return code;
    for (const auto& [name, code] : turkish)
        if (s == QStringView(name))
            return code;
    return std::nullopt;
}

enum class Typing { Plain, Regional, Either };

class FieldTyper {
public:
    explicit FieldTyper(Typing typing)
        : typing_(typing), rs_(vb::Regional()), shape_(DateShape::of(rs_.shortDateFormat)) {}

    // What a field holds: Empty for an empty one, nothing when it is the
    // text as it stands, else the value it reads as.
    std::optional<vb::Variant> operator()(QStringView text, bool quoted) const {
        if (text.isEmpty())
            return vb::Variant();
        if (quoted)
            return std::nullopt;
        if (typing_ != Typing::Regional)
            if (auto v = numberOf(text, u'.', QChar()))
                return vb::Variant(*v);
        if (typing_ == Typing::Plain)
            return std::nullopt;
        if (auto v = numberOf(text, rs_.decimalSeparator, rs_.groupSeparator))
            return vb::Variant(*v);
        if (typing_ == Typing::Either)
            return std::nullopt;
        if (auto d = dateOf(text, shape_))
            return vb::Variant(*d);
        if (text == kTrue || text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
            return vb::Variant(true);
        if (text == kFalse || text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
            return vb::Variant(false);
        if (auto code = errorOf(text))
            return ErrorValue(*code);
        return std::nullopt;
    }

private:
    Typing typing_;
    const vb::RegionalSettings& rs_;
    DateShape shape_;
};

} // namespace

vb::Variant RegionalValue(const QString& text) {
    return FieldTyper(Typing::Regional)(text, false).value_or(vb::Variant(text));
}

namespace {

// The lines the separator is learnt from.
constexpr int kSeparatorLines = 20;

// The separator of the first lines: the candidate that gives each of them
// the same number of fields (more than one), ";" before tab before ",".
QChar detectSeparator(QStringView text) {
    const QChar candidates[] = {u';', u'\t', u','};
    QChar best;
    int bestLines = 0;
    for (QChar sep : candidates) {
        int first = -1, agreeing = 0, lines = 0, count = 0;
        bool quoted = false;
        for (qsizetype i = 0; i <= text.size() && lines < kSeparatorLines; ++i) {
            const QChar c = i < text.size() ? text[i] : QChar(u'\n');
            if (c == u'"') {
                quoted = !quoted;
            } else if (quoted) {
                continue;
            } else if (c == sep) {
                ++count;
            } else if (c == u'\n' || c == u'\r') {
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                    ++i;
                if (first < 0)
                    first = count;
                if (count == first && count > 0)
                    ++agreeing;
                ++lines;
                count = 0;
                if (i + 1 >= text.size())
                    break;
            }
        }
        if (first > 0 && agreeing > bestLines) {
            best = sep;
            bestLines = agreeing;
        }
    }
    return best;
}

QString numberText(double v, QChar decimal) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    QString text = QString::fromLatin1(buf, r.ptr - buf);
    if (!isPlainNumber(text)) {
        // The shortest form has more whole digits than the rule takes.
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
        text = QString::fromLatin1(buf, r.ptr - buf);
    }
    if (decimal != u'.')
        text.replace(u'.', decimal);
    return text;
}

class FieldWriter {
public:
    FieldWriter()
        : rs_(vb::Regional()),
          separator_(rs_.decimalSeparator == u',' ? u';' : u','),
          typer_(separator_ == u';' ? Typing::Regional : Typing::Plain) {}

    QChar separator() const { return separator_; }

    QString operator()(const vb::Variant& v, bool firstField) const {
        if (v.isNumber())
            return numberText(v.doubleValue(), separator_ == u';' ? rs_.decimalSeparator : QChar(u'.'));
        if (v.isBoolean())
            return separator_ == u';' ? (v.boolValue() ? kTrue : kFalse)
                                      : (v.boolValue() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
        if (v.isError())
            return ErrorText(ErrorCode(v));
        if (v.isDate())
            return dateText(v.dateValue());
        if (!v.isString())
            return {};
        const QString& s = v.stringValue();
        bool quote = s.startsWith(u' ') || s.endsWith(u' ') || (firstField && s.startsWith(QLatin1String("sep="), Qt::CaseInsensitive));
        for (QChar c : s)
            if (c == separator_ || c == u'"' || c == u'\r' || c == u'\n')
                quote = true;
        if (!quote)
            quote = typer_(s, false).has_value();
        if (!quote)
            return s;
        QString out = s;
        out.replace(u'"', QStringLiteral("\"\""));
        return u'"' + out + u'"';
    }

private:
    QString dateText(const QDateTime& d) const {
        if (separator_ == u',')
            return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("yyyy-MM-dd"))
                                           : d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (d.date() == QDate(1899, 12, 30) && d.time() != QTime(0, 0))
            return d.time().toString(QStringLiteral("HH:mm:ss"));
        const QString date = d.date().toString(rs_.shortDateFormat);
        return d.time() == QTime(0, 0) ? date : date + u' ' + d.time().toString(QStringLiteral("HH:mm:ss"));
    }

    const vb::RegionalSettings& rs_;
    QChar separator_;
    FieldTyper typer_;
};

} // namespace

ByteSource::~ByteSource() = default;

namespace {

// A file read already, in one piece.
class WholeBytes : public ByteSource {
public:
    explicit WholeBytes(const QByteArray& content) : content_(content) {}
    QByteArrayView next() override {
        if (done_)
            return {};
        done_ = true;
        return content_;
    }
    void rewind() override { done_ = false; }

private:
    const QByteArray& content_;
    bool done_ = false;
};

// The fields of the text as it comes, a piece at a time, into the sheet.
// An unquoted field that lies within one piece goes to the sheet as it
// stands there; a quoted one, or one that crosses into the next piece, is
// gathered first.
class CsvParser {
public:
    CsvParser(const QString& path, SheetData& sheet, QChar separator, const FieldTyper& typed)
        : path_(path), sheet_(sheet), separator_(separator), typed_(typed) {}

    void feed(QStringView text) {
        const qsizetype n = text.size();
        if (n == 0)
            return;
        qsizetype i = 0;
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (text[0] == u'\n')
                i = 1;
        }
        if (quotePending_ && i < n) {
            quotePending_ = false;
            if (text[i] == u'"') {
                gather(u"\"");
                ++i;
            } else {
                inQuotes_ = false;
            }
        }
        while (i < n) {
            if (inQuotes_) {
                const qsizetype quote = text.indexOf(u'"', i);
                if (quote < 0) {
                    gather(text.mid(i));
                    break;
                }
                gather(text.mid(i, quote - i));
                if (quote + 1 == n) {
                    quotePending_ = true;
                    break;
                }
                if (text[quote + 1] == u'"') {
                    gather(u"\"");
                    i = quote + 2;
                } else {
                    inQuotes_ = false;
                    i = quote + 1;
                }
                continue;
            }
            rowStarted_ = true;
            if (text[i] == u'"' && field_.isEmpty() && !quoted_) {
                quoted_ = inQuotes_ = true;
                ++i;
                continue;
            }
            // The field's run up to its end (text after a closing quote is
            // taken as it stands too).
            qsizetype end = i;
            while (end < n && text[end] != separator_ && text[end] != u'\r' && text[end] != u'\n')
                ++end;
            if (end == n) {
                gather(text.mid(i));
                break;
            }
            QStringView value = text.mid(i, end - i);
            if (field_.isEmpty()) {
                checkLength(value);
            } else {
                gather(value);
                value = field_;
            }
            i = end + 1;
            if (text[end] == separator_) {
                endField(value);
                continue;
            }
            if (text[end] == u'\r') {
                if (i < n && text[i] == u'\n')
                    ++i;
                else if (i == n)
                    skipLineFeed_ = true;
            }
            endRow(value);
        }
    }

    void finish() {
        if (rowStarted_ || inQuotes_)
            endRow(field_);
    }

private:
    void gather(QStringView part) {
        field_ += part;
        checkLength(field_);
    }
    // A field of more characters than a cell holds stops the reading there.
    void checkLength(QStringView field) const {
        if (field.size() > kMaxTextLength)
            RaiseCellTextTooLong(path_, sheet_.name, row_, column_);
    }
    void endField(QStringView value) {
        const std::optional<vb::Variant> v = typed_(value, quoted_);
        if (!v || !v->isEmpty()) {
            if (column_ >= kGridColumns)
                RaiseBeyondGrid(path_, sheet_.name);
            if (v)
                sheet_.setValue(row_, column_, *v);
            else
                sheet_.setText(row_, column_, value);
        }
        ++column_;
        field_.clear();
        quoted_ = false;
    }
    void endRow(QStringView value) {
        if (row_ >= kGridRows)
            RaiseBeyondGrid(path_, sheet_.name);
        endField(value);
        sheet_.growRows(row_ + 1);
        ++row_;
        column_ = 0;
        rowStarted_ = false;
    }

    const QString& path_;
    SheetData& sheet_;
    const QChar separator_;
    const FieldTyper& typed_;
    QString field_;               // a field gathered across pieces or quotes
    bool quoted_ = false;         // the field began with a quote
    bool inQuotes_ = false;       // inside the quotes of a quoted field
    bool quotePending_ = false;   // a quote ended the last piece, inside quotes
    bool skipLineFeed_ = false;   // a CR ended the last piece
    bool rowStarted_ = false;
    int row_ = 0, column_ = 0;
};

// The text of the bytes, decoded a piece at a time. UTF-16 with its byte
// order mark is decoded whole; otherwise UTF-8 (its mark dropped), or, for
// a file that is not valid UTF-8 anywhere, Windows-1254. A piece of UTF-8
// never ends inside a character: the bytes of one cut by the end of a
// piece go with the next.
class TextPieces {
public:
    TextPieces(const QString& path, ByteSource& bytes) : path_(path), bytes_(bytes) {}

    // The first lines, to learn the separator from: as many as it takes
    // (outside quotes, as the separator's lines are counted), or the whole
    // text; the pieces after them follow from next().
    QString head() {
        // Enough bytes for a byte order mark.
        QByteArray start;
        while (start.size() < 3) {
            const QByteArrayView piece = bytes_.next();
            if (piece.isEmpty())
                break;
            start += piece;
        }
        if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
            for (QByteArrayView piece = bytes_.next(); !piece.isEmpty(); piece = bytes_.next())
                start += piece;
            QStringDecoder decoder(start.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                                   QStringDecoder::Flag::Stateless);
            const QString text = decoder(QByteArrayView(start).sliced(2));
            if (decoder.hasError() || text.contains(QChar(0)))
                RaiseUnreadable(path_);
            return text;
        }
        if (start.startsWith("\xEF\xBB\xBF"))
            start.remove(0, 3);
        QString text = decode(start);
        LineEnds ends;
        ends.count(text);
        while (ends.lines <= kSeparatorLines) {
            const std::optional<QString> piece = next();
            if (!piece)
                break;
            ends.count(*piece);
            text += *piece;
        }
        return text;
    }

    // The next piece of the text (empty when its bytes end inside a
    // character); nothing at the end.
    std::optional<QString> next() {
        const QByteArrayView piece = bytes_.next();
        if (piece.isEmpty()) {
            if (!carried_.isEmpty())
                invalid();
            return std::nullopt;
        }
        return decode(piece);
    }
    // After invalid UTF-8: the whole text again, from its first byte.
    void restartAs1254() {
        windows1254_ = true;
        carried_.clear();
        atStart_ = true;
        bytes_.rewind();
    }

    // Thrown where the text turns out not to be UTF-8.
    struct NotUtf8 {};

private:
    // The line ends of a text given a piece at a time, outside quotes, a
    // CR LF across two pieces counted once.
    struct LineEnds {
        int lines = 0;
        bool quoted = false;
        bool afterCr = false;
        void count(QStringView text) {
            for (const QChar c : text) {
                if (c == u'"')
                    quoted = !quoted;
                else if (!quoted && (c == u'\r' || (c == u'\n' && !afterCr)))
                    ++lines;
                afterCr = !quoted && c == u'\r';
            }
        }
    };

    [[noreturn]] void invalid() const { throw NotUtf8{}; }

    QString decode(QByteArrayView piece) {
        if (piece.contains('\0'))
            RaiseUnreadable(path_);
        if (windows1254_)
            return DecodeCodePage(piece, 1254);
        QByteArrayView whole = piece;
        QByteArray joined;
        if (!carried_.isEmpty()) {
            joined = carried_ + piece.toByteArray();
            carried_.clear();
            whole = joined;
        }
        // The bytes of a character the piece cuts off: its lead byte and the
        // continuation bytes after it, when they are fewer than it calls for.
        qsizetype cut = whole.size();
        for (qsizetype back = 1; back <= 3 && back <= whole.size(); ++back) {
            const auto b = uint8_t(whole[whole.size() - back]);
            if ((b & 0xC0) == 0x80)
                continue;
            const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (length > back)
                cut = whole.size() - back;
            break;
        }
        carried_ = whole.sliced(cut).toByteArray();
        // Only the text's first bytes may be taken for a byte order mark;
        // a piece that begins with those bytes later holds the character.
        QStringDecoder utf8(QStringDecoder::Utf8, atStart_ ? QStringDecoder::Flag::Stateless
                                                           : QStringDecoder::Flag::Stateless
                                                                 | QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf8(whole.first(cut));
        atStart_ = atStart_ && cut == 0;
        if (utf8.hasError())
            invalid();
        return text;
    }

    const QString& path_;
    ByteSource& bytes_;
    QByteArray carried_;
    bool windows1254_ = false;
    bool atStart_ = true;
};

WorkbookData readCsvOnce(const QString& path, TextPieces& pieces) {
    QString text = pieces.head();
    QChar separator;
    // "sep=;" on the first line names the separator and is no data.
    if (text.startsWith(QLatin1String("sep="), Qt::CaseInsensitive) && text.size() >= 5) {
        qsizetype end = 5;
        if (end == text.size() || text[end] == u'\r' || text[end] == u'\n') {
            separator = text[4];
            if (end < text.size() && text[end] == u'\r')
                ++end;
            if (end < text.size() && text[end] == u'\n')
                ++end;
            text.remove(0, end);
        }
    }
    if (separator.isNull())
        separator = detectSeparator(text);
    const FieldTyper typed(separator.isNull() ? Typing::Either
                           : separator == u',' ? Typing::Plain
                                               : Typing::Regional);

    SheetData sheet;
    sheet.name = SheetNameFromFileName(path);
    CsvParser parser(path, sheet, separator, typed);
    parser.feed(text);
    text.clear();
    while (const std::optional<QString> piece = pieces.next())
        parser.feed(*piece);
    parser.finish();

    WorkbookData workbook;
    workbook.sheets.push_back(std::move(sheet));
    return workbook;
}

} // namespace

WorkbookData ReadCsv(const QString& path, ByteSource& bytes) {
    TextPieces pieces(path, bytes);
    try {
        return readCsvOnce(path, pieces);
    } catch (const TextPieces::NotUtf8&) {
        pieces.restartAs1254();
        return readCsvOnce(path, pieces);
    }
}

WorkbookData ReadCsv(const QString& path, const QByteArray& content) {
    WholeBytes bytes(content);
    return ReadCsv(path, bytes);
}

void WriteCsv(const WorkbookData& workbook, const QString& path) {
    const SheetData& sheet = workbook.sheets.front();
    const Extent extent = ExtentOf(sheet);
    const FieldWriter fieldText;
    QString text;
    text.reserve(qsizetype(sheet.rowCount()) * 32);
    for (int r = 0; r <= extent.lastRow; ++r) {
        for (int c = 0; c <= extent.lastColumn; ++c) {
            if (c > 0)
                text += fieldText.separator();
            text += fieldText(sheet.value(r, c), r == 0 && c == 0);
        }
        text += QStringLiteral("\r\n");
    }
    // With the byte order mark the host opens the text as UTF-8.
    WriteWholeFile(path, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
}

} // namespace excel::files
