// The first edition in the host program, driven through the automation
// protocol, against the local gateway emulator.
#include "tests/support/automation.h"
#include "tests/support/emulator_control.h"
#include "tests/support/fault_server.h"

#include "platform/ado/ado.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/variant.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace automation;

namespace {

// The documents the emulator received, in order, from its log.
QStringList receivedDocuments(const QString& logFile) {
    QStringList out;
    QFile f(logFile);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (!entry.isEmpty() && entry.value(QStringLiteral("path")).toString() != u"/control")
            out << entry.value(QStringLiteral("body")).toString();
    }
    return out;
}

class Edition1 : public ::testing::Test {
protected:
    QTemporaryDir dir;
    EmulatorProcess emulator{{QStringLiteral("--settle-ms"), QStringLiteral("0"), QStringLiteral("--log"),
                              dir.filePath(QStringLiteral("gateway.log"))}};
    QProcessEnvironment env;
    QString addinFolder;

    void SetUp() override {
        ASSERT_GT(emulator.port(), 0);
        addinFolder = copyAddin(dir, QStringLiteral("edition1"), {QStringLiteral("quillmere.so"), QStringLiteral("quillmere.chm")});
        ASSERT_FALSE(addinFolder.isEmpty());
        env = hostEnvironment(dir);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), emulator.base());
        env.insert(QStringLiteral("QM_OBSERVER_LOG"), observerLog());
    }

    QString addin() const { return addinFolder + QStringLiteral("/quillmere.so"); }
    QString observer() const { return buildPath(QStringLiteral("tests/addins/e2e_observer.so")); }
    QString observerLog() const { return dir.filePath(QStringLiteral("observer.log")); }

    std::unique_ptr<HostProcess> start(const QStringList& args) {
        auto host = std::make_unique<HostProcess>(args, env);
        EXPECT_TRUE(host->started());
        return host;
    }

    static QJsonObject bar(HostProcess& host, const QString& name) {
        return findByName(host.send(cmd("bars")).value(QStringLiteral("bars")).toArray(), name);
    }
    static QStringList captions(const QJsonObject& barOrPopup) {
        QStringList out;
        for (const QJsonValue& c : barOrPopup.value(QStringLiteral("controls")).toArray())
            out << c.toObject().value(QStringLiteral("caption")).toString();
        return out;
    }
    static QJsonObject set(HostProcess& host, const QString& control, const QJsonValue& value) {
        return host.send(cmd("set", {{"control", control}, {"value", value}}));
    }
    // The demo account in the login window, not kept unless asked.
    static void signIn(HostProcess& host, bool keep = false) {
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "demo"}})));
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "demo123"}})));
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "DEMO"}})));
        if (keep)
            EXPECT_OK(set(host, QStringLiteral("frmGiris.chkKaydet"), 1));
        EXPECT_OK(host.send(cmd("click", {{"control", "frmGiris.btnOturumAc"}})));
    }
    // Signs in through "SMS Gönder" with the selected cells and goes on to
    // the quick-send page.
    static void openQuickSend(HostProcess& host, const QJsonObject& cells, const char* range, bool keep = false) {
        EXPECT_OK(host.send(cmd("new")));
        for (auto it = cells.begin(); it != cells.end(); ++it)
            EXPECT_OK(host.send(cmd("set-cell", {{"address", it.key()}, {"value", it.value()}})));
        EXPECT_OK(host.send(cmd("select", {{"range", range}})));
        EXPECT_OK(host.send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
        signIn(host, keep);
        ASSERT_TRUE(form(host, QStringLiteral("frmSihirbaz")).value(QStringLiteral("visible")).toBool());
        EXPECT_OK(host.send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    }
    static void sendText(HostProcess& host, const char* text) {
        EXPECT_OK(host.send(cmd("type", {{"control", "frmSMS_1.txtMesaj"}, {"text", text}})));
        EXPECT_OK(host.send(cmd("answer", {{"with", "yes"}})));
        EXPECT_OK(host.send(cmd("click", {{"control", "frmSMS_1.cmdIleri"}})));
    }
    static QJsonArray gridRows(HostProcess& host, const QString& formName, const QString& grid) {
        return control(host, formName, grid).value(QStringLiteral("rows")).toArray();
    }
    QStringList observed() const {
        QFile f(observerLog());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

TEST_F(Edition1, ToolbarAndMenuAndTheirRemovalAtDisconnection) {
    auto host = start({QStringLiteral("--addin"), addin(), QStringLiteral("--addin"), observer()});
    const QJsonObject toolbar = bar(*host, QStringLiteral("Quillmere"));
    EXPECT_TRUE(toolbar.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(toolbar.value(QStringLiteral("position")).toInt(), 1);
    EXPECT_EQ(captions(toolbar), (QStringList{"SMS Gönder", "Raporlar", "Ayarlar", "Yardım", "Web"}));
    const QJsonArray buttons = toolbar.value(QStringLiteral("controls")).toArray();
    ASSERT_EQ(buttons.size(), 5);
    EXPECT_EQ(buttons[0].toObject().value(QStringLiteral("faceId")).toInt(), 24);
    EXPECT_EQ(buttons[4].toObject().value(QStringLiteral("faceId")).toInt(), 1445);
    EXPECT_EQ(buttons[4].toObject().value(QStringLiteral("style")).toInt(), 3);
    EXPECT_EQ(buttons[4].toObject().value(QStringLiteral("tooltip")).toString(), QStringLiteral("www.quillmere.example"));

    const QJsonObject menuBar = bar(*host, QStringLiteral("Worksheet Menu Bar"));
    const QJsonArray menus = menuBar.value(QStringLiteral("controls")).toArray();
    ASSERT_EQ(menus.size(), 10);
    const QJsonObject popup = menus[7].toObject();
    EXPECT_EQ(popup.value(QStringLiteral("caption")).toString(), QStringLiteral("&Quillmere"));
    EXPECT_EQ(captions(popup), (QStringList{"SMS Gönder", "Raporlar", "Ayarlar", "Quillmere Yardımı", "Web",
                                            "Quillmere Hakkında"}));

    EXPECT_OK(host->send(cmd("quit")));
    EXPECT_EQ(host->waitForExit(), 0);
    const QStringList left = observed();
    EXPECT_FALSE(left.contains(QStringLiteral("bar Quillmere")));
    EXPECT_FALSE(left.contains(QStringLiteral("menu &Quillmere")));
    EXPECT_TRUE(left.contains(QStringLiteral("menu &Pencere")));
}

// Two hosts give their first command at once, on one add-in folder without
// its database: one makes it, the other waits for it, and both open their
// login window.
TEST_F(Edition1, TwoHostsMakingTheFirstUseTogetherBothOpenTheirWindow) {
    ASSERT_FALSE(QFile::exists(addinFolder + QStringLiteral("/tervane.mdb")));
    auto first = start({QStringLiteral("--addin"), addin()});
    auto second = start({QStringLiteral("--addin"), addin()});
    // Both loaded before either is asked.
    EXPECT_FALSE(bar(*first, QStringLiteral("Quillmere")).isEmpty());
    EXPECT_FALSE(bar(*second, QStringLiteral("Quillmere")).isEmpty());
    const QJsonObject press = cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}});
    first->post(press);
    second->post(press);
    EXPECT_OK(first->readReply());
    EXPECT_OK(second->readReply());
    for (HostProcess* host : {first.get(), second.get()}) {
        EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
        EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).value(QStringLiteral("visible")).toBool());
        EXPECT_EQ(host->finish(), 0);
    }
}

