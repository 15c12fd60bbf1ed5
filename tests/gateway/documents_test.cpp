#include "gateway/documents.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace quillmere::documents;

namespace {

const Credentials kWho{QStringLiteral("ali-K42"), QStringLiteral("s<3&x"), QStringLiteral("quillmere1.0.0")};
const QString kHead = QStringLiteral(
    "<MainReportRoot><UserName>ali-K42</UserName><PassWord>s&lt;3&amp;x</PassWord>");

TEST(Documents, QueriesByteForByte) {
    struct Case {
        int action;
        std::vector<std::pair<QString, QString>> elements;
        const char* rest;
    } cases[] = {
        {kAccountInfo, {}, "<Action>4</Action><ClientID>quillmere1.0.0</ClientID></MainReportRoot>"},
        {kSystemTime, {}, "<Action>12</Action><ClientID>quillmere1.0.0</ClientID></MainReportRoot>"},
        {kPackageStatus, {{"MsgID", "12345"}},
         "<Action>11</Action><ClientID>quillmere1.0.0</ClientID><MsgID>12345</MsgID></MainReportRoot>"},
        {kUndelivered, {{"MsgID", "9"}},
         "<Action>9</Action><ClientID>quillmere1.0.0</ClientID><MsgID>9</MsgID></MainReportRoot>"},
        {kNumberReport, {{"GsmNo", "5321234567"}, {"FDate", "2026-01-01"}, {"LDate", "2026-01-31"}},
         "<Action>14</Action><ClientID>quillmere1.0.0</ClientID><GsmNo>5321234567</GsmNo>"
         "<FDate>2026-01-01</FDate><LDate>2026-01-31</LDate></MainReportRoot>"},
        {kMessageText, {{"GsmNo", "5321234567"}, {"MsgID", "77"}},
         "<Action>15</Action><ClientID>quillmere1.0.0</ClientID><GsmNo>5321234567</GsmNo>"
         "<MsgID>77</MsgID></MainReportRoot>"},
        {kDateRangeStatus, {{"FDate", "2026-12-01"}, {"LDate", "2026-12-10"}},
         "<Action>17</Action><ClientID>quillmere1.0.0</ClientID><FDate>2026-12-01</FDate>"
         "<LDate>2026-12-10</LDate></MainReportRoot>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Query(c.action, kWho, c.elements), kHead + QString::fromUtf8(c.rest)) << c.action;
}

TEST(Documents, WithoutAClientIdTheElementIsLeftOut) {
    Credentials who{QStringLiteral("ali"), QStringLiteral("pw"), std::nullopt};
    EXPECT_EQ(Query(kAccountInfo, who),
              QStringLiteral("<MainReportRoot><UserName>ali</UserName><PassWord>pw</PassWord><Action>4</Action>"
                             "</MainReportRoot>"));
    EXPECT_EQ(SendMessages(who, {{QStringLiteral("a"), QStringLiteral("5321234567")}}, QStringLiteral("FIRMA"),
                           QString(), 41),
              QStringLiteral("<MainmsgBody><UserName>ali</UserName><PassWord>pw</PassWord><Action>41</Action>"
                             "<Messages><Message><Mesgbody>a</Mesgbody><Number>5321234567</Number></Message>"
                             "</Messages><Originator>FIRMA</Originator><SDate></SDate></MainmsgBody>"));
}

TEST(Documents, SendToNumbersEndsEveryNumberWithAComma) {
    QString head = QStringLiteral(
        "<MainmsgBody><UserName>ali-K42</UserName><PassWord>s&lt;3&amp;x</PassWord><Action>0</Action>"
        "<ClientID>quillmere1.0.0</ClientID><Mesgbody>Merhaba</Mesgbody><Numbers>");
    EXPECT_EQ(SendToNumbers(kWho, QStringLiteral("Merhaba"), {QStringLiteral("5321234567")}, QStringLiteral("FIRMA"),
                            QString()),
              head + QStringLiteral("5321234567,</Numbers><Originator>FIRMA</Originator><SDate></SDate>"
                                    "</MainmsgBody>"));
    EXPECT_EQ(SendToNumbers(kWho, QStringLiteral("Merhaba"), {QStringLiteral("5321234567"), QStringLiteral("5551112233")},
                            QStringLiteral("FIRMA"), QStringLiteral("241220261530")),
              head + QStringLiteral("5321234567,5551112233,</Numbers><Originator>FIRMA</Originator>"
                                    "<SDate>241220261530</SDate></MainmsgBody>"));
}

TEST(Documents, SendMessagesOnePerNumberInOrder) {
    EXPECT_EQ(SendMessages(kWho,
                           {{QStringLiteral("Sayin Ali"), QStringLiteral("5321234567")},
                            {QStringLiteral("Sayin Ayse"), QStringLiteral("5551112233")}},
                           QStringLiteral("FIRMA"), QString()),
              QStringLiteral("<MainmsgBody><UserName>ali-K42</UserName><PassWord>s&lt;3&amp;x</PassWord><Action>1</Action>"
                             "<ClientID>quillmere1.0.0</ClientID><Messages>"
                             "<Message><Mesgbody>Sayin Ali</Mesgbody><Number>5321234567</Number></Message>"
                             "<Message><Mesgbody>Sayin Ayse</Mesgbody><Number>5551112233</Number></Message>"
                             "</Messages><Originator>FIRMA</Originator><SDate></SDate></MainmsgBody>"));
}

TEST(Documents, EveryValueIsEscapedAndReadsBackAsTyped) {
    const QString odd = QStringLiteral("a<b>&c;\"'ş");
    const Credentials who{odd, odd, odd};
    const QString documents[] = {
        Query(kPackageStatus, who, {{QStringLiteral("MsgID"), odd}}),
        SendToNumbers(who, odd, {odd, odd}, odd, odd),
        SendMessages(who, {{odd, odd}, {odd, odd}}, odd, odd),
        // Built from pieces, as a caller with a buffer of its own does.
        SendToNumberList(who, odd, NumberListItem(odd) + NumberListItem(odd), odd, odd),
        SendMessageElements(who, MessageElement({odd, odd}) + MessageElement({odd, odd}), odd, odd),
    };
    for (const QString& doc : documents) {
        pugi::xml_document xml;
        const QByteArray bytes = doc.toUtf8();
        ASSERT_TRUE(xml.load_buffer(bytes.constData(), std::size_t(bytes.size()))) << doc.toStdString();
        int values = 0;
        for (const pugi::xpath_node& x : xml.select_nodes("//*[not(*)]")) {
            const QString name = QString::fromUtf8(x.node().name());
            if (name == u"Action")
                continue;
            const QString text = QString::fromUtf8(x.node().text().get());
            if (name == u"Numbers")
                EXPECT_EQ(text, odd + u',' + odd + u',');
            else
                EXPECT_EQ(text, odd) << name.toStdString();
            ++values;
        }
        EXPECT_GE(values, 4);
    }
    // Plain values keep their bytes.
    EXPECT_EQ(Escape(u"Ödeme 5321234567 [x] - y"), QStringLiteral("Ödeme 5321234567 [x] - y"));
    EXPECT_EQ(Escape(u"<&>"), QStringLiteral("&lt;&amp;&gt;"));
}

TEST(Documents, CharactersXmlDoesNotAllowNeverReachADocument) {
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const struct {
        QString value;
        QString kept;
    } cases[] = {
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("ab")},
        {QStringLiteral("\x01\x08\x0B\x0C\x1F<x>"), QStringLiteral("<x>")},
        {QStringLiteral("\ttab\nsatır"), QStringLiteral("\ttab\nsatır")},
        {QStringLiteral("bir ") + smile, QStringLiteral("bir ") + smile},
        {QStringLiteral("yarım ") + QChar(0xD83D), QStringLiteral("yarım ")},
        {QChar(0xDE00) + QStringLiteral(" yarım"), QStringLiteral(" yarım")},
        {QChar(0xDE00) + smile + QChar(0xD83D), smile},
        {QStringLiteral("x") + QChar(0xFFFE) + QChar(0xFFFF) + QChar(0xFFFD), QStringLiteral("x") + QChar(0xFFFD)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Storable(c.value), c.kept);
        const QString doc = SendMessages(kWho, {{c.value, QStringLiteral("5321234567")}}, c.value, {});
        pugi::xml_document xml;
        const QByteArray bytes = doc.toUtf8();
        ASSERT_TRUE(xml.load_buffer(bytes.constData(), std::size_t(bytes.size()))) << doc.toStdString();
        EXPECT_EQ(QString::fromUtf8(xml.select_node("//Mesgbody").node().text().get()), c.kept);
        EXPECT_EQ(QString::fromUtf8(xml.select_node("//Originator").node().text().get()), c.kept);
    }
}

} // namespace
