// Writing the Office Open XML workbook format: the parts (workbook, styles,
// shared strings, a part a sheet) are built as text and zipped with libzip.
//
// Cells keep what the model holds: texts (in the shared-string table),
// numbers, dates (numbers under a built-in date format), booleans, error
// values, fonts, and formulas with their last results, so that a workbook
// read from a file is written back with its formulas; merged ranges and
// column widths too. The program computes no formulas, so a workbook that
// has any asks the reading program to compute them anew on opening.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <charconv>
#include <map>
#include <tuple>
#include <vector>
#include <zip.h>

namespace excel::files {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// Text as XML character data: the markup characters as entities, control
// characters (and the carriage return, which XML readers drop) as the
// format's "_xHHHH_", and literal "_xHHHH_" sequences kept literal.
void appendText(QByteArray& out, const QString& text) {
    const QString escaped = EscapeOpenXmlSequences(text);
    QString s;
    s.reserve(escaped.size() + 8);
    for (QChar c : escaped) {
        switch (c.unicode()) {
        case u'&': s += QStringLiteral("&amp;"); break;
        case u'<': s += QStringLiteral("&lt;"); break;
        case u'>': s += QStringLiteral("&gt;"); break;
        case u'"': s += QStringLiteral("&quot;"); break;
        default:
            if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                s += QStringLiteral("_x%1_").arg(c.unicode(), 4, 16, QChar(u'0')).toUpper().replace(u'X', u'x');
            else
                s += c;
        }
    }
    out += s.toUtf8();
}

void appendNumber(QByteArray& out, double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr - buf);
}

QByteArray columnName(int column) {
    QByteArray s;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        s.prepend(char('A' + (c - 1) % 26));
    return s;
}

class Styles {
public:
    int of(const CellData& cell, int numberFormat) {
        const unsigned color = cell.color & 0xFFFFFF;
        if (!cell.bold && color == 0 && numberFormat == 0)
            return 0;
        const int font = fontOf(cell.bold, color);
        auto key = std::make_pair(font, numberFormat);
        auto found = xfs_.find(key);
        if (found != xfs_.end())
            return found->second;
        const int index = int(xfOrder_.size()) + 1;
        xfOrder_.push_back(key);
        xfs_.emplace(key, index);
        return index;
    }

    QByteArray part() const {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        out += "<fonts count=\"" + QByteArray::number(qsizetype(fontOrder_.size()) + 1) + "\">";
        out += "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/></font>";
        for (const auto& [bold, color] : fontOrder_) {
            out += "<font>";
            if (bold)
                out += "<b/>";
            out += "<sz val=\"11\"/>";
            if (color)
                out += "<color rgb=\"FF" + QByteArray::number(color, 16).rightJustified(6, '0').toUpper() + "\"/>";
            else
                out += "<color theme=\"1\"/>";
            out += "<name val=\"Calibri\"/><family val=\"2\"/></font>";
        }
        out += "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
               "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
               "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
               "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
        out += "<cellXfs count=\"" + QByteArray::number(qsizetype(xfOrder_.size()) + 1) + "\">";
        out += "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
        for (const auto& [font, format] : xfOrder_) {
            out += "<xf numFmtId=\"" + QByteArray::number(format) + "\" fontId=\"" + QByteArray::number(font)
                   + "\" fillId=\"0\" borderId=\"0\" xfId=\"0\"";
            if (font)
                out += " applyFont=\"1\"";
            if (format)
                out += " applyNumberFormat=\"1\"";
            out += "/>";
        }
        out += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
               "</styleSheet>";
        return out;
    }

private:
    int fontOf(bool bold, unsigned color) {
        if (!bold && color == 0)
            return 0;
        auto key = std::make_pair(bold, color);
        auto found = fonts_.find(key);
        if (found != fonts_.end())
            return found->second;
        const int index = int(fontOrder_.size()) + 1;
        fontOrder_.push_back(key);
        fonts_.emplace(key, index);
        return index;
    }

    std::map<std::pair<bool, unsigned>, int> fonts_;
    std::vector<std::pair<bool, unsigned>> fontOrder_;
    std::map<std::pair<int, int>, int> xfs_;
    std::vector<std::pair<int, int>> xfOrder_;
};

class SharedStrings {
public:
    int indexOf(const QString& text) {
        ++uses_;
        auto it = index_.constFind(text);
        if (it != index_.constEnd())
            return it.value();
        const int i = int(order_.size());
        index_.insert(text, i);
        order_.push_back(text);
        return i;
    }

