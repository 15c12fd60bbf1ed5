#pragma once

// The readers and writers behind ReadWorkbookFile and WriteWorkbookFile,
// one pair a format. The writers take a workbook CheckWorkbook accepted.

#include "platform/excel/sheetdata.h"

#include <QByteArray>
#include <QByteArrayView>

namespace excel::files {

WorkbookData ReadXls(const QString& path, const QByteArray& content);
QM_EXPORT QByteArray BuildXlsFile(const WorkbookData& workbook);
void WriteXls(const WorkbookData& workbook, const QString& path);

WorkbookData ReadXlsx(const QString& path, const QByteArray& content);
void WriteXlsx(const WorkbookData& workbook, const QString& path);

// The bytes of a text file a piece at a time: a file of a hundred
// megabytes is never held whole.
class QM_EXPORT ByteSource {
public:
    virtual ~ByteSource();
    // The next piece, empty at the end; valid until the next call.
    virtual QByteArrayView next() = 0;
    // Back to the first byte.
    virtual void rewind() = 0;
};

QM_EXPORT WorkbookData ReadCsv(const QString& path, ByteSource& bytes);
WorkbookData ReadCsv(const QString& path, const QByteArray& content);
void WriteCsv(const WorkbookData& workbook, const QString& path);

// The value a text stands for as the regional settings write values, as a
// separated-values file of them is read: a number with the regional decimal
// and group separators, a date, a date and time or a time of day in the
// regional formats, DOĞRU or YANLIŞ, an error value; otherwise the text.
QM_EXPORT vb::Variant RegionalValue(const QString& text);

// Writes a whole file at once, replacing what was there.
void WriteWholeFile(const QString& path, const QByteArray& content);

} // namespace excel::files