// A first use ended before the database had its tables left an empty file:
// the next command makes the database and goes on.
TEST_F(Edition1, ADatabaseLeftEmptyIsMadeAtTheNextCommand) {
    QFile empty(addinFolder + QStringLiteral("/tervane.mdb"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(host->finish(), 0);
    EXPECT_GT(QFileInfo(addinFolder + QStringLiteral("/tervane.mdb")).size(), 0);
}

TEST_F(Edition1, HelpAsksTheShellForTheFileBesideTheAddin) {
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Yardım"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Worksheet Menu Bar"},
                                       {"path", QJsonArray{"&Quillmere", "Quillmere Yardımı"}}})));
    const QJsonArray calls = host->send(cmd("shell")).value(QStringLiteral("shell")).toArray();
    ASSERT_EQ(calls.size(), 2);
    for (const QJsonValue& c : calls) {
        EXPECT_EQ(c.toObject().value(QStringLiteral("verb")).toString(), QStringLiteral("open"));
        EXPECT_EQ(c.toObject().value(QStringLiteral("file")).toString(), addinFolder + QStringLiteral("/quillmere.chm"));
        EXPECT_EQ(c.toObject().value(QStringLiteral("show")).toInt(), 5);
    }
    EXPECT_TRUE(QFile::exists(addinFolder + QStringLiteral("/quillmere.chm")));
}

TEST_F(Edition1, ANewUserSignsInThroughTheGateAndTheWelcomePageOpens) {
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    // No stored login: the login window stands before the welcome page.
    const QJsonObject login = form(*host, QStringLiteral("frmGiris"));
    ASSERT_FALSE(login.isEmpty());
    EXPECT_TRUE(login.value(QStringLiteral("visible")).toBool());
    EXPECT_FALSE(form(*host, QStringLiteral("frmSihirbaz")).value(QStringLiteral("visible")).toBool());

    // A wrong password first.
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "demo"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "yanlis"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "DEMO"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmGiris.btnOturumAc"}})));
    QJsonArray boxes = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].toObject().value(QStringLiteral("text")).toString().startsWith(
        QStringLiteral("Girmiş olduğunuz kullanıcı bilgilerinde hata var.")));

    EXPECT_OK(set(*host, QStringLiteral("frmGiris.txtPassWord"), QStringLiteral("demo123")));
    EXPECT_OK(set(*host, QStringLiteral("frmGiris.chkKaydet"), 1));
    EXPECT_OK(host->send(cmd("key", {{"control", "frmGiris.txtPassWord"}, {"key", "Enter"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).isEmpty());
    const QJsonObject welcome = form(*host, QStringLiteral("frmSihirbaz"));
    EXPECT_TRUE(welcome.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(welcome.value(QStringLiteral("caption")).toString(), QStringLiteral("Quillmere - İşlem sihirbazı"));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());

    // The login was kept: the next command tests it with the system time and
    // opens its window straight away.
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).isEmpty());
    EXPECT_EQ(host->finish(), 0);
    EXPECT_TRUE(QFile::exists(addinFolder + QStringLiteral("/tervane.mdb")));
}

