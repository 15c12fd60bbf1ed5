// The second edition's gate and stored-login test.
#include "edition2/mdlGenel.h"
#include "edition2/windows.h"
#include "platform/forms/services.h"
#include "platform/vb/clock.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

const QString kConnectionFailed = QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.");
const QString kTestFailed = QStringLiteral(
    "Sistem bilgileri kontrol edilemiyor.\r\nMesaj merkezine bağlantı sağlanamadı.\r\nQuillmere uygulaması kapatılıyor...");

class Edition2Gate : public ::testing::Test {
protected:
    TempDatabase db;
    FakeGateway gateway;
    forms::ScriptedServices services;

    void SetUp() override {
        services = forms::InstallScriptedServices();
        qputenv("QUILLMERE_SERVICE_URL", gateway.base().toUtf8());
        vb::SetClock(QDateTime(QDate(2026, 12, 10), QTime(8, 5, 9)));
    }
    void TearDown() override {
        qunsetenv("QUILLMERE_SERVICE_URL");
        vb::SetClock(std::nullopt);
        closeAll();
    }
    static void closeAll() {
        for (forms::Form* f : forms::LoadedForms())
            forms::Unload(*f);
        forms::FlushUnloaded();
    }

    // A login stored for both gateway types, the gateway chosen by flg_gw.
    void storeLogin(const QString& gw, const QString& keep) {
        db.query(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi = 'ali', parola = 'pw', ckey = 'K42', "
                                "flg_kaydet = %2, kullanici_adi_i = 'veli', parola_i = 'q', flg_kaydet_i = %2, "
                                "flg_gw = '%1', url_palvori = '%3/gw'")
                     .arg(gw, keep, gateway.base()));
    }

    std::vector<vb::MessageRecord> boxes() const { return services.msgBoxes->records(); }

    bool reportsShown() const { return forms::IsLoaded<frmRapor>() && forms::Get<frmRapor>().isVisible(); }
    bool loginShownForTheReports() const {
        auto* login = forms::IfLoaded<edition2::frmGiris>();
        return login && login->isVisible() && login->TargetForm == reports;
    }

    const forms::FormRef reports = forms::FormRef::To<frmRapor>();
};

TEST_F(Edition2Gate, AStoredLoginOpensTheTargetWithoutAnyRequest) {
    struct Case {
        const char* gw;
        const char* keep;   // the save flag, which this gate does not look at
        const char* type;
        QString url;
    } cases[] = {
        {"0", "'1'", "Quillmere", gateway.base() + QStringLiteral("/com.orventa")},
        {"0", "'0'", "Quillmere", gateway.base() + QStringLiteral("/com.orventa")},
        {"1", "'1'", "Palvori", gateway.base() + QStringLiteral("/gw")},
        {"1", "NULL", "Palvori", gateway.base() + QStringLiteral("/gw")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.gw) + " " + c.keep);
        storeLogin(QString::fromLatin1(c.gw), QString::fromLatin1(c.keep));
        edition2::mdlGenel::OpenFormWithLogin(reports);
        EXPECT_TRUE(reportsShown());
        EXPECT_FALSE(forms::IsLoaded<edition2::frmGiris>());
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(mdlGenel::GatewayType, QString::fromLatin1(c.type));
        EXPECT_EQ(mdlGenel::GatewayUrl, c.url);
        EXPECT_EQ(mdlGenel::AdvertUrl, QStringLiteral("http://www.dorvane.example/?prod=Quillmere"));
        closeAll();
    }
    EXPECT_TRUE(gateway.bodies().empty());
}

TEST_F(Edition2Gate, WithoutAStoredLoginItsOwnLoginWindowOpensForTheTarget) {
    struct Case {
        const char* what;
        const char* sql;
    } cases[] = {
        {"no settings row", "DELETE FROM tbl_ayarlar"},
        {"no password", "UPDATE tbl_ayarlar SET kullanici_adi = 'ali', parola = '', flg_kaydet = '1', flg_gw = '0'"},
        {"no user name", "UPDATE tbl_ayarlar SET kullanici_adi = NULL, parola = 'pw', flg_kaydet = '1', flg_gw = '0'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.query(QString::fromLatin1(c.sql));
        mdlGenel::UserName.clear();
        edition2::mdlGenel::OpenFormWithLogin(reports);
        EXPECT_TRUE(loginShownForTheReports());
        EXPECT_FALSE(forms::IsLoaded<::frmGiris>());
        // Handed over, not loaded.
        EXPECT_FALSE(forms::IsLoaded<frmRapor>());
        EXPECT_TRUE(boxes().empty());
        closeAll();
    }
    EXPECT_TRUE(gateway.bodies().empty());
}

TEST_F(Edition2Gate, TheStoredLoginTestAnswersWithTheLocalTimeOrFails) {
    struct Case {
        const char* type;
        const char* answer;
        bool message;
    } cases[] = {
        {"Quillmere", "10.12.2026 08:05:09", false},
        {"Palvori", "10.12.2026 08:05:09", false},
        // No gateway type loaded: no answer, which is no time.
        {"", "-1", true},
        {"Başka", "-1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        services.msgBoxes->clearRecords();
        mdlGenel::GatewayType = QString::fromUtf8(c.type);
        mdlGenel::UserName = QStringLiteral("ali");
        mdlGenel::Password = QStringLiteral("pw");
        EXPECT_EQ(edition2::mdlGenel::GetGatewaySystemTime(), QString::fromUtf8(c.answer));
        ASSERT_EQ(boxes().size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(boxes()[0].prompt, kTestFailed);
            EXPECT_EQ(boxes()[0].title, QStringLiteral("Quillmere 1.0"));
            EXPECT_EQ(boxes()[0].buttons, 16);
        }
    }
    EXPECT_TRUE(gateway.bodies().empty());
}

TEST_F(Edition2Gate, AFailedStoredLoginTestOpensNothing) {
    // The account of this session stays in the module state while another
    // program has left a gateway flag the gate does not know.
    mdlGenel::UserName = QStringLiteral("ali");
    mdlGenel::Password = QStringLiteral("pw");
    db.query(QStringLiteral("UPDATE tbl_ayarlar SET flg_gw = '2'"));
    edition2::mdlGenel::OpenFormWithLogin(reports);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].prompt, kTestFailed);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Quillmere 1.0"));
    EXPECT_EQ(boxes()[1].prompt, kConnectionFailed);
    EXPECT_EQ(boxes()[1].title, QStringLiteral("Quillmere"));
    EXPECT_EQ(boxes()[1].buttons, 16);
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<edition2::frmGiris>());
}

TEST_F(Edition2Gate, ASettingsTableThatCannotBeReadShowsTheGatesMessage) {
    db.query(QStringLiteral("DROP TABLE tbl_ayarlar"));
    edition2::mdlGenel::OpenFormWithLogin(reports);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Sistem bilgileri kontrol edilemiyor. \r\nSınırlı kullanıcı "
                                                 "hesabıyla oturum açmış olabilirsiniz."));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Quillmere"));
    EXPECT_TRUE(forms::LoadedForms().empty());
}

} // namespace
