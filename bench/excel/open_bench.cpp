// Opening a big workbook in the host, as a person waits for it: from the
// open to the grid showing the sheet. The workbook holds 1,000,000 rows of
// ten columns, numbers and short texts (10 million cells). Goal: under 4
// seconds and under 1 GB. peak_rss_mb is the process's high-water mark of
// resident memory during the open (the mark is set back before each open,
// so the making of the file does not count); rss_mb what stays resident
// while the workbook is open.

#include "bench/support/host_fixture.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/workbook.h"

#include <QFile>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 10;

// A field of /proc/self/status in megabytes.
double statusMegabytes(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::string(field).size() + 1)) / 1024.0;
    return -1;
}

// Sets the high-water mark back to what is resident now.
void resetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Every other column a number; the others short texts of a few thousand
// kinds (names, towns, states), as customer lists hold them.
void writeRows(const QString& file) {
    static const char* towns[] = {"Ankara", "İstanbul", "İzmir", "Bursa", "Eskişehir", "Çanakkale", "Muğla"};
    excel::WorkbookData book;
    book.sheets.emplace_back();
    excel::SheetData& sheet = book.sheets.back();
    sheet.name = QStringLiteral("Müşteriler");
    sheet.reserveRows(kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            if (c % 2 == 0)
                sheet.setNumber(r, c, c == 0 ? 5320000000.0 + r : double(r % 9973) * 1.25 + c);
            else if (c == 3)
                sheet.setText(r, c, QString::fromUtf8(towns[r % 7]));
            else
                sheet.setText(r, c, QStringLiteral("Ad %1 %2").arg((r * 7 + c) % 4999).arg(c));
        }
    excel::WriteWorkbookFile(book, file, excel::FormatForFileName(file));
}

// The file of that name in the fixture's folder, made at its first use.
QString file(const char* name) {
    const QString path = HostFixture::get().path(name);
    if (!QFile::exists(path))
        writeRows(path);
    return path;
}

void openInTheHost(benchmark::State& state, const char* name) {
    const QString path = file(name);
    double peak = 0, resident = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        state.ResumeTiming();
        HostFixture::get().openUntilShown(state, path, kRows, [&] {
            peak = std::max(peak, statusMegabytes("VmHWM:"));
            resident = statusMegabytes("VmRSS:");
        });
    }
    state.counters["peak_rss_mb"] = peak;
    state.counters["rss_mb"] = resident;
    state.SetItemsProcessed(state.iterations() * kRows * kColumns);
}

void BM_OpenMillionRowsXlsx(benchmark::State& state) { openInTheHost(state, "musteriler.xlsx"); }
void BM_OpenMillionRowsCsv(benchmark::State& state) { openInTheHost(state, "musteriler.csv"); }

BENCHMARK(BM_OpenMillionRowsXlsx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenMillionRowsCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) { return HostFixture::main(argc, argv); }
