#include "host/sheetmodel.h"

#include "host/addins.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/range.h"
#include "platform/vb/error.h"
#include "platform/vb/regional.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

namespace host {

namespace {

// A day and a month, with or without a year of two digits, in the order
// and with the separator of the regional short date ("30.5", "1.5.24"):
// a person means a date of this year or of that century's year.
std::optional<QDateTime> shortDate(const QString& text) {
    const QString format = vb::Regional().shortDateFormat;
    const qsizetype mark = format.indexOf(QRegularExpression(QStringLiteral("[^dMy]")));
    if (mark < 0)
        return std::nullopt;
    const QString separator = QRegularExpression::escape(format.mid(mark, 1));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d{1,2})%1(\\d{1,2})(?:%1(\\d{2}))?$").arg(separator)).match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const bool dayFirst = format.startsWith(u'd');
    const int day = m.captured(dayFirst ? 1 : 2).toInt(), month = m.captured(dayFirst ? 2 : 1).toInt();
    int year = QDate::currentDate().year();
    if (m.capturedLength(3)) {
        const int shortYear = m.captured(3).toInt();
        year = shortYear < 30 ? 2000 + shortYear : 1900 + shortYear;
    }
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDateTime>(date.startOfDay()) : std::nullopt;
}

} // namespace

vb::Variant TypedCellValue(const QString& text) {
    if (text.isEmpty())
        return {};
    if (text.startsWith(u'\''))
        return vb::Variant(text.mid(1));
    // As the regional settings write values: "1.234,5" is a number,
    // "12.03.2024" a date, never 12032024.
    const vb::Variant regional = excel::files::RegionalValue(text);
    if (!regional.isString())
        return regional;
    if (auto date = shortDate(text))
        return vb::Variant(*date);
    // Digits with leading zeros are the number they spell, as a spreadsheet
    // takes them from the keyboard ("05321234567").
    static const QRegularExpression zeros(QStringLiteral("^-?0\\d{1,14}$"));
    if (zeros.match(text).hasMatch())
        return vb::Variant(text.toDouble());
    return regional;
}

QString ShownText(const QString& text) {
    if (text.size() <= kShownCharacters)
        return text;
    // Not half of a character written as a surrogate pair.
    const qsizetype cut = text[kShownCharacters - 1].isHighSurrogate() ? kShownCharacters - 1 : kShownCharacters;
    return text.left(cut);
}

namespace {
constexpr int kPixelsPerCharacter = 7;
constexpr int kColumnPadding = 5;
} // namespace

int ColumnPixels(double characters) {
    // Seven pixels a character of the standard font, and the cell's margins.
    return characters <= 0 ? 0 : int(std::lround(characters * kPixelsPerCharacter + kColumnPadding));
}

int RowPixels(double points) {
    return int(std::lround(points * 96.0 / 72.0));
}

double ColumnCharacters(int pixels) {
    return std::max(0.0, double(pixels - kColumnPadding) / kPixelsPerCharacter);
}

double RowPoints(int pixels) {
    return std::max(0.0, pixels * 72.0 / 96.0);
}

SheetModel::SheetModel(QObject* parent) : QAbstractTableModel(parent) {}

int SheetModel::wantedRows() const {
    return sheet_ ? std::max(kShownRows, sheet_->data().rowCount()) : 0;
}

int SheetModel::wantedColumns() const {
    return sheet_ ? std::max(kShownColumns, sheet_->data().columnCount()) : 0;
}

void SheetModel::setSheet(std::shared_ptr<excel::Worksheet> sheet) {
    beginResetModel();
    sheet_ = std::move(sheet);
    rows_ = wantedRows();
    columns_ = wantedColumns();
    endResetModel();
}

void SheetModel::cellsChanged(const excel::Area& area) {
    if (!sheet_ || sheet_->isDeleted())
        return;
    // Cells written beyond the grid shown make it grow.
    if (area.lastRow() > rows_ && area.rows < excel::kMaxRows) {
        const int wanted = std::max(rows_, std::min(area.lastRow(), sheet_->data().rowCount()));
        if (wanted > rows_) {
            beginInsertRows({}, rows_, wanted - 1);
            rows_ = wanted;
            endInsertRows();
        }
    }
    if (area.lastColumn() > columns_ && area.columns < excel::kMaxColumns) {
        const int wanted = wantedColumns();
        if (wanted > columns_) {
            beginInsertColumns({}, columns_, wanted - 1);
            columns_ = wanted;
            endInsertColumns();
        }
    }
    const int top = std::clamp(area.row, 1, std::max(rows_, 1)) - 1;
    const int left = std::clamp(area.column, 1, std::max(columns_, 1)) - 1;
    const int bottom = std::min(area.lastRow(), rows_) - 1;
    const int right = std::min(area.lastColumn(), columns_) - 1;
    if (bottom >= top && right >= left)
        emit dataChanged(index(top, left), index(bottom, right));
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!sheet_ || sheet_->isDeleted() || !index.isValid())
        return {};
    const std::optional<excel::CellData> cell = sheet_->cell(index.row() + 1, index.column() + 1);
    if (!cell)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (cell->value.isEmpty())
            return {};
        // Null never reaches a cell (the model stores it as Empty), but a
        // failing conversion must not break painting.
        try {
            const QString text = excel::CellText(cell->value);
            return role == Qt::DisplayRole ? ShownText(text) : text;
        } catch (...) {
            vb::LogSwallowed();
            return {};
        }
    case Qt::FontRole:
        if (cell->bold) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::ForegroundRole:
        if (cell->color != 0)
            return QBrush(QColor::fromRgb(cell->color));
        return {};
    case kNumericRole:
        return cell->value.isNumber() || cell->value.isDate();
    case Qt::TextAlignmentRole:
        // Numbers and dates to the right, texts to the left, as Excel aligns
        // them by default.
        if (cell->value.isNumber() || cell->value.isDate())
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (cell->value.isBoolean())
            return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole)
        return orientation == Qt::Horizontal ? excel::ColumnLetters(section + 1) : QString::number(section + 1);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !sheet_ || !index.isValid())
        return false;
    // Leaving an editor without a change keeps the cell as it is, formula
    // and all.
    const std::optional<excel::CellData> cell = sheet_->cell(index.row() + 1, index.column() + 1);
    if (cell && !cell->value.isEmpty() && value.toString() == data(index, Qt::EditRole).toString())
        return true;
    // The cellsChanged event that follows redraws the cell.
    return Guarded(QStringLiteral("writing a cell"), [&] {
        sheet_->Cells(index.row() + 1, index.column() + 1).setValue(TypedCellValue(value.toString()));
    });
}

} // namespace host
