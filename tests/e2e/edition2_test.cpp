// The second edition in the host program, registered for the user, driven
// through the automation protocol against the local gateway emulator.
#include "tests/support/automation.h"
#include "tests/support/emulator_control.h"

#include "platform/ado/ado.h"
#include "platform/vb/variant.h"
#include "platform/win32/registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace automation;

namespace {

using Requests = std::vector<std::pair<QString, QString>>;

class Edition2 : public ::testing::Test {
protected:
    QTemporaryDir dir;
    EmulatorProcess emulator{{QStringLiteral("--settle-ms"), QStringLiteral("0"), QStringLiteral("--log"),
                              dir.filePath(QStringLiteral("gateway.log"))}};
    QProcessEnvironment env;

    void SetUp() override {
        ASSERT_GT(emulator.port(), 0);
        for (int edition : {1, 2})
            ASSERT_EQ(copyAddin(dir, QStringLiteral("edition%1").arg(edition),
                                {QStringLiteral("quillmere.so"), QStringLiteral("quillmere.chm")}),
                      addinFolder(edition));
        env = hostEnvironment(dir);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), emulator.base());
        // This process reads the same registry file.
        qputenv("QUILLMERE_REGISTRY", registryFile().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("QUILLMERE_REGISTRY"); }

    QString registryFile() const { return dir.filePath(QStringLiteral("registry.json")); }
    QString addinFolder(int edition) const { return dir.filePath(QStringLiteral("addins/edition%1").arg(edition)); }
    QString addin(int edition) const { return addinFolder(edition) + QStringLiteral("/quillmere.so"); }
    Requests requests() const { return receivedRequests(dir.filePath(QStringLiteral("gateway.log"))); }

    // sheet-host --register or --unregister; its exit code.
    int registration(const char* option, int edition) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(hostProgram(), {QLatin1String(option), addin(edition)});
        if (!p.waitForFinished(15000))
            return -1;
        return p.exitCode();
    }
    static std::optional<QVariant> value(const QString& key, const QString& name = {}) {
        return win32::Registry::value(key, name);
    }
    static QString progIdOf(const QString& library) {
        const QString addinsKey = QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins");
        for (const QString& progId : win32::Registry::subKeys(addinsKey)) {
            const auto clsid = value(QStringLiteral("HKCR\\%1\\CLSID").arg(progId));
            if (clsid && value(QStringLiteral("HKCR\\CLSID\\%1\\InprocServer32").arg(clsid->toString()))
                             == QVariant(QFileInfo(library).canonicalFilePath()))
                return value(QStringLiteral("HKCR\\CLSID\\%1\\ProgID").arg(clsid->toString())).value().toString();
        }
        return {};
    }

    // The classes registered, in order (the data-access components' among them).
    static QStringList classes() {
        QStringList out = win32::Registry::subKeys(QStringLiteral("HKCR\\CLSID"));
        out.sort();
        return out;
    }
    static QString clsidOf(const char* progId) {
        return value(QStringLiteral("HKCR\\%1\\CLSID").arg(QLatin1String(progId))).value_or(QVariant()).toString();
    }
    static inline const QString kAdoClass = QStringLiteral("{00000514-0000-0010-8000-00AA006D2EA4}");

    std::unique_ptr<HostProcess> start(const QStringList& args = {}) {
        auto host = std::make_unique<HostProcess>(args, env);
        EXPECT_TRUE(host->started());
        return host;
    }
    static bool visible(HostProcess& host, const char* name) {
        return form(host, QLatin1String(name)).value(QStringLiteral("visible")).toBool();
    }
    static QJsonArray messages(HostProcess& host) {
        return host.send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    }
    static void signIn(HostProcess& host, bool keep) {
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "demo"}})));
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "demo123"}})));
        EXPECT_OK(host.send(cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "DEMO"}})));
        if (keep)
            EXPECT_OK(host.send(cmd("set", {{"control", "frmGiris.chkKaydet"}, {"value", 1}})));
        EXPECT_OK(host.send(cmd("click", {{"control", "frmGiris.btnOturumAc"}})));
    }
    static QString caption(HostProcess& host, const char* formName, const char* name) {
        return control(host, formName, name).value(QStringLiteral("caption")).toString();
    }
    static QStringList gridRows(HostProcess& host, const char* formName, const char* grid) {
        QStringList out;
        for (const QJsonValue& row : control(host, formName, grid).value(QStringLiteral("rows")).toArray())
            out << row.toArray()[0].toString() + u' ' + row.toArray()[1].toString();
        return out;
    }
    static QStringList texts(const QJsonArray& boxes) {
        QStringList out;
        for (const QJsonValue& box : boxes)
            out << box.toObject().value(QStringLiteral("text")).toString();
        return out;
    }
    // The send log beside the second edition.
    ado::RecordsetPtr logged(const char* table) const {
        auto db = std::make_shared<ado::Connection>();
        db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + addinFolder(2)
                 + QStringLiteral("/tervane.mdb"));
        return db->Execute(QStringLiteral("SELECT * FROM ") + QLatin1String(table));
    }
    // The packages the emulator received: each one's action and its
    // messages, text and number.
    struct Package {
        QString action;
        std::vector<std::pair<QString, QString>> messages;
    };
    std::vector<Package> packages() const {
        std::vector<Package> out;
        for (const auto& [path, body] : requests()) {
            if (!body.startsWith(QStringLiteral("<MainmsgBody>")))
                continue;
            EXPECT_FALSE(body.contains(QStringLiteral("ClientID"))) << body.toStdString();
            Package p;
            QXmlStreamReader xml(body);
            QString text;
            while (!xml.atEnd()) {
                xml.readNext();
                if (!xml.isStartElement())
                    continue;
                if (xml.name() == u"Action")
                    p.action = xml.readElementText();
                else if (xml.name() == u"Mesgbody")
                    text = xml.readElementText();
                else if (xml.name() == u"Number")
                    p.messages.emplace_back(text, xml.readElementText());
            }
            out.push_back(std::move(p));
        }
        return out;
    }
};