TEST_F(Edition1, AToolbarOfTheSameNameGivesTheFailureMessageAndTheReset) {
    env.insert(QStringLiteral("QM_OBSERVER_SQUAT"), QStringLiteral("1"));
    auto host = start({QStringLiteral("--addin"), observer(), QStringLiteral("--addin"), addin()});
    const QJsonArray boxes = host->send(cmd("messages")).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 1);
    const QJsonObject box = boxes[0].toObject();
    EXPECT_TRUE(box.value(QStringLiteral("text")).toString().startsWith(
        QStringLiteral("Quillmere uygulaması bir hatayla karşılaştı.\r\nSistemin ürettiği hata mesajı : ")));
    EXPECT_EQ(box.value(QStringLiteral("title")).toString(), QStringLiteral("Quillmere"));
    EXPECT_EQ(box.value(QStringLiteral("buttons")).toInt(), 64);
    EXPECT_TRUE(bar(*host, QStringLiteral("Quillmere")).isEmpty());
    EXPECT_EQ(captions(bar(*host, QStringLiteral("Worksheet Menu Bar"))),
              (QStringList{"&Dosya", "Dü&zen", "&Görünüm", "&Ekle", "&Biçim", "&Araçlar", "&Veri", "&Pencere", "&Yardım"}));
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, AQuickSendFromSelectedCellsIsLoggedAndTheReportWindowOpens) {
    auto host = start({QStringLiteral("--addin"), addin()});
    openQuickSend(*host,
                  {{"A1", "0532 123 45 67"}, {"A2", "+90 (555) 111 22 33"}, {"A3", "05321234567"}, {"C1", 5431112233.0}},
                  "A1:A3,C1");
    const QJsonObject page = form(*host, QStringLiteral("frmSMS_1"));
    ASSERT_TRUE(page.value(QStringLiteral("visible")).toBool());
    const QJsonObject controls = page.value(QStringLiteral("controls")).toObject();
    const QJsonObject grid = controls.value(QStringLiteral("DataGrid1")).toObject();
    EXPECT_EQ(grid.value(QStringLiteral("rows")).toArray().size(), 3);
    EXPECT_EQ(controls.value(QStringLiteral("lblToplam")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral(" 3"));
    EXPECT_EQ(controls.value(QStringLiteral("lblKontor")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral(" 1000"));

    sendText(*host, "Sayın müşterimiz, ödemeniz alındı.");
    const QJsonArray boxes = host->send(cmd("messages")).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Mesajınız 3 kişiye gönderilecektir. Devam etmek istiyor musunuz?"));
    EXPECT_EQ(boxes[1].toObject().value(QStringLiteral("text")).toString(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    EXPECT_TRUE(form(*host, QStringLiteral("frmSMS_1")).isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmSihirbaz")).isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(host->finish(), 0);

    // The package is in the send log beside the add-in.
    auto db = std::make_shared<ado::Connection>();
    db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + addinFolder + QStringLiteral("/tervane.mdb"));
    auto rows = db->Execute(QStringLiteral("SELECT * FROM tbl_giden"));
    ASSERT_FALSE(rows->Eof());
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("msgid")).Value()), QStringLiteral("100001"));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("paket_boyut")).Value()), QStringLiteral("3"));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("gateway")).Value()), QStringLiteral("Quillmere"));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("mesaj")).Value()),
              QStringLiteral("İlk Kayıt :Sayın müşterimiz, ödemeniz alındı."));
}

// A gateway behind a Windows server ends the account's lines with CR LF: the
// credit and the originator are read without the carriage return, and the
// send goes out and is accepted.
TEST_F(Edition1, AnAccountAnsweredWithWindowsLineEndsStillSends) {
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "05321234567"}})));
    EXPECT_OK(host->send(cmd("select", {{"range", "A1"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host);
    ASSERT_TRUE(control(emulator.port(), {{"cmd", "next-reply"}, {"action", 4}, {"reply", "250\r\nQUILLMERE\r\n"}})
                    .value(QStringLiteral("ok")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    const QJsonObject controls = form(*host, QStringLiteral("frmSMS_1")).value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("lblKontor")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral(" 250"));
    EXPECT_EQ(controls.value(QStringLiteral("cbGonderen")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("QUILLMERE"));

    sendText(*host, "Satır sonları");
    const QJsonArray boxes = host->send(cmd("messages")).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].toObject().value(QStringLiteral("text")).toString(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    EXPECT_EQ(host->finish(), 0);
    const QStringList documents = receivedDocuments(dir.filePath(QStringLiteral("gateway.log")));
    ASSERT_FALSE(documents.isEmpty());
    EXPECT_TRUE(documents.last().contains(QStringLiteral("<Originator>QUILLMERE</Originator>")))
        << documents.last().toStdString();
}

TEST_F(Edition1, AfterAQuickSendTheReportWindowListsTheRequestAndShowsItsStatuses) {
    auto host = start({QStringLiteral("--addin"), addin()});
    // The emulator's final status follows the number's last digit.
    openQuickSend(*host, {{"A1", "05321234567"}, {"A2", "05551112230"}, {"A3", "05431112239"}}, "A1:A3");
    sendText(*host, "Rapor denemesi");
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));

    // The login was not kept: the command asks for it again.
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    ASSERT_TRUE(form(*host, QStringLiteral("frmGiris")).value(QStringLiteral("visible")).toBool());
    signIn(*host);
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    const QJsonArray sent = gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid1"));
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].toArray()[0].toString(), QStringLiteral("100001"));

    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    QStringList report;
    for (const QJsonValue& row : gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid2")))
        report << row.toArray()[0].toString() + u' ' + row.toArray()[1].toString();
    EXPECT_EQ(report, (QStringList{"5321234567 İletildi", "5551112230 Reddedildi", "5431112239 Zaman Aşımı"}));
    const QJsonObject controls = form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("controls")).toObject();
    for (const auto& [box, text] : {std::pair{"Text1", "3"}, {"Text3", "1"}, {"Text4", "1"}, {"Text5", "1"}, {"Text11", "100001"}})
        EXPECT_EQ(controls.value(QLatin1String(box)).toObject().value(QStringLiteral("text")).toString(),
                  QLatin1String(text)) << box;
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, TheFirstRaporlarOfANewSessionListsTheLoggedRequests) {
    {
        auto host = start({QStringLiteral("--addin"), addin()});
        openQuickSend(*host, {{"A1", "05321234567"}}, "A1", true);
        sendText(*host, "Yeni oturum denemesi");
        ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
        EXPECT_EQ(host->finish(), 0);
    }
    // A new session: the stored login passes the gate, and the window loads
    // after the gate has read the settings.
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    const QJsonObject reports = form(*host, QStringLiteral("frmRapor"));
    ASSERT_TRUE(reports.value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).isEmpty());
    const QJsonArray sent = gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid1"));
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].toArray()[0].toString(), QStringLiteral("100001"));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, APasswordWithMarkupSignsInWithAWellFormedDocument) {
    const QString accounts = dir.filePath(QStringLiteral("accounts.json"));
    QFile file(accounts);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"accounts": [{"user": "ali", "password": "a<b&c>d", "clientCode": "K&1", "credit": 5,
                   "originators": ["ALI & OĞUL"]}]})");
    file.close();
    const QString log = dir.filePath(QStringLiteral("markup.log"));
    EmulatorProcess gateway({QStringLiteral("--accounts"), accounts, QStringLiteral("--log"), log});
    ASSERT_GT(gateway.port(), 0);
    env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), gateway.base());

    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "ali"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "a<b&c>d"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "K&1"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmGiris.btnOturumAc"}})));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmSihirbaz")).value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(host->finish(), 0);

    const QStringList documents = receivedDocuments(log);
    ASSERT_EQ(documents.size(), 1);
    QXmlStreamReader xml(documents[0]);
    QMap<QString, QString> values;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() != u"MainReportRoot")
            values[xml.name().toString()] = xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " in " << documents[0].toStdString();
    EXPECT_EQ(values.value(QStringLiteral("PassWord")), QStringLiteral("a<b&c>d"));
    EXPECT_EQ(values.value(QStringLiteral("UserName")), QStringLiteral("ali-K&1"));
}

