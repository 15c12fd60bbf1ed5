#include "reports/numberreport.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <vector>

namespace reports {

NumberReportSink::~NumberReportSink() = default;

std::pair<QStringView, QStringView> SplitPackageLine(QStringView line) {
    const qsizetype blank = line.indexOf(u' ');
    if (blank < 0)
        vb::Raise(vb::errInvalidCall);
    return {line.left(blank), line.mid(blank + 1)};
}

qint32 ParseNumberReport(QStringView reply, NumberReportSink& sink) {
    std::vector<qsizetype> ends;
    for (qsizetype at = reply.indexOf(u'\n'); at >= 0; at = reply.indexOf(u'\n', at + 1))
        ends.push_back(at);

    sink.countingStarts();
    qint32 total = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        sink.lineCounted(++total);
        sink.yield();
    }

    sink.rowsStart();
    qsizetype start = 0;
    for (const qsizetype end : ends) {
        QStringView line = reply.mid(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        sink.rowStarts();
        const auto [packageId, date] = SplitPackageLine(line);
        ado::Recordset& report = sink.report();
        report.AddNew();
        try {
            report.Fields(0).setValue(packageId.toString());
            report.Fields(1).setValue(date.toString());
            report.UpdateBatch(ado::adAffectAll);
        } catch (...) {
            // A value the field cannot hold: no half-filled row is left
            // among the rows before it.
            report.Delete();
            throw;
        }
    }
    return total;
}

} // namespace reports
