// The template page's sort as its user waits for it: a click on a column
// header of the grid over a sheet of 100,000 rows, until the page is back,
// sorted by that column: Turkish names, and amounts.
#include "bench/support/names.h"
#include "bench/support/template_road.h"

#include <QHeaderView>
#include <QTableView>
#include <QTest>

namespace {

constexpr int kRows = 100000;

void fillSheet(excel::Worksheet& sheet) {
    const char* headers[] = {"Ad", "Tutar", "GSM"};
    for (int c = 0; c < 3; ++c)
        sheet.Cells(1, c + 1).setValue(QString::fromLatin1(headers[c]));
    NameDraw draw;
    for (int r = 0; r < kRows; ++r) {
        sheet.Cells(r + 2, 1).setValue(draw.name());
        sheet.Cells(r + 2, 2).setValue(double(draw.next() % 100000) / 4);
        sheet.Cells(r + 2, 3).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
    }
}

TemplateRoad& road() {
    static TemplateRoad r({kRows, fillSheet, QStringLiteral("Merhaba"), QString(), 1});
    return r;
}

void clickHeader(frmSMS& page, int column) {
    auto* grid = page.findChild<forms::DataGrid*>(QStringLiteral("DataGrid1"));
    QHeaderView* h = grid->view()->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

// Each click sorts anew: the page is opened over the unsorted sheet first.
void headerClick(benchmark::State& state, int column, const QString& sort) {
    frmSMS& page = road().templatePage();
    page.Show();
    for (auto _ : state) {
        state.PauseTiming();
        page.rsSheet->setSort(QString());
        state.ResumeTiming();
        clickHeader(page, column);
        state.PauseTiming();
        if (page.rsSheet->Sort() != sort || page.DataGrid1->RowCount() == 0
            || !road().services.msgBoxes->records().empty())
            state.SkipWithError("the sheet is not sorted");
        state.ResumeTiming();
    }
    road().closeAll();
}

void BM_HeaderClickSortsNames100k(benchmark::State& state) { headerClick(state, 0, QStringLiteral("Ad ASC")); }
BENCHMARK(BM_HeaderClickSortsNames100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_HeaderClickSortsAmounts100k(benchmark::State& state) { headerClick(state, 1, QStringLiteral("Tutar ASC")); }
BENCHMARK(BM_HeaderClickSortsAmounts100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace
