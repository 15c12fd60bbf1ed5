// The expressions of the binary format's formulas, put into words. An
// expression is a list of tokens in reverse Polish order; the words are
// built on a stack. A token this program does not know (defined names,
// array constants, references to other workbooks, functions missing from
// the table below) leaves the formula unread: its cell keeps the value.

#include "platform/excel/files/formula.h"

#include "platform/excel/files/bytes.h"
#include "platform/excel/files/common.h"
#include "platform/excel/range.h"
#include "platform/excel/sheetdata.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <optional>

namespace excel::files {

namespace {

constexpr uint16_t kSupBook = 0x01AE;
constexpr uint16_t kExternSheet = 0x0017;
constexpr uint16_t kExternName = 0x0023;

// Built-in functions by their number: the name and the number of arguments
// of those that take a fixed number (-1: any number, given by the token).
struct Function {
    uint16_t id;
    const char* name;
    int arguments;
};
constexpr Function kFunctions[] = {
    {0, "COUNT", -1},      {1, "IF", -1},           {2, "ISNA", 1},         {3, "ISERROR", 1},
    {4, "SUM", -1},        {5, "AVERAGE", -1},      {6, "MIN", -1},         {7, "MAX", -1},
    {8, "ROW", -1},        {9, "COLUMN", -1},       {10, "NA", 0},          {11, "NPV", -1},
    {12, "STDEV", -1},     {13, "DOLLAR", -1},      {14, "FIXED", -1},      {15, "SIN", 1},
    {16, "COS", 1},        {17, "TAN", 1},          {18, "ATAN", 1},        {19, "PI", 0},
    {20, "SQRT", 1},       {21, "EXP", 1},          {22, "LN", 1},          {23, "LOG10", 1},
    {24, "ABS", 1},        {25, "INT", 1},          {26, "SIGN", 1},        {27, "ROUND", 2},
    {28, "LOOKUP", -1},    {29, "INDEX", -1},       {30, "REPT", 2},        {31, "MID", 3},
    {32, "LEN", 1},        {33, "VALUE", 1},        {34, "TRUE", 0},        {35, "FALSE", 0},
    {36, "AND", -1},       {37, "OR", -1},          {38, "NOT", 1},         {39, "MOD", 2},
    {46, "VAR", -1},       {48, "TEXT", 2},         {56, "PV", -1},         {57, "FV", -1},
    {58, "NPER", -1},      {59, "PMT", -1},         {60, "RATE", -1},       {63, "RAND", 0},
    {64, "MATCH", -1},     {65, "DATE", 3},         {66, "TIME", 3},        {67, "DAY", 1},
    {68, "MONTH", 1},      {69, "YEAR", 1},         {70, "WEEKDAY", -1},    {71, "HOUR", 1},
    {72, "MINUTE", 1},     {73, "SECOND", 1},       {74, "NOW", 0},         {76, "ROWS", 1},
    {77, "COLUMNS", 1},    {78, "OFFSET", -1},      {82, "SEARCH", -1},     {83, "TRANSPOSE", 1},
    {86, "TYPE", 1},       {97, "ATAN2", 2},        {98, "ASIN", 1},        {99, "ACOS", 1},
    {100, "CHOOSE", -1},   {101, "HLOOKUP", -1},    {102, "VLOOKUP", -1},   {105, "ISREF", 1},
    {109, "LOG", -1},      {111, "CHAR", 1},        {112, "LOWER", 1},      {113, "UPPER", 1},
    {114, "PROPER", 1},    {115, "LEFT", -1},       {116, "RIGHT", -1},     {117, "EXACT", 2},
    {118, "TRIM", 1},      {119, "REPLACE", 4},     {120, "SUBSTITUTE", -1}, {121, "CODE", 1},
    {124, "FIND", -1},     {125, "CELL", -1},       {126, "ISERR", 1},      {127, "ISTEXT", 1},
    {128, "ISNUMBER", 1},  {129, "ISBLANK", 1},     {130, "T", 1},          {131, "N", 1},
    {140, "DATEVALUE", 1}, {141, "TIMEVALUE", 1},   {148, "INDIRECT", -1},  {162, "CLEAN", 1},
    {169, "COUNTA", -1},   {183, "PRODUCT", -1},    {184, "FACT", 1},       {190, "ISNONTEXT", 1},
    {197, "TRUNC", -1},    {198, "ISLOGICAL", 1},   {212, "ROUNDUP", 2},    {213, "ROUNDDOWN", 2},
    {216, "RANK", -1},     {219, "ADDRESS", -1},    {220, "DAYS360", -1},   {221, "TODAY", 0},
    {227, "MEDIAN", -1},   {228, "SUMPRODUCT", -1}, {279, "EVEN", 1},       {285, "FLOOR", 2},
    {288, "CEILING", 2},   {298, "ODD", 1},         {336, "CONCATENATE", -1}, {337, "POWER", 2},
    {342, "RADIANS", 1},   {343, "DEGREES", 1},     {344, "SUBTOTAL", -1},  {345, "SUMIF", -1},
    {346, "COUNTIF", 2},   {347, "COUNTBLANK", 1},
};

const Function* functionById(uint16_t id) {
    for (const Function& f : kFunctions)
        if (f.id == id)
            return &f;
    return nullptr;
}

QString numberWords(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    QString s = QString::fromLatin1(buf, r.ptr - buf);
    return s;
}

QString quotedText(const QString& text) {
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The binary operators by token. The files keep the parentheses the
// formula was typed with as tokens of their own, so none are added here.
const char* binaryOperator(uint8_t ptg) {
    switch (ptg) {
    case 0x03: return "+";
    case 0x04: return "-";
    case 0x05: return "*";
    case 0x06: return "/";
    case 0x07: return "^";
    case 0x08: return "&";
    case 0x09: return "<";
    case 0x0A: return "<=";
    case 0x0B: return "=";
    case 0x0C: return ">=";
    case 0x0D: return ">";
    case 0x0E: return "<>";
    case 0x0F: return " ";
    case 0x10: return ",";
    case 0x11: return ":";
    default: return nullptr;
    }
}

class Words {
public:
    Words(const QByteArray& tokens, const FormulaNames& names, int row, int column)
        : t_(tokens), names_(names), row_(row), column_(column) {}

    std::optional<QString> run() {
        while (pos_ < t_.size()) {
            const uint8_t ptg = uint8_t(t_[pos_++]);
            if (!token(ptg))
                return std::nullopt;
        }
        if (stack_.size() != 1)
            return std::nullopt;
        return u'=' + stack_.back();
    }

private:
    bool need(qsizetype n) const { return pos_ + n <= t_.size(); }
    uint8_t u8() { return uint8_t(t_[pos_++]); }
    uint16_t u16() {
        pos_ += 2;
        return Get16(t_.constData() + pos_ - 2);
    }

    bool pop(QString& out) {
        if (stack_.empty())
            return false;
        out = std::move(stack_.back());
        stack_.pop_back();
        return true;
    }

    // A reference's row and column fields: relative flags in the column's
    // top bits. In shared formulas (relativeToCell) relative parts are
    // offsets from the cell.
    QString reference(uint16_t row, uint16_t columnField, bool relativeToCell) const {
        const bool rowRelative = columnField & 0x8000;
        const bool columnRelative = columnField & 0x4000;
        int r = row, c = columnField & 0x00FF;
        if (relativeToCell) {
            if (rowRelative)
                r = (row_ + int16_t(row)) & 0xFFFF;
            if (columnRelative)
                c = (column_ + int8_t(uint8_t(c))) & 0xFF;
        }
        return CellReference(r, c, rowRelative, columnRelative);
    }

    QString area(uint16_t r1, uint16_t r2, uint16_t c1, uint16_t c2, bool relativeToCell) const {
        // Whole columns and whole rows are written as A:A and 1:1.
        if (r1 == 0 && r2 == 0xFFFF && !relativeToCell) {
            auto col = [](uint16_t f) {
                return ((f & 0x4000) ? QString() : QStringLiteral("$")) + ColumnLetters((f & 0xFF) + 1);
            };
            return col(c1) + u':' + col(c2);
        }
        if ((c1 & 0xFF) == 0 && (c2 & 0xFF) == 0xFF && !relativeToCell) {
            auto rw = [](uint16_t r, uint16_t f) {
                return ((f & 0x8000) ? QString() : QStringLiteral("$")) + QString::number(r + 1);
            };
            return rw(r1, c1) + u':' + rw(r2, c2);
        }
        return reference(r1, c1, relativeToCell) + u':' + reference(r2, c2, relativeToCell);
    }

    std::optional<QString> sheetPrefix(uint16_t ixti) const {
        if (ixti >= names_.xtis.size())
            return std::nullopt;
        const FormulaNames::Xti& x = names_.xtis[ixti];
        if (x.supBook >= names_.supBooks.size() || !names_.supBooks[x.supBook].self)
            return std::nullopt;  // another workbook
        if (x.first >= names_.sheets.size() || x.last >= names_.sheets.size())
            return std::nullopt;
        if (x.first == x.last)
            return QuotedSheetName(names_.sheets[x.first]) + u'!';
        const QString both = names_.sheets[x.first] + u':' + names_.sheets[x.last];
        return QuotedSheetName(both) + u'!';
    }

    bool call(const QString& name, int arguments) {
        if (arguments < 0 || size_t(arguments) > stack_.size())
            return false;
        QStringList args;
        for (int i = 0; i < arguments; ++i)
            args.prepend(stack_[stack_.size() - 1 - size_t(i)]);
        stack_.resize(stack_.size() - size_t(arguments));
        stack_.push_back(name + u'(' + args.join(u',') + u')');
        return true;
    }

    bool token(uint8_t ptg) {
        if (const char* op = binaryOperator(ptg)) {
            QString right, left;
            if (!pop(right) || !pop(left))
                return false;
            stack_.push_back(left + QLatin1String(op) + right);
            return true;
        }
        switch (ptg) {
        case 0x12:
        case 0x13:
        case 0x14:
        case 0x15: {
            QString a;
            if (!pop(a))
                return false;
            stack_.push_back(ptg == 0x12 ? u'+' + a : ptg == 0x13 ? u'-' + a : ptg == 0x14 ? a + u'%' : u'(' + a + u')');
            return true;
        }
        case 0x16:
            stack_.emplace_back();
            return true;
        case 0x17: {
            if (!need(2))
                return false;
            const int count = u8();
            const bool wide = u8() & 0x01;
            if (!need(qsizetype(count) * (wide ? 2 : 1)))
                return false;
            QString text;
            for (int i = 0; i < count; ++i)
                text += wide ? QChar(u16()) : QChar(u8());
            stack_.push_back(quotedText(text));
            return true;
        }
        case 0x19: {  // attributes: spaces, jumps of IF and CHOOSE, and SUM of one argument
            if (!need(3))
                return false;
            const uint8_t kind = u8();
            const uint16_t data = u16();
            if (kind & 0x04) {  // CHOOSE's jump table
                if (!need(qsizetype(data + 1) * 2))
                    return false;
                pos_ += qsizetype(data + 1) * 2;
            }
            if (kind & 0x10)
                return call(QStringLiteral("SUM"), 1);
            return true;
        }
        case 0x1C:
            if (!need(1))
                return false;
            stack_.push_back(ErrorText(u8()));
            return true;
        case 0x1D:
            if (!need(1))
                return false;
            stack_.push_back(u8() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            return true;
        case 0x1E:
            if (!need(2))
                return false;
            stack_.push_back(QString::number(u16()));
            return true;
        case 0x1F:
            if (!need(8))
                return false;
            pos_ += 8;
            stack_.push_back(numberWords(GetF64(t_.constData() + pos_ - 8)));
            return true;
        default:
            break;
        }
        if (ptg < 0x20)
            return false;  // shared-formula pointers, tables, extended tokens
        switch ((ptg & 0x1F) | 0x20) {
        case 0x21: {  // a function of a fixed number of arguments
            if (!need(2))
                return false;
            const Function* f = functionById(u16());
            return f && f->arguments >= 0 && call(QLatin1String(f->name), f->arguments);
        }
        case 0x22: {  // a function with its number of arguments
            if (!need(3))
                return false;
            const int arguments = u8() & 0x7F;
            const uint16_t id = u16() & 0x7FFF;
            if (id == 255) {  // an add-in function: its name is the first argument
                if (arguments < 1 || size_t(arguments) > stack_.size())
                    return false;
                const QString name = stack_[stack_.size() - size_t(arguments)];
                if (!name.startsWith(u'\x02'))
                    return false;
                stack_.erase(stack_.end() - arguments);
                return call(name.mid(1), arguments - 1);
            }
            const Function* f = functionById(id);
            return f && call(QLatin1String(f->name), arguments);
        }
        case 0x24:
            if (!need(4))
                return false;
            {
                const uint16_t r = u16(), c = u16();
                stack_.push_back(reference(r, c, false));
            }
            return true;
        case 0x25:
        case 0x2D:
            if (!need(8))
                return false;
            {
                const uint16_t r1 = u16(), r2 = u16(), c1 = u16(), c2 = u16();
                stack_.push_back(area(r1, r2, c1, c2, ((ptg & 0x1F) | 0x20) == 0x2D));
            }
            return true;
        case 0x2C:
            if (!need(4))
                return false;
            {
                const uint16_t r = u16(), c = u16();
                stack_.push_back(reference(r, c, true));
            }
            return true;
        case 0x26:  // a sub-expression's cached area: the expression follows
        case 0x27:
        case 0x28:
            if (!need(6))
                return false;
            pos_ += 6;
            return true;
        case 0x29:
            if (!need(2))
                return false;
            pos_ += 2;
            return true;
        case 0x2A:
        case 0x2B: {
            const qsizetype size = ((ptg & 0x1F) | 0x20) == 0x2A ? 4 : 8;
            if (!need(size))
                return false;
            pos_ += size;
        }
            stack_.push_back(QStringLiteral("#REF!"));
            return true;
        case 0x39: {  // an external name: here only the name of an add-in function
            if (!need(6))
                return false;
            const uint16_t ixti = u16(), index = u16();
            u16();
            if (ixti >= names_.xtis.size())
                return false;
            const uint16_t book = names_.xtis[ixti].supBook;
            if (book >= names_.supBooks.size() || !names_.supBooks[book].addIns || index == 0
                || index > names_.supBooks[book].externNames.size())
                return false;
            QString name = names_.supBooks[book].externNames[index - 1];
            if (name.startsWith(QLatin1String("_xlfn.")))
                name = name.mid(6);
            stack_.push_back(u'\x02' + name);
            return true;
        }
        case 0x3A:
        case 0x3B:
        case 0x3C:
        case 0x3D: {
            const int base = (ptg & 0x1F) | 0x20;
            const qsizetype size = base == 0x3A || base == 0x3C ? 6 : 10;
            if (!need(size))
                return false;
            const uint16_t ixti = u16();
            const auto prefix = sheetPrefix(ixti);
            if (!prefix)
                return false;
            if (base == 0x3A) {
                const uint16_t r = u16(), c = u16();
                stack_.push_back(*prefix + reference(r, c, false));
            } else if (base == 0x3B) {
                const uint16_t r1 = u16(), r2 = u16(), c1 = u16(), c2 = u16();
                stack_.push_back(*prefix + area(r1, r2, c1, c2, false));
            } else {
                pos_ += size - 2;
                stack_.push_back(*prefix + QStringLiteral("#REF!"));
            }
            return true;
        }
        default:
            return false;  // defined names, array constants and the rest
        }
    }

    const QByteArray& t_;
    const FormulaNames& names_;
    int row_, column_;
    qsizetype pos_ = 0;
    std::vector<QString> stack_;
};

} // namespace

QString CellReference(int row, int column, bool rowRelative, bool columnRelative) {
    return (columnRelative ? QString() : QStringLiteral("$")) + ColumnLetters(column + 1)
           + (rowRelative ? QString() : QStringLiteral("$")) + QString::number(row + 1);
}

QString QuotedSheetName(const QString& name) {
    bool plain = !name.isEmpty() && !name[0].isDigit();
    for (QChar c : name)
        if (!c.isLetterOrNumber() && c != u'_' && c != u'.')
            plain = false;
    // A name that reads as a cell reference ("A1", "AB12") needs them too.
    static const QRegularExpression cellLike(QStringLiteral("^[A-Za-z]{1,3}[0-9]+$"));
    if (plain && !cellLike.match(name).hasMatch())
        return name;
    return u'\'' + QString(name).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString FormulaWords(const QByteArray& tokens, const FormulaNames& names, int row, int column) {
    if (!names.biff8)
        return {};
    return Words(tokens, names, row, column).run().value_or(QString());
}

void FormulaNames::add(uint16_t type, const QByteArray& record) {
    if (!biff8)
        return;
    const char* d = record.constData();
    const qsizetype n = record.size();
    switch (type) {
    case kSupBook: {
        SupBook book;
        if (n >= 4) {
            const uint16_t marker = Get16(d + 2);
            book.self = marker == 0x0401;
            book.addIns = marker == 0x3A01;
        }
        supBooks.push_back(book);
        break;
    }
    case kExternSheet: {
        if (n < 2)
            break;
        const uint16_t count = Get16(d);
        for (uint16_t i = 0; i < count && 2 + 6 * qsizetype(i + 1) <= n; ++i) {
            const char* x = d + 2 + 6 * i;
            xtis.push_back({Get16(x), Get16(x + 2), Get16(x + 4)});
        }
        break;
    }
    case kExternName: {
        if (supBooks.empty() || n < 7)
            break;
        const int count = uint8_t(d[6]);
        const bool wide = n > 7 && (d[7] & 0x01);
        QString name;
        for (int i = 0; i < count && 8 + (i + 1) * (wide ? 2 : 1) <= n; ++i)
            name += wide ? QChar(Get16(d + 8 + 2 * i)) : QChar(uint8_t(d[8 + i]));
        supBooks.back().externNames.push_back(name);
        break;
    }
    default:
        break;
    }
}

QString SheetFormulas::cellFormula(const QByteArray& tokens, int row, int column) {
    if (tokens.size() == 5 && (tokens[0] == 0x01 || tokens[0] == 0x02)) {
        if (tokens[0] == 0x02)
            return CellData::kUnreadFormula;  // a data table's cell
        pending_[{row, column}] = {Get16(tokens.constData() + 1), Get16(tokens.constData() + 3)};
        return FormulaText::kPending;
    }
    const QString words = FormulaWords(tokens, names_, row, column);
    return words.isEmpty() ? CellData::kUnreadFormula : words;
}

void SheetFormulas::addShared(const QByteArray& record) {
    // The range (rows 2 + 2 bytes, columns 1 + 1), a reserved byte, the
    // number of cells, then the expression's size and tokens.
    if (record.size() < 10)
        return;
    const char* d = record.constData();
    const uint16_t size = Get16(d + 8);
    if (10 + qsizetype(size) > record.size())
        return;
    shared_.push_back({Get16(d), Get16(d + 2), uint8_t(d[4]), uint8_t(d[5]), record.mid(10, size)});
}

void SheetFormulas::addArrayOrTable(uint16_t, const QByteArray&) {
    // Array formulas and data tables are computed over ranges of cells; a
    // single cell's formula cannot stand for them. Their cells stay unread.
}

QString SheetFormulas::resolve(int row, int column) const {
    const auto it = pending_.find({row, column});
    if (it == pending_.end())
        return CellData::kUnreadFormula;
    const auto [firstRow, firstColumn] = it->second;
    for (const Shared& s : shared_) {
        if (s.firstRow == firstRow && s.firstColumn == firstColumn && row >= s.firstRow && row <= s.lastRow
            && column >= s.firstColumn && column <= s.lastColumn) {
            const QString words = FormulaWords(s.tokens, names_, row, column);
            return words.isEmpty() ? CellData::kUnreadFormula : words;
        }
    }
    return CellData::kUnreadFormula;
}

} // namespace excel::files