    QByteArray part() const {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"";
        out += QByteArray::number(uses_) + "\" uniqueCount=\"" + QByteArray::number(qsizetype(order_.size())) + "\">";
        for (const QString& s : order_) {
            const bool keepBlanks = s.startsWith(u' ') || s.endsWith(u' ') || s.contains(u'\n') || s.contains(u'\t');
            out += keepBlanks ? "<si><t xml:space=\"preserve\">" : "<si><t>";
            appendText(out, s);
            out += "</t></si>";
        }
        out += "</sst>";
        return out;
    }

private:
    QHash<QString, int> index_;
    std::vector<QString> order_;
    qsizetype uses_ = 0;
};

class Writer {
public:
    QByteArray sheetPart(const SheetData& sheet) {
        const Extent e = ExtentOf(sheet);
        if (e.lastRow >= kMaxRows || e.lastColumn >= kMaxColumns)
            RaiseTooLarge(sheet.name, kMaxRows, kMaxColumns);
        QByteArray out;
        out.reserve(qsizetype(sheet.rowCount()) * 200 + 1024);
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
        if (!e.empty()) {
            out += "<dimension ref=\"" + columnName(e.firstColumn) + QByteArray::number(e.firstRow + 1) + ':'
                   + columnName(e.lastColumn) + QByteArray::number(e.lastRow + 1) + "\"/>";
        }
        columns(out, sheet.columnWidths);
        out += "<sheetData>";
        for (int r = 0; r <= e.lastRow; ++r) {
            const int length = sheet.rowLength(r);
            bool open = false;
            for (int c = 0; c < length; ++c) {
                if (sheet.isEmpty(r, c))
                    continue;
                const CellData cell = *sheet.cell(r, c);
                if (!open) {
                    out += "<row r=\"" + QByteArray::number(r + 1) + "\">";
                    open = true;
                }
                this->cell(out, cell, r, c);
            }
            if (open)
                out += "</row>";
        }
        out += "</sheetData>";
        if (!sheet.merges.empty()) {
            out += "<mergeCells count=\"" + QByteArray::number(qsizetype(sheet.merges.size())) + "\">";
            for (const MergedRange& m : sheet.merges)
                out += "<mergeCell ref=\"" + columnName(m.firstColumn) + QByteArray::number(m.firstRow + 1) + ':'
                       + columnName(m.lastColumn) + QByteArray::number(m.lastRow + 1) + "\"/>";
            out += "</mergeCells>";
        }
        out += "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
               "</worksheet>";
        return out;
    }

    bool formulas() const { return formulas_; }
    Styles styles;
    SharedStrings strings;

private:
    static void columns(QByteArray& out, const std::vector<double>& widths) {
        const std::vector<WidthRun> runs = ColumnWidthRuns(widths, kMaxColumns);
        if (runs.empty())
            return;
        out += "<cols>";
        for (const WidthRun& run : runs) {
            out += "<col min=\"" + QByteArray::number(run.first + 1) + "\" max=\"" + QByteArray::number(run.last + 1)
                   + "\" width=\"";
            appendNumber(out, FileColumnWidth(std::min(run.width, kMaxColumnWidth)));
            out += "\" customWidth=\"1\"/>";
        }
        out += "</cols>";
    }

    void cell(QByteArray& out, const CellData& cell, int row, int column) {
        const vb::Variant& v = cell.value;
        const int numberFormat = v.isDate() ? BuiltinDateFormat(v.dateValue()) : 0;
        const int style = styles.of(cell, numberFormat);
        out += "<c r=\"" + columnName(column) + QByteArray::number(row + 1) + '"';
        if (style)
            out += " s=\"" + QByteArray::number(style) + '"';
        const bool formula = cell.hasFormula() && cell.formula != CellData::kUnreadFormula;
        const bool text = v.isString() && !v.stringValue().isEmpty();
        if (text && v.stringValue().size() > kMaxTextLength)
            RaiseTextTooLong();
        if (formula) {
            formulas_ = true;
            if (v.isString())
                out += " t=\"str\"";
            else if (v.isBoolean())
                out += " t=\"b\"";
            else if (v.isError())
                out += " t=\"e\"";
            out += "><f>";
            appendText(out, cell.formula.mid(1));
            out += "</f>";
            if (v.isEmpty()) {
                out += "</c>";
                return;
            }
        } else if (text) {
            out += " t=\"s\"><v>" + QByteArray::number(strings.indexOf(v.stringValue())) + "</v></c>";
            return;
        } else if (v.isBoolean()) {
            out += " t=\"b\">";
        } else if (v.isError()) {
            out += " t=\"e\">";
        } else if (v.isNumber() || v.isDate()) {
            out += '>';
        } else {
            out += "/>";
            return;
        }
        out += "<v>";
        if (v.isString())
            appendText(out, v.stringValue());
        else if (v.isBoolean())
            out += v.boolValue() ? '1' : '0';
        else if (v.isError())
            out += ErrorText(ErrorCode(v)).toLatin1();
        else if (v.isNumber())
            appendNumber(out, v.doubleValue());
        else if (v.isDate())
            appendNumber(out, HostSerial(v.dateValue()));
        out += "</v></c>";
    }

