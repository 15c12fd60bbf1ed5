#pragma once

#include <QString>
#include <QStringView>

namespace ado {
class Recordset;
}

namespace reports {

// The four delivery statuses a report line can carry.
enum class Status { Pending, Delivered, TimedOut, Rejected };

// The status of a gateway code: 0 and 1 pending, 3 delivered, 5 timed out,
// anything else rejected.
Status StatusOf(int code);
// The status word the report recordset and its filters use.
QString StatusWord(Status status);
// The word of a code, as the report shows it.
QString MesajDurumu(qint16 gel);

// The report recordset of the window: GsmNo and Durum, both adVarChar (50),
// open and empty.
void AppendReportFields(ado::Recordset& report);

// One report line: its number and its code. A line of twelve characters or
// more holds the number in the ten characters before the separator in front
// of its last character; a shorter one gives its first ten characters. A
// last character that is not a number raises "Type mismatch".
QStringView LineNumber(QStringView line);
int LineCode(QStringView line);

// Counts of one parse, each starting at 0.
struct ReportCounts {
    qint32 total = 0;
    qint32 pending = 0;
    qint32 delivered = 0;
    qint32 timedOut = 0;
    qint32 rejected = 0;
    qint32 of(Status status) const;
};

// What a fetch shows and polls while a reply is parsed. Every member but
// report() has a default that does nothing.
class ReportSink {
public:
    virtual ~ReportSink();
    // Polled once per line in both passes; true stops the pass.
    virtual bool cancelled() { return false; }
    // Lets the message loop run (once per line of each pass).
    virtual void yield() {}
    // Before the counting pass, and between the passes.
    virtual void countingStarts() {}
    virtual void rowsStart() {}
    // A line counted (the running total); a line's status counted.
    virtual void lineCounted(qint32 /*total*/) {}
    virtual void statusCounted(Status /*status*/, qint32 /*count*/) {}
    // After each row: the recordset the next row goes to, asked again for
    // every row since the window may replace it meanwhile.
    virtual void rowAdded() {}
    virtual ado::Recordset& report() = 0;
};

// Parses a report reply: every line ended by a line feed becomes a row
// (GsmNo, Durum) in the sink's report, in the reply's order; text after the
// last line feed is not read, and a carriage return before a line feed is
// dropped. The lines are counted first so that the
// progress has its total before the rows are built. The reply is scanned
// once; a failing line raises, keeping the rows added before it.
ReportCounts ParseReport(QStringView reply, ReportSink& sink);

} // namespace reports
