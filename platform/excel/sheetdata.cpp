#include "platform/excel/sheetdata.h"

#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <climits>
#include <cstring>

namespace excel {

namespace {

enum Kind : uint8_t { kEmpty, kNumber, kText, kBoolean, kDate, kError, kBoxed };

constexpr uint32_t kBold = 1u << 24;
constexpr size_t kTextBlock = size_t(1) << 20;   // characters a pool block holds
constexpr qsizetype kLongestPooled = 0xFFFF;     // longer texts are boxed

uint64_t doubleBits(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

double bitsDouble(uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

uint64_t cellKey(int row, int column) {
    return (uint64_t(uint32_t(row)) << 32) | uint32_t(column);
}

uint32_t fontBits(bool bold, unsigned color) {
    return (color & 0xFFFFFF) | (bold ? kBold : 0);
}

} // namespace

SheetData SheetData::FromRows(QString name, const std::vector<std::vector<CellData>>& rows) {
    SheetData sheet;
    sheet.name = std::move(name);
    sheet.reserveRows(int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        sheet.growRows(int(r) + 1);
        for (size_t c = 0; c < rows[r].size(); ++c)
            sheet.set(int(r), int(c), rows[r][c]);
    }
    return sheet;
}

int SheetData::rowLength(int row) const {
    return row >= 0 && row < rowCount() ? int(rows_[size_t(row)].size()) : 0;
}

const SheetData::Cell* SheetData::find(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount())
        return nullptr;
    const auto& r = rows_[size_t(row)];
    return column < int(r.size()) ? &r[size_t(column)] : nullptr;
}

SheetData::Cell* SheetData::place(int row, int column) {
    if (row < 0 || column < 0)
        vb::Raise(vb::errSubscript);
    if (row >= rowCount())
        rows_.resize(size_t(row) + 1);
    auto& r = rows_[size_t(row)];
    if (column >= int(r.size())) {
        // Rows of a table are as wide as the one before them, most often.
        if (r.empty() && row > 0)
            r.reserve(std::max(size_t(column) + 1, rows_[size_t(row) - 1].size()));
        r.resize(size_t(column) + 1);
        widest_ = std::max(widest_, column + 1);
    }
    return &r[size_t(column)];
}

void SheetData::growRows(int rows) {
    if (rows > rowCount())
        rows_.resize(size_t(rows));
}

void SheetData::reserveRows(int rows) {
    if (rows > 0)
        rows_.reserve(size_t(rows));
}

void SheetData::release(Cell& cell) {
    if (cell.kind == kText) {
        deadText_ += cell.length;
        liveText_ -= cell.length;
    } else if (cell.kind == kBoxed) {
        boxed_[size_t(cell.bits)] = vb::Variant();
        freeBoxes_.push_back(uint32_t(cell.bits));
    }
    cell.kind = kEmpty;
    cell.bits = 0;
    cell.length = 0;
}

void SheetData::store(Cell& cell, const vb::Variant& value) {
    release(cell);
    switch (value.type()) {
    case vb::vbEmpty:
        return;
    case vb::vbDouble:
        cell.kind = kNumber;
        cell.bits = doubleBits(value.doubleValue());
        return;
    case vb::vbBoolean:
        cell.kind = kBoolean;
        cell.bits = value.boolValue() ? 1 : 0;
        return;
    case vb::vbError:
        cell.kind = kError;
        cell.bits = uint64_t(uint32_t(value.errorCode()));
        return;
    case vb::vbString:
        if (storeText(cell, value.stringValue()))
            return;
        break;
    case vb::vbDate: {
        // A local date and time packs into the day and the milliseconds of
        // the day; dates of other time specs keep their own.
        const QDateTime& d = value.dateValue();
        const qint64 day = d.date().toJulianDay();
        if (d.isValid() && d.timeSpec() == Qt::LocalTime && day >= INT32_MIN && day <= INT32_MAX) {
            cell.kind = kDate;
            cell.bits = (uint64_t(uint32_t(int32_t(day))) << 32) | uint32_t(d.time().msecsSinceStartOfDay());
            return;
        }
        break;
    }
    default:
        break;
    }
    cell.kind = kBoxed;
    if (freeBoxes_.empty()) {
        cell.bits = boxed_.size();
        boxed_.push_back(value);
    } else {
        cell.bits = freeBoxes_.back();
        freeBoxes_.pop_back();
        boxed_[size_t(cell.bits)] = value;
    }
}

// A text into the pool; false for one too long for it (it is boxed then).
bool SheetData::storeText(Cell& cell, QStringView text) {
    if (text.size() > kLongestPooled)
        return false;
    const size_t n = size_t(text.size());
    if (textBlocks_.empty() || textBlocks_.back().size() + n > kTextBlock) {
        textBlocks_.emplace_back();
        textBlocks_.back().reserve(kTextBlock);
    }
    auto& block = textBlocks_.back();
    cell.kind = kText;
    cell.bits = (uint64_t(textBlocks_.size() - 1) << 32) | uint64_t(block.size());
    cell.length = uint16_t(n);
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    block.insert(block.end(), chars, chars + n);
    liveText_ += n;
    if (deadText_ > kTextBlock * 4 && deadText_ > liveText_)
        compactTexts();
    return true;
}

QStringView SheetData::textOf(const Cell& cell) const {
    if (cell.length == 0)
        return QStringView();
    const auto& block = textBlocks_[size_t(cell.bits >> 32)];
    return QStringView(block.data() + uint32_t(cell.bits), qsizetype(cell.length));
}

vb::Variant SheetData::valueOf(const Cell& cell) const {
    switch (cell.kind) {
    case kNumber: return vb::Variant(bitsDouble(cell.bits));
    case kBoolean: return vb::Variant(cell.bits != 0);
    case kError: return vb::Variant::Error(int(uint32_t(cell.bits)));
    case kText: return vb::Variant(textOf(cell).toString());
    case kDate:
        return vb::Variant(QDateTime(QDate::fromJulianDay(int32_t(uint32_t(cell.bits >> 32))),
                                     QTime::fromMSecsSinceStartOfDay(int(uint32_t(cell.bits)))));
    case kBoxed: return boxed_[size_t(cell.bits)];
    default: return {};
    }
}

// Replaced texts leave their characters behind; once they outweigh the
// living ones the pool is built anew.
void SheetData::compactTexts() {
    std::vector<std::vector<char16_t>> blocks;
    for (auto& row : rows_) {
        for (Cell& cell : row) {
            if (cell.kind != kText)
                continue;
            const QStringView text = textOf(cell);
            if (blocks.empty() || blocks.back().size() + cell.length > kTextBlock) {
                blocks.emplace_back();
                blocks.back().reserve(kTextBlock);
            }
            auto& block = blocks.back();
            cell.bits = (uint64_t(blocks.size() - 1) << 32) | uint64_t(block.size());
            block.insert(block.end(), text.utf16(), text.utf16() + text.size());
        }
    }
    textBlocks_ = std::move(blocks);
    deadText_ = 0;
}

std::optional<CellData> SheetData::cell(int row, int column) const {
    const Cell* c = find(row, column);
    if (!c)
        return std::nullopt;
    CellData out;
    out.value = valueOf(*c);
    out.bold = (c->font & kBold) != 0;
    out.color = c->font & 0xFFFFFF;
    if (c->formula)
        out.formula = formulas_.at(cellKey(row, column));
    return out;
}

vb::Variant SheetData::value(int row, int column) const {
    const Cell* c = find(row, column);
    return c ? valueOf(*c) : vb::Variant();
}

std::optional<QStringView> SheetData::pooledText(int row, int column) const {
    const Cell* c = find(row, column);
    if (!c || c->kind != kText)
        return std::nullopt;
    return textOf(*c);
}

std::pair<bool, unsigned> SheetData::font(int row, int column) const {
    const Cell* c = find(row, column);
    return c ? std::pair{(c->font & kBold) != 0, c->font & 0xFFFFFFu} : std::pair{false, 0u};
}

bool SheetData::isEmpty(int row, int column) const {
    const Cell* c = find(row, column);
    return !c || (c->kind == kEmpty && c->font == 0 && !c->formula);
}

bool SheetData::holdsValue(int row, int column) const {
    const Cell* c = find(row, column);
    return c && c->kind != kEmpty;
}

void SheetData::set(int row, int column, const CellData& cell) {
    Cell* c = place(row, column);
    store(*c, cell.value);
    c->font = fontBits(cell.bold, cell.color);
    setFormula(row, column, cell.formula);
}

void SheetData::setValue(int row, int column, const vb::Variant& value) {
    store(*place(row, column), value);
}

void SheetData::setText(int row, int column, QStringView text) {
    Cell& cell = *place(row, column);
    release(cell);
    if (!storeText(cell, text))
        store(cell, vb::Variant(text));
}

void SheetData::setNumber(int row, int column, double number) {
    Cell& cell = *place(row, column);
    release(cell);
    cell.kind = kNumber;
    cell.bits = doubleBits(number);
}

void SheetData::setFormula(int row, int column, const QString& formula) {
    if (formula.isEmpty()) {
        // Clearing the formula of a cell never written writes nothing.
        if (row >= 0 && column >= 0 && column < rowLength(row)) {
            Cell& c = rows_[size_t(row)][size_t(column)];
            if (c.formula)
                formulas_.erase(cellKey(row, column));
            c.formula = 0;
        }
        return;
    }
    Cell* c = place(row, column);
    formulas_[cellKey(row, column)] = formula;
    c->formula = 1;
}

void SheetData::setBold(int row, int column, bool bold) {
    Cell* c = place(row, column);
    c->font = (c->font & ~kBold) | (bold ? kBold : 0);
}

void SheetData::setColor(int row, int column, unsigned color) {
    Cell* c = place(row, column);
    c->font = (c->font & kBold) | (color & 0xFFFFFF);
}

void SheetData::setFont(int row, int column, bool bold, unsigned color) {
    place(row, column)->font = fontBits(bold, color);
}

template <typename Counts>
CellExtent SheetData::extent(Counts counts) const {
    CellExtent e;
    for (int r = 0; r < rowCount(); ++r) {
        const auto& row = rows_[size_t(r)];
        for (int c = 0; c < int(row.size()); ++c) {
            if (!counts(row[size_t(c)]))
                continue;
            if (e.firstRow < 0)
                e.firstRow = r;
            e.lastRow = r;
            if (e.firstColumn < 0 || c < e.firstColumn)
                e.firstColumn = c;
            e.lastColumn = std::max(e.lastColumn, c);
        }
    }
    return e;
}

CellExtent SheetData::usedExtent() const {
    return extent([](const Cell& c) { return c.kind != kEmpty || c.font != 0 || c.formula; });
}

CellExtent SheetData::valueExtent() const {
    return extent([](const Cell& c) { return c.kind != kEmpty; });
}

SheetData::Contents SheetData::contents() const {
    Contents out;
    out.formulas = qsizetype(formulas_.size());
    for (const auto& [key, formula] : formulas_)
        if (formula == CellData::kUnreadFormula)
            ++out.unreadFormulas;
    for (const auto& row : rows_)
        for (const Cell& c : row)
            if (c.font != 0)
                ++out.fontCells;
    return out;
}

namespace {

struct ErrorName {
    int code;
    const char* text;
};
constexpr ErrorName kErrors[] = {
    {0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"}, {0x17, "#REF!"},
    {0x1D, "#NAME?"}, {0x24, "#NUM!"},   {0x2A, "#N/A"},
};
constexpr int kNotAvailable = 0x2A;
constexpr int kErrorValueBase = 2000;  // CVErr(2000 + code)

} // namespace

QString ErrorText(int code) {
    for (const ErrorName& e : kErrors)
        if (e.code == code)
            return QString::fromLatin1(e.text);
    return QString::fromLatin1("#N/A");
}

vb::Variant ErrorValue(int code) {
    for (const ErrorName& e : kErrors)
        if (e.code == code)
            return vb::Variant::Error(kErrorValueBase + code);
    return vb::Variant::Error(kErrorValueBase + kNotAvailable);
}

int ErrorCode(const vb::Variant& error) {
    const int code = error.errorCode() - kErrorValueBase;
    for (const ErrorName& e : kErrors)
        if (e.code == code)
            return code;
    return kNotAvailable;
}

std::optional<int> ErrorCodeOfText(QStringView text) {
    for (const ErrorName& e : kErrors)
        if (text == QLatin1String(e.text))
            return e.code;
    return std::nullopt;
}

QString CellText(const vb::Variant& value) {
    if (value.isError())
        return ErrorText(ErrorCode(value));
    // As a Turkish spreadsheet shows them.
    if (value.isBoolean())
        return value.boolValue() ? QStringLiteral("DOĞRU") : QStringLiteral("YANLIŞ");
    return vb::CStr(value);
}

bool SameSheetName(const QString& a, const QString& b) { return vb::SameName(a, b); }

} // namespace excel