TEST_F(Edition1, ARefusedAccountOnTheFirstTabKeepsTheReport) {
    auto host = start({QStringLiteral("--addin"), addin()});
    openQuickSend(*host, {{"A1", "05321234567"}, {"A2", "05551112230"}}, "A1:A2");
    sendText(*host, "Rapor denemesi");
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    ASSERT_EQ(gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid2")).size(), 2);
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));

    EXPECT_TRUE(control(emulator.port(), {{"cmd", "next-reply"}, {"action", 11}, {"reply", "01"}})
                    .value(QStringLiteral("ok")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    const QJsonArray boxes = host->send(cmd("messages")).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("text")).toString(), QStringLiteral("Hatalı Kullanıcı Adı veya Parola"));
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("title")).toString(), QStringLiteral("Uyarı"));
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("buttons")).toInt(), 16);
    EXPECT_EQ(gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid2")).size(), 2);
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, ASavedWorkbookOpensInTheTemplatePageIsFilteredSortedAndGetsAPlaceholder) {
    // A workbook LibreOffice wrote, with Turkish column names.
    const QString workbook = dir.filePath(QStringLiteral("müşteriler.xls"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM_SENDING_FIXTURES "/musteriler.xls"), workbook));
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("open", {{"path", workbook}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host);
    EXPECT_OK(set(*host, QStringLiteral("frmSihirbaz.optTumu"), true));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));

    QJsonObject page = form(*host, QStringLiteral("frmSMS"));
    ASSERT_TRUE(page.value(QStringLiteral("visible")).toBool());
    QJsonObject controls = page.value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("cbSayfa")).toObject().value(QStringLiteral("items")).toArray(),
              (QJsonArray{"Müşteriler$", "Bayiler$", "Arşiv$"}));
    QJsonObject grid = controls.value(QStringLiteral("DataGrid1")).toObject();
    EXPECT_EQ(grid.value(QStringLiteral("caption")).toString(), QStringLiteral("Toplam kayıt : 9"));
    EXPECT_EQ(grid.value(QStringLiteral("columns")).toArray(), (QJsonArray{"Adı Soyadı", "Şehir", "GSM", "Borç", "Kod"}));
    EXPECT_EQ(controls.value(QStringLiteral("cbGsmNo")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Adı Soyadı"));

    EXPECT_OK(set(*host, QStringLiteral("frmSMS.cbFAlani"), QStringLiteral("Şehir")));
    EXPECT_OK(set(*host, QStringLiteral("frmSMS.cbFOperator"), QStringLiteral("=")));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtFDegeri"}, {"text", "İstanbul"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdFEkle"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdFiltrele"}})));
    EXPECT_OK(host->send(cmd("header", {{"control", "frmSMS.DataGrid1"}, {"column", 3}})));
    QStringList rows;
    for (const QJsonValue& row : gridRows(*host, QStringLiteral("frmSMS"), QStringLiteral("DataGrid1")))
        rows << row.toArray()[0].toString();
    EXPECT_EQ(rows, (QStringList{"Şükrü Kılıç", "Ayşe Yılmaz", "Gülşen Ünal"}));

    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtMesaj"}, {"text", "Sayın "}})));
    EXPECT_OK(host->send(cmd("popup", {{"caption", "Adı Soyadı"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdAlanEkle"}})));
    controls = form(*host, QStringLiteral("frmSMS")).value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("txtMesaj")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Sayın [##Adı Soyadı##]"));
    EXPECT_TRUE(controls.value(QStringLiteral("txtMesaj")).toObject().value(QStringLiteral("focused")).toBool());
    EXPECT_EQ(controls.value(QStringLiteral("Frame2")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("Mesaj içeriği: 138 / 160"));
    grid = controls.value(QStringLiteral("DataGrid1")).toObject();
    EXPECT_EQ(grid.value(QStringLiteral("caption")).toString(), QStringLiteral("Toplam kayıt : 3"));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, SettingsSwitchToAPalvoriGatewayAndTheNextCommandGoesThere) {
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Ayarlar"}})));
    ASSERT_TRUE(form(*host, QStringLiteral("frmGiris")).value(QStringLiteral("visible")).toBool());
    signIn(*host, true);
    QJsonObject settings = form(*host, QStringLiteral("frmAyarlar"));
    ASSERT_TRUE(settings.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(settings.value(QStringLiteral("caption")).toString(), QStringLiteral("Quillmere - Ayarlar"));
    QJsonObject controls = settings.value(QStringLiteral("controls")).toObject();
    EXPECT_TRUE(controls.value(QStringLiteral("optAnaHesap")).toObject().value(QStringLiteral("value")).toBool());
    EXPECT_EQ(controls.value(QStringLiteral("txtUserName_m")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("demo"));
    EXPECT_EQ(controls.value(QStringLiteral("txtClientKodu_m")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("DEMO"));

    const QString palvori = emulator.base() + QStringLiteral("/palvori");
    EXPECT_OK(host->send(cmd("click", {{"control", "frmAyarlar.optPalvori"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmAyarlar.txtPalvoriYolu"}, {"text", palvori}})));
    EXPECT_OK(set(*host, QStringLiteral("frmAyarlar.SSTab1"), 1));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmAyarlar.txtUserName_i"}, {"text", "demo"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmAyarlar.txtPassWord_i"}, {"text", "demo123"}})));
    EXPECT_OK(set(*host, QStringLiteral("frmAyarlar.chkKaydet_i"), 1));
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmAyarlar.cmdKaydet"}})));
    const QJsonArray boxes = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi."));
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("buttons")).toInt(), 64);
    controls = form(*host, QStringLiteral("frmAyarlar")).value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("cmdVazgec")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("Kapat"));
    // The account was checked at the address just typed.
    auto requests = receivedRequests(dir.filePath(QStringLiteral("gateway.log")));
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().first, QStringLiteral("/palvori"));
    EXPECT_TRUE(requests.back().second.contains(QStringLiteral("<UserName>demo</UserName>")));
    EXPECT_TRUE(requests.back().second.contains(QStringLiteral("<Action>4</Action>")));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmAyarlar.cmdVazgec"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmAyarlar")).isEmpty());

    // The next command loads the Palvori gateway: its stored login is tested
    // there, and the window opens.
    const size_t before = requests.size();
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).isEmpty());
    requests = receivedRequests(dir.filePath(QStringLiteral("gateway.log")));
    ASSERT_GT(requests.size(), before);
    EXPECT_EQ(requests[before].first, QStringLiteral("/palvori"));
    EXPECT_TRUE(requests[before].second.contains(QStringLiteral("<Action>12</Action>")));
    EXPECT_TRUE(requests[before].second.contains(QStringLiteral("<UserName>demo</UserName>")));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

// The stored Palvori server went away: every command says the gateway
// cannot be reached, except "Ayarlar", which says so and opens, so that
// another address can be chosen.
TEST_F(Edition1, SettingsOpenWhenTheStoredGatewayCannotBeReached) {
    const FaultServer refusing({}, false);
    {
        auto db = std::make_shared<ado::Connection>();
        db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + addinFolder + QStringLiteral("/tervane.mdb"));
        db->Execute(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'demo123', "
                                   "flg_kaydet_i = '1', flg_gw = '1', url_palvori = '%1'")
                        .arg(refusing.url(QStringLiteral("/palvori"))));
    }
    auto host = start({QStringLiteral("--addin"), addin()});
    auto shown = [&] {
        QStringList out;
        for (const QJsonValue& box : host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray())
            out << box.toObject().value(QStringLiteral("text")).toString() + u'|'
                       + QString::number(box.toObject().value(QStringLiteral("buttons")).toInt());
        return out;
    };
    for (const char* caption : {"SMS Gönder", "Raporlar", "Web"}) {
        EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", caption}})));
        EXPECT_EQ(shown(), QStringList{QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.|16")}) << caption;
        for (const char* window : {"frmSihirbaz", "frmRapor", "frmDestek", "frmGiris"})
            EXPECT_TRUE(form(*host, QLatin1String(window)).isEmpty()) << caption << ' ' << window;
    }

    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Ayarlar"}})));
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.\r\nAyarlar penceresinden Palvori "
                                                  "adresini değiştirebilir ya da başka bir mesaj merkezi seçebilirsiniz.|64")});
    const QJsonObject settings = form(*host, QStringLiteral("frmAyarlar"));
    ASSERT_TRUE(settings.value(QStringLiteral("visible")).toBool());
    const QJsonObject controls = settings.value(QStringLiteral("controls")).toObject();
    EXPECT_TRUE(controls.value(QStringLiteral("optPalvori")).toObject().value(QStringLiteral("value")).toBool());
    EXPECT_EQ(controls.value(QStringLiteral("txtPalvoriYolu")).toObject().value(QStringLiteral("text")).toString(),
              refusing.url(QStringLiteral("/palvori")));

    // The account stored with the address that went away is filled in.
    EXPECT_EQ(controls.value(QStringLiteral("txtUserName_i")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("demo"));
    EXPECT_EQ(controls.value(QStringLiteral("chkKaydet_i")).toObject().value(QStringLiteral("value")).toInt(), 1);

    // Another address, checked and kept: the next command goes there.
    EXPECT_OK(set(*host, QStringLiteral("frmAyarlar.txtPalvoriYolu"), emulator.base() + QStringLiteral("/palvori")));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmAyarlar.cmdKaydet"}})));
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi.|64")});
    EXPECT_OK(host->send(cmd("click", {{"control", "frmAyarlar.cmdVazgec"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, TheAboutBoxAndTheSupportPageAfterSignIn) {
    auto host = start({QStringLiteral("--addin"), addin()});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Worksheet Menu Bar"},
                                       {"path", QJsonArray{"&Quillmere", "Quillmere Hakkında"}}})));
    signIn(*host, true);
    const QJsonObject about = form(*host, QStringLiteral("frmHakkinda"));
    ASSERT_TRUE(about.value(QStringLiteral("visible")).toBool());
    const QJsonObject controls = about.value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("lblKullanici")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("demo"));
    EXPECT_EQ(controls.value(QStringLiteral("lblBayi")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral("DEMO"));
    const QJsonObject close = controls.value(QStringLiteral("TeskXpButton1")).toObject();
    EXPECT_EQ(close.value(QStringLiteral("kind")).toString(), QStringLiteral("button"));
    EXPECT_EQ(close.value(QStringLiteral("caption")).toString(), QStringLiteral("Kapat"));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmHakkinda.TeskXpButton1"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmHakkinda")).isEmpty());

    // Each "Web" passes the gate and opens the login page again.
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Web"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmDestek")).isEmpty());
    EXPECT_OK(host->send(cmd("press", {{"bar", "Worksheet Menu Bar"}, {"path", QJsonArray{"&Quillmere", "Web"}}})));
    const QJsonArray calls = host->send(cmd("shell")).value(QStringLiteral("shell")).toArray();
    ASSERT_EQ(calls.size(), 2);
    for (const QJsonValue& c : calls) {
        EXPECT_EQ(c.toObject().value(QStringLiteral("verb")).toString(), QStringLiteral("open"));
        EXPECT_EQ(c.toObject().value(QStringLiteral("file")).toString(),
                  QStringLiteral("http://www.quillmere.example/sms/login.asp?username=demo&password=demo123&company=DEMO"));
        EXPECT_EQ(c.toObject().value(QStringLiteral("show")).toInt(), 5);
    }
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

