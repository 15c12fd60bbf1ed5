// workbook-rows FILE ROWS: writes ROWS report rows (one sheet, under a
// header) as the workbook FILE, in the format its extension names; the
// file the benchmark of reading a long .xlsx reads.

#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/error.h"
#include "tests/platform/excel/files_test_rows.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: workbook-rows FILE ROWS\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int rows = QString::fromLatin1(argv[2]).toInt();
    try {
        excel::WriteWorkbookFile(excel::testing::ReportRows(rows, rows), file, excel::FormatForFileName(file));
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
