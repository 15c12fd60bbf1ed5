#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "sending/sendlog.h"
#include "state/mdlGenel.h"

#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

namespace {

using sending::SendLogRow;

class SendLogTest : public ::testing::Test {
protected:
    TempDatabase db;

    static SendLogRow row(const QString& msgid = QStringLiteral("4711")) {
        return {msgid,
                QStringLiteral("GsmNo alanlarını kullan."),
                QStringLiteral("Quillmere"),
                3,
                QStringLiteral("İlk Kayıt :Merhaba"),
                QStringLiteral("FIRMA"),
                QStringLiteral("10.12.2026 09:00:00"),
                QStringLiteral("05.01.2027 09:30:00")};
    }
    ado::RecordsetPtr select(const QString& sql) { return mdlGenel::DbConnection->Execute(sql); }
    long count(const QString& table) {
        return vb::CLng(select(QStringLiteral("SELECT COUNT(*) FROM ") + table)->Fields(0).Value());
    }
};

TEST_F(SendLogTest, TheStatementsLetterForLetter) {
    EXPECT_EQ(sending::PackageStatement(row()),
              QStringLiteral("INSERT INTO tbl_giden(msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih) "
                             "VALUES('4711','GsmNo alanlarını kullan.','Quillmere',3,'İlk Kayıt :Merhaba','FIRMA',"
                             "'10.12.2026 09:00:00','05.01.2027 09:30:00')"));
    EXPECT_EQ(sending::TemplateStatement(QStringLiteral("4711"), QStringLiteral("Sayın {Ad}")),
              QStringLiteral("INSERT INTO tbl_sablonlar (msgid,sablon_p1,sablon_p2) VALUES('4711','Sayın {Ad}','')"));
    EXPECT_EQ(sending::TemplateStatement(QStringLiteral("4711"), QString(255, u'a') + QStringLiteral("b'c")),
              QStringLiteral("INSERT INTO tbl_sablonlar (msgid,sablon_p1,sablon_p2) VALUES('4711','")
                  + QString(255, u'a') + QStringLiteral("','b''c')"));
}

TEST_F(SendLogTest, BothRowsAreWrittenWithEveryQuoteIntact) {
    SendLogRow r{QStringLiteral("12'3"),
                 QStringLiteral("Dosya alan'ları"),
                 QStringLiteral("Pal'vori"),
                 0,
                 QStringLiteral("İlk Kayıt :O'Neil'e selam"),
                 QStringLiteral("FİR'MA"),
                 QStringLiteral("10.12.2026 '09"),
                 QStringLiteral("'")};
    sending::WriteSendLog(r, QStringLiteral("Sayın {Ad}'e"));
    auto p = select(QStringLiteral("SELECT msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, gtarih "
                                   "FROM tbl_giden"));
    ASSERT_FALSE(p->Eof());
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("msgid")).Value()), r.msgid);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("msg_tip")).Value()), r.msgTip);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("gateway")).Value()), r.gateway);
    EXPECT_EQ(vb::CLng(p->Fields(QStringLiteral("paket_boyut")).Value()), 0);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("mesaj")).Value()), r.mesaj);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("originator")).Value()), r.originator);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("tarih")).Value()), r.tarih);
    EXPECT_EQ(vb::CStr(p->Fields(QStringLiteral("gtarih")).Value()), r.gtarih);
    auto t = select(QStringLiteral("SELECT msgid, sablon_p1, sablon_p2 FROM tbl_sablonlar"));
    ASSERT_FALSE(t->Eof());
    EXPECT_EQ(vb::CStr(t->Fields(0).Value()), r.msgid);
    EXPECT_EQ(vb::CStr(t->Fields(1).Value()), QStringLiteral("Sayın {Ad}'e"));
    EXPECT_EQ(vb::CStr(t->Fields(2).Value()), QString());
}

TEST_F(SendLogTest, ATextHoldingANulIsLoggedAsTheGatewayGotIt) {
    SendLogRow r = row();
    r.mesaj = QStringLiteral("İlk Kayıt :Mer") + QChar(0) + QStringLiteral("haba\x01 ") + QChar(0xD83D);
    r.originator = QStringLiteral("FIR") + QChar(0) + QStringLiteral("MA");
    sending::WriteSendLog(r, QStringLiteral("Şab") + QChar(0) + QStringLiteral("lon"));
    auto p = select(QStringLiteral("SELECT mesaj, originator FROM tbl_giden"));
    ASSERT_FALSE(p->Eof());
    EXPECT_EQ(vb::CStr(p->Fields(0).Value()), QStringLiteral("İlk Kayıt :Merhaba "));
    EXPECT_EQ(vb::CStr(p->Fields(1).Value()), QStringLiteral("FIRMA"));
    EXPECT_EQ(vb::CStr(select(QStringLiteral("SELECT sablon_p1 FROM tbl_sablonlar"))->Fields(0).Value()),
              QStringLiteral("Şablon"));
}

