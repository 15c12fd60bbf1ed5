// Writing the Office Open XML workbook format through libxlsxwriter, in
// its constant-memory mode: rows go to disk as they are written, so a large
// export does not hold a second copy of the sheet.

#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <tuple>
#include <xlsxwriter.h>

namespace excel::files {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

class Formats {
public:
    explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}

    lxw_format* of(const CellData& cell, int numberFormat) {
        if (!cell.bold && cell.color == 0 && numberFormat == 0)
            return nullptr;
        auto key = std::make_tuple(cell.bold, cell.color & 0xFFFFFF, numberFormat);
        auto found = formats_.find(key);
        if (found != formats_.end())
            return found->second;
        lxw_format* f = workbook_add_format(workbook_);
        if (cell.bold)
            format_set_bold(f);
        if (cell.color & 0xFFFFFF)
            format_set_font_color(f, cell.color & 0xFFFFFF);
        if (numberFormat)
            format_set_num_format_index(f, uint8_t(numberFormat));
        formats_.emplace(key, f);
        return f;
    }

private:
    lxw_workbook* workbook_;
    std::map<std::tuple<bool, unsigned, int>, lxw_format*> formats_;
};

lxw_error writeCell(lxw_worksheet* sheet, int row, int column, const CellData& cell, Formats& formats) {
    const vb::Variant& v = cell.value;
    const int numberFormat = v.isDate() ? BuiltinDateFormat(v.dateValue()) : 0;
    lxw_format* format = formats.of(cell, numberFormat);
    const auto r = lxw_row_t(row);
    const auto c = lxw_col_t(column);
    if (v.isString() && !v.stringValue().isEmpty()) {
        if (v.stringValue().size() > kMaxTextLength)
            RaiseTextTooLong();
        return worksheet_write_string(sheet, r, c, EscapeOpenXmlSequences(v.stringValue()).toUtf8().constData(),
                                      format);
    }
    if (v.isNumber())
        return worksheet_write_number(sheet, r, c, v.doubleValue(), format);
    if (v.isDate())
        return worksheet_write_number(sheet, r, c, HostSerial(v.dateValue()), format);
    if (v.isBoolean())
        return worksheet_write_boolean(sheet, r, c, v.boolValue() ? 1 : 0, format);
    return worksheet_write_blank(sheet, r, c, format);
}

} // namespace

void WriteXlsx(const WorkbookData& workbook, const QString& path) {
    for (const SheetData& sheet : workbook.sheets) {
        const Extent e = ExtentOf(sheet);
        if (e.lastRow >= kMaxRows || e.lastColumn >= kMaxColumns)
            RaiseTooLarge(sheet.name, kMaxRows, kMaxColumns);
    }
    // libxlsxwriter would find a missing folder only when it closes the
    // workbook, and tell stderr about it.
    if (!QFileInfo(path).absoluteDir().exists())
        RaiseUnwritable(path, QStringLiteral("klasör yok"));
    lxw_workbook_options options = {LXW_TRUE, nullptr, LXW_FALSE};
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook* book = workbook_new_opt(fileName.constData(), &options);
    if (!book)
        RaiseUnwritable(path);
    Formats formats(book);
    lxw_error failure = LXW_NO_ERROR;
    for (const SheetData& sheet : workbook.sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.toUtf8().constData());
        if (!ws) {
            lxw_workbook_free(book);
            RaiseUnwritable(path, sheet.name);
        }
        for (size_t c = 0; c < sheet.columnWidths.size() && c < size_t(kMaxColumns); ++c)
            if (sheet.columnWidths[c] > 0)
                worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), std::min(sheet.columnWidths[c], kMaxColumnWidth),
                                     nullptr);
        for (int r = 0; r < sheet.rowCount() && failure == LXW_NO_ERROR; ++r) {
            const auto& row = sheet.rows[size_t(r)];
            for (int c = 0; c < int(row.size()) && failure == LXW_NO_ERROR; ++c) {
                if (row[size_t(c)].isEmpty())
                    continue;
                try {
                    failure = writeCell(ws, r, c, row[size_t(c)], formats);
                } catch (...) {
                    lxw_workbook_free(book);
                    throw;
                }
            }
        }
    }
    if (failure != LXW_NO_ERROR) {
        lxw_workbook_free(book);
        RaiseUnwritable(path, QString::fromUtf8(lxw_strerror(failure)));
    }
    lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR)
        RaiseUnwritable(path, QString::fromUtf8(lxw_strerror(closed)));
}

} // namespace excel::files
