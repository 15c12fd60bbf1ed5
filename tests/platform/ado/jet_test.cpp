#include "tests/platform/ado/support.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <chrono>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

using namespace ado;
using adotest::Column;
using adotest::ErrorOf;

namespace {

QString q(QString v) { return v.replace(u'\'', QStringLiteral("''")); }

class JetConnectionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    // The windows join the folder and the file name with a backslash.
    QString connectionString() const {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir.path() + QStringLiteral("\\tervane.mdb");
    }
    QString file() const { return dir.filePath(QStringLiteral("tervane.mdb")); }

    ConnectionPtr open() {
        auto c = std::make_shared<Connection>();
        c->setConnectionString(connectionString());
        c->Open();
        return c;
    }

    RecordsetPtr query(const ConnectionPtr& c, const QString& sql) {
        auto rs = std::make_shared<Recordset>();
        rs->Open(sql, c, adOpenStatic, adLockReadOnly);
        return rs;
    }

    QString settings(const ConnectionPtr& c, int column) {
        auto rs = query(c, QStringLiteral("SELECT * FROM tbl_ayarlar"));
        vb::Variant v = rs->Fields(column).Value();
        return v.isNull() ? QStringLiteral("<null>") : vb::CStr(v);
    }

    // The send log's statement, built as the sending pages build it.
    void logSend(const ConnectionPtr& c, const QString& msgid, const QString& mesaj, const QString& originator,
                 const QString& tarih, const QString& gateway = QStringLiteral("Quillmere")) {
        c->Execute(QStringLiteral("INSERT INTO tbl_giden(msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih) ")
                   + QStringLiteral("VALUES('") + msgid + QStringLiteral("','") + q(QStringLiteral("GsmNo alanlarını kullan."))
                   + QStringLiteral("','") + q(gateway) + QStringLiteral("',") + QStringLiteral("3") + QStringLiteral(",'")
                   + q(mesaj) + QStringLiteral("','") + q(originator) + QStringLiteral("','") + q(tarih)
                   + QStringLiteral("','") + q(tarih) + QStringLiteral("')"));
    }
};

TEST_F(JetConnectionTest, AMissingFileIsCreatedWithTheTablesTheSettingsRowAndTheParameter) {
    auto c = std::make_shared<Connection>();
    EXPECT_EQ(c->State(), adStateClosed);
    c->Open(connectionString());
    EXPECT_EQ(c->State(), adStateOpen);
    EXPECT_TRUE(QFileInfo::exists(file()));

    auto schema = c->OpenSchema(adSchemaTables);
    EXPECT_EQ(Column(schema, QStringLiteral("TABLE_NAME")),
              (QStringList{"tbl_ayarlar", "tbl_giden", "tbl_param", "tbl_sablonlar"}));

    auto rs = query(c, QStringLiteral("SELECT * FROM tbl_ayarlar"));
    EXPECT_EQ(rs->RecordCount(), 1);
    ASSERT_EQ(rs->Fields().Count(), 11);
    const QStringList named{"kullanici_adi", "parola", "ckey"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rs->Fields(i + 1).Name(), named[i]);
    EXPECT_EQ(rs->Fields(9).Name(), QStringLiteral("flg_gw"));
    EXPECT_EQ(rs->Fields(10).Name(), QStringLiteral("url_palvori"));
    for (int i : {1, 2, 3, 5, 6, 7, 8, 10})
        EXPECT_EQ(settings(c, i), QString()) << i;
    EXPECT_EQ(settings(c, 9), QStringLiteral("0"));

    auto param = query(c, QStringLiteral("SELECT     deger FROM   tbl_param WHERE  parametre = 'flg_isaret'"));
    EXPECT_EQ(Column(param, QStringLiteral("deger")), QStringList{"0"});
    c->Close();
    EXPECT_EQ(c->State(), adStateClosed);
}

// What a first use ended before its tables were in leaves: an empty file.
// It is a database not made yet, and the next use makes it, keeping the
// file's permissions.
TEST_F(JetConnectionTest, AnEmptyFileIsMadeIntoTheDatabase) {
    QFile empty(file());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(file(), mode));
    auto c = open();
    EXPECT_EQ(Column(c->OpenSchema(adSchemaTables), QStringLiteral("TABLE_NAME")),
              (QStringList{"tbl_ayarlar", "tbl_giden", "tbl_param", "tbl_sablonlar"}));
    EXPECT_EQ(query(c, QStringLiteral("SELECT * FROM tbl_ayarlar"))->RecordCount(), 1);
    EXPECT_EQ(query(c, QStringLiteral("SELECT * FROM tbl_param"))->RecordCount(), 1);
    c->Close();
    EXPECT_EQ(QFileInfo(file()).permissions() & 0x7777, mode);
    // Made once: opening again adds no second settings row.
    EXPECT_EQ(query(open(), QStringLiteral("SELECT * FROM tbl_ayarlar"))->RecordCount(), 1);
}

