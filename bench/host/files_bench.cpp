// Workbook files through the host, as a user waits for them: the "open"
// command until the host shows the sheet, and "save-as" until the file is
// written. "peak_mb" is the host's highest resident memory during the
// step, "rss_mb" what stays resident after it.
//
// - OpenCsv: a .csv of 1,000,000 rows by ten columns as a Turkish desktop
//   writes it (UTF-8 with a byte order mark, ";" between fields, decimal
//   commas), every text of it unique. Goal: under 2 s within 500 MB.
// - OpenXlsx: the same rows as an .xlsx (what the README states).
// - SaveXls: a report of 60,000 rows by five columns saved as .xls; beside
//   it SheetJS writes the same rows as .xls ("sheetjs_ms", the fastest of
//   three, when tools/workbook-corpus has SheetJS installed and node is
//   there) and "per_sheetjs" is the host's share of that. Goal: under a
//   sixth of SheetJS.
#include "bench/host/host_run.h"
#include "platform/excel/files/workbookfile.h"
#include "tests/platform/excel/files_test_rows.h"

#include <QStandardPaths>

namespace {

using namespace hostbench;

constexpr int kRows = 1000000;
constexpr int kColumns = 10;

// Row r, column c of the big sheets: numbers in the even columns, texts
// unique to their row in the odd ones; a header row first.
QString header(int c) { return QStringLiteral("Sütun %1").arg(c + 1); }
double number(int r, int c) { return c == 0 ? 5320000000.0 + r : r * 1.25 + c; }
QString text(int r, int c) { return QStringLiteral("Müşteri %1-%2").arg(r).arg(c); }

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

QString bigCsv() {
    const QString path = folder().filePath(QStringLiteral("musteriler.csv"));
    if (QFile::exists(path))
        return path;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw Failure("cannot write the .csv");
    QByteArray out("\xEF\xBB\xBF");
    for (int c = 0; c < kColumns; ++c)
        out += (c ? ";" : "") + header(c).toUtf8();
    out += "\r\n";
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (c)
                out += ';';
            out += c % 2 == 0 ? QString::number(number(r, c), 'f', c == 0 ? 0 : 2).replace(u'.', u',').toUtf8()
                              : text(r, c).toUtf8();
        }
        out += "\r\n";
        if (out.size() > (1 << 24)) {
            f.write(out);
            out.clear();
        }
    }
    f.write(out);
    return path;
}

QString bigXlsx() {
    return MadeWorkbook(folder().filePath(QStringLiteral("musteriler.xlsx")), QStringLiteral("Müşteriler"),
                        [](excel::SheetData& sheet) {
                            sheet.reserveRows(kRows + 1);
                            for (int c = 0; c < kColumns; ++c)
                                sheet.setText(0, c, header(c));
                            for (int r = 0; r < kRows; ++r)
                                for (int c = 0; c < kColumns; ++c)
                                    c % 2 == 0 ? sheet.setNumber(r + 1, c, number(r, c))
                                               : sheet.setText(r + 1, c, text(r, c));
                        });
}

void open(benchmark::State& state, const QString& file) {
    double peak = 0, resident = 0;
    for (auto _ : state) {
        measure(state, [&] {
            Emulator gateway;
            Host host(gateway);
            const double s = host.timed(cmd("open", {{"path", file}}), nullptr, QStringLiteral("open"));
            const QJsonObject last = host.send(cmd("cell", {{"address", QStringLiteral("J%1").arg(kRows + 1)}}));
            if (last.value(QStringLiteral("value")).toString() != text(kRows - 1, 9))
                throw Failure("the host does not show the last row");
            peak = std::max(peak, host.lastPeakMb);
            resident = host.residentMb();
            state.SetIterationTime(s);
        });
    }
    state.counters["peak_mb"] = peak;
    state.counters["rss_mb"] = resident;
    state.counters["load"] = loadAverage();
}

void BM_OpenCsv(benchmark::State& state) { open(state, bigCsv()); }
void BM_OpenXlsx(benchmark::State& state) { open(state, bigXlsx()); }

// The rows SheetJS writes too (tools/workbook-corpus/make-fixtures.js,
// "time-write"): 60,000 records of a report as the report window exports
// them (a number as text, a status, a message id, a date and a message).
constexpr int kSaveRows = 60000;

QString saveSource() {
    const QString path = folder().filePath(QStringLiteral("rapor.xlsx"));
    if (!QFile::exists(path))
        excel::WriteWorkbookFile(excel::testing::ReportRows(kSaveRows, kSaveRows), path, excel::FileFormat::Xlsx);
    return path;
}

// SheetJS's fastest of three writes of the same rows, in milliseconds; 0
// when it is not installed.
double sheetJsMilliseconds() {
    const QString corpus = QStringLiteral(QM_SOURCE_DIR "/tools/workbook-corpus");
    if (!QFile::exists(corpus + QStringLiteral("/node_modules/xlsx"))
        || QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
        return 0;
    QProcess node;
    node.start(QStringLiteral("node"), {corpus + QStringLiteral("/make-fixtures.js"), QStringLiteral("time-write"),
                                        folder().filePath(QStringLiteral("sheetjs.xls")), QStringLiteral("3")});
    if (!node.waitForFinished(300000) || node.exitCode() != 0)
        return 0;
    return node.readAllStandardOutput().trimmed().toDouble();
}

void BM_SaveXls(benchmark::State& state) {
    const QString source = saveSource();
    double seconds = 0;
    for (auto _ : state) {
        measure(state, [&] {
            Emulator gateway;
            Host host(gateway);
            host.send(cmd("open", {{"path", source}}));
            const QString target = folder().filePath(QStringLiteral("rapor.xls"));
            QFile::remove(target);
            QJsonObject reply;
            const double s = host.timed(cmd("save-as", {{"path", target}}), &reply, QStringLiteral("save"));
            if (!reply.value(QStringLiteral("saved")).toBool() || !QFile::exists(target))
                throw Failure("the workbook was not saved");
            seconds += s;
            state.SetIterationTime(s);
        });
    }
    const double sheetJs = sheetJsMilliseconds();
    if (sheetJs > 0) {
        state.counters["sheetjs_ms"] = sheetJs;
        state.counters["per_sheetjs"] = seconds / double(state.iterations()) * 1000 / sheetJs;
    }
    state.counters["load"] = loadAverage();
}

BENCHMARK(BM_OpenCsv)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_OpenXlsx)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_SaveXls)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) { return hostbench::Main(argc, argv); }