// After a quick send: the report of the request, a status filter, the
// export of what it shows to a workbook on disk, and a resend to exactly
// the numbers that failed.
TEST_F(Edition1, AReportIsFilteredExportedAndItsFailedNumbersAreSentAgain) {
    auto host = start({QStringLiteral("--addin"), addin()});
    // Final statuses by the last digit: 7 delivered, 0 rejected, 9 timed out.
    openQuickSend(*host, {{"A1", "05321234567"}, {"A2", "05551112230"}, {"A3", "05431112239"}}, "A1:A3");
    sendText(*host, "Rapor denemesi");
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    ASSERT_EQ(gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid2")).size(), 3);

    for (const char* box : {"frmRapor.Check1", "frmRapor.Check2", "frmRapor.Check3"})
        EXPECT_OK(set(*host, QLatin1String(box), 0));
    QJsonArray shown = gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid2"));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toArray()[0].toString(), QStringLiteral("5551112230"));

    const QString workbook = dir.filePath(QStringLiteral("reddedilenler.xls"));
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("save-dialog", {{"path", workbook}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdExceleGonder_1"}})));
    QJsonArray boxes = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).isEmpty());
    const QJsonArray instances = host->send(cmd("instances")).value(QStringLiteral("instances")).toArray();
    ASSERT_EQ(instances.size(), 1);
    EXPECT_TRUE(instances[0].toObject().value(QStringLiteral("visible")).toBool());

    const excel::WorkbookData book = excel::ReadWorkbookFile(workbook);
    ASSERT_EQ(book.sheets.size(), 1u);
    QStringList written;
    for (int r = 0; r < book.sheets[0].rowCount(); ++r)
        for (int c = 0; c < 2; ++c)
            if (const std::optional<excel::CellData> cell = book.sheets[0].cell(r, c))
                written << vb::CStr(cell->value);
    EXPECT_EQ(written, (QStringList{"GsmNo", "Durum", "5551112230", "Reddedildi"}));

    // The window closed with the export; opened again, its report hands the
    // failed numbers to the quick-send page.
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    signIn(*host);
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRedZaGonder_1"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).isEmpty());
    const QJsonObject page = form(*host, QStringLiteral("frmSMS_1"));
    ASSERT_TRUE(page.value(QStringLiteral("visible")).toBool());
    QStringList numbers;
    for (const QJsonValue& row : gridRows(*host, QStringLiteral("frmSMS_1"), QStringLiteral("DataGrid1")))
        numbers << row.toArray()[0].toString();
    EXPECT_EQ(numbers, (QStringList{"5431112239", "5551112230"}));
    EXPECT_EQ(page.value(QStringLiteral("controls")).toObject().value(QStringLiteral("lblToplam")).toObject().value(
                  QStringLiteral("caption")).toString(),
              QStringLiteral(" 2"));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

// An export to a disk that is full says so, and leaves no file behind.
TEST_F(Edition1, AnExportToAFullDiskSaysTheDiskIsFull) {
    const QString full = dir.filePath(QStringLiteral("dolu"));
    ASSERT_TRUE(QDir().mkpath(full));
    env.insert(QStringLiteral("LD_PRELOAD"), buildPath(QStringLiteral("tests/lib/full_disk.so")));
    env.insert(QStringLiteral("QM_FULL_DISK"), QFileInfo(full).canonicalFilePath());
    auto host = start({QStringLiteral("--addin"), addin()});
    openQuickSend(*host, {{"A1", "05321234567"}}, "A1");
    sendText(*host, "Rapor denemesi");
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_1"}})));
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));

    const QString workbook = QFileInfo(full).canonicalFilePath() + QStringLiteral("/rapor.xls");
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("save-dialog", {{"path", workbook}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdExceleGonder_1"}})));
    const QJsonArray boxes = host->send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Diskte yer kalmadığından '%1' dosyasına yazılamıyor.\r\nBaşlık bilgileri oluşturulamadı")
                  .arg(workbook));
    EXPECT_EQ(boxes[1].toObject().value(QStringLiteral("buttons")).toInt(), 16);

    // The host's own saves, in each of its formats, say the same.
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "Dolu disk"}})));
    for (const char* name : {"kitap.xls", "kitap.xlsx", "kitap.csv"}) {
        const QString path = QFileInfo(full).canonicalFilePath() + u'/' + QLatin1String(name);
        // What a CSV file cannot hold is asked about first.
        if (path.endsWith(u".csv"))
            EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
        const QJsonObject reply = host->send(cmd("save-as", {{"path", path}}));
        EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool()) << name;
        EXPECT_TRUE(reply.value(QStringLiteral("error")).toString().contains(
            QStringLiteral("Diskte yer kalmadığından '%1' dosyasına yazılamıyor.").arg(path)))
            << reply.value(QStringLiteral("error")).toString().toStdString();
    }
    EXPECT_EQ(host->finish(), 0);
    EXPECT_TRUE(QDir(full).isEmpty());
}

