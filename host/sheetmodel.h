#pragma once

#include "platform/excel/events.h"
#include "platform/excel/workbook.h"

#include <QAbstractTableModel>
#include <memory>

namespace host {

// The model's role that tells a number or a date from other values: those
// show "###" where their text does not fit, instead of a cut that reads as
// another value.
constexpr int kNumericRole = Qt::UserRole + 1;

// The grid of one worksheet for a table view. Cells are read from the
// worksheet when the view asks for them, so the size of a sheet costs
// nothing until its cells are scrolled into view.
class SheetModel : public QAbstractTableModel {
public:
    // The grid a sheet shows at least: Excel 2003's, the version the model
    // reports; a sheet holding more shows all of it.
    static constexpr int kShownRows = 65536;
    static constexpr int kShownColumns = 256;

    explicit SheetModel(QObject* parent = nullptr);

    void setSheet(std::shared_ptr<excel::Worksheet> sheet);
    const std::shared_ptr<excel::Worksheet>& sheet() const { return sheet_; }

    // The worksheet's cells in `area` changed (its cellsChanged event).
    void cellsChanged(const excel::Area& area);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // What a person types into a cell, read as Excel reads it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    int wantedRows() const;
    int wantedColumns() const;

    std::shared_ptr<excel::Worksheet> sheet_;
    int rows_ = 0;
    int columns_ = 0;
};

// A cell's value from typed text: numbers in the regional settings become
// numbers, a leading apostrophe keeps the rest as text, and nothing typed
// empties the cell.
vb::Variant TypedCellValue(const QString& text);

// The part of a cell's text the grid draws: its first kShownCharacters,
// more than any screen shows of one line, so that drawing a cell costs the
// same whatever its text's length. The editor and the formula bar get the
// whole text.
constexpr qsizetype kShownCharacters = 1024;
QString ShownText(const QString& text);

// Excel's units on the screen: a column width in characters and a row
// height in points, in pixels, and back (not below 0, without Excel's
// upper limits).
int ColumnPixels(double characters);
int RowPixels(double points);
double ColumnCharacters(int pixels);
double RowPoints(int pixels);

} // namespace host
