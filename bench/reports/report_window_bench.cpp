// What a user waits for after "Rapor görüntüle" on the date-range tab: a
// report of 100,000 lines fetched from a local gateway, parsed, counted into
// the summary and shown in the grid of the report window; and after "Mesaj
// göster" for a package of 100,000 texts, until the message box is up.
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "reports/frmRapor.h"
#include "sending/sendlog.h"
#include "state/mdlGenel.h"
#include "tests/support/fault_server.h"
#include "tests/support/temp_database.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 100000;

std::string bigReport() {
    std::string text;
    text.reserve(kLines * 20);
    for (int i = 0; i < kLines; ++i)
        text += QStringLiteral("%1 53%2 %3\n").arg(100001 + i / 1000).arg(i, 8, 10, QLatin1Char('0')).arg(i % 10)
                    .toStdString();
    return text;
}

void BM_DateRangeReport100kThroughTheWindow(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    TempDatabase db;
    // Sent as it is: a server compressing 2 MB on the fly would be measured too.
    FaultServer gateway(FaultServer::answer(200, bigReport()));
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::UserName = QStringLiteral("demo");
    mdlGenel::ClientCode = QStringLiteral("DEMO");
    mdlGenel::Password = QStringLiteral("demo123");
    mdlGenel::GatewayUrl = gateway.url();
    frmRapor& window = forms::Get<frmRapor>();
    window.Show();
    window.SSTab1->setTab(1);
    for (auto _ : state) {
        window.cmdRaporGoruntule_2->click();
        // What is on the screen once the click returns.
        QCoreApplication::processEvents();
        if (window.DataGrid3->RowCount() != kLines || window.Text6->Text() != QString::number(kLines))
            state.SkipWithError("the report is not complete");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
    forms::FlushUnloaded();
}
BENCHMARK(BM_DateRangeReport100kThroughTheWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string manyTexts() {
    std::string reply = "<root>";
    for (int i = 1; i <= kLines; ++i)
        reply += "<msgbody>Metin " + std::to_string(i) + "</msgbody>";
    return reply + "</root>";
}

void BM_MessageDisplayOf100kTextsUntilTheBoxIsUp(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    // The box a person sees, closed as soon as it is up.
    vb::SetMsgBoxService(std::make_shared<forms::DialogMsgBoxService>());
    QTimer closer;
    int boxes = 0;
    QObject::connect(&closer, &QTimer::timeout, [&boxes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            box->accept();
        }
    });
    closer.start(0);
    TempDatabase db;
    FaultServer gateway(FaultServer::answer(200, "5320000001 3\n"));
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::UserName = QStringLiteral("demo");
    mdlGenel::ClientCode = QStringLiteral("DEMO");
    mdlGenel::Password = QStringLiteral("demo123");
    mdlGenel::GatewayUrl = gateway.url();
    sending::WriteSendLog({QStringLiteral("100001"), QStringLiteral("GsmNo alanlarını kullan."),
                           QStringLiteral("Quillmere"), 1, QStringLiteral("İlk Kayıt :Merhaba"),
                           QStringLiteral("QUILLMERE"), QStringLiteral("01.07.2006 10:00:00"),
                           QStringLiteral("01.07.2006 10:00:00")},
                          QString());
    frmRapor& window = forms::Get<frmRapor>();
    window.Show();
    window.cmdRaporGoruntule_1->click();
    gateway.act(FaultServer::answer(200, manyTexts()));
    for (auto _ : state) {
        const int requests = gateway.connections();
        const int shown = boxes;
        window.cmdMsgGoster->click();
        if (gateway.connections() == requests)
            state.SkipWithError("no request");
        else if (boxes == shown)
            state.SkipWithError("no box came up");
    }
    vb::SetMsgBoxService(services.msgBoxes);
    for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
    forms::FlushUnloaded();
}
BENCHMARK(BM_MessageDisplayOf100kTextsUntilTheBoxIsUp)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