    bool formulas_ = false;
};

QByteArray workbookPart(const WorkbookData& workbook, bool formulas) {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                     "<workbookPr/><bookViews><workbookView/></bookViews><sheets>";
    for (size_t i = 0; i < workbook.sheets.size(); ++i) {
        out += "<sheet name=\"";
        appendText(out, workbook.sheets[i].name);
        out += "\" sheetId=\"" + QByteArray::number(qsizetype(i) + 1) + "\" r:id=\"rId"
               + QByteArray::number(qsizetype(i) + 1) + "\"/>";
    }
    out += "</sheets>";
    if (formulas)
        out += "<calcPr fullCalcOnLoad=\"1\"/>";
    out += "</workbook>";
    return out;
}

QByteArray contentTypes(size_t sheets) {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                     "<Override PartName=\"/xl/workbook.xml\" "
                     "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                     "<Override PartName=\"/xl/styles.xml\" "
                     "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                     "<Override PartName=\"/xl/sharedStrings.xml\" "
                     "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
    for (size_t i = 1; i <= sheets; ++i)
        out += "<Override PartName=\"/xl/worksheets/sheet" + QByteArray::number(qsizetype(i))
               + ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    out += "</Types>";
    return out;
}

QByteArray workbookRelationships(size_t sheets) {
    const QByteArray type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 1; i <= sheets; ++i)
        out += "<Relationship Id=\"rId" + QByteArray::number(qsizetype(i)) + "\" Type=\"" + type
               + "worksheet\" Target=\"worksheets/sheet" + QByteArray::number(qsizetype(i)) + ".xml\"/>";
    const QByteArray next = QByteArray::number(qsizetype(sheets) + 1);
    out += "<Relationship Id=\"rId" + next + "\" Type=\"" + type + "styles\" Target=\"styles.xml\"/>";
    out += "<Relationship Id=\"rId" + QByteArray::number(qsizetype(sheets) + 2) + "\" Type=\"" + type
           + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    out += "</Relationships>";
    return out;
}

const QByteArray kPackageRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";

} // namespace

void WriteXlsx(const WorkbookData& workbook, const QString& path) {
    Writer writer;
    std::vector<std::pair<QByteArray, QByteArray>> parts;  // name, content
    for (size_t i = 0; i < workbook.sheets.size(); ++i)
        parts.push_back({"xl/worksheets/sheet" + QByteArray::number(qsizetype(i) + 1) + ".xml",
                         writer.sheetPart(workbook.sheets[i])});
    parts.push_back({"[Content_Types].xml", contentTypes(workbook.sheets.size())});
    parts.push_back({"_rels/.rels", kPackageRelationships});
    parts.push_back({"xl/workbook.xml", workbookPart(workbook, writer.formulas())});
    parts.push_back({"xl/_rels/workbook.xml.rels", workbookRelationships(workbook.sheets.size())});
    parts.push_back({"xl/styles.xml", writer.styles.part()});
    parts.push_back({"xl/sharedStrings.xml", writer.strings.part()});

    if (!QFileInfo(path).absoluteDir().exists())
        RaiseUnwritable(path, QStringLiteral("klasör yok"));
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        RaiseUnwritable(path);
    // Content types first, as readers that stream the archive expect.
    std::rotate(parts.begin(), parts.end() - 6, parts.end());
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(zip, content.constData(), zip_uint64_t(content.size()), 0);
        const zip_int64_t index = source ? zip_file_add(zip, name.constData(), source, ZIP_FL_OVERWRITE) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            const QString detail = QString::fromUtf8(zip_strerror(zip));
            zip_discard(zip);
            RaiseUnwritable(path, detail);
        }
        // A fast deflate: the sheets of a long export are most of the file.
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(zip) != 0) {
        const bool full = zip_error_code_system(zip_get_error(zip)) == ENOSPC;
        const QString detail = QString::fromUtf8(zip_strerror(zip));
        zip_discard(zip);
        if (full)
            RaiseDiskFull(path);
        RaiseUnwritable(path, detail);
    }
}

} // namespace excel::files
