#include "reports/reportparse.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"
#include "tests/support/report_recordset.h"

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

using reports::Status;

namespace {

// Records what a parse shows; cancels once it has been polled a set number
// of times.
class RecordingSink : public reports::ReportSink {
public:
    RecordingSink() { reports::AppendReportFields(rs); }

    ado::Recordset rs;
    int cancelAfterPolls = -1;
    int polls = 0;
    int yields = 0;
    std::vector<qint32> totals;
    std::vector<std::pair<Status, qint32>> statuses;
    int rows = 0;
    bool rowsStarted = false;

    bool cancelled() override { return cancelAfterPolls >= 0 && polls++ >= cancelAfterPolls; }
    void yield() override { ++yields; }
    void rowsStart() override { rowsStarted = true; }
    void lineCounted(qint32 total) override { totals.push_back(total); }
    void statusCounted(Status s, qint32 count) override { statuses.emplace_back(s, count); }
    void rowAdded() override { ++rows; }
    ado::Recordset& report() override { return rs; }

    std::vector<std::pair<QString, QString>> table() { return ReportRows(rs); }
};

struct LineCase {
    const char* line;
    const char* number;
    const char* status;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

class LineRules : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineRules, NumberAndStatusComeFromTheLinesEnd) {
    RecordingSink sink;
    const LineCase& c = GetParam();
    const auto counts = reports::ParseReport(QString::fromUtf8(c.line) + u'\n', sink);
    EXPECT_EQ(counts.total, 1);
    ASSERT_EQ(sink.table().size(), 1u);
    EXPECT_EQ(sink.table()[0].first, QString::fromUtf8(c.number));
    EXPECT_EQ(sink.table()[0].second, QString::fromUtf8(c.status));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRules,
    ::testing::Values(LineCase{"5321234567 3", "5321234567", "İletildi"},         // exactly twelve
                      LineCase{"100001 5321234567 5", "5321234567", "Zaman Aşımı"},  // a prefix
                      LineCase{"5321234567x0", "5321234567", "Beklemede"},         // any separator
                      LineCase{"53212345671", "5321234567", "Beklemede"},          // eleven: first ten
                      LineCase{"12345 2", "12345 2", "Reddedildi"},                 // short: the whole line
                      LineCase{"3", "3", "İletildi"}));

TEST(StatusVocabulary, EachCodeHasItsWord) {
    const std::pair<int, const char*> cases[] = {{0, "Beklemede"}, {1, "Beklemede"}, {2, "Reddedildi"},
                                                 {3, "İletildi"},  {4, "Reddedildi"}, {5, "Zaman Aşımı"},
                                                 {6, "Reddedildi"}, {9, "Reddedildi"}, {-1, "Reddedildi"}};
    for (const auto& [code, word] : cases)
        EXPECT_EQ(reports::MesajDurumu(qint16(code)), QString::fromUtf8(word)) << code;
}

TEST(ParseReport, CountsEachStatusAndKeepsTheRepliesOrder) {
    RecordingSink sink;
    const auto counts = reports::ParseReport(
        u"5320000001 0\n5320000002 1\n5320000003 3\n5320000004 5\n5320000005 2\n5320000006 8\n5320000007 3\n", sink);
    EXPECT_EQ(counts.total, 7);
    EXPECT_EQ(counts.pending, 2);
    EXPECT_EQ(counts.delivered, 2);
    EXPECT_EQ(counts.timedOut, 1);
    EXPECT_EQ(counts.rejected, 2);
    EXPECT_EQ(sink.totals, (std::vector<qint32>{1, 2, 3, 4, 5, 6, 7}));
    const std::vector<std::pair<Status, qint32>> shown{{Status::Pending, 1},  {Status::Pending, 2},
                                                       {Status::Delivered, 1}, {Status::TimedOut, 1},
                                                       {Status::Rejected, 1}, {Status::Rejected, 2},
                                                       {Status::Delivered, 2}};
    EXPECT_EQ(sink.statuses, shown);
    const auto rows = sink.table();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].first, QStringLiteral("5320000001"));
    EXPECT_EQ(rows[5].second, QStringLiteral("Reddedildi"));
    EXPECT_EQ(sink.rows, 7);
    EXPECT_EQ(sink.yields, 14);  // once per line in each pass
}

TEST(ParseReport, TextAfterTheLastLineFeedIsNotRead) {
    RecordingSink sink;
    EXPECT_EQ(reports::ParseReport(u"5320000001 3\n5320000002 3", sink).total, 1);
    EXPECT_EQ(sink.table().size(), 1u);

    RecordingSink none;
    EXPECT_EQ(reports::ParseReport(u"01", none).total, 0);
    EXPECT_TRUE(none.table().empty());
    EXPECT_TRUE(none.statuses.empty());
}

TEST(ParseReport, CarriageReturnsBeforeLineFeedsAreDropped) {
    RecordingSink sink;
    const auto counts = reports::ParseReport(u"5320000001 3\r\n5320000002 5\r\n5320000003 0\n", sink);
    EXPECT_EQ(counts.total, 3);
    EXPECT_EQ(counts.delivered, 1);
    EXPECT_EQ(counts.timedOut, 1);
    const auto rows = sink.table();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].first, QStringLiteral("5320000002"));
    EXPECT_EQ(rows[1].second, QStringLiteral("Zaman Aşımı"));
}

TEST(ParseReport, ALineWithoutADigitCodeRaisesAndKeepsTheRowsBefore) {
    for (const char16_t* reply : {u"5320000001 3\n5320000002 3\r\r\n5320000003 3\n", u"5320000001 3\n\n",
                                  u"5320000001 3\n5320000002 x\n"}) {
        RecordingSink sink;
        try {
            reports::ParseReport(reply, sink);
            ADD_FAILURE() << "no error for " << QString::fromUtf16(reply).toStdString();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), vb::errTypeMismatch);
        }
        EXPECT_EQ(sink.table().size(), 1u);
    }
}

TEST(ParseReport, CancellingStopsAPassAtItsNextLine) {
    const QString reply = QStringLiteral("5320000001 3\n5320000002 3\n5320000003 3\n");
    RecordingSink counting;  // during the count: a partial total, no rows
    counting.cancelAfterPolls = 2;
    EXPECT_EQ(reports::ParseReport(reply, counting).total, 2);
    EXPECT_TRUE(counting.table().empty());

    RecordingSink building;  // during the rows: a partial report
    building.cancelAfterPolls = 3 + 1;
    const auto counts = reports::ParseReport(reply, building);
    EXPECT_EQ(counts.total, 3);
    EXPECT_EQ(counts.delivered, 1);
    EXPECT_EQ(building.table().size(), 1u);
}

} // namespace
