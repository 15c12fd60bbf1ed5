#pragma once

#include "platform/vb/variant.h"

#include "platform/ado/ado.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// The message template merged with one worksheet row: every placeholder
// "[##" column name "##]" is replaced by that column's value, from left to
// right. Marks are found by plain character comparison, names are taken as
// written (blanks included) and looked up without regard to letter case.
// No widgets here: the list builder merges through it, and so can anything
// that wants to try templates by the thousand.
namespace sending {

// What a template is made of, left to right. A template without an opening
// or without a closing mark is one piece of text: it goes out unchanged.
struct TemplatePiece {
    enum Kind {
        Text,       // text, as it is
        Column,     // the value of the column named by text
        Malformed,  // a placeholder whose closing mark is missing or stands
                    // before its opening mark; merging stops here
    };
    Kind kind;
    QString text;
};
std::vector<TemplatePiece> ParseTemplate(const QString& templateText);

// The text a cell adds to a message: nothing for an empty cell, numbers and
// dates in the regional form.
QString CellText(const vb::Variant& value);

// A column's value by name; it raises for a name the row does not have
// (a recordset's field lookup raises 3265, "Item cannot be found").
using CellLookup = std::function<vb::Variant(const QString& name)>;

// The template merged with one row. Raises "Invalid procedure call or
// argument" (5) at a malformed placeholder, and lets the lookup's failure
// through at one naming no column (the empty name included), whichever
// comes first.
QString MergeTemplate(const QString& templateText, const CellLookup& cell);

// The same for the rows of one recordset, parsed once and with the names
// looked up once, by the recordset itself, at the first row merged: the
// failures above are raised there, in the same order.
class RowMerger {
public:
    explicit RowMerger(const QString& templateText);
    // The template merged with the current row of rs, which is the
    // recordset of every call.
    QString Merge(const ado::Recordset& rs);

private:
    void bind(const ado::Recordset& rs);

    std::vector<TemplatePiece> pieces_;
    // Per piece: its field for a column, nothing for text.
    std::vector<std::optional<ado::Field>> fields_;
    // Per piece: its cell's text in the row being merged.
    std::vector<QString> cells_;
    qsizetype textLength_ = 0;
    bool bound_ = false;
};

} // namespace sending
