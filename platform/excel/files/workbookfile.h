#pragma once

// Workbook files as a whole: which format a file is, and the reader or the
// writer of that format. The formats' readers and writers fill and read the
// sheet model (sheetdata.h), which knows nothing of files.

#include "platform/excel/sheetdata.h"

#include <QByteArray>
#include <QString>

namespace excel {

// The format a file name asks for: by its extension (letter case ignored);
// .xls when there is none or it is unknown.
QM_EXPORT FileFormat FormatForFileName(const QString& fileName);

// Reading and writing workbook files. Failures (missing file, unreadable or
// malformed content, a sheet too large for the format) raise vb::Error.
// Reading recognises the format from the content, not only the extension.
// A missing file raises vb::errFileNotFound, every other failure
// errWorkbookFile. CSV files hold the first sheet only, as UTF-8 text; see
// files/csv.cpp for how values are typed.
QM_EXPORT WorkbookData ReadWorkbookFile(const QString& path);
// The same for the bytes of a file read already; path names it in the
// messages and gives a text file's sheet its name.
QM_EXPORT WorkbookData ReadWorkbookContent(const QString& path, const QByteArray& content);
QM_EXPORT void WriteWorkbookFile(const WorkbookData& workbook, const QString& path, FileFormat format);

} // namespace excel