TEST_F(Edition2, RegisteredAloneANewUserSignsInAndTheWelcomePageOpens) {
    ASSERT_EQ(registration("--register", 2), 0);
    const QString key = QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\quillmere.Connect");
    EXPECT_EQ(value(key, QStringLiteral("FriendlyName")), QVariant(QStringLiteral("DorvaneQuillmere")));
    EXPECT_EQ(value(key, QStringLiteral("Description")), QVariant(QStringLiteral("DorvaneQuillmere")));
    EXPECT_EQ(value(key, QStringLiteral("LoadBehavior")), QVariant(3));
    EXPECT_EQ(progIdOf(addin(2)), QStringLiteral("quillmere.Connect"));

    auto host = start();
    const QJsonArray addins = host->send(cmd("addins")).value(QStringLiteral("addins")).toArray();
    ASSERT_EQ(addins.size(), 1);
    EXPECT_EQ(addins[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("DorvaneQuillmere"));
    EXPECT_TRUE(addins[0].toObject().value(QStringLiteral("connected")).toBool());

    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    ASSERT_TRUE(visible(*host, "frmGiris"));
    EXPECT_FALSE(visible(*host, "frmSihirbaz"));
    signIn(*host, true);
    EXPECT_TRUE(form(*host, QStringLiteral("frmGiris")).isEmpty());
    EXPECT_TRUE(visible(*host, "frmSihirbaz"));
    EXPECT_TRUE(messages(*host).isEmpty());

    // The login was kept: the next command opens its window, and the
    // stored-login test asks the gateway nothing.
    ASSERT_EQ(requests().size(), 1u);
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "Raporlar"}})));
    EXPECT_TRUE(visible(*host, "frmRapor"));
    EXPECT_TRUE(messages(*host).isEmpty());
    EXPECT_EQ(host->finish(), 0);

    const Requests sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, QStringLiteral("/com.orventa"));
    EXPECT_EQ(sent[0].second, QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                                           "<Action>4</Action></MainReportRoot>"));
    for (const auto& [path, body] : sent)
        EXPECT_FALSE(body.contains(QStringLiteral("ClientID"))) << body.toStdString();
    EXPECT_TRUE(QFile::exists(addinFolder(2) + QStringLiteral("/tervane.mdb")));
    EXPECT_FALSE(QFile::exists(addinFolder(1) + QStringLiteral("/tervane.mdb")));
}

