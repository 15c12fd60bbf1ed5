// The second edition's gateway dialect and number rule, under its profile.
#include "data/text.h"
#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "platform/vb/clock.h"
#include "platform/vb/regional.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace quillmere::documents;

class Dialect : public ::testing::Test {
protected:
    FakeGateway server;
    void SetUp() override { mdlGenel::GatewayUrl = server.base() + QStringLiteral("/com.orventa"); }
    void TearDown() override {
        vb::SetClock(std::nullopt);
        vb::SetRegional(vb::RegionalSettings::turkish());
        mdlGenel::ResetState();
    }
};

TEST_F(Dialect, QueryDocumentsCarryNoClientId) {
    Gateway gw;
    const QString user = QStringLiteral("ali-K42"), pw = QStringLiteral("p<w");
    struct Case {
        std::function<QString()> request;
        const char* document;
    } cases[] = {
        {[&] { return gw.GetInfo(user, pw); },
         "<MainReportRoot><UserName>ali-K42</UserName><PassWord>p&lt;w</PassWord><Action>4</Action></MainReportRoot>"},
        {[&] { return gw.getmsgstatus(user, pw, QStringLiteral("100001")); },
         "<MainReportRoot><UserName>ali-K42</UserName><PassWord>p&lt;w</PassWord><Action>11</Action>"
         "<MsgID>100001</MsgID></MainReportRoot>"},
        {[&] { return gw.getmsgstatusundelivered(user, pw, QStringLiteral("100002")); },
         "<MainReportRoot><UserName>ali-K42</UserName><PassWord>p&lt;w</PassWord><Action>9</Action>"
         "<MsgID>100002</MsgID></MainReportRoot>"},
        {[&] { return gw.getmsgstatustodate(user, pw, QStringLiteral("2026-12-01"), QStringLiteral("2026-12-10")); },
         "<MainReportRoot><UserName>ali-K42</UserName><PassWord>p&lt;w</PassWord><Action>17</Action>"
         "<FDate>2026-12-01</FDate><LDate>2026-12-10</LDate></MainReportRoot>"},
    };
    server.answer("cevap");
    for (const Case& c : cases) {
        EXPECT_EQ(c.request(), QStringLiteral("cevap"));
        EXPECT_EQ(server.lastBody(), QString::fromUtf8(c.document));
    }
    EXPECT_EQ(server.bodies().size(), std::size(cases));
}

TEST_F(Dialect, TheReportWindowsDocumentsCarryNoClientId) {
    EXPECT_FALSE(mdlGenel::ClientId().has_value());
    const Credentials who{QStringLiteral("veli"), QStringLiteral("q"), mdlGenel::ClientId()};
    EXPECT_EQ(Query(kNumberReport, who,
                    {{QStringLiteral("GsmNo"), QStringLiteral("5123456789")},
                     {QStringLiteral("FDate"), QStringLiteral("2026-12-01")},
                     {QStringLiteral("LDate"), QStringLiteral("2026-12-10")}}),
              QStringLiteral("<MainReportRoot><UserName>veli</UserName><PassWord>q</PassWord><Action>14</Action>"
                             "<GsmNo>5123456789</GsmNo><FDate>2026-12-01</FDate><LDate>2026-12-10</LDate>"
                             "</MainReportRoot>"));
    EXPECT_EQ(Query(kMessageText, who,
                    {{QStringLiteral("GsmNo"), QStringLiteral("5123456789")},
                     {QStringLiteral("MsgID"), QStringLiteral("100001")}}),
              QStringLiteral("<MainReportRoot><UserName>veli</UserName><PassWord>q</PassWord><Action>15</Action>"
                             "<GsmNo>5123456789</GsmNo><MsgID>100001</MsgID></MainReportRoot>"));
}

TEST_F(Dialect, APackageOfShortMessagesGoesOutAsAction1) {
    Gateway gw;
    gw.addtosmsbasket(QString(160, u'a'), QStringLiteral("5123456789"));
    gw.addtosmsbasket(QStringLiteral("Kisa"), QStringLiteral("5912345678"));
    server.answer("ID 100001");
    EXPECT_EQ(gw.sendsms(QStringLiteral("ali-K42"), QStringLiteral("pw"), QStringLiteral("FIRMA"),
                         QStringLiteral("101220261530")),
              QStringLiteral("ID 100001"));
    EXPECT_EQ(server.lastBody(),
              QStringLiteral("<MainmsgBody><UserName>ali-K42</UserName><PassWord>pw</PassWord><Action>1</Action>"
                             "<Messages><Message><Mesgbody>")
                  + QString(160, u'a')
                  + QStringLiteral("</Mesgbody><Number>5123456789</Number></Message><Message><Mesgbody>Kisa"
                                   "</Mesgbody><Number>5912345678</Number></Message></Messages>"
                                   "<Originator>FIRMA</Originator><SDate>101220261530</SDate></MainmsgBody>"));
}

TEST_F(Dialect, TheSystemTimeIsAnsweredHereWithoutANetwork) {
    vb::SetClock(QDateTime(QDate(2026, 12, 10), QTime(8, 5, 9)));
    // Nothing listens there, and nothing is asked.
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/com.orventa");
    EXPECT_EQ(Gateway().GetSystemTime(QStringLiteral("ali-K42"), QStringLiteral("pw")),
              QStringLiteral("10.12.2026 08:05:09"));
    // In the user's own regional formats.
    vb::RegionalSettings other = vb::RegionalSettings::turkish();
    other.shortDateFormat = QStringLiteral("yyyy-MM-dd");
    other.timeFormat = QStringLiteral("H.mm");
    vb::SetRegional(other);
    mdlGenel::GatewayUrl = server.url();
    EXPECT_EQ(Gateway().GetSystemTime(QStringLiteral("ali"), QStringLiteral("pw")), QStringLiteral("2026-12-10 8.05"));
    EXPECT_TRUE(server.bodies().empty());
}

TEST(NumberRule, EveryTenDigitNumberBeginningWith5) {
    struct Case {
        const char* cell;
        const char* number;
    } cases[] = {
        {"0512 345 67 89", "5123456789"},
        {"+90 (591) 234-56-78", "5912345678"},
        {"5321234567", "5321234567"},
        {"905991112233", "5991112233"},
        {"4123456789", ""},
        {"0212 555 44 33", ""},
        {"512345678", ""},
        {"51234a6789", ""},
        {"   ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mdlGenel::NormalizeGsmNumber(QString::fromUtf8(c.cell)), QString::fromUtf8(c.number)) << c.cell;
}

} // namespace