// The number tab lists the package sent to a number, and shows its text.
TEST_F(Edition1, TheReportOfANumberAndTheMessageItWasSent) {
    auto host = start({QStringLiteral("--addin"), addin()});
    openQuickSend(*host, {{"A1", "05321234567"}, {"A2", "05551112230"}}, "A1:A2");
    sendText(*host, "Kargonuz yola cikti");
    ASSERT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("messages", {{"clear", true}})));
    EXPECT_OK(set(*host, QStringLiteral("frmRapor.SSTab1"), 2));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmRapor.txtGsmNo"}, {"text", "5551112230"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_3"}})));
    const QJsonArray packages = gridRows(*host, QStringLiteral("frmRapor"), QStringLiteral("DataGrid4"));
    ASSERT_EQ(packages.size(), 1);
    EXPECT_EQ(packages[0].toArray()[0].toString(), QStringLiteral("100001"));
    EXPECT_TRUE(packages[0].toArray()[1].toString().startsWith(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));

    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdMesajGoster"}})));
    const QJsonArray boxes = host->send(cmd("messages")).value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("100001 mesaj paketindeki 5551112230 numaralı GSM hattına giden mesaj :\r\n\r\n"
                             "Kargonuz yola cikti"));
    EXPECT_EQ(boxes[0].toObject().value(QStringLiteral("title")).toString(), QStringLiteral("Quillmere"));
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition1, AMergedSendFromASavedWorkbookSendsOneMessageANumberAndSetsTheLongRowAside) {
    // Where the README says the set-aside rows land.
    const QString drive = dir.filePath(QStringLiteral("surucu"));
    ASSERT_TRUE(QDir().mkpath(drive));
    env.insert(QStringLiteral("QUILLMERE_WINDOWS_DRIVE"), drive);
    auto host = start({QStringLiteral("--addin"), addin()});

    // The user's own workbook: names, numbers as numbers, one name so long
    // that its message cannot go out; saved before the template road.
    const QString longName = QStringLiteral("Ömer ") + QString(150, u'x');
    EXPECT_OK(host->send(cmd("new")));
    const std::pair<const char*, QJsonValue> cells[] = {
        {"A1", "Ad"},  {"B1", "GSM"},          {"A2", "Ali"},    {"B2", 5321112233.0},
        {"A3", "Ayşe"}, {"B3", 5551112233.0}, {"A4", longName}, {"B4", 5431112233.0},
    };
    for (const auto& [address, value] : cells)
        EXPECT_OK(host->send(cmd("set-cell", {{"address", address}, {"value", value}})));
    EXPECT_OK(host->send(cmd("save-as", {{"path", dir.filePath(QStringLiteral("liste.xls"))}})));

    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host);
    EXPECT_OK(set(*host, QStringLiteral("frmSihirbaz.optTumu"), true));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    ASSERT_TRUE(form(*host, QStringLiteral("frmSMS")).value(QStringLiteral("visible")).toBool());
    EXPECT_OK(set(*host, QStringLiteral("frmSMS.cbGsmNo"), QStringLiteral("GSM")));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtMesaj"}, {"text", "Sayın "}})));
    EXPECT_OK(host->send(cmd("popup", {{"caption", "Ad"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdAlanEkle"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtMesaj"}, {"text", ", ödemeniz alındı."}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdIleri"}})));

    const QJsonObject screen = form(*host, QStringLiteral("frmSonEkran"));
    ASSERT_TRUE(screen.value(QStringLiteral("visible")).toBool());
    EXPECT_FALSE(form(*host, QStringLiteral("frmSMS")).value(QStringLiteral("visible")).toBool());
    const QJsonObject controls = screen.value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("lblToplam")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral(" 2"));
    EXPECT_EQ(controls.value(QStringLiteral("lblKontor")).toObject().value(QStringLiteral("caption")).toString(),
              QStringLiteral(" 1000"));
    EXPECT_EQ(controls.value(QStringLiteral("cbGonderen")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("QUILLMERE"));
    QStringList listed;
    for (const QJsonValue& row : gridRows(*host, QStringLiteral("frmSonEkran"), QStringLiteral("DataGrid1")))
        listed << row.toArray()[0].toString() + u' ' + row.toArray()[1].toString();
    EXPECT_EQ(listed, (QStringList{"5321112233 Sayın Ali, ödemeniz alındı.", "5551112233 Sayın Ayşe, ödemeniz alındı."}));
    EXPECT_TRUE(host->send(cmd("messages")).value(QStringLiteral("messages")).toArray().isEmpty());

    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSonEkran.cmdGonder"}})));
    QStringList texts;
    for (const QJsonValue& box : host->send(cmd("messages")).value(QStringLiteral("messages")).toArray())
        texts << box.toObject().value(QStringLiteral("text")).toString();
    ASSERT_EQ(texts.size(), 3) << texts.join(u'|').toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("Mesajınız 2 kişiye gönderilecektir. Devam etmek istiyor musunuz?"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Mesajınız başarıyla gönderildi.\r\nAncak")));
    EXPECT_EQ(texts[2], QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    EXPECT_TRUE(form(*host, QStringLiteral("frmRapor")).value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(form(*host, QStringLiteral("frmSonEkran")).isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmSMS")).isEmpty());

    // The set-aside row under the sheet's column headers, in a workbook the
    // export left open for the user.
    const QString setAside = drive + QStringLiteral("/gitmeyen.xls");
    ASSERT_TRUE(QFile::exists(setAside));
    const QJsonArray instances = host->send(cmd("instances")).value(QStringLiteral("instances")).toArray();
    ASSERT_EQ(instances.size(), 1);
    EXPECT_TRUE(instances[0].toObject().value(QStringLiteral("visible")).toBool());
    EXPECT_OK(host->send(cmd("open", {{"path", setAside}})));
    auto cell = [&](const char* address) {
        return host->send(cmd("cell", {{"sheet", "Sayfa1"}, {"address", address}})).value(QStringLiteral("text")).toString();
    };
    EXPECT_EQ((QStringList{cell("A1"), cell("B1"), cell("A2"), cell("B2"), cell("A3")}),
              (QStringList{"Ad", "GSM", longName, "5431112233", ""}));
    EXPECT_EQ(host->finish(), 0);

    // One package of one message a number, the merged texts folded.
    QList<QPair<QString, QString>> messages;
    int sends = 0;
    for (const QString& document : receivedDocuments(dir.filePath(QStringLiteral("gateway.log")))) {
        if (!document.startsWith(QStringLiteral("<MainmsgBody>")))
            continue;
        ++sends;
        EXPECT_TRUE(document.contains(QStringLiteral("<Action>1</Action>")));
        QXmlStreamReader xml(document);
        QString text;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Mesgbody")
                text = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == u"Number")
                messages.append({text, xml.readElementText()});
        }
    }
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(messages, (QList<QPair<QString, QString>>{{"Sayin Ali, odemeniz alindi.", "5321112233"},
                                                       {"Sayin Ayse, odemeniz alindi.", "5551112233"}}));

    // The package in the send log, with the template that made it.
    auto db = std::make_shared<ado::Connection>();
    db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + addinFolder + QStringLiteral("/tervane.mdb"));
    auto rows = db->Execute(QStringLiteral("SELECT * FROM tbl_giden"));
    ASSERT_FALSE(rows->Eof());
    const QString id = vb::CStr(rows->Fields(QStringLiteral("msgid")).Value());
    EXPECT_EQ(id, QStringLiteral("100001"));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("msg_tip")).Value()), QStringLiteral("Dosya alanlarını kullan."));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("paket_boyut")).Value()), QStringLiteral("2"));
    EXPECT_EQ(vb::CStr(rows->Fields(QStringLiteral("mesaj")).Value()), QStringLiteral("İlk Kayıt :Sayın Ali, ödemeniz alındı."));
    auto templates = db->Execute(QStringLiteral("SELECT * FROM tbl_sablonlar"));
    ASSERT_FALSE(templates->Eof());
    EXPECT_EQ(vb::CStr(templates->Fields(QStringLiteral("msgid")).Value()), id);
    EXPECT_EQ(vb::CStr(templates->Fields(QStringLiteral("sablon_p1")).Value()), QStringLiteral("Sayın [##Ad##], ödemeniz alındı."));
}

