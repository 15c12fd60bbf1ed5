// What a user waits for when a report of 150,000 records goes to a new
// workbook: the export routine with the wait window shown and its figures
// running, from the first record to the workbook saved and shown by the
// host in a window of its own.
#include "data/export.h"
#include "host/host.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/forms/services.h"
#include "state/mdlGenel.h"
#include "tests/support/report_recordset.h"
#include "ui/common/frmBekle.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 150000;

void BM_ExportReport150k(benchmark::State& state) {
    auto services = forms::InstallScriptedServices();
    QTemporaryDir dir;
    // A host of its own: no add-in registered on this machine is loaded.
    qputenv("QUILLMERE_REGISTRY", dir.filePath(QStringLiteral("registry.json")).toLocal8Bit());
    host::Host host(host::Host::Options{true, {}, {}});
    host.start();
    auto rs = ReportRecordset(kRecords);
    for (auto _ : state) {
        QString file = dir.filePath(QStringLiteral("rapor.xls"));
        QStringList headers{QStringLiteral("GsmNo"), QStringLiteral("Durum"), QString()};
        forms::Get<frmBekle>().Show();
        frmBekle::ExportProgress progress;
        mdlGenel::ExportRecordsetToExcel(rs, file, headers, progress);
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