// Another connection holding the write lock while the file is still empty
// is waited for; once it is done the tables are found, not made twice.
TEST_F(JetConnectionTest, AFirstUseWaitsForTheOneUnderWay) {
    QFile empty(file());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(file()).constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; CREATE TABLE tbl_ayarlar (id INTEGER, flg_gw TEXT); "
                                  "INSERT INTO tbl_ayarlar VALUES (7, '1');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    std::thread finisher([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    auto c = open();
    finisher.join();
    sqlite3_close(other);
    EXPECT_EQ(Column(c->OpenSchema(adSchemaTables), QStringLiteral("TABLE_NAME")), QStringList{"tbl_ayarlar"});
    EXPECT_EQ(settings(c, 0), QStringLiteral("7"));
}

TEST_F(JetConnectionTest, LoginStatementsStoreQuotedValuesAsTyped) {
    auto c = open();
    QString user = QStringLiteral("ayşe"), password = QStringLiteral("pa'ro''la"), code = QStringLiteral("k'1");
    c->Execute(QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET kullanici_adi = '") + q(user) + QStringLiteral("',")
               + QStringLiteral("           parola = '") + q(password) + QStringLiteral("',")
               + QStringLiteral("             ckey = '") + q(code) + QStringLiteral("',")
               + QStringLiteral("       flg_kaydet = '") + q(QStringLiteral("1")) + QStringLiteral("',")
               + QStringLiteral("           flg_gw = '0'"));
    EXPECT_EQ(settings(c, 1), user);
    EXPECT_EQ(settings(c, 2), password);
    EXPECT_EQ(settings(c, 3), code);
    EXPECT_EQ(settings(c, 5), QStringLiteral("1"));

    // The Palvori login saved without keeping it still stores the address.
    c->Execute(QStringLiteral("UPDATE tbl_ayarlar ") + QStringLiteral("SET   kullanici_adi_i = '',")
               + QStringLiteral("             parola_i = '',") + QStringLiteral("         flg_kaydet_i = '0',")
               + QStringLiteral("               flg_gw = '1',") + QStringLiteral("          url_palvori = '")
               + q(QStringLiteral("http://10.0.0.5/sms")) + QStringLiteral("'"));
    EXPECT_EQ(settings(c, 9), QStringLiteral("1"));
    EXPECT_EQ(settings(c, 10), QStringLiteral("http://10.0.0.5/sms"));
    EXPECT_EQ(settings(c, 2), password);

    // A parameter that is not there: the update succeeds and changes nothing.
    long affected = -1;
    c->Execute(QStringLiteral("UPDATE    tbl_param SET        deger = '1' WHERE  parametre = 'yok'"), &affected);
    EXPECT_EQ(affected, 0);
    c->Execute(QStringLiteral("UPDATE    tbl_param SET        deger = '1' WHERE  parametre = 'flg_isaret'"), &affected);
    EXPECT_EQ(affected, 1);
    auto missing = query(c, QStringLiteral("SELECT     deger FROM   tbl_param WHERE  parametre = 'yok'"));
    EXPECT_TRUE(missing->Bof() && missing->Eof());

    // The statement built for an unknown gateway type is empty, and fails.
    EXPECT_EQ(ErrorOf([&] { c->Execute(QString()); }), errSqlStatement);
}

