#pragma once

// The readers and writers behind ReadWorkbookFile and WriteWorkbookFile,
// one pair a format. The writers take a workbook CheckWorkbook accepted.

#include "platform/excel/sheetdata.h"

#include <QByteArray>

namespace excel::files {

WorkbookData ReadXls(const QString& path, const QByteArray& content);
QM_EXPORT QByteArray BuildXlsFile(const WorkbookData& workbook);
void WriteXls(const WorkbookData& workbook, const QString& path);

WorkbookData ReadXlsx(const QString& path, const QByteArray& content);
void WriteXlsx(const WorkbookData& workbook, const QString& path);

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
