#include "addin/gate.h"
#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/forms/services.h"
#include "platform/win32/registry.h"
#include "reports/frmRapor.h"
#include "state/mdlGenel.h"
#include "tests/support/fake_gateway.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmGiris.h"

#include <QDir>
#include <QFile>
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

const QString kConnectionFailed = QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.");
const QString kCannotCheck =
    QStringLiteral("Sistem bilgileri kontrol edilemiyor. \r\nSınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz.");

class GateTest : public ::testing::Test {
protected:
    TempDatabase db;
    FakeGateway gateway;
    forms::ScriptedServices services;

    void SetUp() override {
        services = forms::InstallScriptedServices();
        qputenv("QUILLMERE_SERVICE_URL", gateway.base().toUtf8());
        setDataAccessVersion(QStringLiteral("2.81.1117.0"));
    }
    void TearDown() override {
        qunsetenv("QUILLMERE_SERVICE_URL");
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    void setDataAccessVersion(const QString& version) {
        QString server = db.path() + QStringLiteral("/msado15.dll");
        QFile(server).open(QIODevice::WriteOnly);
        QFile sidecar(server + QStringLiteral(".version"));
        sidecar.open(QIODevice::WriteOnly | QIODevice::Truncate);
        sidecar.write(version.toUtf8());
        sidecar.close();
        win32::RegWrite(QStringLiteral("HKCR\\ADODB.Connection\\CLSID\\"), QStringLiteral("{ADO}"));
        win32::RegWrite(QStringLiteral("HKCR\\CLSID\\{ADO}\\InprocServer32\\"), server);
    }

    void storeLogin(const QString& flag, const QString& gw = QStringLiteral("0")) {
        mdlGenel::DbConnection->Execute(QStringLiteral(
            "UPDATE tbl_ayarlar SET kullanici_adi = 'ali', parola = 'pw', ckey = 'K42', flg_kaydet = '%1', "
            "kullanici_adi_i = 'veli', parola_i = 'q', flg_kaydet_i = '%1', flg_gw = '%2', url_palvori = '%3/gw'")
                                            .arg(flag, gw, gateway.base()));
    }

    QStringList messages() {
        QStringList out;
        for (const auto& r : services.msgBoxes->records()) out << r.prompt;
        return out;
    }

    bool loginShownForTheReports() {
        auto* login = forms::IfLoaded<frmGiris>();
        return login && login->isVisible() && login->TargetForm == reports;
    }
    bool reportsShown() { return forms::IsLoaded<frmRapor>() && forms::Get<frmRapor>().isVisible(); }

    const forms::FormRef reports = forms::FormRef::To<frmRapor>();
};

TEST_F(GateTest, WithoutASettingsRowTheLoginWindowOpensForTheTargetAndTheRowIsAdded) {
    mdlGenel::DbConnection->Execute(QStringLiteral("DELETE FROM tbl_ayarlar"));
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_TRUE(loginShownForTheReports());
    // The target is handed over, not loaded: its load runs once the login
    // has filled the module state.
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(mdlGenel::AdvertUrl, QStringLiteral("http://reklam.quillmere.example/reklam/?prm=Quillmere"));

    // The row is there now, so the login's save is kept for the next command.
    auto rows = mdlGenel::DbConnection->Execute(QStringLiteral("SELECT flg_gw, flg_kaydet FROM tbl_ayarlar"));
    ASSERT_FALSE(rows->Eof());
    EXPECT_EQ(vb::CStr(rows->Fields(0).Value()), QStringLiteral("0"));
    rows->MoveNext();
    EXPECT_TRUE(rows->Eof());
    storeLogin(QStringLiteral("1"));
    gateway.answer("10.12.2026 08:00:00");
    for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
    forms::FlushUnloaded();
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_TRUE(reportsShown());
}

TEST_F(GateTest, ALoginNotMarkedForKeepingAsksAgain) {
    storeLogin(QStringLiteral("0"));
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_TRUE(loginShownForTheReports());
    EXPECT_TRUE(gateway.bodies().empty());
    EXPECT_EQ(mdlGenel::UserName, QStringLiteral("ali"));
    EXPECT_EQ(mdlGenel::GatewayType, QStringLiteral("Quillmere"));
}

TEST_F(GateTest, AStoredLoginIsTestedWithTheSystemTimeRequest) {
    struct Case {
        std::string reply;
        enum { Target, Login, Message } outcome;
    } cases[] = {
        {"10.12.2026 08:00:00", Case::Target},
        {"01", Case::Login},
        {"03", Case::Message},
        {"1", Case::Message},       // a fragment of the code list
        {"", Case::Message},
        {"<html><body>Proxy</body></html>", Case::Message},
        {"Server HTML error", Case::Message},
    };
    storeLogin(QStringLiteral("1"));
    for (const auto& c : cases) {
        gateway.answer(c.reply);
        services.msgBoxes->clearRecords();
        mdlGenel::OpenFormWithLogin(reports);
        EXPECT_EQ(reportsShown(), c.outcome == Case::Target) << c.reply;
        // A window the gate did not open is not loaded either.
        EXPECT_EQ(forms::IsLoaded<frmRapor>(), c.outcome == Case::Target) << c.reply;
        EXPECT_EQ(loginShownForTheReports(), c.outcome == Case::Login) << c.reply;
        EXPECT_EQ(messages(), c.outcome == Case::Message ? QStringList{kConnectionFailed} : QStringList()) << c.reply;
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
    ASSERT_FALSE(gateway.bodies().empty());
    EXPECT_TRUE(gateway.bodies().back().startsWith(
        QStringLiteral("<MainReportRoot><UserName>ali-K42</UserName><PassWord>pw</PassWord><Action>12</Action>")));
}

TEST_F(GateTest, NoConnectionShowsTheMessageAndOpensNothing) {
    storeLogin(QStringLiteral("1"));
    qputenv("QUILLMERE_SERVICE_URL", "http://127.0.0.1:1");
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_EQ(messages(), QStringList{kConnectionFailed});
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<frmGiris>());
}

// A stored gateway that cannot be reached keeps every window shut but the
// settings, where another one can be chosen; a refused login still asks
// for the login first.
TEST_F(GateTest, TheSettingsOpenWhenTheGatewayCannotBeReached) {
    const QString notice = kConnectionFailed
                           + QStringLiteral("\r\nAyarlar penceresinden Palvori adresini değiştirebilir ya da başka bir "
                                            "mesaj merkezi seçebilirsiniz.");
    const forms::FormRef settings = forms::FormRef::To<frmAyarlar>();
    for (const char* gw : {"0", "1"}) {
        storeLogin(QStringLiteral("1"), QString::fromLatin1(gw));
        for (const std::string reply : {"-1", "03", "", "<HTML>Proxy</HTML>"}) {
            gateway.answer(reply);
            services.msgBoxes->clearRecords();
            mdlGenel::OpenFormWithLogin(settings);
            EXPECT_EQ(messages(), QStringList{notice}) << gw << reply;
            EXPECT_EQ(services.msgBoxes->records()[0].buttons, vb::vbInformation);
            EXPECT_TRUE(forms::IsLoaded<frmAyarlar>() && forms::Get<frmAyarlar>().isVisible()) << gw << reply;
            for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
            forms::FlushUnloaded();

            services.msgBoxes->clearRecords();
            mdlGenel::OpenFormWithLogin(reports);
            EXPECT_EQ(messages(), QStringList{kConnectionFailed}) << gw << reply;
            EXPECT_TRUE(forms::LoadedForms().empty()) << gw << reply;
        }
        gateway.answer("01");
        services.msgBoxes->clearRecords();
        mdlGenel::OpenFormWithLogin(settings);
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_TRUE(forms::IfLoaded<frmGiris>() && forms::Get<frmGiris>().TargetForm == settings);
        EXPECT_FALSE(forms::IsLoaded<frmAyarlar>());
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
}

TEST_F(GateTest, ThePalvoriGatewayIsAskedAtItsOwnAddress) {
    storeLogin(QStringLiteral("1"), QStringLiteral("1"));
    gateway.answer("10.12.2026 08:00:00");
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_TRUE(reportsShown());
    EXPECT_EQ(mdlGenel::GatewayType, QStringLiteral("Palvori"));
    EXPECT_EQ(mdlGenel::GatewayUrl, gateway.base() + QStringLiteral("/gw"));
    EXPECT_EQ(mdlGenel::ClientCode, QString());
    EXPECT_TRUE(gateway.bodies().back().startsWith(QStringLiteral("<MainReportRoot><UserName>veli</UserName>")));
}

TEST_F(GateTest, ANullSaveFlagMeansTheLoginIsNotKept) {
    for (const char* gw : {"0", "1"}) {
        storeLogin(QStringLiteral("1"), QString::fromLatin1(gw));
        mdlGenel::DbConnection->Execute(QStringLiteral("UPDATE tbl_ayarlar SET flg_kaydet = NULL, flg_kaydet_i = NULL"));
        services.msgBoxes->clearRecords();
        mdlGenel::OpenFormWithLogin(reports);
        EXPECT_TRUE(messages().isEmpty()) << gw;
        EXPECT_EQ(mdlGenel::SaveLoginFlag, QStringLiteral("0")) << gw;
        EXPECT_TRUE(loginShownForTheReports()) << gw;
        EXPECT_TRUE(gateway.bodies().empty()) << gw;
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
}

TEST_F(GateTest, DataAccessVersions) {
    // The data-access message is only armed; it shows when the database then
    // cannot be read.
    mdlGenel::DbConnection->Execute(QStringLiteral("DROP TABLE tbl_ayarlar"));
    struct Case { const char* version; bool oldMessage; } cases[] = {
        {"2.81.1117.0", false}, {"2.5", false}, {"2.1", true}, {"1.5", true}, {"10.0", false},
    };
    for (const auto& c : cases) {
        setDataAccessVersion(QString::fromUtf8(c.version));
        services.msgBoxes->clearRecords();
        mdlGenel::OpenFormWithLogin(reports);
        ASSERT_EQ(messages().size(), 1) << c.version;
        if (c.oldMessage) {
            EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Merivox veritabanına ulaşılamıyor.\r\n"))) << c.version;
            EXPECT_TRUE(messages()[0].contains(QStringLiteral("Mevcut MDAC sürümünüz : ") + QString::fromUtf8(c.version)));
            EXPECT_TRUE(messages()[0].endsWith(QStringLiteral(" adresinden en son MDAC sürümünü indirebilirsiniz")));
        } else {
            EXPECT_EQ(messages()[0], kCannotCheck) << c.version;
        }
        EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    }
}

// Only a file the database finds damaged is told apart; any other failure
// keeps the explanation of the step it came in.
TEST_F(GateTest, ADamagedDatabaseIsSaidToBeDamagedNotBlamedOnTheAccount) {
    const QString file = db.path() + QStringLiteral("/tervane.mdb");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(8192, 'x'));
    f.close();
    mdlGenel::OpenFormWithLogin(reports);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0], QStringLiteral("Sistem bilgileri kontrol edilemiyor. \r\n'%1' bir veri tabanı değil ya da bozuk.")
                                 .arg(QDir::toNativeSeparators(file)));
    EXPECT_FALSE(messages()[0].contains(QStringLiteral("Sınırlı kullanıcı")));
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<frmGiris>());
}

