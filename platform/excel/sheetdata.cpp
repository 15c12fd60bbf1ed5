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

namespace {

QString turkishFolded(const QString& name) {
    QString folded = name;
    for (QChar& c : folded) {
        if (c == u'I')
            c = QChar(0x0131);
        else if (c == QChar(0x0130))
            c = u'i';
    }
    return folded.toLower();
}

} // namespace

QString CellText(const vb::Variant& value) {
    if (value.isError())
        return files::ErrorText(files::ErrorCode(value));
    return vb::CStr(value);
}

bool SameSheetName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    return a.compare(b, Qt::CaseInsensitive) == 0 || turkishFolded(a) == turkishFolded(b);
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

// The oldest binary formats (Excel 2.1 to 4.0) stand outside a compound
// file and begin with their own BOF record.
bool isBareBiff(const QByteArray& head) {
    return head.size() >= 4 && head[0] == char(0x09)
           && (head[1] == char(0x00) || head[1] == char(0x02) || head[1] == char(0x04)) && head[3] == char(0x00);
}

// What a text file saved under a workbook's name is: an HTML page or the
// XML spreadsheet of Excel 2003, which other programs write as ".xls".
enum class MarkupKind { None, Html, XmlSpreadsheet };

MarkupKind markupKind(const QByteArray& head) {
    QByteArray start = head.left(2048);
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3);
    const QByteArray lower = start.trimmed().toLower();
    if (lower.startsWith("<?xml") || lower.startsWith("<workbook")) {
        if (lower.contains("urn:schemas-microsoft-com:office:spreadsheet") || lower.contains("<workbook"))
            return MarkupKind::XmlSpreadsheet;
        if (lower.contains("<html"))
            return MarkupKind::Html;
        return MarkupKind::None;
    }
    for (const char* tag : {"<!doctype html", "<html", "<table", "<head", "<meta", "<body", "<style"})
        if (lower.startsWith(tag))
            return MarkupKind::Html;
    return MarkupKind::None;
}

} // namespace

WorkbookData ReadWorkbookFile(const QString& path) {
    QFileInfo info(path);
    if (!info.exists())
        files::RaiseMissing(path);
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        files::RaiseUnreadable(path, file.errorString());
    const QByteArray content = file.readAll();
    if (files::IsCompoundFile(content))
        return files::ReadXls(path, content);
    if (content.startsWith("PK\x03\x04"))
        return files::ReadXlsx(path);
    if (isBareBiff(content))
        files::RaiseNotSupported(path, QStringLiteral("Excel 2.1-4.0 biçimindeki çalışma kitapları desteklenmiyor. "
                                                      "Dosyayı yeni bir Excel sürümüyle .xls ya da .xlsx olarak kaydedin."));
    switch (markupKind(content)) {
    case MarkupKind::Html:
        files::RaiseNotSupported(path, QStringLiteral("dosya bir web sayfası (HTML), çalışma kitabı değil. "
                                                      "Sayfayı açan programda .xlsx ya da .xls olarak kaydedin."));
    case MarkupKind::XmlSpreadsheet:
        files::RaiseNotSupported(path, QStringLiteral("dosya XML Elektronik Tablo 2003 biçiminde; bu biçim "
                                                      "desteklenmiyor. Dosyayı .xlsx ya da .xls olarak kaydedin."));
    case MarkupKind::None:
        break;
    }
    if (FormatForFileName(path) == FileFormat::Csv)
        return files::ReadCsv(path, content);
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
