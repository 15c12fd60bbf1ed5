#include "platform/excel/range.h"

#include "platform/excel/workbook.h"
#include "platform/vb/error.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace excel {

namespace {

[[noreturn]] void refuse(const QString& what) {
    vb::Raise(errExcel, what);
}

// One side of an area in an address: a cell, a whole column or a whole row.
struct Corner {
    int row = 0;      // 0: a whole column
    int column = 0;   // 0: a whole row
};

bool parseCorner(const QString& text, Corner& corner) {
    static const QRegularExpression re(QStringLiteral("^\\$?([A-Za-z]{0,3})\\$?([0-9]{0,7})$"));
    const auto m = re.match(text);
    if (!m.hasMatch() || text.isEmpty()) return false;
    const QString letters = m.captured(1).toUpper();
    const QString digits = m.captured(2);
    if (letters.isEmpty() && digits.isEmpty()) return false;
    corner = {};
    for (QChar ch : letters) corner.column = corner.column * 26 + (ch.unicode() - 'A' + 1);
    if (!digits.isEmpty()) corner.row = digits.toInt();
    if (corner.column > kMaxColumns || corner.row > kMaxRows) return false;
    if (!digits.isEmpty() && corner.row < 1) return false;
    // "A1" and "$B$3" name cells, "A" and "3" only as one side of "A:C" or "2:5".
    return true;
}

std::optional<Area> parseArea(const QString& part) {
    const QStringList sides = part.trimmed().split(QLatin1Char(':'));
    Corner a, b;
    if (sides.size() > 2 || !parseCorner(sides.front().trimmed(), a)) return std::nullopt;
    if (sides.size() == 1) {
        if (a.row == 0 || a.column == 0) return std::nullopt;
        b = a;
    } else if (!parseCorner(sides.back().trimmed(), b)) {
        return std::nullopt;
    }
    // Both sides cells, or both whole columns ("A:C"), or both whole rows ("2:5").
    if ((a.row == 0) != (b.row == 0) || (a.column == 0) != (b.column == 0)) return std::nullopt;
    Area area;
    if (a.row == 0) {
        area.row = 1;
        area.rows = kMaxRows;
    } else {
        area.row = std::min(a.row, b.row);
        area.rows = std::abs(a.row - b.row) + 1;
    }
    if (a.column == 0) {
        area.column = 1;
        area.columns = kMaxColumns;
    } else {
        area.column = std::min(a.column, b.column);
        area.columns = std::abs(a.column - b.column) + 1;
    }
    return area;
}

bool wholeColumns(const Area& a) { return a.row == 1 && a.rows == kMaxRows; }
bool wholeRows(const Area& a) { return a.column == 1 && a.columns == kMaxColumns; }

// The part of an area that holds cells of the sheet at all.
Area clipToData(const Area& a, const SheetData& data) {
    Area c = a;
    c.rows = std::max(0, std::min(a.lastRow(), data.rowCount()) - a.row + 1);
    int widest = 0;
    for (int r = a.row; r < a.row + c.rows; ++r)
        widest = std::max(widest, data.rowLength(r - 1));
    c.columns = std::max(0, std::min(a.lastColumn(), widest) - a.column + 1);
    return c;
}

// A cell's shown text and the room it needs, in characters and lines.
QString shownText(const std::optional<CellData>& cell) {
    if (!cell || cell->value.isEmpty()) return {};
    return CellText(cell->value);
}

struct Extent {
    double width = 0;
    int lines = 0;
};

TextWidthMeasure& textWidthMeasure() {
    static TextWidthMeasure measure;
    return measure;
}

double lineWidth(const QString& text, qsizetype from, qsizetype to, bool bold) {
    if (const TextWidthMeasure& measure = textWidthMeasure())
        return measure(text.mid(from, to - from), bold);
    // Bold letters are wider; the margin is what Excel leaves either side.
    return double(to - from) * (bold ? 1.1 : 1.0) + 0.71;
}

Extent extentOf(const std::optional<CellData>& cell) {
    if (!cell || cell->value.isEmpty()) return {};
    const QString text = cell->value.isString() ? cell->value.stringValue() : CellText(cell->value);
    if (text.isEmpty()) return {};
    double widest = 0;
    int lines = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            continue;
        if (i > start)
            widest = std::max(widest, lineWidth(text, start, i, cell->bold));
        if (i == text.size())
            break;
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
        ++lines;
    }
    return {widest, lines};
}

