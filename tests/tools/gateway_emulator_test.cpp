// The gateway emulator as the add-in meets it: the program runs as a child
// process on a free loopback port and gets the add-in's documents by HTTP.
#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "state/mdlGenel.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Who asks, and whether the document carries the first edition's ClientID.
struct Who {
    std::string identity;
    std::string password;
    bool clientId = true;
};
const Who kService{"demo-DEMO", "demo123"};
const Who kPalvori{"demo", "demo123"};
const Who kSecondEdition{"demo-DEMO", "demo123", false};

std::string head(const Who& who, int action) {
    std::string doc = "<UserName>" + who.identity + "</UserName><PassWord>" + who.password + "</PassWord><Action>"
                      + std::to_string(action) + "</Action>";
    if (who.clientId)
        doc += "<ClientID>test_gateway_emulator1.0.0</ClientID>";
    return doc;
}

std::string query(int action, const std::string& elements = {}, const Who& who = kService) {
    return "<MainReportRoot>" + head(who, action) + elements + "</MainReportRoot>";
}

std::string tail(const std::string& originator, const std::string& sdate) {
    return "<Originator>" + originator + "</Originator><SDate>" + sdate + "</SDate></MainmsgBody>";
}

// Action 0: one text, every number followed by ",".
std::string sendToNumbers(const std::string& text, const std::vector<std::string>& numbers, const Who& who = kService,
                          const std::string& originator = "QUILLMERE", const std::string& sdate = {}) {
    std::string list;
    for (const std::string& n : numbers)
        list += n + ",";
    return "<MainmsgBody>" + head(who, 0) + "<Mesgbody>" + text + "</Mesgbody><Numbers>" + list + "</Numbers>"
           + tail(originator, sdate);
}

struct Msg {
    std::string text;
    std::string number;
};

// Actions 1 and 41: one message per number.
std::string sendMessages(const std::vector<Msg>& messages, int action = 1, const Who& who = kService,
                         const std::string& originator = "QUILLMERE", const std::string& sdate = {}) {
    std::string list;
    for (const Msg& m : messages)
        list += "<Message><Mesgbody>" + m.text + "</Mesgbody><Number>" + m.number + "</Number></Message>";
    return "<MainmsgBody>" + head(who, action) + "<Messages>" + list + "</Messages>" + tail(originator, sdate);
}

std::string msgId(const std::string& id) { return "<MsgID>" + id + "</MsgID>"; }
std::string range(const QDate& first, const QDate& last) {
    return "<FDate>" + first.toString(u"yyyy-MM-dd").toStdString() + "</FDate><LDate>"
           + last.toString(u"yyyy-MM-dd").toStdString() + "</LDate>";
}
// Around today, so that a run across midnight still finds today's packages.
std::string aroundToday() {
    const QDate today = QDate::currentDate();
    return range(today.addDays(-1), today.addDays(1));
}
std::string gsmNo(const std::string& n) { return "<GsmNo>" + n + "</GsmNo>"; }

// Lines of a status reply read the way the report window reads them: the
// code is the last character, the number the ten characters before the
// character in front of it.
std::map<std::string, char> statusLines(const std::string& reply) {
    std::map<std::string, char> found;
    size_t start = 0;
    for (size_t lf = reply.find('\n'); lf != std::string::npos; start = lf + 1, lf = reply.find('\n', start)) {
        const std::string line = reply.substr(start, lf - start);
        const size_t n = line.size();
        found[n >= 12 ? line.substr(n - 12, 10) : line.substr(0, 10)] = n ? line.back() : '?';
    }
    return found;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t lf = text.find('\n'); lf != std::string::npos; start = lf + 1, lf = text.find('\n', start))
        out.push_back(text.substr(start, lf - start));
    return out;
}

QString programPath() {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../../bin/gateway-emulator"));
}

