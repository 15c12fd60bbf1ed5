#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "state/mdlGenel.h"

#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    TempDatabase db;

    vb::Variant settings(const QString& column) {
        auto rs = mdlGenel::DbConnection->Execute(QStringLiteral("SELECT * FROM tbl_ayarlar"));
        return rs->Fields(column).Value();
    }
};

TEST_F(DatabaseTest, OpenDatabaseLeavesAnOpenConnectionAlone) {
    auto before = mdlGenel::DbConnection;
    mdlGenel::OpenDatabase();
    EXPECT_EQ(mdlGenel::DbConnection, before);
    EXPECT_EQ(mdlGenel::DbConnection->State(), ado::adStateOpen);
}

TEST_F(DatabaseTest, QuotingAndNulls) {
    EXPECT_EQ(mdlGenel::SqlQuote(QStringLiteral("O'Neil''s")), QStringLiteral("O''Neil''''s"));
    EXPECT_EQ(mdlGenel::SqlQuote(12), QStringLiteral("12"));
    EXPECT_THROW(mdlGenel::SqlQuote(vb::Variant::Null()), vb::Error);
    EXPECT_EQ(mdlGenel::NullToEmpty(vb::Variant::Null()), QString());
    EXPECT_EQ(mdlGenel::NullToEmpty(1.5), QStringLiteral("1,5"));
}

TEST_F(DatabaseTest, ParametersReadAndUpdate) {
    EXPECT_EQ(mdlGenel::GetParam(QStringLiteral("flg_isaret")), QStringLiteral("0"));
    mdlGenel::SetParam(QStringLiteral("flg_isaret"), QStringLiteral("1"));
    EXPECT_EQ(mdlGenel::GetParam(QStringLiteral("flg_isaret")), QStringLiteral("1"));
    // A missing key: nothing inserted, nothing found.
    mdlGenel::SetParam(QStringLiteral("yok'tur"), QStringLiteral("x"));
    EXPECT_EQ(mdlGenel::GetParam(QStringLiteral("yok'tur")), QString());
    // A Null value cannot be read as text.
    mdlGenel::DbConnection->Execute(QStringLiteral("UPDATE tbl_param SET deger = NULL WHERE parametre = 'flg_isaret'"));
    EXPECT_THROW(mdlGenel::GetParam(QStringLiteral("flg_isaret")), vb::Error);
}

TEST_F(DatabaseTest, SavingTheGatewayServiceLogin) {
    mdlGenel::SaveLoginSettings(QStringLiteral("ali"), QStringLiteral("p'ss"), QStringLiteral("K42"), QStringLiteral("1"),
                                QStringLiteral("Quillmere"), QStringLiteral("ignored"));
    EXPECT_EQ(settings(QStringLiteral("kullanici_adi")), vb::Variant("ali"));
    EXPECT_EQ(settings(QStringLiteral("parola")), vb::Variant("p'ss"));
    EXPECT_EQ(settings(QStringLiteral("ckey")), vb::Variant("K42"));
    EXPECT_EQ(settings(QStringLiteral("flg_kaydet")), vb::Variant("1"));
    EXPECT_EQ(settings(QStringLiteral("flg_gw")), vb::Variant("0"));
    mdlGenel::SaveLoginSettings(QStringLiteral("ali"), QStringLiteral("x"), QStringLiteral("K42"), QStringLiteral("0"),
                                QStringLiteral("Quillmere"), QString());
    EXPECT_EQ(settings(QStringLiteral("kullanici_adi")), vb::Variant(""));
    EXPECT_EQ(settings(QStringLiteral("ckey")), vb::Variant(""));
    EXPECT_EQ(settings(QStringLiteral("flg_kaydet")), vb::Variant("0"));
}

TEST_F(DatabaseTest, SavingThePalvoriLoginKeepsTheAddressAndTheOtherColumns) {
    mdlGenel::SaveLoginSettings(QStringLiteral("ali"), QStringLiteral("pw"), QStringLiteral("K42"), QStringLiteral("1"),
                                QStringLiteral("Quillmere"), QString());
    mdlGenel::SaveLoginSettings(QStringLiteral("veli"), QStringLiteral("q"), QStringLiteral("unused"), QStringLiteral("0"),
                                QStringLiteral("Palvori"), QStringLiteral("http://10.0.0.5/gw?a='b'"));
    EXPECT_EQ(settings(QStringLiteral("kullanici_adi_i")), vb::Variant(""));
    EXPECT_EQ(settings(QStringLiteral("flg_kaydet_i")), vb::Variant("0"));
    EXPECT_EQ(settings(QStringLiteral("flg_gw")), vb::Variant("1"));
    EXPECT_EQ(settings(QStringLiteral("url_palvori")), vb::Variant("http://10.0.0.5/gw?a='b'"));
    EXPECT_EQ(settings(QStringLiteral("kullanici_adi")), vb::Variant("ali"));
    mdlGenel::SaveLoginSettings(QStringLiteral("veli"), QStringLiteral("q'q"), QString(), QStringLiteral("1"),
                                QStringLiteral("Palvori"), QStringLiteral("http://gw.local/"));
    EXPECT_EQ(settings(QStringLiteral("kullanici_adi_i")), vb::Variant("veli"));
    EXPECT_EQ(settings(QStringLiteral("parola_i")), vb::Variant("q'q"));
    EXPECT_EQ(settings(QStringLiteral("flg_kaydet_i")), vb::Variant("1"));
}

TEST_F(DatabaseTest, AnUnknownGatewayTypeOrFlagFails) {
    EXPECT_THROW(mdlGenel::SaveLoginSettings(QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("2"),
                                             QStringLiteral("Quillmere"), QString()),
                 vb::Error);
    EXPECT_THROW(mdlGenel::SaveLoginSettings(QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("1"),
                                             QStringLiteral("Diğer"), QString()),
                 vb::Error);
}

TEST_F(DatabaseTest, WithoutASettingsRowTheUpdateChangesNothing) {
    mdlGenel::DbConnection->Execute(QStringLiteral("DELETE FROM tbl_ayarlar"));
    mdlGenel::SaveLoginSettings(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("1"),
                                QStringLiteral("Quillmere"), QString());
    auto rs = mdlGenel::DbConnection->Execute(QStringLiteral("SELECT * FROM tbl_ayarlar"));
    EXPECT_TRUE(rs->Bof() && rs->Eof());
}

} // namespace