TEST_F(JetConnectionTest, SendLogRowsKeepTheirTextAndGetAnId) {
    auto c = open();
    logSend(c, QStringLiteral("12345"), QStringLiteral("İlk Kayıt :Ali'nin mesajı"), QStringLiteral("O'Neil"),
            QStringLiteral("05.01.2007 09:30:00"));
    logSend(c, QStringLiteral("12346"), QStringLiteral("İlk Kayıt :ikinci"), QStringLiteral("Firma"),
            QStringLiteral("05.01.2007 09:31:00"));
    QString template255(255, u'a');
    c->Execute(QStringLiteral("INSERT INTO tbl_sablonlar (msgid,sablon_p1,sablon_p2) ") + QStringLiteral("VALUES('12345','")
               + q(template255) + QStringLiteral("','')"));

    auto rs = query(c, QStringLiteral("SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut "
                                      "FROM tbl_giden WHERE gateway = 'Quillmere' ORDER BY tarih DESC"));
    EXPECT_EQ(Column(rs, QStringLiteral("MESAJ")), (QStringList{"İlk Kayıt :ikinci", "İlk Kayıt :Ali'nin mesajı"}));
    EXPECT_EQ(Column(rs, QStringLiteral("originator")), (QStringList{"Firma", "O'Neil"}));
    EXPECT_EQ(Column(rs, QStringLiteral("id")), (QStringList{"2", "1"}));
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(QStringLiteral("id")).Type(), adInteger);
    EXPECT_EQ(rs->Fields(QStringLiteral("paket_boyut")).Value(), vb::Variant::Long(3));
    EXPECT_EQ(rs->Fields(QStringLiteral("msgid")).Type(), adVarWChar);
    EXPECT_EQ(rs->Fields(QStringLiteral("msgid")).DefinedSize(), 255);
    EXPECT_EQ(rs->Fields(QStringLiteral("mesaj")).Type(), adLongVarWChar);

    auto t = query(c, QStringLiteral("SELECT sablon_p1, sablon_p2 FROM tbl_sablonlar"));
    EXPECT_EQ(t->Fields(0).Value(), vb::Variant(template255));
    EXPECT_EQ(t->Fields(1).Value(), vb::Variant(QString()));

    c->Execute(QStringLiteral("INSERT INTO tbl_giden(msgid) VALUES('x')"));
    auto nulls = query(c, QStringLiteral("SELECT originator FROM tbl_giden WHERE msgid = 'x'"));
    EXPECT_TRUE(nulls->Fields(0).Value().isNull());
}

TEST_F(JetConnectionTest, NewestRequestComesFirstAcrossDaysMonthsAndYears) {
    auto c = open();
    const QStringList written{"31.01.2026 23:59:59", "01.02.2026 09:00:00", "31.12.2025 23:59:59",
                              "02.01.2026 08:00:00", "01.02.2026 10:00:00", "09.02.2026 07:00:00"};
    for (int i = 0; i < written.size(); ++i)
        logSend(c, QString::number(i), QStringLiteral("m"), QStringLiteral("o"), written[i]);
    logSend(c, QStringLiteral("p"), QStringLiteral("m"), QStringLiteral("o"), QStringLiteral("01.01.2030 00:00:00"),
            QStringLiteral("Palvori"));

    auto rs = query(c, QStringLiteral("SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut "
                                      "FROM tbl_giden WHERE gateway = 'Quillmere' ORDER BY tarih DESC"));
    EXPECT_EQ(Column(rs, QStringLiteral("tarih")),
              (QStringList{"09.02.2026 07:00:00", "01.02.2026 10:00:00", "01.02.2026 09:00:00", "31.01.2026 23:59:59",
                           "02.01.2026 08:00:00", "31.12.2025 23:59:59"}));
    // The texts stay as written.
    EXPECT_EQ(Column(rs, QStringLiteral("gtarih")), Column(rs, QStringLiteral("tarih")));
}

TEST_F(JetConnectionTest, AValueBreakingOutOfItsQuotesNeverRunsASecondStatement) {
    auto c = open();
    const QString insert = QStringLiteral(
        "INSERT INTO tbl_giden(msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih) VALUES('");
    const QString injected[] = {
        // a package id that closes the statement and starts another
        insert + QStringLiteral("1','a','b',1,'c','d','e','f'); DELETE FROM tbl_param; --','x','y',1,'z','o','t','g')"),
        QStringLiteral("UPDATE    tbl_param SET        deger = '1'; DELETE FROM tbl_param WHERE  parametre = 'flg_isaret'"),
        // a quote left undoubled
        QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi = 'a'b',           parola = ''"),
        QStringLiteral("SELECT * FROM tbl_param; SELECT * FROM tbl_ayarlar"),
    };
    for (const QString& sql : injected)
        EXPECT_EQ(ErrorOf([&] { c->Execute(sql); }), errSqlStatement) << sql.toStdString();
    EXPECT_EQ(Column(query(c, QStringLiteral("SELECT deger FROM tbl_param")), QStringLiteral("deger")), QStringList{"0"});
    EXPECT_EQ(query(c, QStringLiteral("SELECT * FROM tbl_giden"))->RecordCount(), 0);
    EXPECT_EQ(settings(c, 1), QString());

    // Trailing blanks, semicolons and comments are no second statement.
    c->Execute(QStringLiteral("UPDATE tbl_param SET deger = '1' ;  ; -- done"));
    EXPECT_EQ(Column(query(c, QStringLiteral("SELECT deger FROM tbl_param")), QStringLiteral("deger")), QStringList{"1"});
}

