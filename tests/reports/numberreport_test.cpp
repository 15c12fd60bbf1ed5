#include "reports/numberreport.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"
#include "reports/reportparse.h"
#include "tests/support/report_recordset.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Records what a parse shows, in order: "y" a yield, "c<n>" a line counted,
// "r" the rows starting, "+" a row starting.
class RecordingSink : public reports::NumberReportSink {
public:
    RecordingSink() { reports::AppendReportFields(rs); }

    ado::Recordset rs;
    std::vector<std::string> events;

    void yield() override { events.push_back("y"); }
    void countingStarts() override { events.push_back("count"); }
    void lineCounted(qint32 total) override { events.push_back("c" + std::to_string(total)); }
    void rowsStart() override { events.push_back("rows"); }
    void rowStarts() override { events.push_back("+"); }
    ado::Recordset& report() override { return rs; }

    std::vector<std::pair<QString, QString>> table() { return ReportRows(rs); }
};

using Rows = std::vector<std::pair<QString, QString>>;

TEST(ParseNumberReport, PackageIdBeforeTheFirstBlankAndTheRestAfterIt) {
    struct Case {
        const char16_t* reply;
        Rows rows;
    };
    const Case cases[] = {
        {u"100001 05.07.2006 10:15:00\n", {{"100001", "05.07.2006 10:15:00"}}},
        {u"100001 05.07.2006  10:15\n100002 x\n", {{"100001", "05.07.2006  10:15"}, {"100002", "x"}}},
        {u"100001 \n", {{"100001", ""}}},
        {u" 05.07.2006\n", {{"", "05.07.2006"}}},
        // Windows servers end their lines with CR LF.
        {u"100001 05.07.2006 10:15:00\r\n", {{"100001", "05.07.2006 10:15:00"}}},
        // Text after the last line feed is not read.
        {u"100001 05.07.2006\n100002 06.07.2006", {{"100001", "05.07.2006"}}},
        {u"100001 05.07.2006", {}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        EXPECT_EQ(reports::ParseNumberReport(c.reply, sink), qint32(c.rows.size()))
            << QString::fromUtf16(c.reply).toStdString();
        EXPECT_EQ(sink.table(), c.rows) << QString::fromUtf16(c.reply).toStdString();
    }
}

// The count comes first, yielding once per line; the rows are built
// without a yield.
TEST(ParseNumberReport, CountsEveryLineBeforeTheRows) {
    RecordingSink sink;
    EXPECT_EQ(reports::ParseNumberReport(u"1 a\n2 b\n3 c\n", sink), 3);
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"count", "c1", "y", "c2", "y", "c3", "y", "rows", "+", "+", "+"}));
}

TEST(ParseNumberReport, ALineWithoutABlankRaisesAndKeepsTheRowsBefore) {
    for (const char16_t* reply : {u"100001 05.07.2006\n100002\n100003 06.07.2006\n", u"100001 05.07.2006\n\n"}) {
        RecordingSink sink;
        try {
            reports::ParseNumberReport(reply, sink);
            ADD_FAILURE() << "no error for " << QString::fromUtf16(reply).toStdString();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), vb::errInvalidCall);
        }
        EXPECT_EQ(sink.table(), (Rows{{"100001", "05.07.2006"}}));
    }
}

// The field holds 50 characters: a longer date text fails its line, and no
// half-filled row stays behind.
TEST(ParseNumberReport, AValueLongerThanTheFieldRaisesAndLeavesNoHalfRow) {
    RecordingSink sink;
    const QString reply = QStringLiteral("100001 05.07.2006\n100002 ") + QString(51, u'x') + u'\n';
    EXPECT_THROW(reports::ParseNumberReport(reply, sink), vb::Error);
    EXPECT_EQ(sink.table(), (Rows{{"100001", "05.07.2006"}}));
}

} // namespace
