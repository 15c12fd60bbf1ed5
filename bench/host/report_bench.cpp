// A delivery report of 1,000,000 lines through the host, as a user waits
// for it: "Rapor görüntüle" on the report window's date-range tab, from the
// click until the window shows every line in its grid and the summary
// counts them. The gateway's reply is queued at the local emulator (a
// package id, a number and a status code a line). Goal: under 1 s.
#include "bench/host/host_run.h"

namespace {

using namespace hostbench;

constexpr int kLines = 1000000;

QString reply() {
    QString text;
    text.reserve(qsizetype(kLines) * 21);
    for (int i = 0; i < kLines; ++i)
        text += QStringLiteral("%1 53%2 %3\n").arg(100001 + i / 1000).arg(i, 8, 10, QLatin1Char('0')).arg(i % 10);
    return text;
}

void BM_DateRangeReport(benchmark::State& state) {
    const QString lines = reply();
    for (auto _ : state) {
        measure(state, [&] {
            Emulator gateway;
            Host host(gateway);
            host.send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}}));
            host.signIn();
            host.send(cmd("set", {{"control", "frmRapor.SSTab1"}, {"value", 1}}));
            gateway.control(cmd("next-reply", {{"action", 17}, {"reply", lines}}));
            const double s = host.timed(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_2"}}), nullptr,
                                        QStringLiteral("report"));
            if (host.control(QStringLiteral("frmRapor.DataGrid3")).value(QStringLiteral("rowCount")).toInt() != kLines
                || host.control(QStringLiteral("frmRapor.Text6")).value(QStringLiteral("text")).toString()
                       != QString::number(kLines)
                || !host.messages().isEmpty())
                throw Failure("the report window does not show every line");
            state.SetIterationTime(s);
            state.counters["peak_mb"] = host.lastPeakMb;
        });
    }
    state.counters["load"] = loadAverage();
}
BENCHMARK(BM_DateRangeReport)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) { return hostbench::Main(argc, argv); }