TEST_F(JetConnectionTest, AnExistingFileIsNotSeededAgain) {
    {
        auto c = open();
        c->Execute(QStringLiteral("DELETE FROM tbl_param"));
        c->Execute(QStringLiteral("DELETE FROM tbl_ayarlar"));
    }
    auto c = open();
    EXPECT_EQ(query(c, QStringLiteral("SELECT * FROM tbl_param"))->RecordCount(), 0);
    auto settingsRow = query(c, QStringLiteral("SELECT * FROM tbl_ayarlar"));
    EXPECT_TRUE(settingsRow->Bof() && settingsRow->Eof());
    // With no settings row the login update succeeds and changes nothing.
    long affected = -1;
    c->Execute(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi = 'x'"), &affected);
    EXPECT_EQ(affected, 0);
}

TEST_F(JetConnectionTest, FilesThatCannotServeFailToOpen) {
    QFile junk(file());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("Standard Jet DB\0\0\0 not ours", 27);
    junk.close();
    auto c = std::make_shared<Connection>();
    EXPECT_EQ(ErrorOf([&] { c->Open(connectionString()); }), errDataSource);
    EXPECT_EQ(c->State(), adStateClosed);
    EXPECT_EQ(QFileInfo(file()).size(), 27);

    EXPECT_EQ(ErrorOf([&] {
                  c->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir.path()
                          + QStringLiteral("/yok/tervane.mdb"));
              }),
              errDataSource);
    EXPECT_EQ(ErrorOf([&] { c->Open(QStringLiteral("Provider=Nowhere.1;Data Source=x")); }), adErrProviderNotFound);
}

TEST_F(JetConnectionTest, FailuresCarryTheDatabaseMessage) {
    auto c = open();
    try {
        c->Execute(QStringLiteral("SELECT * FROM tbl_yok"));
        FAIL();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), errSqlStatement);
        EXPECT_TRUE(e.description().contains(QStringLiteral("tbl_yok"))) << e.description().toStdString();
    }
    EXPECT_EQ(ErrorOf([&] { c->Open(); }), adErrObjectOpen);
    EXPECT_EQ(ErrorOf([&] { c->setConnectionString(QString()); }), adErrObjectOpen);
    c->Close();
    EXPECT_EQ(ErrorOf([&] { c->Execute(QStringLiteral("SELECT 1")); }), adErrObjectClosed);
    auto rs = std::make_shared<Recordset>();
    EXPECT_EQ(ErrorOf([&] { rs->Open(QStringLiteral("SELECT 1"), c); }), adErrInvalidConnection);
}

// The file holds the stored logins: only its owner may read it.
TEST_F(JetConnectionTest, ANewFileIsTheOwnersAloneAndAnExistingOneKeepsItsPermissions) {
    const mode_t umask = ::umask(022);
    open()->Close();
    EXPECT_EQ(QFileInfo(file()).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    ASSERT_TRUE(QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                                  | QFile::WriteUser | QFile::ReadGroup));
    auto c = open();
    c->Execute(QStringLiteral("UPDATE tbl_param SET deger = '1'"));
    c->Close();
    EXPECT_EQ(QFileInfo(file()).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                                            | QFile::WriteUser | QFile::ReadGroup);
    ::umask(umask);
}