TEST_F(SendLogTest, AnIdFromTheReplyCannotReachTheStatement) {
    const QString id = QStringLiteral("1','x',0,'','','','');DELETE FROM tbl_sablonlar;--");
    sending::WriteSendLog(row(QStringLiteral("keep")), QString());
    sending::WriteSendLog(row(id), QString());
    EXPECT_EQ(count(QStringLiteral("tbl_giden")), 2);
    EXPECT_EQ(count(QStringLiteral("tbl_sablonlar")), 2);
    auto rs = select(QStringLiteral("SELECT msgid FROM tbl_giden WHERE msgid <> 'keep'"));
    EXPECT_EQ(vb::CStr(rs->Fields(0).Value()), id);
}

// A reply's package id of a megabyte, and texts longer than their columns:
// each is stored as long as its column declares, the message whole.
TEST_F(SendLogTest, EveryTextIsStoredAsLongAsItsColumnDeclares) {
    SendLogRow r = row(QStringLiteral("ID") + QString(1 << 20, u'7'));
    r.originator = QString(300, u'O');
    r.msgTip = QString(254, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80");
    r.mesaj = QStringLiteral("İlk Kayıt :") + QString(5000, u'm');
    sending::WriteSendLog(r, QStringLiteral("Merhaba"));
    auto p = select(QStringLiteral("SELECT msgid, originator, msg_tip, mesaj FROM tbl_giden"));
    ASSERT_FALSE(p->Eof());
    EXPECT_EQ(vb::CStr(p->Fields(0).Value()), r.msgid.left(255));
    EXPECT_EQ(vb::CStr(p->Fields(1).Value()), QString(255, u'O'));
    // The halves of a pair stay together: the pair goes.
    EXPECT_EQ(vb::CStr(p->Fields(2).Value()), QString(254, u'a'));
    EXPECT_EQ(vb::CStr(p->Fields(3).Value()), r.mesaj);
    auto t = select(QStringLiteral("SELECT msgid, sablon_p1 FROM tbl_sablonlar"));
    ASSERT_FALSE(t->Eof());
    EXPECT_EQ(vb::CStr(t->Fields(0).Value()), r.msgid.left(255));
    EXPECT_EQ(vb::CStr(t->Fields(1).Value()), QStringLiteral("Merhaba"));
    // The columns of another database, at their own sizes.
    mdlGenel::DbConnection->Execute(QStringLiteral("DROP TABLE tbl_giden"));
    mdlGenel::DbConnection->Execute(QStringLiteral(
        "CREATE TABLE tbl_giden (id INTEGER PRIMARY KEY, msgid VARCHAR(20), msg_tip VARCHAR(50), gateway VARCHAR(50), "
        "paket_boyut INTEGER, mesaj MEMO, originator VARCHAR(11), tarih VARCHAR(50), gtarih VARCHAR(50))"));
    sending::WriteSendLog(r, QString());
    p = select(QStringLiteral("SELECT msgid, originator FROM tbl_giden"));
    EXPECT_EQ(vb::CStr(p->Fields(0).Value()), r.msgid.left(20));
    EXPECT_EQ(vb::CStr(p->Fields(1).Value()), QString(11, u'O'));
}

TEST_F(SendLogTest, TheTemplateSplitsAt255Characters) {
    struct Case {
        QString text;
        QString p1;
        QString p2;
    } cases[] = {
        {QString(), QString(), QString()},
        {QString(255, u'a'), QString(255, u'a'), QString()},
        {QString(255, u'a') + u'z', QString(255, u'a'), QStringLiteral("z")},
        // The quotes count once, as typed.
        {QString(254, u'a') + QStringLiteral("''b"), QString(254, u'a') + u'\'', QStringLiteral("'b")},
        {QString(255, u'\'') + QString(300, u'c'), QString(255, u'\''), QString(300, u'c')},
        // The halves of a pair stay together, in the second part.
        {QString(254, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80") + u'b', QString(254, u'a'),
         QString::fromUtf8("\xF0\x9F\x98\x80") + u'b'},
        // A character no document holds was never sent and is not stored.
        {QStringLiteral("a") + QChar(0) + QString(255, u'b'), QStringLiteral("a") + QString(254, u'b'), QStringLiteral("b")},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString id = QString::number(++n);
        sending::WriteSendLog(row(id), c.text);
        auto rs = select(QStringLiteral("SELECT sablon_p1, sablon_p2 FROM tbl_sablonlar WHERE msgid = '") + id
                         + u'\'');
        ASSERT_FALSE(rs->Eof()) << n;
        EXPECT_EQ(vb::CStr(rs->Fields(0).Value()), c.p1) << n;
        EXPECT_EQ(vb::CStr(rs->Fields(1).Value()), c.p2) << n;
    }
}

TEST_F(SendLogTest, AFailedPackageRowWritesNoTemplateRow) {
    mdlGenel::DbConnection->Execute(QStringLiteral("DROP TABLE tbl_giden"));
    EXPECT_THROW(sending::WriteSendLog(row(), QStringLiteral("x")), vb::Error);
    EXPECT_EQ(count(QStringLiteral("tbl_sablonlar")), 0);
}

TEST_F(SendLogTest, AFailedTemplateRowLeavesThePackageRow) {
    mdlGenel::DbConnection->Execute(QStringLiteral("DROP TABLE tbl_sablonlar"));
    EXPECT_THROW(sending::WriteSendLog(row(), QStringLiteral("x")), vb::Error);
    EXPECT_EQ(count(QStringLiteral("tbl_giden")), 1);
}

} // namespace
