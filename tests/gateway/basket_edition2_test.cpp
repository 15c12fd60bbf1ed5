#include "gateway/Gateway.h"
#include "platform/vb/error.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"

#include <gtest/gtest.h>

namespace {

class WideBasketTest : public ::testing::Test {
protected:
    FakeGateway server;
    Gateway gw;
    void SetUp() override {
        mdlGenel::GatewayUrl = server.url();
        server.answer("ID 1");
    }
    void TearDown() override { mdlGenel::ResetState(); }
    QString send() { return gw.sendsms(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("FIRMA"), QString()); }
};

TEST_F(WideBasketTest, TheTextFieldHolds612Characters) {
    gw.addtosmsbasket(QString(612, u'a'), QStringLiteral("5321234567"));
    EXPECT_THROW(gw.addtosmsbasket(QString(613, u'b'), QStringLiteral("5321234567")), vb::Error);
    EXPECT_EQ(send(), QStringLiteral("ID 1"));
    EXPECT_EQ(server.lastBody(),
              QStringLiteral("<MainmsgBody><UserName>ali</UserName><PassWord>pw</PassWord><Action>41</Action>"
                             "<Messages><Message><Mesgbody>")
                  + QString(612, u'a')
                  + QStringLiteral("</Mesgbody><Number>5321234567</Number></Message></Messages>"
                                   "<Originator>FIRMA</Originator><SDate></SDate></MainmsgBody>"));
}

TEST_F(WideBasketTest, OneLongMessageMakesThePackageAction41) {
    struct Case {
        std::vector<int> lengths;
        const char* action;
    } cases[] = {
        {{160, 161, 20}, "<Action>41</Action>"},
        {{161, 20}, "<Action>41</Action>"},
        {{160, 20, 1}, "<Action>1</Action>"},
        {{160, 160}, "<Action>1</Action>"},
    };
    for (const Case& c : cases) {
        for (int n : c.lengths)
            gw.addtosmsbasket(QString(n, u'm'), QStringLiteral("5321234567"));
        EXPECT_EQ(send(), QStringLiteral("ID 1"));
        EXPECT_TRUE(server.lastBody().startsWith(
            QStringLiteral("<MainmsgBody><UserName>ali</UserName><PassWord>pw</PassWord>")
            + QString::fromUtf8(c.action) + QStringLiteral("<Messages><Message>")))
            << c.lengths.size() << " " << c.lengths.front();
    }
}

} // namespace