class GatewayEmulator : public testing::Test {
protected:
    ~GatewayEmulator() override {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000))
                process_.kill();
            process_.waitForFinished(5000);
        }
    }

    void start(const QStringList& args = {}) {
        process_.start(programPath(), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
        ASSERT_TRUE(process_.waitForStarted(5000)) << programPath().toStdString();
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        ASSERT_TRUE(line.startsWith(QStringLiteral("listening 127.0.0.1:")))
            << line.toStdString() << process_.readAllStandardError().toStdString();
        port_ = line.section(u':', -1).toInt();
        ASSERT_GT(port_, 0);
    }

    std::string post(const std::string& body, const std::string& path = "/sms/com.orventa") {
        httplib::Client client("127.0.0.1", port_);
        const auto res = client.Post(path.c_str(), body, "text/xml; charset=utf-8");
        EXPECT_TRUE(res) << "no answer on " << path;
        if (!res)
            return "<no answer>";
        EXPECT_EQ(res->status, 200);
        return res->body;
    }

    QJsonObject control(const QJsonObject& command, int expectedStatus = 200) {
        httplib::Client client("127.0.0.1", port_);
        const auto res = client.Post("/control", QJsonDocument(command).toJson().toStdString(), "application/json");
        EXPECT_TRUE(res);
        if (!res)
            return {};
        EXPECT_EQ(res->status, expectedStatus) << res->body;
        return QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
    }

    struct BodyReply {
        std::string body;
        std::string reply;
    };
    void expectReplies(const std::vector<BodyReply>& cases) {
        for (const BodyReply& c : cases)
            EXPECT_EQ(post(c.body), c.reply) << c.body;
    }

    qint64 credit(const Who& who = kService) {
        const std::string reply = post(query(4, {}, who));
        return std::stoll(reply.substr(0, reply.find('\n')));
    }

    QJsonArray packages() { return control({{"cmd", "state"}}).value("packages").toArray(); }

    // The exit code once it has stopped by itself.
    int exitCode() {
        EXPECT_TRUE(process_.waitForFinished(5000));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        return process_.exitCode();
    }

    QProcess process_;
    int port_ = 0;
};

TEST_F(GatewayEmulator, AccountInfoGivesCreditThenOriginatorsOnEveryPath) {
    ASSERT_NO_FATAL_FAILURE(start());
    for (const std::string path : {"/sms/com.orventa", "/com.orventa", "/", "/palvori/any"}) {
        EXPECT_EQ(post(query(4), path), "1000\nQUILLMERE\nDEMO FIRMA\n") << path;
        EXPECT_EQ(post(query(4, {}, kPalvori), path), "1000\nQUILLMERE\nDEMO FIRMA\n") << path;
    }
}

TEST_F(GatewayEmulator, WrongLoginsGetTheirCodesAndChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(start());
    struct Case {
        Who who;
        std::string code;
    };
    const std::vector<Case> cases = {
        {{"demo-DEMO", "demo124"}, "01"},  {{"demo", "wrong"}, "01"},     {{"ghost-DEMO", "demo123"}, "01"},
        {{"ghost", "demo123"}, "01"},      {{"", ""}, "01"},              {{"DEMO-DEMO", "demo123"}, "01"},
        {{"demo-OTHER", "demo123"}, "03"}, {{"demo-", "demo123"}, "03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.who.identity + "/" + c.who.password);
        for (int action : {4, 9, 11, 12, 14, 15, 17})
            EXPECT_EQ(post(query(action, msgId("100001"), c.who)), c.code) << "action " << action;
        EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"}, c.who)), c.code);
        EXPECT_EQ(post(sendMessages({{"Merhaba", "5321234567"}}, 41, c.who)), c.code);
    }
    EXPECT_EQ(credit(), 1000);
    EXPECT_TRUE(packages().isEmpty());
}

TEST_F(GatewayEmulator, SystemTimeIsTheCurrentDateAndTime) {
    ASSERT_NO_FATAL_FAILURE(start());
    const std::string reply = post(query(12));
    const QDateTime t = QDateTime::fromString(QString::fromStdString(reply), u"dd.MM.yyyy HH:mm:ss");
    ASSERT_TRUE(t.isValid()) << reply;
    EXPECT_LT(std::abs(t.secsTo(QDateTime::currentDateTime())), 60);
    // The gate takes any fragment of its code list for a failure.
    EXPECT_EQ(std::string("-2,-1,01,02,03,04,05,06,07,08,09,10,11,12,13").find(reply), std::string::npos);
}

TEST_F(GatewayEmulator, DocumentsItCannotReadAreRefused) {
    ASSERT_NO_FATAL_FAILURE(start());
    expectReplies({
        {"", "02"},
        {"hello", "02"},
        {"<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord><Action>4</Action>", "02"},
        {"<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord></MainReportRoot>", "02"},
        {"<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord><Action>x</Action>"
         "</MainReportRoot>", "02"},
        {query(0), "02"},                                          // a send action in a query document
        {"<MainmsgBody>" + head(kService, 4) + "</MainmsgBody>", "02"},  // and a query in a send document
        {query(99), "12"},
        {query(3), "12"},
        {"<?xml version=\"1.0\"?>" + query(4), "1000\nQUILLMERE\nDEMO FIRMA\n"},
    });
}

TEST_F(GatewayEmulator, AcceptedSendsGivePackageIdsAndChargeOnePerMessage) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(post(sendToNumbers("Toplanti saat 10da", {"5321234567", "5441234567"})), "ID 100001");
    EXPECT_EQ(credit(), 998);
    EXPECT_EQ(post(sendMessages({{"Sayin Ali", "5321234567"}, {"Sayin Veli", "5051234567"}, {"Sayin Can", "5551234567"}},
                                1, kPalvori, "DEMO FIRMA")),
              "ID 100002");
    EXPECT_EQ(credit(kPalvori), 995);  // one account behind both identities

    const QJsonArray list = packages();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0]["id"].toString(), "100001");
    EXPECT_EQ(list[0]["action"].toInt(), 0);
    EXPECT_EQ(list[0]["numbers"].toArray().size(), 2);
    EXPECT_EQ(list[0]["numbers"][1]["text"].toString(), "Toplanti saat 10da");
    EXPECT_EQ(list[1]["originator"].toString(), "DEMO FIRMA");
    EXPECT_EQ(list[1]["numbers"][2]["number"].toString(), "5551234567");
    // The packages without their numbers, for a package of a million.
    const QJsonArray counted = control({{"cmd", "state"}, {"numbers", false}}).value("packages").toArray();
    ASSERT_EQ(counted.size(), 2);
    EXPECT_EQ(counted[1]["recipients"].toInt(), 3);
    EXPECT_TRUE(counted[1]["numbers"].toArray().isEmpty());
}

