// A date-range report of 100,000 lines, parsed into its recordset: the cost
// that the gateway's reply adds to a fetch.
#include "platform/ado/ado.h"
#include "reports/reportparse.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 100000;

QString bigReport() {
    QString text;
    text.reserve(kLines * 20);
    for (int i = 0; i < kLines; ++i)
        text += QStringLiteral("%1 53%2 %3\n").arg(100001 + i / 1000).arg(i, 8, 10, QLatin1Char('0')).arg(i % 10);
    return text;
}

class Sink : public reports::ReportSink {
public:
    Sink() { reports::AppendReportFields(rs); }
    ado::Recordset rs;
    ado::Recordset& report() override { return rs; }
};

void BM_ParseReport100k(benchmark::State& state) {
    const QString reply = bigReport();
    for (auto _ : state) {
        Sink sink;
        const auto counts = reports::ParseReport(reply, sink);
        if (counts.total != kLines || sink.rs.RecordCount() != kLines)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(counts);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ParseReport100k)->Unit(benchmark::kMillisecond);

} // namespace
