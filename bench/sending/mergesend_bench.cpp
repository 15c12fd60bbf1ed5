// The template road's own cost for a saved sheet of 100,000 rows: the
// template page opened over it ("İleri >>" on the welcome page) and its
// "İleri >>" merging three placeholders a row into the final screen's list,
// and "Gönder" on the final screen building the package of
// one message a number and posting it to a local gateway, through to the
// report window.
#include "bench/support/template_road.h"

namespace {

constexpr int kRows = 100000;

// Names, amounts and distinct numbers.
void fillSheet(excel::Worksheet& sheet) {
    const char* headers[] = {"Ad", "Soyad", "Tutar", "GSM"};
    for (int c = 0; c < 4; ++c)
        sheet.Cells(1, c + 1).setValue(QString::fromLatin1(headers[c]));
    for (int r = 0; r < kRows; ++r) {
        sheet.Cells(r + 2, 1).setValue(QStringLiteral("Ayşe%1").arg(r));
        sheet.Cells(r + 2, 2).setValue(QStringLiteral("Yılmaz"));
        sheet.Cells(r + 2, 3).setValue(12.5 + r);
        sheet.Cells(r + 2, 4).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
    }
}

TemplateRoad& road() {
    static TemplateRoad r({kRows, fillSheet,
                           QStringLiteral("Sayın [##Ad##] [##Soyad##], [##Tutar##] TL borcunuz var."),
                           QStringLiteral(" 100000"), 1});
    return r;
}

void BM_PageAndMergeIntoTheFinalScreen100k(benchmark::State& state) { road().merge(state); }
BENCHMARK(BM_PageAndMergeIntoTheFinalScreen100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

void BM_SendOneMessageANumber100k(benchmark::State& state) { road().send(state); }
BENCHMARK(BM_SendOneMessageANumber100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

} // namespace
