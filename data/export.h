#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace ado {
class Recordset;
}

namespace mdlGenel {

// Writes every record of rs into a new workbook of an Excel instance of its
// own, 65,535 records a sheet (Sayfa1, Sayfa2, ...) below a header row,
// saves it as fileName (an existing file of that name is replaced; a
// Windows path lands in win32::WindowsDriveFolder()) and leaves that
// instance visible with the workbook. headers labels column c with
// element c - 1, for c up to its last index, which is never read.
//
// The caller shows frmBekle before and unloads it after; the routine shows
// its progress there and reports its completion and every failure itself,
// and never raises. rs is left with a page size of 65,535 and at its end.
void ExportRecordsetToExcel(std::shared_ptr<ado::Recordset>& rs, QString& fileName, QStringList& headers);

} // namespace mdlGenel
