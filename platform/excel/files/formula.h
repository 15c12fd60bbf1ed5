#pragma once

// Formulas of the binary format: their parsed expressions (a stack of
// tokens, "ptgs") put into the words the host shows ("=SUM(A1:A3)").

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

namespace excel::files {

// The value of an RK number (a packed double or whole number).
double RkValue(uint32_t rk);

// A formula cell's text until its shared or array formula has been read.
namespace FormulaText {
inline const QString kPending = QStringLiteral("=\x01");
}

// What formulas refer to outside their sheet: the workbook's sheets, its
// references to them (SUPBOOK, EXTERNSHEET) and the names of add-in
// functions (EXTERNNAME). Defined names are not carried by this program,
// so formulas that use them are not put into words.
struct FormulaNames {
    bool biff8 = true;
    QStringList sheets;  // every sheet of the workbook, in BOUNDSHEET order

    void add(uint16_t type, const QByteArray& record);

    struct SupBook {
        bool self = false;
        bool addIns = false;
        std::vector<QString> externNames;
    };
    struct Xti {
        uint16_t supBook, first, last;
    };
    std::vector<SupBook> supBooks;
    std::vector<Xti> xtis;
};

// The formulas of one sheet, with its shared and array formulas.
class SheetFormulas {
public:
    explicit SheetFormulas(const FormulaNames& names) : names_(names) {}

    // The text of a FORMULA record's expression at row, column (0-based):
    // the words, FormulaText::kPending when it names a shared or array
    // formula, CellData::kUnreadFormula when it cannot be put into words.
    QString cellFormula(const QByteArray& tokens, int row, int column);
    void addShared(const QByteArray& record);
    void addArrayOrTable(uint16_t type, const QByteArray& record);
    // A pending cell's text once the sheet's records have been read.
    QString resolve(int row, int column) const;

private:
    struct Shared {
        int firstRow, lastRow, firstColumn, lastColumn;
        QByteArray tokens;
    };
    const FormulaNames& names_;
    std::vector<Shared> shared_;
    std::map<std::pair<int, int>, std::pair<int, int>> pending_;  // cell -> the formula's first cell
};

// The words of a BIFF8 expression evaluated at row, column; empty when it
// holds a token this program does not put into words.
QString FormulaWords(const QByteArray& tokens, const FormulaNames& names, int row, int column);

// The A1 text of a cell reference.
QString CellReference(int row, int column, bool rowRelative, bool columnRelative);
// A sheet name as formulas write it: between apostrophes when it needs them.
QString QuotedSheetName(const QString& name);

} // namespace excel::files
