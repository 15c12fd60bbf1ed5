// The template road's own cost for a sheet of 100,000 rows: "İleri >>" on
// the template page merging three placeholders a row into the final
// screen's list, and "Gönder" on the final screen building the package of
// one message a number and posting it to a local gateway, through to the
// report window.
#include "addin/mdlGenel.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "reports/frmRapor.h"
#include "sending/frmSMS.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

// Names, amounts and distinct numbers, saved as the workbook the template
// page reads.
void saveSheet(const QString& path) {
    auto book = ExcelApp->Workbooks().Add();
    auto sheet = book->ActiveSheet();
    const char* headers[] = {"Ad", "Soyad", "Tutar", "GSM"};
    for (int c = 0; c < 4; ++c)
        sheet->Cells(1, c + 1).setValue(QString::fromLatin1(headers[c]));
    for (int r = 0; r < kRows; ++r) {
        sheet->Cells(r + 2, 1).setValue(QStringLiteral("Ayşe%1").arg(r));
        sheet->Cells(r + 2, 2).setValue(QStringLiteral("Yılmaz"));
        sheet->Cells(r + 2, 3).setValue(12.5 + r);
        sheet->Cells(r + 2, 4).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
    }
    book->SaveAs(path);
}

class Road {
public:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    QTemporaryDir dir;

    Road() {
        ExcelApp = excel::Application::New();
        saveSheet(dir.filePath(QStringLiteral("liste.xlsx")));
        mdlGenel::GatewayType = QStringLiteral("Quillmere");
        mdlGenel::UserName = QStringLiteral("demo");
        mdlGenel::ClientCode = QStringLiteral("DEMO");
        mdlGenel::Password = QStringLiteral("demo123");
        mdlGenel::GatewayUrl = gateway.url();
    }
    // The template page over the saved sheet, its template typed.
    frmSMS& templatePage() {
        gateway.answer("200000\nQUILLMERE\n");
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optTumu->setValue(true);
        welcome.cmdIleri->click();
        frmSMS& page = forms::Get<frmSMS>();
        page.txtMesaj->setText(QStringLiteral("Sayın [##Ad##] [##Soyad##], [##Tutar##] TL borcunuz var."));
        page.cbGsmNo->setText(QStringLiteral("GSM"));
        return page;
    }
    bool listed() const {
        const frmSonEkran* screen = forms::IfLoaded<frmSonEkran>();
        return screen && screen->DataGrid1->RowCount() == kRows && screen->lblToplam->Caption() == u" 100000";
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

void BM_MergeIntoTheFinalScreen100k(benchmark::State& state) {
    Road& r = road();
    for (auto _ : state) {
        state.PauseTiming();
        frmSMS& page = r.templatePage();
        state.ResumeTiming();
        page.cmdIleri->click();
        state.PauseTiming();
        if (!r.listed() || !r.services.msgBoxes->records().empty())
            state.SkipWithError("the list is not complete");
        r.closeAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_MergeIntoTheFinalScreen100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

void BM_SendOneMessageANumber100k(benchmark::State& state) {
    Road& r = road();
    for (auto _ : state) {
        state.PauseTiming();
        r.templatePage().cmdIleri->click();
        frmSonEkran& screen = forms::Get<frmSonEkran>();
        if (!r.listed())
            state.SkipWithError("the list is not complete");
        r.gateway.answer("ID 1");
        r.services.msgBoxes->queueAnswer(vb::vbYes);
        state.ResumeTiming();
        screen.cmdGonder->click();
        state.PauseTiming();
        const QString body = r.gateway.lastBody();
        if (!forms::IsLoaded<frmRapor>() || !body.contains(QStringLiteral("<Action>1</Action>"))
            || body.count(QStringLiteral("<Message>")) != kRows)
            state.SkipWithError("the package did not go out");
        r.closeAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SendOneMessageANumber100k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

} // namespace
