#pragma once

#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <QString>
#include <utility>
#include <vector>

// The contents of a workbook as the files hold them: what the object model
// loads from a file and saves to one. Rows and columns are 0-based here.
namespace excel {

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

struct QM_EXPORT SheetData {
    QString name;
    // rows[r][c]; rows may be shorter than others, missing cells are empty.
    std::vector<std::vector<CellData>> rows;
    // Column widths in characters of the default font (0: default width).
    std::vector<double> columnWidths;
    std::vector<MergedRange> merges;

    const CellData* cell(int row, int column) const;  // null when outside
    CellData& at(int row, int column);                // grows the sheet
    int rowCount() const { return int(rows.size()); }
    int columnCount() const;                          // widest row
};

struct QM_EXPORT WorkbookData {
    std::vector<SheetData> sheets;
};

// The text the host shows for a cell's value: the regional text of
// numbers and dates, an error value as "#DIV/0!".
QM_EXPORT QString CellText(const vb::Variant& value);

// Whether two sheet names are the same name, letter case ignored: under the
// Turkish rules (I and ı, İ and i are the pairs, so "ışık" is "IŞIK" and
// "MÜŞTERİLER" is "Müşteriler") or under the rules of other languages, by
// which a name typed as "LIST" still finds "list".
QM_EXPORT bool SameSheetName(const QString& a, const QString& b);

enum class FileFormat { Xls, Xlsx, Csv };

// The format a file name asks for: by its extension (letter case ignored);
// .xls when there is none or it is unknown.
QM_EXPORT FileFormat FormatForFileName(const QString& fileName);

// The error number the host raises for a workbook file it cannot read or
// write (its "application-defined or object-defined error").
constexpr int errWorkbookFile = 1004;

// Reading and writing workbook files. Failures (missing file, unreadable or
// malformed content, a sheet too large for the format) raise vb::Error.
// Reading recognises the format from the content, not only the extension.
// A missing file raises vb::errFileNotFound, every other failure
// errWorkbookFile. CSV files hold the first sheet only, as UTF-8 text; see
// files/csv.cpp for how values are typed.
QM_EXPORT WorkbookData ReadWorkbookFile(const QString& path);
QM_EXPORT void WriteWorkbookFile(const WorkbookData& workbook, const QString& path, FileFormat format);

} // namespace excel
