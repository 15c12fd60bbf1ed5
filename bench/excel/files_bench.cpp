// Speed goals of the workbook files: the report export of 150,000 records
// (three sheets, 65,535 + 65,535 + 18,930 rows under a header each) is
// written, and a workbook of 100,000 rows is read, each well under a second.

#include "platform/excel/sheetdata.h"
#include "tests/platform/excel/files_test_rows.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using excel::FileFormat;
using excel::WorkbookData;
using excel::testing::ReportRows;

void writeExport(benchmark::State& state, FileFormat format, const char* name) {
    QTemporaryDir dir;
    const WorkbookData book = ReportRows(150000, 65535);
    const QString file = dir.filePath(QString::fromLatin1(name));
    for (auto _ : state)
        excel::WriteWorkbookFile(book, file, format);
    state.SetItemsProcessed(state.iterations() * 150000);
}

void readRows(benchmark::State& state, FileFormat format, const char* name) {
    QTemporaryDir dir;
    // 100,000 rows: the binary format needs two sheets for them.
    const QString file = dir.filePath(QString::fromLatin1(name));
    excel::WriteWorkbookFile(ReportRows(100000, format == FileFormat::Xls ? 65535 : 100000), file, format);
    for (auto _ : state)
        benchmark::DoNotOptimize(excel::ReadWorkbookFile(file));
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_WriteXlsExport150k(benchmark::State& state) { writeExport(state, FileFormat::Xls, "rapor.xls"); }
void BM_WriteXlsxExport150k(benchmark::State& state) { writeExport(state, FileFormat::Xlsx, "rapor.xlsx"); }
void BM_ReadXls100k(benchmark::State& state) { readRows(state, FileFormat::Xls, "liste.xls"); }
void BM_ReadXlsx100k(benchmark::State& state) { readRows(state, FileFormat::Xlsx, "liste.xlsx"); }
void BM_ReadCsv100k(benchmark::State& state) { readRows(state, FileFormat::Csv, "liste.csv"); }

BENCHMARK(BM_WriteXlsExport150k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteXlsxExport150k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXls100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsv100k)->Unit(benchmark::kMillisecond);

} // namespace
