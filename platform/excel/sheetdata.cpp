#include "platform/excel/sheetdata.h"

#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"
#include "platform/vb/error.h"

#include <QFile>
#include <QFileInfo>

namespace excel {

const CellData* SheetData::cell(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount())
        return nullptr;
    const auto& r = rows[size_t(row)];
    return column < int(r.size()) ? &r[size_t(column)] : nullptr;
}

CellData& SheetData::at(int row, int column) {
    if (row < 0 || column < 0)
        vb::Raise(vb::errSubscript);
    if (row >= rowCount())
        rows.resize(size_t(row) + 1);
    auto& r = rows[size_t(row)];
    if (column >= int(r.size()))
        r.resize(size_t(column) + 1);
    return r[size_t(column)];
}

int SheetData::columnCount() const {
    size_t widest = 0;
    for (const auto& r : rows)
        widest = std::max(widest, r.size());
    return int(widest);
}

FileFormat FormatForFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"xlsx")
        return FileFormat::Xlsx;
    if (suffix == u"csv")
        return FileFormat::Csv;
    return FileFormat::Xls;
}

namespace {

// The older binary formats freexl reads outside a compound file begin with
// a BOF record of BIFF2, 3 or 4.
bool isBareBiff(const QByteArray& head) {
    return head.size() >= 4 && head[0] == char(0x09)
           && (head[1] == char(0x00) || head[1] == char(0x02) || head[1] == char(0x04)) && head[3] == char(0x00);
}

} // namespace

WorkbookData ReadWorkbookFile(const QString& path) {
    QFileInfo info(path);
    if (!info.exists())
        files::RaiseMissing(path);
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        files::RaiseUnreadable(path, file.errorString());
    const QByteArray head = file.peek(8);
    if (files::IsCompoundFile(head) || isBareBiff(head))
        return files::ReadXls(path);
    if (head.startsWith("PK\x03\x04"))
        return files::ReadXlsx(path);
    if (FormatForFileName(path) == FileFormat::Csv)
        return files::ReadCsv(path, file.readAll());
    files::RaiseUnreadable(path);
}

void WriteWorkbookFile(const WorkbookData& workbook, const QString& path, FileFormat format) {
    files::CheckWorkbook(workbook);
    switch (format) {
    case FileFormat::Xls: files::WriteXls(workbook, path); break;
    case FileFormat::Xlsx: files::WriteXlsx(workbook, path); break;
    case FileFormat::Csv: files::WriteCsv(workbook, path); break;
    }
}

} // namespace excel
