// The second edition's template road for a sheet of 100,000 rows, each
// row's message one to three SMS long: its template page opened over the
// saved sheet and its "İleri >>" merging the rows into the final screen's
// list with their parts counted,
// and "Gönder" on its final screen putting the 100,000 messages into the
// gateway client's basket and posting it to a local gateway, through to the
// report window.
#include "bench/support/template_road.h"
#include "edition2/windows.h"

namespace {

constexpr int kRows = 100000;

// With the template's 26 characters, the name (5 to 9) and the amount (4 to
// 8), a row's message is 35 to 43 characters and its note: none, 150 or 300
// characters in turn, so one, two and three SMS.
QString note(int row) { return QString(150 * (row % 3), u'n'); }

qint64 parts() {
    qint64 total = 0;
    for (int r = 0; r < kRows; ++r)
        total += 1 + (r % 3);
    return total;
}

void fillSheet(excel::Worksheet& sheet) {
    const char* headers[] = {"Ad", "Tutar", "GSM", "Not"};
    for (int c = 0; c < 4; ++c)
        sheet.Cells(1, c + 1).setValue(QString::fromLatin1(headers[c]));
    for (int r = 0; r < kRows; ++r) {
        sheet.Cells(r + 2, 1).setValue(QStringLiteral("Ayşe%1").arg(r));
        sheet.Cells(r + 2, 2).setValue(12.5 + r);
        sheet.Cells(r + 2, 3).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
        sheet.Cells(r + 2, 4).setValue(note(r));
    }
}

TemplateRoad& road() {
    static TemplateRoad r = [] {
        edition2::UseOwnWindows();
        return TemplateRoad({kRows, fillSheet, QStringLiteral("Sayın [##Ad##], [##Tutar##] TL borcunuz var. [##Not##]"),
                             QStringLiteral(" ") + QString::number(parts()), 41});
    }();
    return r;
}

void BM_Edition2PageAndMergeWithParts100k(benchmark::State& state) { road().merge(state); }
BENCHMARK(BM_Edition2PageAndMergeWithParts100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

void BM_Edition2BasketOf100kPosted(benchmark::State& state) { road().send(state); }
BENCHMARK(BM_Edition2BasketOf100kPosted)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

} // namespace
