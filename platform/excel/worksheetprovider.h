#pragma once

#include "platform/ado/provider.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/export.h"

#include <QString>

// Worksheets read as tables, in place of the spreadsheet ODBC driver: a
// data provider for connection strings whose driver is the "Microsoft
// Excel" one and whose DBQ names a workbook file. The file is read as it is
// on disk once per connection, at its opening (a file the reader refuses
// fails the opening); the table list and the statements are answered from
// that reading while the file stays as it was read, and a file changed on
// disk since is read again. Connections open on one file at once share its
// reading. A requery reads the file again, so it sees it as last saved.
//
// Tables are the sheets, named with a "$" after the sheet's name, in the
// workbook's order. The one statement is "select * from [Name$]": a field
// per column named by its row-1 text, a record per following row down to
// the last row holding a value, Null for an empty cell.
namespace excel {

// Registers the provider with the data objects. Loading the library does
// it already; calling it again changes nothing.
QM_EXPORT void RegisterWorksheetProvider();

// The file a DBQ path names: the path itself, or, as the driver finds it,
// the path with ".xls" added (the name lost its extension). A path ending
// in "." is a .xlsx name cut by four characters and gets "xlsx" back.
// Backslashes are taken as folder separators when the path is not found
// as it is. Empty when there is no such file.
QM_EXPORT QString ResolveWorkbookPath(const QString& dbq);

// A sheet as a table. Every column's type comes from its first maxScanRows
// data rows (all rows for 0): the kind most of their values are of (text
// on a tie or with no values). A value of another kind arrives as its
// text, so none is lost.
QM_EXPORT ado::Rowset SheetTable(const SheetData& sheet, int maxScanRows = 8);

} // namespace excel
