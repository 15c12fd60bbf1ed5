#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace ado {
class Recordset;
}

namespace mdlGenel {

// What the export shows while it runs: its callers give it the wait
// window's. Every member has a default that does nothing.
class ExportSink {
public:
    virtual ~ExportSink() = default;
    // Before Excel starts: the records to copy, across all pages.
    virtual void copyStarts(qint32 /*total*/) {}
    // A phase of the work: a page's records built or saved, the sheets
    // named, the headers written.
    virtual void status(const QString& /*text*/) {}
    // A record copied into its page.
    virtual void recordCopied() {}
    // Every page copied.
    virtual void copyEnds() {}
    // The workbook saved, before the completion box.
    virtual void saved() {}
};

// Writes every record of rs into a new workbook of an Excel instance of its
// own, 65,535 records a sheet (Sayfa1, Sayfa2, ...) below a header row,
// saves it as fileName (an existing file of that name is replaced; a
// Windows path lands in win32::WindowsDriveFolder()) and leaves that
// instance visible with the workbook. headers labels column c with
// element c - 1, for c up to its last index, which is never read.
//
// The routine shows its progress through the sink, reports its completion
// and every failure itself, and never raises. rs is left with a page size
// of 65,535 and at its end.
void ExportRecordsetToExcel(std::shared_ptr<ado::Recordset>& rs, QString& fileName, QStringList& headers,
                            ExportSink& progress);

} // namespace mdlGenel