// What the windows show of a failing database: its Turkish description,
// and what the failure was.
TEST_F(JetConnectionTest, FailuresOfTheFileAreDescribedInTurkish) {
    auto failure = [](auto call) -> std::pair<QString, DatabaseFailure> {
        try {
            call();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), errDataSource) << e.description().toStdString();
            return {e.description(), DatabaseFailureOf(e)};
        }
        ADD_FAILURE() << "no failure";
        return {};
    };
    const QString name = QDir::toNativeSeparators(file());
    auto c = open();

    // A database that may not be written to.
    c->Execute(QStringLiteral("PRAGMA query_only = 1"));
    auto [readOnly, readOnlyKind] = failure([&] { c->Execute(QStringLiteral("UPDATE tbl_param SET deger = '1'")); });
    EXPECT_EQ(readOnly, QStringLiteral("Veri tabanı salt okunur: '%1' dosyasına yazılamıyor. Dosyanın ve bulunduğu "
                                       "klasörün yazma iznini denetleyin.").arg(name));
    EXPECT_EQ(readOnlyKind, DatabaseFailure::ReadOnly);
    c->Execute(QStringLiteral("PRAGMA query_only = 0"));

    // Another program holding it.
    auto other = open();
    other->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    auto [locked, lockedKind] = failure([&] { c->Execute(QStringLiteral("SELECT * FROM tbl_param")); });
    EXPECT_TRUE(locked.startsWith(QStringLiteral("Veri tabanı başka bir program tarafından kilitlenmiş: '%1'").arg(name)))
        << locked.toStdString();
    EXPECT_EQ(lockedKind, DatabaseFailure::Locked);
    other->Execute(QStringLiteral("ROLLBACK"));
    other->Close();
    c->Close();

    // A file that is no database, and one whose pages are damaged.
    const QString damaged = QStringLiteral("'%1' bir veri tabanı değil ya da bozuk.").arg(name);
    QFile good(file());
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QByteArray pages = good.readAll();
    good.close();
    ASSERT_GT(pages.size(), 4096);
    QByteArray mangled = pages;
    for (qsizetype i = 100; i < 200; ++i)
        mangled[i] = char(0xA5);   // the first page's table of cells
    for (const QByteArray& content : {QByteArray("Standard Jet DB\0\0\0 not ours", 27), mangled}) {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        auto [description, kind] = failure([&] {
            auto d = open();
            d->Execute(QStringLiteral("SELECT * FROM tbl_ayarlar"));
        });
        EXPECT_EQ(description, damaged);
        EXPECT_EQ(kind, DatabaseFailure::Damaged);
    }
    // Failures of other kinds are none of these.
    EXPECT_EQ(DatabaseFailureOf(vb::Error(errDataSource, QStringLiteral("x"))), DatabaseFailure::Other);
}

TEST_F(JetConnectionTest, AQueryIsAReadOnlySnapshotThatRequeryReadsAgain) {
    auto c = open();
    auto rs = query(c, QStringLiteral("SELECT parametre, deger FROM tbl_param"));
    EXPECT_EQ(rs->Source(), QStringLiteral("SELECT parametre, deger FROM tbl_param"));
    EXPECT_EQ(ErrorOf([&] { rs->AddNew(); }), adErrFeatureNotAvailable);
    EXPECT_EQ(ErrorOf([&] { rs->Fields(1).setValue(QStringLiteral("1")); }), adErrFeatureNotAvailable);
    c->Execute(QStringLiteral("INSERT INTO tbl_param (parametre, deger) VALUES ('yeni', '5')"));
    EXPECT_EQ(rs->RecordCount(), 1);
    auto clone = rs->Clone();
    rs->Close();
    clone->Requery();
    EXPECT_EQ(Column(clone, QStringLiteral("Parametre")), (QStringList{"flg_isaret", "yeni"}));

    // A recordset with a connection of its own.
    auto own = std::make_shared<Recordset>();
    own->Open(QStringLiteral("SELECT deger FROM tbl_param WHERE parametre = 'yeni'"), connectionString());
    EXPECT_EQ(Column(own, QStringLiteral("deger")), QStringList{"5"});

    // A table opened by name.
    auto table = std::make_shared<Recordset>();
    table->Open(QStringLiteral("tbl_param"), c, adOpenStatic, adLockBatchOptimistic, adCmdTable);
    EXPECT_EQ(table->RecordCount(), 2);
    table->MoveFirst();
    table->Fields(QStringLiteral("deger")).setValue(QStringLiteral("7"));
    EXPECT_EQ(table->Fields(1).Value(), vb::Variant("7"));
}

TEST(ConnectionString, PairsKeepValuesWholeAndUnquoted) {
    const QString excel = QStringLiteral(
        "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=DBQ=/tmp/liste.xls;"
        "Driver={Driver do Microsoft Excel(*.xls)};MaxBufferSize=2048;UID=admin;");
    EXPECT_EQ(ConnectionStringValue(excel, QStringLiteral("provider")), QStringLiteral("MSDASQL.1"));
    EXPECT_EQ(ConnectionStringValue(excel, QStringLiteral("Extended Properties")), QStringLiteral("DBQ=/tmp/liste.xls"));
    EXPECT_EQ(ConnectionStringValue(excel, QStringLiteral("Driver")), QStringLiteral("{Driver do Microsoft Excel(*.xls)}"));
    EXPECT_EQ(ConnectionStringValue(excel, QStringLiteral("Yok")), QString());
    EXPECT_EQ(ConnectionStringValue(QStringLiteral("Data Source=\"C:\\a;b.mdb\";Mode=1"), QStringLiteral("data source")),
              QStringLiteral("C:\\a;b.mdb"));
}

} // namespace
