// The second edition in the host program, registered for the user, driven
// through the automation protocol against the local gateway emulator.
#include "tests/support/automation.h"

#include "platform/win32/registry.h"

#include <QFile>
#include <QTemporaryDir>

using namespace automation;

namespace {

using Requests = std::vector<std::pair<QString, QString>>;

class Edition2 : public ::testing::Test {
protected:
    QTemporaryDir dir;
    EmulatorProcess emulator{{QStringLiteral("--settle-ms"), QStringLiteral("0"), QStringLiteral("--log"),
                              dir.filePath(QStringLiteral("gateway.log"))}};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override {
        ASSERT_GT(emulator.port(), 0);
        // Copies of both deliverables, so that the databases beside them are
        // this test's own; they find the platform libraries where they
        // expect them.
        ASSERT_TRUE(QFile::link(buildPath(QStringLiteral("lib")), dir.filePath(QStringLiteral("lib"))));
        for (const char* edition : {"edition1", "edition2"}) {
            const QString folder = dir.filePath(QStringLiteral("addins/") + QLatin1String(edition));
            QDir().mkpath(folder);
            for (const char* file : {"quillmere.so", "quillmere.chm"})
                ASSERT_TRUE(QFile::copy(buildPath(QStringLiteral("addins/%1/%2").arg(QLatin1String(edition), QLatin1String(file))),
                                        folder + u'/' + QLatin1String(file)));
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("QUILLMERE_REGISTRY"), registryFile());
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

    std::unique_ptr<HostProcess> start(const QStringList& args = {}) {
        auto host = std::make_unique<HostProcess>(args, env);
        EXPECT_TRUE(host->started());
        return host;
    }
    static QJsonObject form(HostProcess& host, const QString& name) {
        return findByName(host.send(cmd("forms")).value(QStringLiteral("forms")).toArray(), name);
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
}

} // namespace
