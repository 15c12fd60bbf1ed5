// What a user waits for when one number's report lists 100,000 packages:
// the number tab's "Rapor görüntüle" in the report window, from the request
// to a local gateway to the last row in the grid (goal: under a second), and
// the parser's own share of it.
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "reports/frmRapor.h"
#include "reports/numberreport.h"
#include "reports/reportparse.h"
#include "state/mdlGenel.h"
#include "tests/support/fault_server.h"
#include "tests/support/temp_database.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 100000;

std::string bigReply() {
    std::string text;
    text.reserve(std::size_t(kLines) * 27);
    for (int i = 0; i < kLines; ++i)
        text += std::to_string(100001 + i) + " 05.07.2006 10:" + std::to_string(10 + i % 50) + ":00\n";
    return text;
}

class Sink : public reports::NumberReportSink {
public:
    Sink() { reports::AppendReportFields(rs); }
    ado::Recordset rs;
    ado::Recordset& report() override { return rs; }
};

void BM_ParseNumberReport100k(benchmark::State& state) {
    const QString reply = QString::fromStdString(bigReply());
    for (auto _ : state) {
        Sink sink;
        if (reports::ParseNumberReport(reply, sink) != kLines || sink.rs.RecordCount() != kLines)
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ParseNumberReport100k)->Unit(benchmark::kMillisecond);

void BM_NumberReport100kInTheWindow(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    TempDatabase db;
    // Sent as it is: a server compressing 2.7 MB on the fly would be measured too.
    FaultServer gateway(FaultServer::answer(200, bigReply()));
    SignInDemoAccount(gateway.url());
    frmRapor& window = forms::Get<frmRapor>();
    window.Show();
    window.SSTab1->setTab(2);
    window.txtGsmNo->setText(QStringLiteral("5321234567"));
    for (auto _ : state) {
        window.cmdRaporGoruntule_3->click();
        // What is on the screen once the click returns.
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (window.DataGrid4->RowCount() != kLines || !services.msgBoxes->records().empty())
            state.SkipWithError("the report is not complete");
        services.msgBoxes->clearRecords();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    forms::Unload(window);
    forms::FlushUnloaded();
}
BENCHMARK(BM_NumberReport100kInTheWindow)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
