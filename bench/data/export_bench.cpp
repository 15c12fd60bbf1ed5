// What a user waits for when a report of 150,000 records goes to a new
// workbook: the export routine with the wait window shown and its figures
// running, from the first record to the workbook saved and shown by the
// host in a window of its own.
#include "addin/mdlGenel.h"
#include "host/host.h"
#include "data/export.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/forms/browser.h"
#include "platform/forms/services.h"
#include "platform/vb/regional.h"
#include "ui/common/frmBekle.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 150000;

ado::RecordsetPtr report() {
    static const char* states[] = {"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi"};
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 50);
    rs->Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 50);
    rs->Open();
    for (int i = 0; i < kRecords; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(QStringLiteral("53%1").arg(i, 8, 10, QChar(u'0')));
        rs->Fields(1).setValue(QString::fromUtf8(states[i % 4]));
        rs->UpdateBatch(ado::adAffectAll);
    }
    return rs;
}

void BM_ExportReport150k(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    QTemporaryDir dir;
    // A host of its own: no add-in registered on this machine is loaded.
    qputenv("QUILLMERE_REGISTRY", dir.filePath(QStringLiteral("registry.json")).toLocal8Bit());
    host::Host host(host::Host::Options{true, {}, {}});
    host.start();
    auto rs = report();
    for (auto _ : state) {
        QString file = dir.filePath(QStringLiteral("rapor.xls"));
        QStringList headers{QStringLiteral("GsmNo"), QStringLiteral("Durum"), QString()};
        forms::Get<frmBekle>().Show();
        mdlGenel::ExportRecordsetToExcel(rs, file, headers);
        forms::UnloadDefault<frmBekle>();
        state.PauseTiming();
        if (services.msgBoxes->records().size() != 1
            || services.msgBoxes->records()[0].prompt != QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır")
            || mdlGenel::ProgressDone != kRecords || !QFile::exists(file)
            || excel::AutomationInstances().size() != 1 || !excel::AutomationInstances()[0]->Visible())
            state.SkipWithError("the export did not complete");
        services.msgBoxes->clearRecords();
        excel::ForgetAutomationInstances();
        forms::FlushUnloaded();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ExportReport150k)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vb::SetRegional(vb::RegionalSettings::turkish());
    forms::WebBrowser::setRemoteAllowed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
