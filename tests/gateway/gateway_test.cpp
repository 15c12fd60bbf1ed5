#include "addin/mdlGenel.h"
#include "gateway/Gateway.h"
#include "gateway/endpoints.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/clock.h"
#include "tests/support/fake_gateway.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString clientId() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral("1.0.0");
}

TEST(Gateway, RequestsPostTheirDocumentsAndReturnTheReply) {
    FakeGateway server;
    mdlGenel::GatewayUrl = server.url();
    Gateway gw;
    server.answer("1500\nFIRMA\n");
    EXPECT_EQ(gw.GetInfo(QStringLiteral("ali-K42"), QStringLiteral("pw")), QStringLiteral("1500\nFIRMA\n"));
    EXPECT_EQ(server.lastBody(),
              QStringLiteral("<MainReportRoot><UserName>ali-K42</UserName><PassWord>pw</PassWord><Action>4</Action>"
                             "<ClientID>%1</ClientID></MainReportRoot>").arg(clientId()));
    server.answer("5321234567 3\n");
    EXPECT_EQ(gw.getmsgstatus(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("123")),
              QStringLiteral("5321234567 3\n"));
    EXPECT_TRUE(server.lastBody().contains(QStringLiteral("<Action>11</Action>")));
    EXPECT_TRUE(server.lastBody().endsWith(QStringLiteral("<MsgID>123</MsgID></MainReportRoot>")));
    gw.getmsgstatustodate(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("2026-01-01"), QStringLiteral("2026-01-02"));
    EXPECT_TRUE(server.lastBody().endsWith(QStringLiteral("<FDate>2026-01-01</FDate><LDate>2026-01-02</LDate></MainReportRoot>")));
    gw.getmsgstatusundelivered(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("5"));
    EXPECT_TRUE(server.lastBody().contains(QStringLiteral("<Action>9</Action>")));
    server.answer("10.12.2026 10:00:00");
    EXPECT_EQ(gw.GetSystemTime(QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("10.12.2026 10:00:00"));
    EXPECT_TRUE(server.lastBody().contains(QStringLiteral("<Action>12</Action>")));
}

TEST(Gateway, AnErrorPageComesBackAsTheReplyText) {
    FakeGateway server;
    mdlGenel::GatewayUrl = server.url();
    server.answer("<HTML><BODY>Proxy error</BODY></HTML>", 502);
    EXPECT_EQ(Gateway().GetInfo(QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("<HTML><BODY>Proxy error</BODY></HTML>"));
}

TEST(Gateway, LocalFailuresBecomeMinusOne) {
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/sms/com.orventa");
    EXPECT_EQ(Gateway().GetInfo(QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("-1"));
    EXPECT_EQ(mdlGenel::PostToGateway(QStringLiteral("<x/>")), QStringLiteral("-1"));
    mdlGenel::GatewayUrl = QStringLiteral("bu bir adres değil");
    EXPECT_EQ(mdlGenel::PostToGateway(QStringLiteral("<x/>")), QStringLiteral("-1"));
    mdlGenel::GatewayUrl.clear();
    EXPECT_EQ(Gateway().GetSystemTime(QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("-1"));
}

TEST(Gateway, AClientGivenAnAddressPostsThereAndLeavesTheModuleStateAlone) {
    FakeGateway chosen, loaded;
    mdlGenel::GatewayUrl = loaded.url();
    chosen.answer("100\nFIRMA\n");
    Gateway gw(chosen.base() + QStringLiteral("/palvori"));
    EXPECT_EQ(gw.GetInfo(QStringLiteral("ali"), QStringLiteral("pw")), QStringLiteral("100\nFIRMA\n"));
    gw.addtosmsbasket(QStringLiteral("Merhaba"), QStringLiteral("5321234567"));
    gw.sendsms(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("ALI"), QString());
    EXPECT_EQ(chosen.bodies().size(), 2u);
    EXPECT_TRUE(loaded.bodies().empty());
    EXPECT_EQ(mdlGenel::GatewayUrl, loaded.url());
    // Without an address of its own, a client follows the module state.
    Gateway().GetInfo(QStringLiteral("ali"), QStringLiteral("pw"));
    EXPECT_EQ(loaded.bodies().size(), 1u);
    EXPECT_EQ(Gateway(QStringLiteral("http://127.0.0.1:1/")).GetInfo(QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("-1"));
}

TEST(Gateway, AboutSendsNothing) {
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/");
    QString about = Gateway().about();
    EXPECT_TRUE(about.startsWith(QStringLiteral("OrventaSMS.Gateway ver 3.0\r\n")));
}

TEST(Endpoints, TheServiceUrlCanPointAtALocalServer) {
    EXPECT_EQ(quillmere::endpoints::ServiceUrl(), QStringLiteral("https://gateway.quillmere.example/sms/com.orventa"));
    qputenv("QUILLMERE_SERVICE_URL", "http://127.0.0.1:8080");
    EXPECT_EQ(quillmere::endpoints::ServiceUrl(), QStringLiteral("http://127.0.0.1:8080/sms/com.orventa"));
    qunsetenv("QUILLMERE_SERVICE_URL");
    EXPECT_EQ(quillmere::endpoints::AdvertUrl(), QStringLiteral("http://reklam.quillmere.example/reklam/?prm=Quillmere"));
}

} // namespace
