#include "sending/merge.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

namespace sending {

namespace {

const QString kOpening = QStringLiteral("[##");
const QString kClosing = QStringLiteral("##]");
constexpr qsizetype kMark = 3;

} // namespace

std::vector<TemplatePiece> ParseTemplate(const QString& templateText) {
    QStringView rest(templateText);
    qsizetype open = rest.indexOf(kOpening);
    qsizetype close = rest.indexOf(kClosing);
    if (open < 0 || close < 0)
        return {{TemplatePiece::Text, templateText}};

    std::vector<TemplatePiece> pieces;
    pieces.push_back({TemplatePiece::Text, rest.left(open).toString()});
    while (open >= 0) {
        // The name runs from after the opening mark to the first closing
        // mark of what is left; one that is missing, or that stands before
        // the name could start, gives no name at all.
        if (close < 0 || close - open - kMark < 0) {
            pieces.push_back({TemplatePiece::Malformed, {}});
            break;
        }
        pieces.push_back({TemplatePiece::Column, rest.mid(open + kMark, close - open - kMark).toString()});
        rest = rest.mid(close + kMark);
        open = rest.indexOf(kOpening);
        // A closing mark behind the last placeholder stays in the text.
        pieces.push_back({TemplatePiece::Text, (open < 0 ? rest : rest.left(open)).toString()});
        close = rest.indexOf(kClosing);
    }
    return pieces;
}

QString CellText(const vb::Variant& value) {
    return value.isNull() || value.isEmpty() ? QString() : vb::CStr(value);
}

QString MergeTemplate(const QString& templateText, const CellLookup& cell) {
    QString merged;
    for (const TemplatePiece& piece : ParseTemplate(templateText)) {
        switch (piece.kind) {
        case TemplatePiece::Text:
            merged += piece.text;
            break;
        case TemplatePiece::Column:
            merged += CellText(cell(piece.text));
            break;
        case TemplatePiece::Malformed:
            vb::Raise(vb::errInvalidCall);
        }
    }
    return merged;
}

RowMerger::RowMerger(const QString& templateText) : pieces_(ParseTemplate(templateText)) {
    for (const TemplatePiece& piece : pieces_)
        if (piece.kind == TemplatePiece::Text)
            textLength_ += piece.text.size();
}

void RowMerger::bind(const ado::Recordset& rs) {
    // In the order the pieces are merged, so that the first bad placeholder
    // is the one reported.
    fields_.clear();
    for (const TemplatePiece& piece : pieces_) {
        switch (piece.kind) {
        case TemplatePiece::Text:
            fields_.emplace_back();
            break;
        case TemplatePiece::Column:
            fields_.emplace_back(rs.Fields(piece.text));
            break;
        case TemplatePiece::Malformed:
            vb::Raise(vb::errInvalidCall);
        }
    }
    cells_.assign(pieces_.size(), QString());
    bound_ = true;
}

QString RowMerger::Merge(const ado::Recordset& rs) {
    if (!bound_)
        bind(rs);
    // The cells' texts first: the message is then made once at its length,
    // however long a cell is.
    qsizetype length = textLength_;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (fields_[i]) {
            cells_[i] = CellText(fields_[i]->Value());
            length += cells_[i].size();
        }
    }
    QString merged;
    merged.reserve(length);
    for (std::size_t i = 0; i < pieces_.size(); ++i)
        merged += fields_[i] ? cells_[i] : pieces_[i].text;
    return merged;
}

} // namespace sending
