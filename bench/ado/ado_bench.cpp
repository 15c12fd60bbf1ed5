// The sending pages add rows one at a time with a batch update after each
// and walk them under a filter; the export pages through them by 65535.
#include "platform/ado/ado.h"

#include <benchmark/benchmark.h>

namespace {

ado::RecordsetPtr list(long rows) {
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 10);
    rs->Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 50);
    rs->Open();
    const QString statuses[] = {QStringLiteral("Beklemede"), QStringLiteral("İletildi"), QStringLiteral("Zaman Aşımı"),
                                QStringLiteral("Reddedildi")};
    for (long i = 0; i < rows; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(QString::number(5320000000LL + i));
        rs->Fields(1).setValue(statuses[i % 4]);
        rs->UpdateBatch(ado::adAffectAll);
    }
    return rs;
}

void AddNewAndUpdateBatch100k(benchmark::State& state) {
    for (auto _ : state) {
        auto rs = list(100000);
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}
BENCHMARK(AddNewAndUpdateBatch100k)->Unit(benchmark::kMillisecond);

void FilterAndWalk100k(benchmark::State& state) {
    auto rs = list(100000);
    auto shown = rs->Clone();
    for (auto _ : state) {
        shown->setFilter(QStringLiteral("Durum = 'Reddedildi' OR Durum = 'Zaman Aşımı'"));
        long walked = 0;
        for (shown->MoveFirst(); !shown->Eof(); shown->MoveNext())
            walked += shown->Fields(0).Value().stringValue().size();
        benchmark::DoNotOptimize(walked);
        shown->setFilter(QString());
    }
}
BENCHMARK(FilterAndWalk100k)->Unit(benchmark::kMillisecond);

void Paging150kBy65535(benchmark::State& state) {
    auto rs = list(150000);
    rs->setPageSize(65535);
    for (auto _ : state) {
        long copied = 0;
        for (long page = 1; page <= rs->PageCount(); ++page) {
            rs->setAbsolutePage(page);
            for (long n = 0; n < 65535 && !rs->Eof(); ++n, rs->MoveNext())
                copied += rs->Fields(1).Value().stringValue().size();
        }
        benchmark::DoNotOptimize(copied);
    }
}
BENCHMARK(Paging150kBy65535)->Unit(benchmark::kMillisecond);

} // namespace