TEST_F(Edition2, TheQuickSendPageListsEveryNumberBeginningWith5) {
    auto host = start({QStringLiteral("--addin"), addin(2)});
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "0512 345 67 89"}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A2"}, {"value", "+90 599 111 22 33"}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A3"}, {"value", "0412 345 67 89"}})));
    EXPECT_OK(host->send(cmd("select", {{"range", "A1:A3"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host, false);
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    ASSERT_TRUE(visible(*host, "frmSMS_1"));
    QStringList numbers;
    for (const QJsonValue& row : form(*host, QStringLiteral("frmSMS_1")).value(QStringLiteral("controls")).toObject()
                                     .value(QStringLiteral("DataGrid1")).toObject().value(QStringLiteral("rows")).toArray())
        numbers << row.toArray()[0].toString();
    EXPECT_EQ(numbers, (QStringList{"5123456789", "5991112233"}));
    EXPECT_EQ(host->finish(), 0);
    for (const auto& [path, body] : requests())
        EXPECT_FALSE(body.contains(QStringLiteral("ClientID"))) << body.toStdString();
}

// A gateway behind a Windows server ends the account's lines with CR LF: the
// credit and the originator are read without the carriage return, and the
// basket's package goes out and is accepted.
TEST_F(Edition2, AnAccountAnsweredWithWindowsLineEndsStillSends) {
    auto host = start({QStringLiteral("--addin"), addin(2)});
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_OK(host->send(cmd("set-cell", {{"address", "A1"}, {"value", "05321234567"}})));
    EXPECT_OK(host->send(cmd("select", {{"range", "A1"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host, false);
    ASSERT_TRUE(control(emulator.port(), {{"cmd", "next-reply"}, {"action", 4}, {"reply", "250\r\nQUILLMERE\r\n"}})
                    .value(QStringLiteral("ok")).toBool());
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    ASSERT_TRUE(visible(*host, "frmSMS_1"));
    EXPECT_EQ(caption(*host, "frmSMS_1", "lblKontor"), QStringLiteral(" 250"));
    EXPECT_EQ(control(*host, "frmSMS_1", "cbGonderen").value(QStringLiteral("text")).toString(),
              QStringLiteral("QUILLMERE"));

    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS_1.txtMesaj"}, {"text", "Satır sonları"}})));
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS_1.cmdIleri"}})));
    const QStringList shown = texts(messages(*host));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    EXPECT_EQ(host->finish(), 0);
    const Requests sent = requests();
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(sent.back().second.contains(QStringLiteral("<Originator>QUILLMERE</Originator>")))
        << sent.back().second.toStdString();
}

// A text of 200 characters to three numbers is 6 SMS: counted, confirmed,
// sent through the basket as one package of long messages and logged; then
// the report window finds the package by a number and shows its message.
TEST_F(Edition2, AQuickSendOfALongTextIsChargedInPartsLoggedAndReported) {
    auto host = start({QStringLiteral("--addin"), addin(2)});
    EXPECT_OK(host->send(cmd("new")));
    const std::pair<const char*, QJsonValue> cells[] = {
        {"A1", "0512 345 67 89"}, {"A2", 5551112230.0}, {"A3", "+90 532 111 22 39"}};
    for (const auto& [address, value] : cells)
        EXPECT_OK(host->send(cmd("set-cell", {{"address", address}, {"value", value}})));
    EXPECT_OK(host->send(cmd("select", {{"range", "A1:A3"}})));
    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host, false);
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    ASSERT_TRUE(visible(*host, "frmSMS_1"));
    EXPECT_EQ(caption(*host, "frmSMS_1", "lblToplam"), QStringLiteral(" 3"));
    EXPECT_EQ(caption(*host, "frmSMS_1", "lblKontor"), QStringLiteral(" 1000"));

    const QString text = QStringLiteral("Sayın müşterimiz, ") + QString(182, u'x');
    ASSERT_EQ(text.size(), 200);
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS_1.txtMesaj"}, {"text", text}})));
    EXPECT_EQ(caption(*host, "frmSMS_1", "lblKalanKrk"), QStringLiteral("200 / 2 SMS"));
    EXPECT_EQ(caption(*host, "frmSMS_1", "lblToplam"), QStringLiteral(" 6"));
    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS_1.cmdIleri"}})));
    EXPECT_EQ(texts(messages(*host)),
              (QStringList{QStringLiteral("Mesajınız 3 kişiye,  6 SMS  gönderilecektir. Devam etmek istiyor musunuz?"),
                           QStringLiteral("Mesaj Başarı İle Gönderildi.")}));
    EXPECT_TRUE(form(*host, QStringLiteral("frmSMS_1")).isEmpty());
    ASSERT_TRUE(visible(*host, "frmRapor"));

    // The report of one number: the package and its time; its message, as
    // the gateway got it.
    EXPECT_OK(host->send(cmd("set", {{"control", "frmRapor.SSTab1"}, {"value", 2}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmRapor.txtGsmNo"}, {"text", "5551112230"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdRaporGoruntule_3"}})));
    const QStringList reported = gridRows(*host, "frmRapor", "DataGrid4");
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].startsWith(QStringLiteral("100001 ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))))
        << reported[0].toStdString();
    EXPECT_OK(host->send(cmd("click", {{"control", "frmRapor.cmdMesajGoster"}})));
    const QString folded = QStringLiteral("Sayin musterimiz, ") + QString(182, u'x');
    EXPECT_EQ(texts(messages(*host)),
              QStringList{QStringLiteral("100001 mesaj paketindeki 5551112230 numaralı GSM hattına giden mesaj :\r\n\r\n")
                          + folded});
    EXPECT_EQ(host->finish(), 0);

    const std::vector<Package> sent = packages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].action, QStringLiteral("41"));
    EXPECT_EQ(sent[0].messages, (std::vector<std::pair<QString, QString>>{
                                    {folded, "5123456789"}, {folded, "5551112230"}, {folded, "5321112239"}}));
    for (const auto& [path, body] : requests())
        EXPECT_FALSE(body.contains(QStringLiteral("ClientID"))) << body.toStdString();
    auto row = logged("tbl_giden");
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msgid")).Value()), QStringLiteral("100001"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("paket_boyut")).Value()), QStringLiteral("3"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("mesaj")).Value()), QStringLiteral("İlk Kayıt :") + text);
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msg_tip")).Value()), QStringLiteral("GsmNo alanlarını kullan."));
}

// The user's own workbook, saved, with a second sheet the page does not
// read: one long merged message among short ones makes one package of
// action 41, charged in parts, logged with its template, and nothing is
// set aside.
TEST_F(Edition2, AMergedSendFromASavedWorkbookGoesAsOnePackageOfLongMessages) {
    const QString drive = dir.filePath(QStringLiteral("surucu"));
    ASSERT_TRUE(QDir().mkpath(drive));
    env.insert(QStringLiteral("QUILLMERE_WINDOWS_DRIVE"), drive);
    auto host = start({QStringLiteral("--addin"), addin(2)});

    const QString longNote = QStringLiteral("Ödemeniz ") + QString(150, u'y');
    EXPECT_OK(host->send(cmd("new")));
    const std::pair<const char*, QJsonValue> cells[] = {
        {"A1", "Ad"},   {"B1", "GSM"},          {"C1", "Not"},
        {"A2", "Ali"},  {"B2", 5121112233.0},   {"C2", "kısa"},
        {"A3", "Ayşe"}, {"B3", "05551112233"},  {"C3", longNote},
        {"A4", "Can"},  {"B4", "0412 111 22 33"}, {"C4", "yok"},
        {"A5", "Deniz"}, {"B5", "0591 111 22 33"}, {"C5", "kısa"},
    };
    for (const auto& [address, value] : cells)
        EXPECT_OK(host->send(cmd("set-cell", {{"address", address}, {"value", value}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"sheet", "Sayfa2"}, {"address", "A1"}, {"value", "Bayi"}})));
    EXPECT_OK(host->send(cmd("set-cell", {{"sheet", "Sayfa2"}, {"address", "A2"}, {"value", "Ege"}})));
    EXPECT_OK(host->send(cmd("save-as", {{"path", dir.filePath(QStringLiteral("liste.xls"))}})));

    EXPECT_OK(host->send(cmd("press", {{"bar", "Quillmere"}, {"caption", "SMS Gönder"}})));
    signIn(*host, false);
    EXPECT_OK(host->send(cmd("set", {{"control", "frmSihirbaz.optTumu"}, {"value", true}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSihirbaz.cmdIleri"}})));
    ASSERT_TRUE(visible(*host, "frmSMS"));
    EXPECT_EQ(control(*host, "frmSMS", "DataGrid1").value(QStringLiteral("caption")).toString(),
              QStringLiteral("Toplam kayıt : 4"));
    EXPECT_TRUE(control(*host, "frmSMS", "cbSayfa").isEmpty());
    EXPECT_OK(host->send(cmd("set", {{"control", "frmSMS.cbGsmNo"}, {"value", "GSM"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtMesaj"}, {"text", "Sayın "}})));
    EXPECT_OK(host->send(cmd("popup", {{"caption", "Ad"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdAlanEkle"}})));
    EXPECT_OK(host->send(cmd("type", {{"control", "frmSMS.txtMesaj"}, {"text", ", "}})));
    EXPECT_OK(host->send(cmd("popup", {{"caption", "Not"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdAlanEkle"}})));
    EXPECT_EQ(control(*host, "frmSMS", "Frame2").value(QStringLiteral("caption")).toString(),
              QStringLiteral("25 / 1 SMS"));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSMS.cmdIleri"}})));

    ASSERT_TRUE(visible(*host, "frmSonEkran"));
    const QString longMessage = QStringLiteral("Sayın Ayşe, ") + longNote;
    ASSERT_EQ(longMessage.size(), 171);
    EXPECT_EQ(gridRows(*host, "frmSonEkran", "DataGrid1"),
              (QStringList{"5121112233 Sayın Ali, kısa", QStringLiteral("5551112233 ") + longMessage,
                           "5911112233 Sayın Deniz, kısa"}));
    EXPECT_EQ(caption(*host, "frmSonEkran", "lblToplam"), QStringLiteral(" 4"));
    EXPECT_TRUE(messages(*host).isEmpty());

    EXPECT_OK(host->send(cmd("answer", {{"with", "yes"}})));
    EXPECT_OK(host->send(cmd("click", {{"control", "frmSonEkran.cmdGonder"}})));
    EXPECT_EQ(texts(messages(*host)),
              (QStringList{QStringLiteral("Mesajınız 3 kişiye, 4 SMS gönderilecektir. Devam etmek istiyor musunuz?"),
                           QStringLiteral("Mesaj Başarı İle Gönderildi.")}));
    EXPECT_TRUE(visible(*host, "frmRapor"));
    EXPECT_TRUE(form(*host, QStringLiteral("frmSonEkran")).isEmpty());
    EXPECT_TRUE(form(*host, QStringLiteral("frmSMS")).isEmpty());
    EXPECT_EQ(host->finish(), 0);
    EXPECT_FALSE(QFile::exists(drive + QStringLiteral("/gitmeyen.xls")));

    const std::vector<Package> sent = packages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].action, QStringLiteral("41"));
    EXPECT_EQ(sent[0].messages,
              (std::vector<std::pair<QString, QString>>{{"Sayin Ali, kisa", "5121112233"},
                                                        {QStringLiteral("Sayin Ayse, Odemeniz ") + QString(150, u'y'),
                                                         "5551112233"},
                                                        {"Sayin Deniz, kisa", "5911112233"}}));
    auto row = logged("tbl_giden");
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msgid")).Value()), QStringLiteral("100001"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msg_tip")).Value()), QStringLiteral("Dosya alanlarını kullan."));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("paket_boyut")).Value()), QStringLiteral("3"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("mesaj")).Value()), QStringLiteral("İlk Kayıt :Sayın Ali, kısa"));
    auto templates = logged("tbl_sablonlar");
    ASSERT_FALSE(templates->Eof());
    EXPECT_EQ(vb::CStr(templates->Fields(QStringLiteral("sablon_p1")).Value()), QStringLiteral("Sayın [##Ad##], [##Not##]"));
}

TEST_F(Edition2, RemovingTheAddinLeavesAnOpenAboutBoxAndTheHost) {
    auto host = start({QStringLiteral("--addin"), addin(2)});
    EXPECT_OK(host->send(cmd("press", {{"bar", "Worksheet Menu Bar"},
                                       {"path", QJsonArray{"&Quillmere", "Quillmere Hakkında"}}})));
    signIn(*host, false);
    ASSERT_TRUE(visible(*host, "frmHakkinda"));
    EXPECT_OK(host->send(cmd("connect-addin", {{"path", addin(2)}, {"connected", false}})));
    EXPECT_TRUE(findByName(host->send(cmd("bars")).value(QStringLiteral("bars")).toArray(), QStringLiteral("Quillmere"))
                    .isEmpty());
    EXPECT_TRUE(visible(*host, "frmHakkinda"));
    // The box still closes with its button, and the host goes on.
    EXPECT_OK(host->send(cmd("click", {{"control", "frmHakkinda.TeskXpButton1"}})));
    EXPECT_TRUE(form(*host, QStringLiteral("frmHakkinda")).isEmpty());
    EXPECT_OK(host->send(cmd("new")));
    EXPECT_TRUE(messages(*host).isEmpty());
    EXPECT_EQ(host->finish(), 0);
}

TEST_F(Edition2, OneEditionRegisteredReplacesTheOtherAndIsNotRemovedWithIt) {
    // Their ProgIDs differ only in letter case, which the registry ignores.
    ASSERT_EQ(registration("--register", 1), 0);
    ASSERT_EQ(registration("--register", 2), 0);
    EXPECT_EQ(progIdOf(addin(2)), QStringLiteral("quillmere.Connect"));
    EXPECT_EQ(progIdOf(addin(1)), QString());
    // Unregistering the edition no longer registered leaves the other.
    EXPECT_NE(registration("--unregister", 1), -1);
    EXPECT_EQ(progIdOf(addin(2)), QStringLiteral("quillmere.Connect"));

    auto host = start();
    const QJsonArray addins = host->send(cmd("addins")).value(QStringLiteral("addins")).toArray();
    ASSERT_EQ(addins.size(), 1);
    EXPECT_EQ(addins[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("DorvaneQuillmere"));
    EXPECT_EQ(host->finish(), 0);

    ASSERT_EQ(registration("--register", 1), 0);
    EXPECT_EQ(progIdOf(addin(1)), QStringLiteral("Quillmere.Connect"));
    EXPECT_EQ(progIdOf(addin(2)), QString());
    EXPECT_EQ(classes(), (QStringList{kAdoClass, clsidOf("Quillmere.Connect")}));

    // Unregistering the edition registered last leaves no class of either
    // behind, only the data-access components'.
    ASSERT_EQ(registration("--register", 2), 0);
    EXPECT_EQ(classes(), (QStringList{kAdoClass, clsidOf("quillmere.Connect")}));
    EXPECT_NE(registration("--unregister", 2), -1);
    EXPECT_EQ(progIdOf(addin(1)), QString());
    EXPECT_EQ(progIdOf(addin(2)), QString());
    EXPECT_EQ(classes(), QStringList{kAdoClass});
}

// A registration left by an earlier build, whose class id was made from the
// ProgID's letter case: registering the other edition over it leaves no
// class of the first behind.
TEST_F(Edition2, RegisteringOverAnOlderRegistrationRemovesItsClass) {
    const QString old = QStringLiteral("{0C0FFEE0-0000-5000-8000-000000000001}");
    win32::Registry::setValue(QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins\\Quillmere.Connect"),
                              QStringLiteral("LoadBehavior"), 3);
    win32::Registry::setValue(QStringLiteral("HKCR\\Quillmere.Connect\\CLSID"), QString(), old);
    win32::Registry::setValue(QStringLiteral("HKCR\\CLSID\\%1\\InprocServer32").arg(old), QString(),
                              QFileInfo(addin(1)).canonicalFilePath());
    win32::Registry::setValue(QStringLiteral("HKCR\\CLSID\\%1\\ProgID").arg(old), QString(),
                              QStringLiteral("Quillmere.Connect"));
    ASSERT_EQ(registration("--register", 2), 0);
    EXPECT_EQ(progIdOf(addin(2)), QStringLiteral("quillmere.Connect"));
    EXPECT_EQ(classes(), (QStringList{kAdoClass, clsidOf("quillmere.Connect")}));
    EXPECT_NE(registration("--unregister", 2), -1);
    EXPECT_EQ(classes(), QStringList{kAdoClass});
}

} // namespace