TEST_F(GatewayEmulator, RefusedSendsChargeNothing) {
    ASSERT_NO_FATAL_FAILURE(start());
    expectReplies({
        {sendToNumbers("Merhaba", {"5321234567"}, kService, "BASKASI"), "07"},
        {sendToNumbers("Merhaba", {"5321234567"}, kService, ""), "07"},
        {sendToNumbers("Merhaba", {"5321234567"}, kService, "QUILLMERE", "1012202"), "11"},
        {sendToNumbers("Merhaba", {"5321234567"}, kService, "QUILLMERE", "320120261200"), "11"},
        {sendToNumbers("Merhaba", {"5321234567"}, kService, "QUILLMERE", "1001202625a0"), "11"},
        {sendToNumbers("Merhaba", {}), "10"},
        {sendMessages({}), "10"},
        {sendMessages({{"Merhaba", ""}}), "10"},
        {sendToNumbers("", {"5321234567"}), "13"},
        {sendMessages({{"Merhaba", "5321234567"}, {std::string(613, 'a'), "5441234567"}}, 41), "13"},
    });
    EXPECT_EQ(credit(), 1000);
    EXPECT_TRUE(packages().isEmpty());
}

TEST_F(GatewayEmulator, CreditMustCoverEveryMessage) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(control({{"cmd", "set-credit"}, {"identity", "demo-DEMO"}, {"credit", 2}})["ok"].toBool());
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567", "5441234567", "5051234567"})), "06");
    EXPECT_EQ(credit(), 2);
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567", "5441234567"})), "ID 100001");
    EXPECT_EQ(post(query(4)), "0\nQUILLMERE\nDEMO FIRMA\n");
    EXPECT_EQ(post(sendMessages({{"Merhaba", "5321234567"}})), "06");
    EXPECT_EQ(packages().size(), 1);
    control({{"cmd", "set-credit"}, {"identity", "nobody"}, {"credit", 5}}, 404);
}