TEST_F(Edition1, RemovingTheAddinKeepsTheHostRunning) {
    auto host = start({QStringLiteral("--addin"), addin()});
    ASSERT_FALSE(bar(*host, QStringLiteral("Quillmere")).isEmpty());
    EXPECT_OK(host->send(cmd("connect-addin", {{"path", addin()}, {"connected", false}})));
    EXPECT_TRUE(bar(*host, QStringLiteral("Quillmere")).isEmpty());
    const QJsonArray addins = host->send(cmd("addins")).value(QStringLiteral("addins")).toArray();
    ASSERT_EQ(addins.size(), 1);
    EXPECT_FALSE(addins[0].toObject().value(QStringLiteral("connected")).toBool());
    // Still there and still answering: the user keeps the spreadsheet.
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "devam"}})));
    EXPECT_EQ(host->finish(), 0);
}

// The headless demo of scripts/run prints its own lines only: what the host
// and its toolkit say on standard error (platform notes such as a missing
// XDG_RUNTIME_DIR) stays aside while every step succeeds.
TEST_F(Edition1, TheHeadlessDemoPrintsItsOwnLinesOnly) {
    auto run = [](const QString& program, const QStringList& args, const QProcessEnvironment& environment) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    };
    ASSERT_EQ(run(hostProgram(), {QStringLiteral("--register"), addin()}, env).first, 0);
    ASSERT_EQ(run(buildPath(QStringLiteral("bin/demo-setup")), {addinFolder, emulator.base() + u'/'}, env).first, 0);

    QProcessEnvironment demoEnv = env;
    demoEnv.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    const auto [code, output] =
        run(buildPath(QStringLiteral("bin/demo-drive")),
            {hostProgram(), QStringLiteral(QM_SOURCE_DIR "/samples/musteriler.csv"), dir.filePath(QStringLiteral("gateway.log")),
             addinFolder},
            demoEnv);
    EXPECT_EQ(code, 0) << output.toStdString();
    EXPECT_TRUE(output.trimmed().endsWith(QStringLiteral("Demo finished: every step succeeded."))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("report window open: yes"))) << output.toStdString();
    for (const char* note : {"XDG_RUNTIME_DIR", "This plugin does not support", "QStandardPaths"})
        EXPECT_FALSE(output.contains(QLatin1String(note))) << note << '\n' << output.toStdString();
}

// Help viewers read a compiled help file's texts in the code page of its
// language, Turkish: its title is written in windows-1254, not in UTF-8.
TEST(HelpFile, TheTitleIsInTheCodePageOfItsLanguage) {
    for (const char* edition : {"edition1", "edition2"}) {
        SCOPED_TRACE(edition);
        QFile f(buildPath(QStringLiteral("addins/%1/quillmere.chm").arg(QLatin1String(edition))));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray chm = f.readAll();
        EXPECT_TRUE(chm.contains("Quillmere Yard\xFDm"));
        EXPECT_FALSE(chm.contains("Yard\xC4\xB1m"));
    }
}

} // namespace
