// The second edition's template road for a sheet of 100,000 rows, each
// row's message one to three SMS long: "İleri >>" on the template page
// merging the rows into the final screen's list with their parts counted,
// and "Gönder" on the final screen putting the 100,000 messages into the
// gateway client's basket and posting it to a local gateway, through to the
// report window.
#include "addin/mdlGenel.h"
#include "edition2/frmSMS.h"
#include "edition2/frmSonEkran.h"
#include "edition2/windows.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "reports/frmRapor.h"
#include "sending/frmSihirbaz.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

// The note of a row: 0, 150 or 300 characters, so that the merged messages
// are one, two and three SMS in turn.
QString note(int row) { return QString(150 * (row % 3), u'n'); }

// The parts the list should total: with the template's 26 characters, the
// name (5 to 9) and the amount (4 to 8), a row's message is 35 to 43
// characters and its note.
qint64 expectedParts() {
    qint64 parts = 0;
    for (int r = 0; r < kRows; ++r)
        parts += 1 + (r % 3);
    return parts;
}

void saveSheet(const QString& path) {
    auto book = ExcelApp->Workbooks().Add();
    auto sheet = book->ActiveSheet();
    const char* headers[] = {"Ad", "Tutar", "GSM", "Not"};
    for (int c = 0; c < 4; ++c)
        sheet->Cells(1, c + 1).setValue(QString::fromLatin1(headers[c]));
    for (int r = 0; r < kRows; ++r) {
        sheet->Cells(r + 2, 1).setValue(QStringLiteral("Ayşe%1").arg(r));
        sheet->Cells(r + 2, 2).setValue(12.5 + r);
        sheet->Cells(r + 2, 3).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
        sheet->Cells(r + 2, 4).setValue(note(r));
    }
    book->SaveAs(path);
}

class Road {
public:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    QTemporaryDir dir;
    const QString total = QStringLiteral(" ") + QString::number(expectedParts());

    Road() {
        edition2::UseOwnWindows();
        ExcelApp = excel::Application::New();
        saveSheet(dir.filePath(QStringLiteral("liste.xlsx")));
        SignInDemoAccount(gateway.url());
    }
    edition2::frmSMS& templatePage() {
        gateway.answer("400000\nQUILLMERE\n");
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optTumu->setValue(true);
        welcome.cmdIleri->click();
        auto& page = forms::Get<edition2::frmSMS>();
        page.txtMesaj->setText(QStringLiteral("Sayın [##Ad##], [##Tutar##] TL borcunuz var. [##Not##]"));
        page.cbGsmNo->setText(QStringLiteral("GSM"));
        return page;
    }
    bool listed() const {
        const auto* screen = forms::IfLoaded<edition2::frmSonEkran>();
        return screen && screen->DataGrid1->RowCount() == kRows && screen->lblToplam->Caption() == total;
    }
    void closeAll() {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        services.msgBoxes->clearRecords();
        db.query(QStringLiteral("DELETE FROM tbl_giden"));
    }
};

Road& road() {
    static Road r;
    return r;
}

void BM_Edition2MergeWithParts100k(benchmark::State& state) {
    Road& r = road();
    for (auto _ : state) {
        state.PauseTiming();
        edition2::frmSMS& page = r.templatePage();
        state.ResumeTiming();
        page.cmdIleri->click();
        state.PauseTiming();
        if (!r.listed() || !r.services.msgBoxes->records().empty())
            state.SkipWithError("the list or its parts are not complete");
        r.closeAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Edition2MergeWithParts100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

void BM_Edition2BasketOf100kPosted(benchmark::State& state) {
    Road& r = road();
    for (auto _ : state) {
        state.PauseTiming();
        r.templatePage().cmdIleri->click();
        auto& screen = forms::Get<edition2::frmSonEkran>();
        if (!r.listed())
            state.SkipWithError("the list is not complete");
        r.gateway.answer("ID 1");
        r.services.msgBoxes->queueAnswer(vb::vbYes);
        state.ResumeTiming();
        screen.cmdGonder->click();
        state.PauseTiming();
        const QString body = r.gateway.lastBody();
        if (!forms::IsLoaded<frmRapor>() || !body.contains(QStringLiteral("<Action>41</Action>"))
            || body.count(QStringLiteral("<Message>")) != kRows)
            state.SkipWithError("the package did not go out");
        r.closeAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Edition2BasketOf100kPosted)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

} // namespace