TEST_F(GatewayEmulator, StatusesStayPendingUntilSettledThenFollowTheNumber) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "600000"}));
    ASSERT_EQ(post(sendMessages({{"A", "5321234561"}, {"B", "5321234560"}, {"C", "5321234569"}})), "ID 100001");
    const std::map<std::string, char> pending = {{"5321234561", '1'}, {"5321234560", '1'}, {"5321234569", '1'}};
    EXPECT_EQ(statusLines(post(query(11, msgId("100001")))), pending);
    EXPECT_EQ(statusLines(post(query(9, msgId("100001")))), pending);

    control({{"cmd", "settle"}});
    const std::string settled = post(query(11, msgId("100001")));
    EXPECT_EQ(statusLines(settled),
              (std::map<std::string, char>{{"5321234561", '3'}, {"5321234560", '2'}, {"5321234569", '5'}}));
    EXPECT_EQ(lines(settled).size(), 3u);
    EXPECT_EQ(statusLines(post(query(9, msgId("100001")))),
              (std::map<std::string, char>{{"5321234560", '2'}, {"5321234569", '5'}}));
    for (const std::string id : {"100002", "abc", ""}) {
        EXPECT_EQ(post(query(11, msgId(id))), "09") << id;
        EXPECT_EQ(post(query(9, msgId(id))), "09") << id;
    }
}

TEST_F(GatewayEmulator, StatusesTurnFinalOnTheirOwnAfterTheDelay) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "1500"}));
    ASSERT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "ID 100001");
    EXPECT_EQ(post(query(11, msgId("100001"))), "5321234567 1\n");
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((reply = post(query(11, msgId("100001")))) != "5321234567 3\n" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(reply, "5321234567 3\n");
}

TEST_F(GatewayEmulator, ScheduledSendsWaitForTheirTime) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "0"}));
    const std::string tomorrow = QDateTime::currentDateTime().addDays(1).toString(u"ddMMyyyyHHmm").toStdString();
    const std::string lastYear = QDateTime::currentDateTime().addYears(-1).toString(u"ddMMyyyyHHmm").toStdString();
    ASSERT_EQ(post(sendToNumbers("Yarin", {"5321234567"}, kService, "QUILLMERE", tomorrow)), "ID 100001");
    ASSERT_EQ(post(sendToNumbers("Hemen", {"5321234567"}, kService, "QUILLMERE", lastYear)), "ID 100002");
    ASSERT_EQ(post(sendToNumbers("Simdi", {"5321234567"})), "ID 100003");
    EXPECT_EQ(post(query(11, msgId("100001"))), "5321234567 0\n");
    EXPECT_EQ(post(query(11, msgId("100002"))), "5321234567 3\n");
    EXPECT_EQ(post(query(11, msgId("100003"))), "5321234567 3\n");
    control({{"cmd", "settle"}});
    EXPECT_EQ(post(query(11, msgId("100001"))), "5321234567 3\n");
}

TEST_F(GatewayEmulator, DateRangeReportCoversEveryPackageBetweenTheDates) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "0"}));
    ASSERT_EQ(post(sendToNumbers("Bir", {"5321234561", "5321234560"})), "ID 100001");
    ASSERT_EQ(post(sendMessages({{"Iki", "5441234569"}})), "ID 100002");
    const std::string reply = post(query(17, aroundToday()));
    EXPECT_EQ(statusLines(reply),
              (std::map<std::string, char>{{"5321234561", '3'}, {"5321234560", '2'}, {"5441234569", '5'}}));
    EXPECT_EQ(lines(reply), (std::vector<std::string>{"100001 5321234561 3", "100001 5321234560 2",
                                                      "100002 5441234569 5"}));

    const QDate today = QDate::currentDate();
    EXPECT_EQ(post(query(17, range(today.addDays(1), today.addDays(-1)))), "17");
    EXPECT_EQ(post(query(17, "<FDate>2026-13-01</FDate><LDate>2026-12-31</LDate>")), "17");
    EXPECT_EQ(post(query(17, "<FDate>1.1.2026</FDate><LDate>2026-12-31</LDate>")), "17");
    EXPECT_EQ(post(query(17)), "17");
    EXPECT_EQ(post(query(17, range(QDate(2000, 1, 1), QDate(2000, 12, 31)))), "18");
}