unsigned toRgb(long vbColor) {
    const unsigned c = unsigned(vbColor) & 0xFFFFFF;
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

long toVbColor(unsigned rgb) {
    return long(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

} // namespace

vb::Variant StoredCellValue(const vb::Variant& v) {
    if (v.isNull() || (v.isString() && v.stringValue().isEmpty())) return {};
    if (v.isNumber() && v.type() != vb::vbDouble) return vb::Variant(v.doubleValue());
    return v;
}

QString ColumnLetters(int column) {
    QString s;
    while (column > 0) {
        const int d = (column - 1) % 26;
        s.prepend(QChar('A' + d));
        column = (column - 1) / 26;
    }
    return s;
}

std::vector<Area> ParseAddress(const QString& address) {
    std::vector<Area> areas;
    for (const QString& part : address.split(QLatin1Char(','))) {
        const auto area = parseArea(part);
        if (!area) refuse(QStringLiteral("Method 'Range' of object '_Worksheet' failed"));
        areas.push_back(*area);
    }
    return areas;
}

QString AreaAddress(const Area& a) {
    const auto col = [](int c) { return QStringLiteral("$") + ColumnLetters(c); };
    const auto row = [](int r) { return QStringLiteral("$") + QString::number(r); };
    if (wholeRows(a)) return row(a.row) + QLatin1Char(':') + row(a.lastRow());
    if (wholeColumns(a)) return col(a.column) + QLatin1Char(':') + col(a.lastColumn());
    const QString first = col(a.column) + row(a.row);
    if (a.rows == 1 && a.columns == 1) return first;
    return first + QLatin1Char(':') + col(a.lastColumn()) + row(a.lastRow());
}

// ---- Range

Range::Range(std::shared_ptr<excel::Worksheet> sheet, std::vector<Area> areas, Counting counting)
    : sheet_(std::move(sheet)), areas_(std::move(areas)), counting_(counting) {}

excel::Worksheet& Range::sheet() const {
    if (!sheet_) vb::Raise(vb::errObjectNotSet);
    sheet_->checkAlive();
    return *sheet_;
}

std::shared_ptr<excel::Worksheet> Range::Worksheet() const {
    sheet();
    return sheet_;
}

Range Range::withCounting(Counting counting) const {
    sheet();
    return Range(sheet_, areas_, counting);
}

template <typename F>
void Range::forEachCell(F&& f) const {
    excel::Worksheet& s = sheet();
    for (const Area& a : areas_) {
        for (int r = a.row; r <= a.lastRow(); ++r)
            for (int c = a.column; c <= a.lastColumn(); ++c) f(s.data_, r - 1, c - 1);
        s.changed(a);
    }
}

vb::Variant Range::Value() const {
    return sheet().data_.value(Row() - 1, Column() - 1);
}

void Range::setValue(const vb::Variant& value) const {
    const vb::Variant v = StoredCellValue(value);
    if (v.isEmpty()) {
        ClearContents();
        return;
    }
    if (v.isString() && v.stringValue().size() > kMaxCellText)
        refuse(QStringLiteral("Application-defined or object-defined error"));
    // A value put into a cell replaces its formula, as typing does.
    forEachCell([&](SheetData& data, int row, int column) {
        data.setValue(row, column, v);
        data.setFormula(row, column, {});
    });
}

QString Range::Text() const {
    return shownText(sheet().cell(Row(), Column()));
}

excel::Font Range::Font() const {
    sheet();
    return excel::Font(*this);
}

int Range::Row() const {
    sheet();
    return areas_.front().row;
}

int Range::Column() const {
    sheet();
    return areas_.front().column;
}

Range Range::EntireRow() const {
    std::vector<Area> rows;
    sheet();
    for (const Area& a : areas_) rows.push_back({a.row, 1, a.rows, kMaxColumns});
    return Range(sheet_, std::move(rows));
}

Range Range::EntireColumn() const {
    std::vector<Area> columns;
    sheet();
    for (const Area& a : areas_) columns.push_back({1, a.column, kMaxRows, a.columns});
    return Range(sheet_, std::move(columns));
}

int Range::Count() const {
    sheet();
    switch (counting_) {
    case Counting::Rows: return areas_.front().rows;
    case Counting::Columns: return areas_.front().columns;
    case Counting::Cells: break;
    }
    qint64 n = 0;
    for (const Area& a : areas_) n += qint64(a.rows) * a.columns;
    if (n > INT_MAX) vb::Raise(vb::errOverflow);
    return int(n);
}

Range Range::Cells(int row, int column) const {
    sheet();
    const int r = areas_.front().row + row - 1;
    const int c = areas_.front().column + column - 1;
    if (r < 1 || r > kMaxRows || c < 1 || c > kMaxColumns)
        refuse(QStringLiteral("Application-defined or object-defined error"));
    return Range(sheet_, {Area{r, c, 1, 1}});
}

excel::Areas Range::Areas() const {
    sheet();
    return excel::Areas(Range(sheet_, areas_));
}

QString Range::Address() const {
    sheet();
    QStringList parts;
    for (const Area& a : areas_) parts << AreaAddress(a);
    return parts.join(QLatin1Char(','));
}

void Range::Select() const {
    sheet().select(areas_);
}

void Range::ClearContents() const {
    excel::Worksheet& s = sheet();
    for (const Area& a : areas_) {
        const Area c = clipToData(a, s.data_);
        for (int r = c.row; r < c.row + c.rows; ++r) {
            const int length = s.data_.rowLength(r - 1);
            for (int col = c.column; col < c.column + c.columns && col <= length; ++col) {
                s.data_.setValue(r - 1, col - 1, vb::Variant());
                s.data_.setFormula(r - 1, col - 1, {});
            }
        }
        s.changed(a);
    }
}

void Range::AutoFit() const {
    excel::Worksheet& s = sheet();
    const bool columns = counting_ == Counting::Columns
        || (counting_ == Counting::Cells && std::all_of(areas_.begin(), areas_.end(), wholeColumns));
    const bool rows = counting_ == Counting::Rows
        || (counting_ == Counting::Cells && std::all_of(areas_.begin(), areas_.end(), wholeRows));
    if (!columns && !rows) refuse(QStringLiteral("AutoFit method of Range class failed"));
    for (const Area& a : areas_) {
        const Area c = clipToData(a, s.data_);
        if (columns) {
            std::vector<double> widths(c.columns, 0.0);
            for (int r = c.row; r < c.row + c.rows; ++r)
                for (int col = 0; col < c.columns; ++col)
                    widths[col] = std::max(widths[col], extentOf(s.cell(r, c.column + col)).width);
            // Rounded up: a width a hair short of the text hides its last
            // character.
            for (int col = 0; col < c.columns; ++col)
                s.setColumnWidth(c.column + col, std::min(255.0, std::ceil(widths[col] * 100 - 1e-9) / 100));
        } else {
            for (int r = c.row; r < c.row + c.rows; ++r) {
                int lines = 0;
                for (int col = c.column; col < c.column + c.columns; ++col)
                    lines = std::max(lines, extentOf(s.cell(r, col)).lines);
                s.setRowHeight(r, std::min(409.5, lines * kStandardHeight));
            }
        }
        s.changed(a);
    }
}

void SetTextWidthMeasure(TextWidthMeasure measure) {
    textWidthMeasure() = std::move(measure);
}

double Range::ColumnWidth() const {
    return sheet().columnWidth(Column());
}

void Range::setColumnWidth(double width) const {
    excel::Worksheet& s = sheet();
    if (width < 0 || width > 255) refuse(QStringLiteral("Unable to set the ColumnWidth property of the Range class"));
    for (const Area& a : areas_) {
        for (int c = a.column; c <= a.lastColumn(); ++c) s.setColumnWidth(c, width);
        s.changed(a);
    }
}

double Range::RowHeight() const {
    return sheet().rowHeight(Row());
}

void Range::setRowHeight(double height) const {
    excel::Worksheet& s = sheet();
    if (height < 0 || height > 409.5) refuse(QStringLiteral("Unable to set the RowHeight property of the Range class"));
    for (const Area& a : areas_) {
        for (int r = a.row; r <= a.lastRow(); ++r) s.setRowHeight(r, height);
        s.changed(a);
    }
}

// ---- Font

bool Font::Bold() const {
    const auto c = range_.sheet().cell(range_.Row(), range_.Column());
    return c && c->bold;
}

void Font::setBold(bool bold) const {
    range_.forEachCell([&](SheetData& data, int row, int column) { data.setBold(row, column, bold); });
}

long Font::Color() const {
    const auto c = range_.sheet().cell(range_.Row(), range_.Column());
    return c ? toVbColor(c->color) : 0;
}

void Font::setColor(long color) const {
    const unsigned rgb = toRgb(color);
    range_.forEachCell([&](SheetData& data, int row, int column) { data.setColor(row, column, rgb); });
}

// ---- Areas

Range Areas::Item(int index) const {
    if (index < 1 || index > Count()) vb::Raise(vb::errSubscript);
    return Range(range_.Worksheet(), {range_.areaList()[index - 1]});
}

} // namespace excel