TEST_F(GateTest, ANewerDataAccessVersionPassesTheCheck) {
    setDataAccessVersion(QStringLiteral("10.0"));
    mdlGenel::DbConnection->Execute(QStringLiteral("DELETE FROM tbl_ayarlar"));
    mdlGenel::OpenFormWithLogin(reports);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(loginShownForTheReports());
}

TEST_F(GateTest, TheProbeWithoutRegistrationFindsNothing) {
    win32::Registry::deleteKey(QStringLiteral("HKCR\\ADODB.Connection"));
    mdlGenel::MdacVersion = QStringLiteral("önceki");
    mdlGenel::CheckMdacVersion();
    EXPECT_FALSE(mdlGenel::MdacFound);
    EXPECT_EQ(mdlGenel::MdacVersion, QStringLiteral("önceki"));
    setDataAccessVersion(QStringLiteral("2.8"));
    mdlGenel::CheckMdacVersion();
    EXPECT_TRUE(mdlGenel::MdacFound);
    EXPECT_EQ(mdlGenel::MdacVersion, QStringLiteral("2.8"));
}

TEST_F(GateTest, SystemTimeForAnUnknownGatewayTypeIsEmpty) {
    mdlGenel::GatewayType = QStringLiteral("Başka");
    EXPECT_EQ(mdlGenel::GetGatewaySystemTime(), QString());
}

} // namespace
