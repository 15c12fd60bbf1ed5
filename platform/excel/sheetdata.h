#pragma once

#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

// The contents of a workbook as the files hold them: what the object model
// loads from a file and saves to one. Rows and columns are 0-based here.
namespace excel {

// The longest text a cell holds, in the host and in every workbook format.
constexpr int kMaxCellText = 32767;

struct QM_EXPORT CellData {
    vb::Variant value;          // Empty for an empty cell
    bool bold = false;
    unsigned color = 0;         // font colour as 0xRRGGBB; 0 is automatic/black
    // The formula whose last result the value is, as the host shows it
    // ("=SUM(A1:A3)"); empty for a plain value. A formula read from a file
    // whose expression this program cannot put into words is kUnreadFormula:
    // the value stays, the formula is lost if the workbook is saved.
    QString formula;
    static inline const QString kUnreadFormula = QStringLiteral("=");
    bool hasFormula() const { return !formula.isEmpty(); }
    bool isEmpty() const { return value.isEmpty() && !bold && color == 0 && formula.isEmpty(); }
    // A cell in one expression, for tables of cells.
    static CellData make(vb::Variant value = {}, bool bold = false, unsigned color = 0) {
        CellData c;
        c.value = std::move(value);
        c.bold = bold;
        c.color = color;
        return c;
    }
};

// Cells merged into one, 0-based and inclusive.
struct MergedRange {
    int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
    bool operator==(const MergedRange&) const = default;
};

// The rows and columns that a sheet's cells take, 0-based and inclusive;
// -1 when there are none.
struct CellExtent {
    int firstRow = -1, lastRow = -1, firstColumn = -1, lastColumn = -1;
    bool empty() const { return lastRow < 0; }
};

// The cells of a sheet. A workbook of millions of cells is held in a few
// hundred megabytes: each cell takes sixteen bytes, its text lies in a
// pool of characters of the sheet, and what few cells carry more (a
// formula, a value of an unusual kind) keeps that beside the grid. Cells
// are handed out as CellData values, made when asked for.
class QM_EXPORT SheetData {
public:
    QString name;
    // Column widths in characters of the default font (0: default width).
    std::vector<double> columnWidths;
    std::vector<MergedRange> merges;

    // A sheet of the rows given, rows[r][c] (tables of cells).
    static SheetData FromRows(QString name, const std::vector<std::vector<CellData>>& rows);

    // The rows written so far, and the longest of them; a row may be
    // shorter than others, its missing cells are empty. A row or cell that
    // was written stays, even when what was written is empty.
    int rowCount() const { return int(rows_.size()); }
    int columnCount() const { return widest_; }
    int rowLength(int row) const;

    // The cell at row, column (0-based); nothing for one never written.
    std::optional<CellData> cell(int row, int column) const;
    vb::Variant value(int row, int column) const;
    // The characters of a cell's text where the sheet keeps them, valid until
    // the sheet is next written to; nothing for a cell that holds no text
    // (or a text kept otherwise). For writers that go through every cell.
    std::optional<QStringView> pooledText(int row, int column) const;
    // The cell's font: bold, and the colour as CellData has it.
    std::pair<bool, unsigned> font(int row, int column) const;
    // Empty as CellData::isEmpty says, for a cell never written too.
    bool isEmpty(int row, int column) const;
    bool holdsValue(int row, int column) const;   // a value other than Empty

    // Writing grows the sheet to the cell; a negative row or column raises
    // vb::errSubscript.
    void set(int row, int column, const CellData& cell);
    void setValue(int row, int column, const vb::Variant& value);   // font and formula kept
    void setText(int row, int column, QStringView text);            // the same for a text
    void setNumber(int row, int column, double number);             // and for a number
    void setFormula(int row, int column, const QString& formula);
    void setBold(int row, int column, bool bold);
    void setColor(int row, int column, unsigned color);
    void setFont(int row, int column, bool bold, unsigned color);
    void reserveRows(int rows);
    // Rows up to `rows` exist, empty ones where none was written.
    void growRows(int rows);

    // Where the cells that hold anything (a value, a font, a formula) lie,
    // and where those that hold a value do.
    CellExtent usedExtent() const;
    CellExtent valueExtent() const;
    // What the cells carry beside their values: formulas (those read
    // without their words among them) and fonts.
    struct Contents {
        qsizetype formulas = 0, unreadFormulas = 0, fontCells = 0;
    };
    Contents contents() const;

private:
    // Sixteen bytes: the value's kind and bits (a number, a date, a text's
    // place in the pool, an error code, a boxed value's index), the font,
    // whether a formula goes with it.
    struct Cell {
        uint64_t bits = 0;
        uint32_t font = 0;     // colour 0xRRGGBB, bold in bit 24
        uint8_t kind = 0;
        uint8_t formula = 0;
        uint16_t length = 0;   // a pooled text's length
    };
    Cell* place(int row, int column);
    const Cell* find(int row, int column) const;
    void store(Cell& cell, const vb::Variant& value);
    bool storeText(Cell& cell, QStringView text);
    void release(Cell& cell);
    vb::Variant valueOf(const Cell& cell) const;
    QStringView textOf(const Cell& cell) const;   // a text cell's characters in the pool
    void compactTexts();
    template <typename Counts> CellExtent extent(Counts counts) const;

    std::vector<std::vector<Cell>> rows_;
    int widest_ = 0;
    // Pooled texts, in blocks that never move once filled.
    std::vector<std::vector<char16_t>> textBlocks_;
    size_t deadText_ = 0;                  // characters of texts since replaced
    size_t liveText_ = 0;
    std::vector<vb::Variant> boxed_;       // values of the kinds the grid does not pack
    std::vector<uint32_t> freeBoxes_;
    std::unordered_map<uint64_t, QString> formulas_;
};

struct QM_EXPORT WorkbookData {
    std::vector<SheetData> sheets;
};

// Cell errors: the binary format's codes (0x07 for #DIV/0!), the texts the
// host shows and the language's error values (CVErr(2007)).
QM_EXPORT QString ErrorText(int code);
QM_EXPORT vb::Variant ErrorValue(int code);
QM_EXPORT int ErrorCode(const vb::Variant& error);             // the binary code of an error value
QM_EXPORT std::optional<int> ErrorCodeOfText(QStringView text);  // "#DIV/0!" -> 0x07

// The text the host shows for a cell's value: the regional text of
// numbers and dates, DOĞRU/YANLIŞ, an error value as "#DIV/0!".
QM_EXPORT QString CellText(const vb::Variant& value);

// Whether two sheet names are the same name, letter case ignored: under the
// Turkish rules (I and ı, İ and i are the pairs, so "ışık" is "IŞIK" and
// "MÜŞTERİLER" is "Müşteriler") or under the rules of other languages, by
// which a name typed as "LIST" still finds "list".
QM_EXPORT bool SameSheetName(const QString& a, const QString& b);

enum class FileFormat { Xls, Xlsx, Csv };

// The error number the host raises for a workbook file it cannot read or
// write (its "application-defined or object-defined error").
constexpr int errWorkbookFile = 1004;

} // namespace excel
