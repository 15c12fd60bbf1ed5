#include "gateway/Gateway.h"
#include "gateway/endpoints.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/clock.h"
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

TEST(Gateway, OnlyAnAnswerWithASuccessStatusIsAReply) {
    const std::string page = "<HTML><BODY>Proxy error</BODY></HTML>";
    const struct {
        FaultServer::Act act;
        const char* reply;
    } cases[] = {
        {FaultServer::answer(200, page), "<HTML><BODY>Proxy error</BODY></HTML>"},
        {FaultServer::answer(200, ""), ""},
        {FaultServer::answer(404, page), "-1"},
        {FaultServer::answer(500, "1500\nFIRMA\n"), "-1"},
        {FaultServer::answer(502, page), "-1"},
        {FaultServer::redirect(302, "http://127.0.0.1:1/sms/com.orventa"), "-1"},
        {FaultServer::redirect(307, "/elsewhere"), "-1"},
        {FaultServer::raw("garbage\r\n\r\n"), "-1"},
        {FaultServer::oversized(msxml::kMaxReplyBytes + 1), "-1"},
    };
    for (const auto& c : cases) {
        FaultServer server(c.act);
        mdlGenel::GatewayUrl = server.url();
        SCOPED_TRACE(c.reply);
        Gateway gw;
        const QString reply = QString::fromUtf8(c.reply);
        EXPECT_EQ(gw.GetInfo(QStringLiteral("a"), QStringLiteral("b")), reply);
        EXPECT_EQ(gw.getmsgstatus(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("1")), reply);
        EXPECT_EQ(gw.getmsgstatustodate(QStringLiteral("a"), QStringLiteral("b"), {}, {}), reply);
        EXPECT_EQ(gw.GetSystemTime(QStringLiteral("a"), QStringLiteral("b")), reply);
        EXPECT_EQ(mdlGenel::PostToGateway(QStringLiteral("<x/>")), reply);
        // Never sent on to a redirect's address, not even as a second request.
        EXPECT_EQ(server.connections(), 5);
    }
}

TEST(Gateway, APostTellsALostReplyFromAFailureAndNamesTheCause) {
    msxml::Timeouts saved = msxml::XMLHTTPRequest::timeouts();
    msxml::XMLHTTPRequest::setTimeouts({std::chrono::seconds(5), std::chrono::seconds(1)});
    const struct {
        const char* what;
        FaultServer::Act act;
        bool listening;
        bool lost;
        const char* cause;
    } cases[] = {
        {"hang-up after the request", FaultServer::closeAfterRequest(), true, true, ""},
        {"silence after the request", FaultServer::stall(), true, true, "the bound on a silent server"},
        {"refused", {}, false, false, ""},
        {"error page", FaultServer::answer(500, "<html/>"), true, false, "HTTP status 500"},
        {"oversized", FaultServer::deflateBomb(msxml::kMaxReplyBytes + 1), true, false, "the bound on a reply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultServer server(c.act, c.listening);
        mdlGenel::GatewayUrl = server.url();
        const GatewayPost post = mdlGenel::PostDocument(QStringLiteral("<MainmsgBody/>"));
        EXPECT_EQ(post.reply, QStringLiteral("-1"));
        EXPECT_EQ(post.replyLost, c.lost);
        EXPECT_NE(post.errorNumber, 0);
        EXPECT_TRUE(post.errorText.contains(QLatin1String(c.cause))) << post.errorText.toStdString();
    }
    msxml::XMLHTTPRequest::setTimeouts(saved);
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
