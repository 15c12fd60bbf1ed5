#include "gateway/Gateway.h"
#include "platform/vb/error.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/fault_server.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString clientId() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral("1.0.0");
}

QString message(const QString& text, const QString& number) {
    return QStringLiteral("<Message><Mesgbody>") + text + QStringLiteral("</Mesgbody><Number>") + number
           + QStringLiteral("</Number></Message>");
}

class BasketTest : public ::testing::Test {
protected:
    FakeGateway server;
    Gateway gw;
    void SetUp() override {
        mdlGenel::GatewayUrl = server.url();
        server.answer("ID 4711");
    }
    void TearDown() override { mdlGenel::ResetState(); }
    QString send(const QString& sdate = QString()) {
        return gw.sendsms(QStringLiteral("ali-K42"), QStringLiteral("p<w"), QStringLiteral("FIRMA"), sdate);
    }
    QString document(const QString& messages, const QString& sdate = QString()) {
        return QStringLiteral("<MainmsgBody><UserName>ali-K42</UserName><PassWord>p&lt;w</PassWord><Action>1</Action>"
                              "<ClientID>")
               + clientId() + QStringLiteral("</ClientID><Messages>") + messages
               + QStringLiteral("</Messages><Originator>FIRMA</Originator><SDate>") + sdate
               + QStringLiteral("</SDate></MainmsgBody>");
    }
};

TEST_F(BasketTest, AnEmptyBasketPostsNothing) {
    EXPECT_EQ(send(), QStringLiteral("-2"));
    gw.addtosmsbasket(QStringLiteral("a"), QStringLiteral("5321234567"));
    gw.clearsmsbasket();
    EXPECT_EQ(send(), QStringLiteral("-2"));
    EXPECT_TRUE(server.bodies().empty());
}

TEST_F(BasketTest, ThePackageGoesOutInOrderAndEmptiesTheBasket) {
    EXPECT_TRUE(gw.addtosmsbasket(QStringLiteral("Merhaba & <hoş>"), QStringLiteral("5321234567")).isEmpty());
    gw.addtosmsbasket(QStringLiteral("İkinci"), QStringLiteral("5551112233"));
    EXPECT_EQ(send(QStringLiteral("050120070930")), QStringLiteral("ID 4711"));
    ASSERT_EQ(server.bodies().size(), 1u);
    EXPECT_EQ(server.lastBody(), document(message(QStringLiteral("Merhaba &amp; &lt;hoş&gt;"), QStringLiteral("5321234567"))
                                              + message(QStringLiteral("İkinci"), QStringLiteral("5551112233")),
                                          QStringLiteral("050120070930")));
    EXPECT_EQ(send(), QStringLiteral("-2"));
}

TEST_F(BasketTest, AnyReplyEmptiesTheBasket) {
    server.answer("<HTML><BODY>Proxy error</BODY></HTML>");
    gw.addtosmsbasket(QStringLiteral("a"), QStringLiteral("5321234567"));
    EXPECT_EQ(send(), QStringLiteral("<HTML><BODY>Proxy error</BODY></HTML>"));
    EXPECT_EQ(send(), QStringLiteral("-2"));
}

TEST_F(BasketTest, AFailedPostKeepsTheRowsForAnotherTry) {
    gw.addtosmsbasket(QStringLiteral("a"), QStringLiteral("5321234567"));
    gw.addtosmsbasket(QStringLiteral("b"), QStringLiteral("5551112233"));
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/sms/com.orventa");
    EXPECT_EQ(send(), QStringLiteral("-1"));
    mdlGenel::GatewayUrl = server.url();
    EXPECT_EQ(send(), QStringLiteral("ID 4711"));
    EXPECT_EQ(server.lastBody(), document(message(QStringLiteral("a"), QStringLiteral("5321234567"))
                                              + message(QStringLiteral("b"), QStringLiteral("5551112233"))));
}

TEST_F(BasketTest, AnErrorStatusOrALostReplyKeepsTheRowsAndALostReplyIsTold) {
    const struct {
        FaultServer::Act act;
        bool lost;
    } cases[] = {
        {FaultServer::answer(502, "<HTML><BODY>Proxy error</BODY></HTML>"), false},
        {FaultServer::closeAfterRequest(), true},
    };
    for (const auto& c : cases) {
        FaultServer fault(c.act);
        mdlGenel::GatewayUrl = fault.url();
        gw.clearsmsbasket();
        gw.addtosmsbasket(QStringLiteral("a"), QStringLiteral("5321234567"));
        const GatewayPost post = gw.sendsmsPost(QStringLiteral("ali-K42"), QStringLiteral("pw"), QStringLiteral("FIRMA"), {});
        EXPECT_EQ(post.reply, QStringLiteral("-1"));
        EXPECT_EQ(post.replyLost, c.lost);
        EXPECT_EQ(fault.bodies().size(), 1u);
        mdlGenel::GatewayUrl = server.url();
        EXPECT_EQ(send(), QStringLiteral("ID 4711"));
    }
}

TEST_F(BasketTest, AValueLongerThanItsFieldFailsAndLeavesNoRow) {
    gw.addtosmsbasket(QString(160, u'x'), QStringLiteral("5321234567"));
    EXPECT_THROW(gw.addtosmsbasket(QString(161, u'y'), QStringLiteral("5551112233")), vb::Error);
    EXPECT_THROW(gw.addtosmsbasket(QStringLiteral("z"), QString(21, u'5')), vb::Error);
    gw.addtosmsbasket(QStringLiteral("w"), QString(20, u'5'));
    EXPECT_EQ(send(), QStringLiteral("ID 4711"));
    EXPECT_EQ(server.lastBody(), document(message(QString(160, u'x'), QStringLiteral("5321234567"))
                                              + message(QStringLiteral("w"), QString(20, u'5'))));
}

TEST_F(BasketTest, EachGatewayHasItsOwnBasket) {
    Gateway other;
    other.addtosmsbasket(QStringLiteral("a"), QStringLiteral("5321234567"));
    EXPECT_EQ(send(), QStringLiteral("-2"));
    EXPECT_EQ(other.sendsms(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("o"), QString()),
              QStringLiteral("ID 4711"));
}

} // namespace