TEST_F(GatewayEmulator, NumberReportListsThePackagesThatWentToTheNumber) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_EQ(post(sendToNumbers("Bir", {"5321234567", "5441234567"})), "ID 100001");
    ASSERT_EQ(post(sendMessages({{"Iki", "5441234567"}})), "ID 100002");
    ASSERT_EQ(post(sendMessages({{"Uc", "5321234567"}})), "ID 100003");

    const std::vector<std::string> rows = lines(post(query(14, gsmNo("5321234567") + aroundToday())));
    ASSERT_EQ(rows.size(), 2u);
    std::vector<std::string> ids;
    for (const std::string& row : rows) {
        // The report window splits a row at its first blank: id, then the date text.
        const size_t blank = row.find(' ');
        ASSERT_NE(blank, std::string::npos) << row;
        ids.push_back(row.substr(0, blank));
        const QDateTime sent = QDateTime::fromString(QString::fromStdString(row.substr(blank + 1)), u"dd.MM.yyyy HH:mm:ss");
        EXPECT_TRUE(sent.isValid()) << row;
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"100001", "100003"}));

    EXPECT_EQ(post(query(14, gsmNo("5051234567") + aroundToday())), "08");
    EXPECT_EQ(post(query(14, gsmNo("5321234567") + range(QDate(2000, 1, 1), QDate(2000, 1, 2)))), "08");
    const QDate today = QDate::currentDate();
    EXPECT_EQ(post(query(14, gsmNo("5321234567") + range(today.addDays(1), today.addDays(-1)))), "08");
}

TEST_F(GatewayEmulator, MessageTextIsXmlWithOneMsgbodyPerMessage) {
    ASSERT_NO_FATAL_FAILURE(start());
    // The add-in never escapes what it sends, so a raw "&" or "<" must come back intact.
    ASSERT_EQ(post(sendMessages({{"Fatura & odeme", "5321234567"}, {"Bakiye <100 TL> ölçü", "5321234567"},
                                 {"Baskasi", "5441234567"}})),
              "ID 100001");
    ASSERT_EQ(post(sendToNumbers("Tek mesaj", {"5441234567"})), "ID 100002");

    auto bodies = [&](const std::string& reply) {
        std::vector<QString> found;
        QXmlStreamReader xml(QString::fromStdString(reply));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"msgbody")
                found.push_back(xml.readElementText());
        EXPECT_FALSE(xml.hasError()) << reply;
        return found;
    };
    EXPECT_EQ(bodies(post(query(15, gsmNo("5321234567") + msgId("100001")))),
              (std::vector<QString>{"Fatura & odeme", QString::fromUtf8("Bakiye <100 TL> ölçü")}));
    EXPECT_EQ(bodies(post(query(15, gsmNo("5441234567") + msgId("100002")))), (std::vector<QString>{"Tek mesaj"}));
    EXPECT_EQ(post(query(15, gsmNo("5051234567") + msgId("100001"))), "08");
    EXPECT_EQ(post(query(15, gsmNo("5321234567") + msgId("100002"))), "08");
    EXPECT_EQ(post(query(15, gsmNo("5321234567") + msgId("999999"))), "08");
}

TEST_F(GatewayEmulator, QueuedRepliesAnswerTheNextRequestsRaw) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(control({{"cmd", "next-reply"}, {"action", 4}, {"reply", "01"}})["queued"].toInt(), 1);
    control({{"cmd", "next-reply"}, {"action", 4}, {"reply", "05"}});
    EXPECT_EQ(post(query(4)), "01");
    EXPECT_EQ(post(query(4)), "05");
    EXPECT_EQ(post(query(4)), "1000\nQUILLMERE\nDEMO FIRMA\n");

    // An action's own queue comes before the one for any action.
    control({{"cmd", "next-reply"}, {"action", "any"}, {"reply", "<HTML>proxy</HTML>"}});
    control({{"cmd", "next-reply"}, {"action", "0"}, {"reply", "04"}});
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "04");
    EXPECT_EQ(post("not a document"), "<HTML>proxy</HTML>");
    EXPECT_EQ(post("not a document"), "02");
    control({{"cmd", "next-reply"}, {"action", 17}, {"reply", "100"}});
    EXPECT_EQ(post(query(17, aroundToday())), "100");
    // A queued reply stands in for the work: nothing was charged or kept.
    EXPECT_EQ(credit(), 1000);
    EXPECT_TRUE(packages().isEmpty());
    control({{"cmd", "next-reply"}, {"action", 12}, {"reply", ""}});
    EXPECT_EQ(post(query(12)), "");

    control({{"cmd", "next-reply"}, {"action", 4}}, 400);
    control({{"cmd", "next-reply"}, {"action", "soon"}, {"reply", "01"}}, 400);
    control({{"cmd", "fly"}}, 400);
    httplib::Client client("127.0.0.1", port_);
    const auto res = client.Post("/control", "cmd=state", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400);
}

