#pragma once

#include "platform/excel/events.h"
#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace ado {
class Recordset;
}

namespace excel {

class Worksheet;

// The grid of a worksheet.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// Excel's defaults: column width in characters, row height in points.
constexpr double kStandardWidth = 8.43;
constexpr double kStandardHeight = 12.75;

// The error number Excel's objects raise for a refused call, and the one of
// the language for a member the object does not have.
constexpr int errExcel = 1004;
constexpr int errNoSuchMember = 438;

// "A", "Z", "AA" ... for 1, 26, 27 ...
QM_EXPORT QString ColumnLetters(int column);
// The areas of an address ("A2", "$B$3:C10", "A1,C3:D4", "A:C", "2:5");
// raises errExcel for one that names no cells.
QM_EXPORT std::vector<Area> ParseAddress(const QString& address);
// "$A$1", "$A$1:$C$10", "$A:$A", "$2:$2".
QM_EXPORT QString AreaAddress(const Area& area);
// What a cell keeps of a value put into it: numbers as Double; Empty for
// Null and for the empty text; the rest as it is.
QM_EXPORT vb::Variant StoredCellValue(const vb::Variant& value);

class Font;
class Areas;

// How wide one line of a cell's text is drawn, in characters of the
// standard width (the unit of column widths), margins included: the program
// that shows the sheets measures it in the font it draws with, so that
// AutoFit gives the widest value of a column room to show whole. Without
// one, each character counts as one, a bold one a little more.
using TextWidthMeasure = std::function<double(const QString& line, bool bold)>;
QM_EXPORT void SetTextWidthMeasure(TextWidthMeasure measure);

// A set of cells on one worksheet: one or more rectangular areas, as Excel's
// Range is. A value handle like the late-bound reference it stands for:
// copies share the worksheet. A default-constructed Range is Nothing, and
// using it raises "Object variable or With block variable not set".
//
// Rows() and Columns() give the same cells counted by rows or by columns,
// as in Excel: Count then says how many rows or columns the first area has,
// and AutoFit fits the heights or the widths.
class QM_EXPORT Range {
public:
    enum class Counting { Cells, Rows, Columns };

    Range() = default;
    Range(std::shared_ptr<excel::Worksheet> sheet, std::vector<Area> areas,
          Counting counting = Counting::Cells);

    bool isNothing() const { return !sheet_; }
    std::shared_ptr<excel::Worksheet> Worksheet() const;   // Parent
    const std::vector<Area>& areaList() const { return areas_; }
    QString TypeName() const { return isNothing() ? QStringLiteral("Nothing") : QStringLiteral("Range"); }

    // Value of the first cell (Empty when empty). Setting writes every cell,
    // as StoredCellValue keeps it. Texts stay texts: unlike typing into a
    // cell, nothing is read as a number or a date. A text longer than a
    // cell holds (kMaxCellText) is refused with errExcel.
    vb::Variant Value() const;
    void setValue(const vb::Variant& value) const;
    // The first cell's value as shown: its text in the regional settings.
    QString Text() const;
    excel::Font Font() const;

    int Row() const;
    int Column() const;
    Range Rows() const { return withCounting(Counting::Rows); }
    Range Columns() const { return withCounting(Counting::Columns); }
    Range EntireRow() const;
    Range EntireColumn() const;
    int Count() const;
    // The cell at row, column counted from the first area's top left cell
    // (1, 1); it may lie outside the range.
    Range Cells(int row, int column) const;
    excel::Areas Areas() const;
    QString Address() const;

    // Only a range on the active sheet of the active workbook can be
    // selected; it becomes Application.Selection.
    void Select() const;
    void ClearContents() const;
    // Widths or heights from the cells' texts; only for whole rows or columns.
    void AutoFit() const;
    double ColumnWidth() const;
    void setColumnWidth(double width) const;
    double RowHeight() const;
    void setRowHeight(double height) const;

    // Writes the recordset's records from its current one to its end (or
    // maxRows of them; 0 for no limit), one a row, the fields left to right,
    // from the range's top left cell on; the recordset is left after the
    // last record written. Returns the number of records written.
    int CopyFromRecordset(ado::Recordset& rs, int maxRows = 0, int maxColumns = 0) const;

private:
    friend class excel::Font;
    Range withCounting(Counting counting) const;
    excel::Worksheet& sheet() const;
    template <typename F> void forEachCell(F&& f) const;

    std::shared_ptr<excel::Worksheet> sheet_;
    std::vector<Area> areas_;
    Counting counting_ = Counting::Cells;
};

// The font of a range's cells: reading gives the first cell's, writing sets
// every cell's. Colours are the language's colour numbers (RGB(r, g, b) =
// r + 256 g + 65536 b), so red is 255.
class QM_EXPORT Font {
public:
    bool Bold() const;
    void setBold(bool bold) const;
    long Color() const;
    void setColor(long color) const;

private:
    friend class Range;
    explicit Font(Range range) : range_(std::move(range)) {}
    Range range_;
};

// The areas of a range; Item is 1-based.
class QM_EXPORT Areas {
public:
    int Count() const { return int(range_.areaList().size()); }
    Range Item(int index) const;

private:
    friend class Range;
    explicit Areas(Range range) : range_(std::move(range)) {}
    Range range_;
};

} // namespace excel
