// The template road of the first edition through the host, as a user waits
// for each step: the saved .xlsx opened in the host ("open_s"), the
// template page opened with "İleri >>" on the welcome page ("page_s",
// "page_per_open" its share of the host's own open), "Filtre kaldır"
// ("unfilter_s", a read of the workbook again), "İleri >>" on the template
// page until the final screen lists every row ("list_s"), and "Gönder"
// until the gateway has the package of one message a number and the report
// window shows ("send_s"). The benchmark's time is the road: page, list and
// send. "peak_mb" is the host's highest resident memory over the road,
// "<step>_peak_mb" during each step.
//
// Goals: at 100,000 rows the page opens within 1.5 times the host's open
// of the file; at 1,000,000 rows the road takes under 5 s and the host's
// peak stays under 1.2 GB.
//
// The sheet: a name unique to each row, a surname, an amount and a mobile
// number unique to each row, under the headers Ad, Soyad, Tutar and GSM; the
// template merges three of them into a message of about 45 characters.
#include "bench/host/host_run.h"
#include "platform/excel/sheetdata.h"

#include <map>

namespace {

using namespace hostbench;

constexpr int kWideColumns = 16384;

QString workbookOf(int rows) {
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    auto it = made.find(rows);
    if (it != made.end())
        return it->second;
    excel::WorkbookData book;
    book.sheets.emplace_back();
    excel::SheetData& sheet = book.sheets.back();
    sheet.name = QStringLiteral("Müşteriler");
    sheet.reserveRows(rows + 1);
    const char* headers[] = {"Ad", "Soyad", "Tutar", "GSM"};
    for (int c = 0; c < 4; ++c)
        sheet.setText(0, c, QString::fromLatin1(headers[c]));
    for (int r = 0; r < rows; ++r) {
        sheet.setText(r + 1, 0, QStringLiteral("Ayşe%1").arg(r));
        sheet.setText(r + 1, 1, QStringLiteral("Yılmaz"));
        sheet.setNumber(r + 1, 2, 12.5 + r);
        sheet.setText(r + 1, 3, QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
    }
    const QString path = dir.filePath(QStringLiteral("liste-%1.xlsx").arg(rows));
    excel::WriteWorkbookFile(book, path, excel::FileFormat::Xlsx);
    return made[rows] = path;
}

void road(benchmark::State& state) {
    const int rows = int(state.range(0));
    const QString workbook = workbookOf(rows);
    const QString count = QString::number(rows);
    std::map<std::string, double> sums;
    for (auto _ : state) {
        measure(state, [&] {
            Emulator gateway;
            Host host(gateway);
            std::map<std::string, double> step;
            auto timed = [&](const char* name, const QJsonObject& command) {
                step[std::string(name) + "_s"] = host.timed(command, nullptr, QString::fromLatin1(name));
                step[std::string(name) + "_peak_mb"] = host.lastPeakMb;
                step[std::string(name) + "_rss_mb"] = host.residentMb();
            };
            timed("open", cmd("open", {{"path", workbook}}));
            host.send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}}));
            host.signIn();
            host.send(cmd("set", {{"control", "frmSihirbaz.optTumu"}, {"value", true}}));
            timed("page", cmd("click", {{"control", "frmSihirbaz.cmdIleri"}}));
            if (host.control(QStringLiteral("frmSMS.DataGrid1")).value(QStringLiteral("caption")).toString()
                != QStringLiteral("Toplam kayıt : ") + count)
                throw Failure("the template page does not show every row");
            timed("unfilter", cmd("click", {{"control", "frmSMS.cmdFKaldir"}}));
            host.send(cmd("set", {{"control", "frmSMS.txtMesaj"},
                                  {"value", "Sayın [##Ad##] [##Soyad##], [##Tutar##] TL borcunuz var."}}));
            host.send(cmd("set", {{"control", "frmSMS.cbGsmNo"}, {"value", "GSM"}}));
            timed("list", cmd("click", {{"control", "frmSMS.cmdIleri"}}));
            if (host.control(QStringLiteral("frmSonEkran.DataGrid1")).value(QStringLiteral("rowCount")).toInt() != rows
                || host.control(QStringLiteral("frmSonEkran.lblToplam")).value(QStringLiteral("caption")).toString()
                       != u' ' + count)
                throw Failure("the final screen does not list every row");
            host.send(cmd("answer", {{"with", "yes"}}));
            timed("send", cmd("click", {{"control", "frmSonEkran.cmdGonder"}}));
            const QJsonArray packages = gateway.control(cmd("state", {{"numbers", false}}))
                                            .value(QStringLiteral("packages")).toArray();
            if (packages.isEmpty() || packages.last().toObject().value(QStringLiteral("recipients")).toInt() != rows
                || packages.last().toObject().value(QStringLiteral("action")).toInt() != 1)
                throw Failure("the gateway did not get the package of every row");
            host.control(QStringLiteral("frmRapor.SSTab1"));
            const QJsonArray boxes = host.messages();
            if (boxes.size() != 2 || boxes[1].toObject().value(QStringLiteral("text")).toString() != u"Mesaj Başarı İle Gönderildi.")
                throw Failure("the road showed other messages than its question and its success: "
                              + QJsonDocument(boxes).toJson(QJsonDocument::Compact).toStdString());
            step["peak_mb"] = host.peakMb;
            step["page_per_open"] = step["page_s"] / step["open_s"];
            state.SetIterationTime(step["page_s"] + step["list_s"] + step["send_s"]);
            for (const auto& [name, value] : step)
                sums[name] += value;
        });
    }
    for (const auto& [name, value] : sums)
        state.counters[name] = value / double(state.iterations());
    state.counters["load"] = loadAverage();
}