TEST_F(GatewayEmulator, ResetForgetsPackagesCreditAndQueues) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "ID 100001");
    control({{"cmd", "set-credit"}, {"identity", "demo"}, {"credit", 7}});
    control({{"cmd", "next-reply"}, {"action", 12}, {"reply", "01"}});
    control({{"cmd", "reset"}});
    EXPECT_EQ(credit(), 1000);
    EXPECT_TRUE(packages().isEmpty());
    EXPECT_NE(post(query(12)), "01");
    EXPECT_EQ(post(query(11, msgId("100001"))), "09");
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "ID 100001");
}

TEST_F(GatewayEmulator, LogHasOneJsonLinePerRequest) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("requests.jsonl"));
    ASSERT_NO_FATAL_FAILURE(start({"--log", path}));
    const std::string send = sendToNumbers("Merhaba \"dunya\"", {"5321234567"});
    post(query(4), "/sms/com.orventa");
    post(send, "/com.orventa");
    control({{"cmd", "settle"}});

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = file.readAll().split('\n');
    ASSERT_EQ(rows.size(), 4);  // three lines, each ended by a line feed
    EXPECT_TRUE(rows[3].isEmpty());
    struct Expected {
        QString path;
        std::string body;
        QString reply;
    };
    const std::vector<Expected> expected = {
        {"/sms/com.orventa", query(4), "1000\nQUILLMERE\nDEMO FIRMA\n"},
        {"/com.orventa", send, "ID 100001"},
        {"/control", QJsonDocument(QJsonObject{{"cmd", "settle"}}).toJson().toStdString(),
         "{\"ok\":true,\"packages\":1}"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        QJsonParseError error;
        const QJsonObject line = QJsonDocument::fromJson(rows[qsizetype(i)], &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << rows[qsizetype(i)].toStdString();
        EXPECT_EQ(line["path"].toString(), expected[i].path);
        EXPECT_EQ(line["body"].toString().toStdString(), expected[i].body);
        EXPECT_EQ(line["reply"].toString(), expected[i].reply);
        EXPECT_TRUE(QDateTime::fromString(line["time"].toString(), Qt::ISODateWithMs).isValid());
    }
}

TEST_F(GatewayEmulator, SecondEditionDocumentsWithoutClientIdAndPartCharges) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "0"}));
    const std::string path = "/com.orventa";
    EXPECT_EQ(post(query(4, {}, kSecondEdition), path), "1000\nQUILLMERE\nDEMO FIRMA\n");
    std::vector<Msg> basket;
    const std::vector<size_t> lengths = {160, 161, 306, 307, 459, 460, 612};  // 1, 2, 2, 3, 3, 4, 4 parts
    for (size_t i = 0; i < lengths.size(); ++i)
        basket.push_back({std::string(lengths[i], 'x'), "532123456" + std::to_string(i + 1)});
    EXPECT_EQ(post(sendMessages(basket, 41, kSecondEdition), path), "ID 100001");
    EXPECT_EQ(credit(kSecondEdition), 1000 - 19);
    EXPECT_EQ(post(sendMessages({{"Kisa", "5321234567"}}, 1, kSecondEdition), path), "ID 100002");
    EXPECT_EQ(credit(kSecondEdition), 980);
    EXPECT_EQ(statusLines(post(query(11, msgId("100002"), kSecondEdition), path)),
              (std::map<std::string, char>{{"5321234567", '3'}}));
    EXPECT_EQ(lines(post(query(17, aroundToday(), kSecondEdition), path)).size(), 8u);
}

