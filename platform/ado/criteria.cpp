#include "platform/ado/criteria.h"

#include "platform/ado/ado.h"
#include "platform/ado/collation.h"
#include "platform/ado/errors.h"
#include "platform/vb/error.h"

#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ado::detail {

Criteria::~Criteria() = default;

namespace {

[[noreturn]] void malformed() { Fail(adErrInvalidArgument); }
[[noreturn]] void unknownField() { Fail(adErrItemNotFound); }

[[noreturn]] void kindsDoNotMeet() { vb::Raise(vb::errTypeMismatch); }

int compareNumbers(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

int compareDates(const QDateTime& a, const QDateTime& b) { return a < b ? -1 : b < a ? 1 : 0; }

int compareKeys(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// "*" and "%" stand for any run of characters; both texts already folded
// (FoldText).
bool wildcardMatch(QStringView text, QStringView pattern) {
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    auto isStar = [](QChar c) { return c == u'*' || c == u'%'; };
    while (t < text.size()) {
        if (p < pattern.size() && isStar(pattern[p])) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && isStar(pattern[p]))
        ++p;
    return p == pattern.size();
}

// ---- tokens ----

enum class Tok { End, Word, Field, Text, Date, Number, Op, Open, Close };

struct Token {
    Tok kind = Tok::End;
    QString text;
};

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

class Lexer {
public:
    explicit Lexer(const QString& s) : s_(s) {}

    Token next() {
        while (i_ < s_.size() && isBlank(s_[i_]))
            ++i_;
        if (i_ >= s_.size())
            return {};
        QChar c = s_[i_];
        if (c == u'(') { ++i_; return {Tok::Open, {}}; }
        if (c == u')') { ++i_; return {Tok::Close, {}}; }
        if (c == u'=' || c == u'<' || c == u'>') {
            QString op(c);
            ++i_;
            if (i_ < s_.size() && (s_[i_] == u'=' || (c == u'<' && s_[i_] == u'>'))) {
                op += s_[i_];
                ++i_;
            }
            return {Tok::Op, op};
        }
        if (c == u'\'' || c == u'#' || c == u'[') {
            QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype end = s_.indexOf(close, i_ + 1);
            if (end < 0)
                malformed();
            QString body = s_.mid(i_ + 1, end - i_ - 1);
            i_ = end + 1;
            // A quote right after a closing quote is a quote inside the value.
            if (c == u'\'' && i_ < s_.size() && s_[i_] == u'\'')
                malformed();
            return {c == u'\'' ? Tok::Text : c == u'#' ? Tok::Date : Tok::Field, body};
        }
        qsizetype start = i_;
        while (i_ < s_.size() && !isBlank(s_[i_]) && !QStringLiteral("=<>()'#[").contains(s_[i_]))
            ++i_;
        QString word = s_.mid(start, i_ - start);
        bool numeric = c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && word.size() > 1);
        return {numeric ? Tok::Number : Tok::Word, word};
    }

private:
    const QString& s_;
    qsizetype i_ = 0;
};

bool isKeyword(const Token& t, const char* word) {
    return t.kind == Tok::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// ---- criteria ----

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

bool holds(Op op, int c) {
    switch (op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Gt: return c > 0;
    case Op::Le: return c <= 0;
    case Op::Ge: return c >= 0;
    case Op::Like: break;
    }
    return false;
}

struct Literal {
    enum Kind { Text, Number, Date, Null } kind = Text;
    QString text, folded;
    TextKey key;
    double number = 0;
    QDateTime date;
    bool numeric = false;   // a text that reads as a number
    bool dated = false;     // a text that reads as a date
};

class Clause : public Criteria {
public:
    Clause(int field, Op op, Literal value) : field_(field), op_(op), value_(std::move(value)) {}

    bool matches(const Row& row) const override {
        const vb::Variant& v = row.values[std::size_t(field_)];
        bool none = v.isNull() || v.isEmpty();
        if (value_.kind == Literal::Null)
            return op_ == Op::Eq ? none : !none;
        if (none)
            return false;
        if (op_ == Op::Like)
            return wildcardMatch(FoldText(vb::CStr(v)), value_.folded);
        return holds(op_, compare(v));
    }

private:
    int compare(const vb::Variant& v) const {
        bool number = v.isNumber() || v.isBoolean();
        switch (value_.kind) {
        case Literal::Text:
            if (v.isString())
                return value_.key.compare(v.stringValue());
            if (number) {
                if (!value_.numeric) kindsDoNotMeet();
                return compareNumbers(vb::CDbl(v), value_.number);
            }
            if (v.isDate()) {
                if (!value_.dated) kindsDoNotMeet();
                return compareDates(v.dateValue(), value_.date);
            }
            break;
        case Literal::Number:
            if (number)
                return compareNumbers(vb::CDbl(v), value_.number);
            if (v.isString()) {
                if (!vb::IsNumeric(v)) kindsDoNotMeet();
                return compareNumbers(vb::CDbl(v), value_.number);
            }
            if (v.isDate())
                return compareNumbers(vb::ToSerialDate(v.dateValue()), value_.number);
            break;
        case Literal::Date:
            if (v.isDate())
                return compareDates(v.dateValue(), value_.date);
            if (v.isString()) {
                if (!vb::IsDate(v)) kindsDoNotMeet();
                return compareDates(vb::CDate(v), value_.date);
            }
            if (number)
                return compareNumbers(vb::CDbl(v), vb::ToSerialDate(value_.date));
            break;
        case Literal::Null:
            break;
        }
        kindsDoNotMeet();
    }

    int field_;
    Op op_;
    Literal value_;
};

// Clauses joined by one of AND or OR, tried left to right until one
// decides. A list rather than a tree of pairs: a filter of ten thousand
// clauses is matched and dropped without a call a clause.
class Junction : public Criteria {
public:
    Junction(bool all, std::vector<std::shared_ptr<const Criteria>> parts) : all_(all), parts_(std::move(parts)) {}
    bool matches(const Row& row) const override {
        for (const auto& part : parts_)
            if (part->matches(row) != all_)
                return !all_;
        return all_;
    }

private:
    bool all_;
    std::vector<std::shared_ptr<const Criteria>> parts_;
};

std::optional<QDateTime> readDate(const QString& text) {
    if (vb::IsDate(vb::Variant(text)))
        return vb::CDate(vb::Variant(text));
    // Dates between # are also written the way the query languages write
    // them, month first.
    for (const char* f : {"M/d/yyyy H:mm:ss", "M/d/yyyy H:mm", "M/d/yyyy"}) {
        QDateTime d = QDateTime::fromString(text.trimmed(), QLatin1String(f));
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

class Parser {
public:
    Parser(const QString& text, const std::vector<FieldInfo>& fields) : lexer_(text), fields_(fields) {
        advance();
    }

    std::shared_ptr<const Criteria> parse() {
        auto e = parseAny();
        if (tok_.kind != Tok::End)
            malformed();
        return e;
    }

private:
    void advance() { tok_ = lexer_.next(); }

    // OR joins what AND joins, AND joins clauses and groups.
    std::shared_ptr<const Criteria> parseAny() { return parseJoined("or", &Parser::parseAll); }
    std::shared_ptr<const Criteria> parseAll() { return parseJoined("and", &Parser::parseOne); }

    std::shared_ptr<const Criteria> parseJoined(const char* keyword, std::shared_ptr<const Criteria> (Parser::*part)()) {
        std::vector<std::shared_ptr<const Criteria>> parts{(this->*part)()};
        while (isKeyword(tok_, keyword)) {
            advance();
            parts.push_back((this->*part)());
        }
        if (parts.size() == 1)
            return parts.front();
        return std::make_shared<Junction>(keyword[0] == 'a', std::move(parts));
    }

    // Groups nest this deep at most: deeper is no filter a person writes,
    // and each level costs the parser a call.
    static constexpr int kDeepestGroup = 100;

    std::shared_ptr<const Criteria> parseOne() {
        if (tok_.kind == Tok::Open) {
            if (++depth_ > kDeepestGroup)
                malformed();
            advance();
            auto e = parseAny();
            if (tok_.kind != Tok::Close)
                malformed();
            advance();
            --depth_;
            return e;
        }
        if (tok_.kind != Tok::Word && tok_.kind != Tok::Field)
            malformed();
        int field = FindField(fields_, tok_.text);
        if (field < 0)
            unknownField();
        advance();
        Op op = parseOperator();
        Literal value = parseValue();
        if (op == Op::Like && value.kind != Literal::Text)
            malformed();
        if (value.kind == Literal::Null && op != Op::Eq && op != Op::Ne)
            malformed();
        return std::make_shared<Clause>(field, op, std::move(value));
    }

    Op parseOperator() {
        Op op;
        if (isKeyword(tok_, "like")) {
            op = Op::Like;
        } else if (tok_.kind == Tok::Op) {
            const QString& t = tok_.text;
            op = t == u"=" ? Op::Eq : t == u"<>" ? Op::Ne : t == u"<" ? Op::Lt : t == u">" ? Op::Gt
               : t == u"<=" ? Op::Le : t == u">=" ? Op::Ge : (malformed(), Op::Eq);
        } else {
            malformed();
        }
        advance();
        return op;
    }

    Literal parseValue() {
        Literal v;
        switch (tok_.kind) {
        case Tok::Text: {
            v.kind = Literal::Text;
            v.text = tok_.text;
            v.folded = FoldText(v.text);
            v.key = TextKey(v.text);
            vb::Variant t(v.text);
            if ((v.numeric = vb::IsNumeric(t)))
                v.number = vb::CDbl(t);
            // Every date is written with a digit; the readings of a date
            // are not tried on texts without one.
            const bool digits = std::any_of(v.text.begin(), v.text.end(), [](QChar c) { return c.isDigit(); });
            if (auto d = digits ? readDate(v.text) : std::nullopt) {
                v.dated = true;
                v.date = *d;
            }
            break;
        }
        case Tok::Date: {
            auto d = readDate(tok_.text);
            if (!d)
                malformed();
            v.kind = Literal::Date;
            v.date = *d;
            break;
        }
        case Tok::Number: {
            bool ok = false;
            v.number = QLocale::c().toDouble(tok_.text, &ok);
            if (!ok) {
                vb::Variant t(tok_.text);
                if (!vb::IsNumeric(t))
                    malformed();
                v.number = vb::CDbl(t);
            }
            v.kind = Literal::Number;
            break;
        }
        default:
            if (!isKeyword(tok_, "null"))
                malformed();
            v.kind = Literal::Null;
        }
        advance();
        return v;
    }

    Lexer lexer_;
    const std::vector<FieldInfo>& fields_;
    int depth_ = 0;
    Token tok_;
};

enum Kind { kNone, kText, kNumber, kDate, kBoolean };

Kind kindOf(const vb::Variant& v) {
    if (v.isNull() || v.isEmpty()) return kNone;
    if (v.isString()) return kText;
    if (v.isDate()) return kDate;
    if (v.isBoolean()) return kBoolean;
    return kNumber;
}

// The values of one sort key, row by row, taken out once for a sort: texts
// as their collation keys in one buffer, numbers and booleans as numbers.
// A comparison of two rows then reads bytes or numbers side by side, with
// nothing made or freed; dates compare as the rows hold them.
class SortColumn {
public:
    SortColumn(const std::vector<RowPtr>& rows, std::size_t field, Kind kind) : kind_(kind) {
        none_.reserve(rows.size());
        for (const RowPtr& row : rows) {
            const vb::Variant& v = row->values[field];
            const bool none = kindOf(v) == kNone;
            none_.push_back(none);
            switch (kind) {
            case kText: {
                const std::size_t start = bytes_.size();
                if (!none)
                    AppendTextKey(v.stringValue(), bytes_);
                spans_.push_back({start, bytes_.size() - start});
                break;
            }
            case kDate: dates_.push_back(&v.dateValue()); break;
            default: numbers_.push_back(none ? 0 : v.doubleValue());
            }
        }
    }

    // The first eight bytes of a text's key as a number (padded with
    // zeros): where two heads differ, the keys differ the same way.
    std::uint64_t head(std::size_t row) const {
        if (kind_ != kText)
            return 0;
        const std::string_view k = key(row);
        std::uint64_t h = 0;
        for (std::size_t i = 0; i < 8; ++i)
            h = h << 8 | (i < k.size() ? std::uint8_t(k[i]) : 0);
        return h;
    }

    int compare(std::size_t a, std::size_t b) const {
        if (none_[a] || none_[b])
            return none_[a] == none_[b] ? 0 : none_[a] ? -1 : 1;
        switch (kind_) {
        case kText: return compareKeys(key(a), key(b));
        case kDate: return compareDates(*dates_[a], *dates_[b]);
        default: return compareNumbers(numbers_[a], numbers_[b]);
        }
    }

private:
    std::string_view key(std::size_t row) const {
        return std::string_view(bytes_).substr(spans_[row].first, spans_[row].second);
    }

    Kind kind_;
    std::vector<bool> none_;
    std::string bytes_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_;
    std::vector<double> numbers_;
    std::vector<const QDateTime*> dates_;
};

} // namespace

std::shared_ptr<const Criteria> Criteria::Parse(const QString& text, const std::vector<FieldInfo>& fields) {
    if (text.trimmed().isEmpty())
        return nullptr;
    return Parser(text, fields).parse();
}

std::vector<SortKey> ParseSort(const QString& text, const std::vector<FieldInfo>& fields) {
    std::vector<SortKey> keys;
    if (text.trimmed().isEmpty())
        return keys;
    for (const QString& part : text.split(u',')) {
        QString name = part.trimmed();
        SortKey key;
        qsizetype blank = name.lastIndexOf(u' ');
        QString last = blank < 0 ? QString() : name.mid(blank + 1);
        if (last.compare(QLatin1String("asc"), Qt::CaseInsensitive) == 0
            || last.compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0) {
            key.descending = last.size() == 4;
            name = name.left(blank).trimmed();
        }
        if (name.startsWith(u'[') && name.endsWith(u']'))
            name = name.mid(1, name.size() - 2);
        if (name.isEmpty())
            malformed();
        key.field = FindField(fields, name);
        if (key.field < 0)
            unknownField();
        keys.push_back(key);
    }
    return keys;
}

void SortRows(std::vector<RowPtr>& rows, const std::vector<SortKey>& keys, const std::vector<FieldInfo>& fields) {
    std::vector<Kind> kinds;
    for (const SortKey& key : keys) {
        Kind kind = kNone;
        for (const RowPtr& r : rows) {
            Kind k = kindOf(r->values[std::size_t(key.field)]);
            if (k == kNone || k == kind)
                continue;
            if (kind != kNone)
                Fail(adErrInvalidArgument,
                     QStringLiteral("The values of the field '%1' are of different kinds and cannot be sorted.")
                         .arg(fields[std::size_t(key.field)].name));
            kind = k;
        }
        kinds.push_back(kind);
    }
    std::vector<SortColumn> columns;
    columns.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        columns.emplace_back(rows, std::size_t(keys[i].field), kinds[i]);
    // The first key's head beside each row: most comparisons end there.
    struct Entry {
        std::uint64_t head;
        std::size_t row;
    };
    std::vector<Entry> order;
    order.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        order.push_back({columns.empty() ? 0 : columns[0].head(i), i});
    std::stable_sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
        if (a.head != b.head)
            return keys[0].descending ? a.head > b.head : a.head < b.head;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            int c = columns[i].compare(a.row, b.row);
            if (c != 0)
                return keys[i].descending ? c > 0 : c < 0;
        }
        return false;
    });
    std::vector<RowPtr> sorted;
    sorted.reserve(rows.size());
    for (const Entry& e : order)
        sorted.push_back(std::move(rows[e.row]));
    rows = std::move(sorted);
}

} // namespace ado::detail