// A sheet as wide as a sheet goes (16,384 columns) of two rows: columns of
// one name (which the page numbers), or of names of their own, the
// numbers in the first. The page opens ("page_s") and "İleri >>" lists the
// two rows ("list_s"). Goal: each under 2 s.
QString wideWorkbook(bool oneName) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(oneName ? QStringLiteral("ayni.xlsx") : QStringLiteral("farkli.xlsx"));
    if (QFile::exists(path))
        return path;
    excel::WorkbookData book;
    book.sheets.emplace_back();
    excel::SheetData& sheet = book.sheets.back();
    sheet.name = QStringLiteral("Liste");
    sheet.setText(0, 0, QStringLiteral("GSM"));
    for (int c = 1; c < kWideColumns; ++c)
        sheet.setText(0, c, oneName ? QStringLiteral("Ad") : QStringLiteral("Sütun %1").arg(c));
    for (int r = 1; r <= 2; ++r) {
        sheet.setText(r, 0, QStringLiteral("532000000%1").arg(r));
        for (int c = 1; c < kWideColumns; ++c)
            sheet.setNumber(r, c, r * c);
    }
    excel::WriteWorkbookFile(book, path, excel::FileFormat::Xlsx);
    return path;
}

void wide(benchmark::State& state) {
    const bool oneName = state.range(0) == 1;
    const QString workbook = wideWorkbook(oneName);
    double page = 0, list = 0;
    for (auto _ : state) {
        measure(state, [&] {
            Emulator gateway;
            Host host(gateway);
            host.send(cmd("open", {{"path", workbook}}));
            host.send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}}));
            host.signIn();
            host.send(cmd("set", {{"control", "frmSihirbaz.optTumu"}, {"value", true}}));
            const double pageS = host.timed(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}}));
            if (host.control(QStringLiteral("frmSMS.DataGrid1")).value(QStringLiteral("caption")).toString()
                != QStringLiteral("Toplam kayıt : 2"))
                throw Failure("the template page does not show the rows");
            host.send(cmd("set", {{"control", "frmSMS.txtMesaj"},
                                  {"value", oneName ? "Sayın [##Ad16382##]" : "Sayın [##Sütun 16383##]"}}));
            host.send(cmd("set", {{"control", "frmSMS.cbGsmNo"}, {"value", "GSM"}}));
            const double listS = host.timed(cmd("click", {{"control", "frmSMS.cmdIleri"}}));
            const QJsonArray boxes = host.messages();
            if (host.control(QStringLiteral("frmSonEkran.lblToplam")).value(QStringLiteral("caption")).toString() != u" 2"
                || !boxes.isEmpty())
                throw Failure("the final screen does not list the two rows: "
                              + QJsonDocument(boxes).toJson(QJsonDocument::Compact).toStdString());
            page += pageS;
            list += listS;
            state.SetIterationTime(pageS + listS);
        });
    }
    state.counters["page_s"] = page / double(state.iterations());
    state.counters["list_s"] = list / double(state.iterations());
    state.counters["load"] = loadAverage();
}

BENCHMARK(wide)->Name("WideSheetOneName")->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(wide)->Name("WideSheetOwnNames")->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

BENCHMARK(road)->Name("TemplateRoad")->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(road)->Name("TemplateRoad")->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