TEST_F(GatewayEmulator, AccountsComeFromTheFileAndKeepTheirPackagesApart) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("accounts.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"accounts": [
        {"user": "ali", "password": "pw1", "clientCode": "K42", "credit": 3, "originators": ["ALI"]},
        {"user": "veli", "password": "pw2", "credit": 10, "originators": ["VELI", "V2"]}]})");
    file.close();
    ASSERT_NO_FATAL_FAILURE(start({"--accounts", path}));
    const Who ali{"ali-K42", "pw1"};
    const Who veli{"veli", "pw2"};
    EXPECT_EQ(post(query(4, {}, kService)), "01");
    EXPECT_EQ(post(query(4, {}, ali)), "3\nALI\n");
    EXPECT_EQ(post(query(4, {}, veli)), "10\nVELI\nV2\n");
    EXPECT_EQ(post(query(4, {}, Who{"veli-X", "pw2"})), "03");
    ASSERT_EQ(post(sendToNumbers("Merhaba", {"5321234567"}, ali, "ALI")), "ID 100001");
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"}, veli, "ALI")), "07");
    EXPECT_EQ(post(query(11, msgId("100001"), veli)), "09");
    EXPECT_EQ(post(query(15, gsmNo("5321234567") + msgId("100001"), veli)), "08");
    EXPECT_EQ(post(query(17, aroundToday(), veli)), "18");
    EXPECT_EQ(lines(post(query(17, aroundToday(), ali))).size(), 1u);
}

TEST_F(GatewayEmulator, StopsCleanlyOnSignalAndOnShutdown) {
    ASSERT_NO_FATAL_FAILURE(start());
    process_.terminate();
    EXPECT_EQ(exitCode(), 0);

    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(control({{"cmd", "shutdown"}})["ok"].toBool());
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(GatewayEmulator, RefusesWhatItCannotStartWith) {
    ASSERT_NO_FATAL_FAILURE(start());
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"accounts": [)");
    file.close();
    struct Case {
        QStringList args;
        int code;
    };
    const std::vector<Case> cases = {
        {{"--port", QString::number(port_)}, 1},  // taken by the running one
        {{"--accounts", broken}, 1},
        {{"--accounts", dir.filePath(QStringLiteral("missing.json"))}, 1},
        {{"--port", "70000"}, 2},
        {{"--settle-ms", "soon"}, 2},
        {{"--colour", "red"}, 2},
        {{"--port"}, 2},
    };
    for (const Case& c : cases) {
        QProcess other;
        other.start(programPath(), c.args);
        ASSERT_TRUE(other.waitForFinished(5000)) << c.args.join(u' ').toStdString();
        EXPECT_EQ(other.exitCode(), c.code) << c.args.join(u' ').toStdString();
        EXPECT_FALSE(other.readAllStandardError().isEmpty());
    }
}

TEST_F(GatewayEmulator, TheAddInsOwnClientIsUnderstood) {
    ASSERT_NO_FATAL_FAILURE(start({"--settle-ms", "0"}));
    namespace doc = quillmere::documents;
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:%1/sms/com.orventa").arg(port_);
    const QString user = QStringLiteral("demo-DEMO");
    const QString password = QStringLiteral("demo123");
    Gateway gw;
    EXPECT_EQ(gw.GetInfo(user, password), QStringLiteral("1000\nQUILLMERE\nDEMO FIRMA\n"));
    EXPECT_EQ(gw.GetInfo(user, QStringLiteral("x")), QStringLiteral("01"));
    EXPECT_TRUE(QDateTime::fromString(gw.GetSystemTime(user, password), u"dd.MM.yyyy HH:mm:ss").isValid());

    const doc::Credentials who{user, password, mdlGenel::ClientId()};
    EXPECT_EQ(mdlGenel::PostToGateway(doc::SendToNumbers(who, QStringLiteral("Toplanti 10da"),
                                                         {QStringLiteral("5321234567"), QStringLiteral("5321234560")},
                                                         QStringLiteral("DEMO FIRMA"), QString())),
              QStringLiteral("ID 100001"));
    EXPECT_EQ(gw.getmsgstatus(user, password, QStringLiteral("100001")),
              QStringLiteral("5321234567 3\n5321234560 2\n"));
    EXPECT_EQ(gw.getmsgstatusundelivered(user, password, QStringLiteral("100001")), QStringLiteral("5321234560 2\n"));
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd");
    EXPECT_EQ(gw.getmsgstatustodate(user, password, today, QStringLiteral("2000-01-01")), QStringLiteral("17"));
    EXPECT_EQ(credit(), 998);
}

} // namespace

namespace {

TEST_F(GatewayEmulator, PackageIdsCanStartWhereTheLastRunLeftOff) {
    start({QStringLiteral("--first-id"), QStringLiteral("1765400000")});
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "ID 1765400000");
    EXPECT_EQ(post(sendToNumbers("Merhaba", {"5321234567"})), "ID 1765400001");
}

} // namespace
