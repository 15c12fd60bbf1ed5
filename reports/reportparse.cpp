#include "reports/reportparse.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"

#include <vector>

namespace reports {

namespace {
constexpr int kNumberLength = 10;
// Number, separator, code.
constexpr qsizetype kFullLine = kNumberLength + 2;
constexpr int kAdVarChar = 200;
} // namespace

Status StatusOf(int code) {
    switch (code) {
    case 0:
    case 1:
        return Status::Pending;
    case 3:
        return Status::Delivered;
    case 5:
        return Status::TimedOut;
    default:
        return Status::Rejected;
    }
}

QString StatusWord(Status status) {
    switch (status) {
    case Status::Pending:
        return QStringLiteral("Beklemede");
    case Status::Delivered:
        return QStringLiteral("İletildi");
    case Status::TimedOut:
        return QStringLiteral("Zaman Aşımı");
    case Status::Rejected:
        break;
    }
    return QStringLiteral("Reddedildi");
}

QString MesajDurumu(qint16 gel) { return StatusWord(StatusOf(gel)); }

void AppendReportFields(ado::Recordset& report) {
    report.Fields().Append(QStringLiteral("GsmNo"), kAdVarChar, 50);
    report.Fields().Append(QStringLiteral("Durum"), kAdVarChar, 50);
    report.Open();
}

QStringView LineNumber(QStringView line) {
    if (line.size() < kFullLine)
        return line.left(kNumberLength);
    return line.mid(line.size() - kFullLine, kNumberLength);
}

int LineCode(QStringView line) {
    const QStringView code = line.right(1);
    if (code.size() == 1 && code[0] >= u'0' && code[0] <= u'9')
        return code[0].unicode() - u'0';
    // Anything else goes through the language's own conversion, which
    // refuses an empty text, a carriage return or a letter.
    return vb::CInt(vb::Variant(code.toString()));
}

qint32 ReportCounts::of(Status status) const {
    switch (status) {
    case Status::Pending:
        return pending;
    case Status::Delivered:
        return delivered;
    case Status::TimedOut:
        return timedOut;
    case Status::Rejected:
        break;
    }
    return rejected;
}

ReportSink::~ReportSink() = default;

ReportCounts ParseReport(QStringView reply, ReportSink& sink) {
    ReportCounts counts;
    // The one scan of the text: where each line ends.
    std::vector<qsizetype> ends;
    for (qsizetype at = reply.indexOf(u'\n'); at >= 0; at = reply.indexOf(u'\n', at + 1))
        ends.push_back(at);

    sink.countingStarts();
    for (size_t i = 0; i < ends.size() && !sink.cancelled(); ++i) {
        sink.yield();
        sink.lineCounted(++counts.total);
    }

    sink.rowsStart();
    qsizetype start = 0;
    for (size_t i = 0; i < ends.size() && !sink.cancelled(); ++i) {
        QStringView line = reply.mid(start, ends[i] - start);
        start = ends[i] + 1;
        // Gateways behind Windows servers end their lines with CR LF.
        if (line.endsWith(u'\r'))
            line.chop(1);
        sink.yield();
        const int code = LineCode(line);
        const Status status = StatusOf(code);
        qint32* counter = status == Status::Pending     ? &counts.pending
                          : status == Status::Delivered ? &counts.delivered
                          : status == Status::TimedOut  ? &counts.timedOut
                                                        : &counts.rejected;
        sink.statusCounted(status, ++*counter);
        ado::Recordset& report = sink.report();
        report.AddNew();
        report.Fields(0).setValue(LineNumber(line).toString());
        report.Fields(1).setValue(StatusWord(status));
        report.UpdateBatch(ado::adAffectAll);
        sink.rowAdded();
    }
    return counts;
}

} // namespace reports
