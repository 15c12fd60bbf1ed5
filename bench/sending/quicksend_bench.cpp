// The quick-send page's own cost: building the list from a 20,000-cell
// selection, and the send of those numbers to a local gateway; opening the
// page for an account whose information reply is 1 MB of originators; and
// the list of a whole-sheet selection (A1:XFD1048576) on a sheet of 1,000
// numbers, which the page walks only as far as the cells in use: goal well
// under a second.
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/fault_server.h"
#include "tests/support/temp_database.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kCells = 20000;

void fillSheet(const std::shared_ptr<excel::Worksheet>& sheet) {
    for (int r = 1; r <= kCells; ++r)
        sheet->Cells(r, 1).setValue(QStringLiteral("0532%1").arg(1000000 + r, 7, 10, QLatin1Char('0')));
    sheet->Range(QStringLiteral("A1:A%1").arg(kCells)).Select();
}

// What the welcome page's quick-send road does: the page, opened by it,
// builds its list and asks for the account.
frmSMS_1& openFromTheWelcomePage() {
    forms::Get<frmSihirbaz>().Show();
    frmSMS_1& page = forms::Get<frmSMS_1>();
    page.CallerForm = &forms::Get<frmSihirbaz>();
    mdlGenel::ListLoaded = false;
    page.Show();
    return page;
}

void unloadAll() {
    for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
    forms::FlushUnloaded();
}

void BM_QuickSendListAndPost(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    ExcelApp = excel::Application::New();
    fillSheet(ExcelApp->Workbooks().Add()->ActiveSheet());
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::UserName = QStringLiteral("demo");
    mdlGenel::Password = QStringLiteral("demo123");
    mdlGenel::GatewayUrl = gateway.url();
    for (auto _ : state) {
        gateway.answer("100000\nQUILLMERE\n");
        frmSMS_1& page = openFromTheWelcomePage();
        if (page.DataGrid1->RowCount() != kCells)
            state.SkipWithError("the list is not complete");
        page.txtMesaj->setText(QStringLiteral("Merhaba"));
        gateway.answer("ID 1");
        services.msgBoxes->queueAnswer(vb::vbYes);
        page.cmdIleri->click();  // posts, logs, opens the report window
        unloadAll();
        services.msgBoxes->clearRecords();
    }
}
BENCHMARK(BM_QuickSendListAndPost)->Unit(benchmark::kMillisecond)->Iterations(3);

// About 1 MB: the credit, then 90,000 originators.
std::string bigAccount() {
    std::string text = "250000\n";
    for (int i = 0; i < 90000; ++i)
        text += "FIRMA" + std::to_string(100000 + i) + "\n";
    return text;
}

void BM_OpenThePageWithA1MBAccountReply(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    TempDatabase db;
    const std::string account = bigAccount();
    FaultServer gateway(FaultServer::answer(200, account));
    ExcelApp = excel::Application::New();
    auto sheet = ExcelApp->Workbooks().Add()->ActiveSheet();
    sheet->Cells(1, 1).setValue(QStringLiteral("05321234567"));
    sheet->Range(QStringLiteral("A1")).Select();
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::UserName = QStringLiteral("demo");
    mdlGenel::Password = QStringLiteral("demo123");
    mdlGenel::GatewayUrl = gateway.url();
    for (auto _ : state) {
        frmSMS_1& page = openFromTheWelcomePage();  // lists the number, asks for the account and reads the reply
        if (page.cbGonderen->ListCount() != 90000 || page.lblKontor->Caption() != u" 250000")
            state.SkipWithError("the account is not read whole");
        state.PauseTiming();
        unloadAll();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * qint64(account.size()));
}
BENCHMARK(BM_OpenThePageWithA1MBAccountReply)->Unit(benchmark::kMillisecond);

void BM_QuickSendWholeSheetSelection(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    TempDatabase db;
    FakeGateway gateway;
    ExcelApp = excel::Application::New();
    const auto sheet = ExcelApp->Workbooks().Add()->ActiveSheet();
    for (int r = 1; r <= 1000; ++r)
        sheet->Cells(r, 2).setValue(QStringLiteral("0532%1").arg(1000000 + r, 7, 10, QLatin1Char('0')));
    sheet->Cells().Select();
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::GatewayUrl = gateway.url();
    // Marking on: the empty cells among those in use become "BOŞ".
    db.query(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_isaret'"));
    for (auto _ : state) {
        gateway.answer("100000\nQUILLMERE\n");
        frmSMS_1& page = openFromTheWelcomePage();
        if (page.DataGrid1->RowCount() != 1000)
            state.SkipWithError("the list is not complete");
        unloadAll();
    }
}
BENCHMARK(BM_QuickSendWholeSheetSelection)->Unit(benchmark::kMillisecond);

} // namespace
