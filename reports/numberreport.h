#pragma once

#include <QString>
#include <QStringView>
#include <utility>

namespace ado {
class Recordset;
}

namespace reports {

// What the number tab shows while its reply is parsed. Every member but
// report() has a default that does nothing.
class NumberReportSink {
public:
    virtual ~NumberReportSink();
    // Lets the message loop run: once per line of the counting pass only.
    virtual void yield() {}
    // Before the counting pass, and between the passes.
    virtual void countingStarts() {}
    virtual void rowsStart() {}
    // A line counted (the running total).
    virtual void lineCounted(qint32 /*total*/) {}
    // Before each row is added.
    virtual void rowStarts() {}
    virtual ado::Recordset& report() = 0;
};

// A line of the number report: the package id before its first blank and
// the date text after it (blanks and all). A line without a blank raises
// "Invalid procedure call or argument".
std::pair<QStringView, QStringView> SplitPackageLine(QStringView line);

// Parses the reply of the number report (one line per package sent to the
// number, each ended by a line feed) into the sink's report: GsmNo the
// package id, Durum the date text, in the reply's order. Text after the last
// line feed is not read, and a carriage return before a line feed is
// dropped. The lines are counted first, so that the progress has its total
// before the rows are built; the reply is scanned once. Neither pass can be
// cancelled. A failing line raises, keeping the rows added before it.
// Returns the number of lines counted.
qint32 ParseNumberReport(QStringView reply, NumberReportSink& sink);

} // namespace reports
