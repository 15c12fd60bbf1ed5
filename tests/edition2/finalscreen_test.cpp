// The second edition's final screen: its list of up to 800 characters a
// message, the total counted in SMS parts, and the send of the list through
// the gateway client's basket with every reply of the gateway.
#include "edition2/frmSonEkran.h"
#include "edition2/windows.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/win32/paths.h"
#include "sending/sendlog.h"
#include "tests/sending/wizard_fixture.h"
#include "tests/support/fault_server.h"

#include <QFile>

namespace {

const QString kHead = QStringLiteral("<MainmsgBody><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>");
const QString kTail = QStringLiteral("<Originator>QUILLMERE</Originator><SDate></SDate></MainmsgBody>");
const QString kRefused = QStringLiteral("Mesaj Gönderilemedi.\r\nKullanıcı Adı veya Parolanız Hatalı Olabilir.\r\n"
                                        "SMS Krediniz Bitmiş Olabilir.\r\nGönerilecek SMS Olmayabilir.");

QString message(const QString& text, const char* number) {
    return QStringLiteral("<Message><Mesgbody>") + text + QStringLiteral("</Mesgbody><Number>") + QLatin1String(number)
           + QStringLiteral("</Number></Message>");
}

class Edition2FinalScreen : public WizardTest {
protected:
    void SetUp() override {
        edition2::UseOwnWindows();
        WizardTest::SetUp();
        mdlGenel::SendMode = QStringLiteral("Dosya alanlarını kullan.");
        mdlGenel::MessageText = QStringLiteral("Sayın [##Ad##]");
    }

    // The screen shown and given a list, with the total of parts the list
    // builder would have written.
    edition2::frmSonEkran& screenWith(const std::vector<Row>& rows, const char* total) {
        gateway.answer(kAccount);
        edition2::frmSonEkran& screen = forms::Get<edition2::frmSonEkran>();
        screen.Show();
        auto list = screen.Adodc1->Recordset();
        for (const auto& [number, text] : rows) {
            list->AddNew();
            list->Fields(0).setValue(number);
            list->Fields(1).setValue(text);
            list->UpdateBatch();
        }
        screen.lblToplam->setCaption(QLatin1String(total));
        return screen;
    }
    void send(frmSonEkran& screen, const std::string& reply) {
        gateway.answer(reply);
        services.msgBoxes->queueAnswer(vb::vbYes);
        screen.cmdGonder->click();
    }
    std::vector<QString> packages() {
        std::vector<QString> out;
        for (const QString& body : gateway.bodies())
            if (body.startsWith(QStringLiteral("<MainmsgBody>"))) out.push_back(body);
        return out;
    }
    long loggedCount() const {
        return long(vb::CDbl(db.query(QStringLiteral("SELECT COUNT(*) FROM tbl_giden"))->Fields(0).Value()));
    }
    static void closeAll() {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
};

TEST_F(Edition2FinalScreen, TheListHoldsLongMessagesAndTheScreenHasNoStatusFrame) {
    edition2::frmSonEkran& screen = screenWith({}, "");
    auto list = screen.Adodc1->Recordset();
    EXPECT_EQ(list->Fields(0).Name(), QStringLiteral("GsmNo"));
    EXPECT_EQ(list->Fields(0).DefinedSize(), 20);
    EXPECT_EQ(list->Fields(1).Name(), QStringLiteral("Mesaj"));
    EXPECT_EQ(list->Fields(1).DefinedSize(), 800);
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("Frame3")));
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("Label6")));
    EXPECT_EQ(screen.DataGrid1->Columns(0).Width(), 1200);
    // The layout still follows the window.
    screen.setWidth(12000);
    EXPECT_EQ(forms::ToTwips(screen.DataGrid1->width()), 12000 - 135);
    EXPECT_EQ(screen.DataGrid1->Columns(1).Width(), 12000 - 2000);
}

// One message a number, the texts folded whole; one longer than 160
// characters anywhere makes the package action 41; rows without a number
// stay out of it.
TEST_F(Edition2FinalScreen, ThePackageIsTheBasketsDocument) {
    const QString long161 = QString(161, u'ü');
    const QString text300 = QStringLiteral("Ödeme <yarın> & şimdi ") + QString(278, u'y');
    const struct {
        const char* what;
        std::vector<Row> rows;
        int action;
        QString messages;
    } cases[] = {
        {"short", {{"5321112233", QStringLiteral("Sayın Ali")}, {"5551112233", QString(160, u'ş')}, {"", QStringLiteral("Can")}},
         1, message(QStringLiteral("Sayin Ali"), "5321112233") + message(QString(160, u's'), "5551112233")},
        {"161 among short ones",
         {{"5321112233", QString(160, u'a')}, {"5551112233", long161}, {"5431112233", QString(20, u'b')}},
         41,
         message(QString(160, u'a'), "5321112233") + message(QString(161, u'u'), "5551112233")
             + message(QString(20, u'b'), "5431112233")},
        {"300 whole", {{"5321112233", text300}}, 41,
         message(QStringLiteral("Odeme [yarin] - simdi ") + QString(278, u'y'), "5321112233")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        frmSonEkran& screen = screenWith(c.rows, " 9");
        send(screen, "ID 7");
        EXPECT_EQ(gateway.lastBody(), kHead + QStringLiteral("<Action>%1</Action><Messages>").arg(c.action) + c.messages
                                          + QStringLiteral("</Messages>") + kTail);
        // Every row of the list counts in the log, the ones left out too.
        EXPECT_EQ(vb::CDbl(db.query(QStringLiteral("SELECT paket_boyut FROM tbl_giden"))->Fields(0).Value()),
                  double(c.rows.size()));
        db.query(QStringLiteral("DELETE FROM tbl_giden"));
        closeAll();
    }
}

// Three rows of 100, 200 and 400 characters are 6 SMS: the question names
// them, the credit must cover them.
TEST_F(Edition2FinalScreen, TheQuestionAndTheCreditCountParts) {
    frmSonEkran& screen = screenWith({{"5321112233", QString(100, u'a')},
                                      {"5551112233", QString(200, u'b')},
                                      {"5431112233", QString(400, u'c')}},
                                     " 6");
    screen.lblKontor->setCaption(QStringLiteral(" 5"));
    send(screen, "ID 1");
    EXPECT_EQ(prompts(), (QStringList{QStringLiteral("Mesajınız 3 kişiye, 6 SMS gönderilecektir. Devam etmek istiyor "
                                                     "musunuz?"),
                                      QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok")}));
    EXPECT_TRUE(packages().empty());

    services.msgBoxes->clearRecords();
    screen.chkIleriTarih->setValue(1);
    screen.DTPicker1->setValue(QDateTime(QDate(2007, 3, 5), QTime(0, 0)));
    screen.DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), QTime(9, 30)));
    screen.lblKontor->setCaption(QStringLiteral(" 6"));
    send(screen, "ID 2");
    EXPECT_EQ(prompts().first(), QStringLiteral("Mesajınız 3 kişiye,  6 SMS 05.03.2007 saat 09:30:00 de "
                                                "gönderilecektir. Devam etmek istiyor musunuz?"));
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_TRUE(packages()[0].endsWith(QStringLiteral("<SDate>050320070930</SDate></MainmsgBody>")));
    EXPECT_EQ(db.query(QStringLiteral("SELECT gtarih FROM tbl_giden"))->Fields(0).Value(),
              vb::Variant(QStringLiteral("05.03.2007 09:30:00")));
}

// The row goes with its parts, so what the question names and the credit
// covers is what is sent.
TEST_F(Edition2FinalScreen, ARemovedRowTakesItsPartsOffTheTotal) {
    frmSonEkran& screen = screenWith({{"5321112233", QString(100, u'a')},
                                      {"5551112233", QString(200, u'b')},
                                      {"5431112233", QString(400, u'c')}},
                                     " 6");
    auto list = screen.Adodc1->Recordset();
    list->MoveFirst();
    list->MoveNext();
    services.msgBoxes->queueAnswer(vb::vbNo);
    screen.cmdLstCikart->click();
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 6"));
    services.msgBoxes->queueAnswer(vb::vbYes);
    screen.cmdLstCikart->click();
    EXPECT_EQ(listed(screen), (std::vector<Row>{{"5321112233", QString(100, u'a')}, {"5431112233", QString(400, u'c')}}));
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 4"));

    screen.lblKontor->setCaption(QStringLiteral(" 4"));
    services.msgBoxes->clearRecords();
    send(screen, "ID 3");
    EXPECT_EQ(prompts().first(), QStringLiteral("Mesajınız 2 kişiye, 4 SMS gönderilecektir. Devam etmek istiyor musunuz?"));
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_EQ(packages()[0].count(QStringLiteral("<Message>")), 2);
    // Emptied by removals: nothing left to take off.
    closeAll();
    frmSonEkran& again = screenWith({{"5321112233", QString(10, u'a')}}, " 1");
    for (int i = 0; i < 2; ++i) {
        services.msgBoxes->queueAnswer(vb::vbYes);
        again.cmdLstCikart->click();
    }
    EXPECT_EQ(again.lblToplam->Caption(), QStringLiteral(" 0"));
}

// A list whose rows all lack a number sends an empty basket: "-2", and the
// refusal, without a request.
TEST_F(Edition2FinalScreen, AListWithoutNumbersGoesNowhere) {
    frmSonEkran& screen = screenWith({{"", QStringLiteral("Merhaba")}, {"", QStringLiteral("Selam")}}, " 2");
    send(screen, "ID 1");
    EXPECT_TRUE(packages().empty());
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_EQ(prompts()[1], kRefused);
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
    EXPECT_EQ(loggedCount(), 0);
}

struct ReplyCase {
    std::string reply;
    QString told;
    int icon;
    bool stays;
    bool net;
    bool logs;
};

class Replies : public Edition2FinalScreen, public ::testing::WithParamInterface<ReplyCase> {};

// From the template road: the merged list of gonderim.xls, four numbers.
TEST_P(Replies, EachHasItsEndAndTheBasketStartsEmptyAgain) {
    const ReplyCase& c = GetParam();
    QFile::remove(win32::LocalPath(QStringLiteral("C:\\gitmeyen.xls")));
    frmSMS& page = templatePage("gonderim.xls");
    frmSonEkran& screen = build(page, QStringLiteral("[##Not##]"));
    ASSERT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 6"));
    services.msgBoxes->clearRecords();
    send(screen, c.reply);
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_TRUE(packages()[0].contains(QStringLiteral("<Action>41</Action>")));
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_EQ(prompts()[1], c.told);
    EXPECT_EQ(services.msgBoxes->records()[1].buttons, c.icon);
    EXPECT_EQ(forms::IsLoaded<frmSonEkran>(), c.stays);
    EXPECT_EQ(screen.lblNet->isVisibleTo(&screen), c.net);
    EXPECT_EQ(loggedCount(), c.logs ? 1 : 0);
    if (c.stays) {
        // Another press sends the list once more, not twice over.
        send(screen, "ID 5");
        ASSERT_EQ(packages().size(), 2u);
        EXPECT_EQ(packages()[1].count(QStringLiteral("<Message>")), 4);
        return;
    }
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_EQ(forms::IsLoaded<frmRapor>(), c.logs);
    if (c.logs) {
        // Nothing was set aside, so nothing is written aside.
        auto row = db.query(QStringLiteral("SELECT * FROM tbl_giden"));
        EXPECT_EQ(row->Fields(QStringLiteral("msgid")).Value(), vb::Variant("12345"));
        EXPECT_EQ(vb::CDbl(row->Fields(QStringLiteral("paket_boyut")).Value()), 4);
        EXPECT_EQ(row->Fields(QStringLiteral("mesaj")).Value(), vb::Variant(QStringLiteral("İlk Kayıt :")));
        EXPECT_EQ(db.query(QStringLiteral("SELECT sablon_p1 FROM tbl_sablonlar"))->Fields(0).Value(),
                  vb::Variant(QStringLiteral("[##Not##]")));
        EXPECT_FALSE(QFile::exists(win32::LocalPath(QStringLiteral("C:\\gitmeyen.xls"))));
        EXPECT_TRUE(mdlGenel::MessageText.isEmpty());
    }
}

const QString kNoConnection =
    QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz.\r\nİnternete Bağlı Olmadan SMS Gönderemezsiniz");
const QString kProxy = QStringLiteral("SMS Merkezine İlgili Bilgiler Gönderilemiyor\r\nProxy Server veya Firewall "
                                      "Kullanıyorsanız Gerekli Ayarları Yapmalısınız");

INSTANTIATE_TEST_SUITE_P(
    Edition2FinalScreen, Replies,
    ::testing::Values(ReplyCase{"ID 12345", QStringLiteral("Mesaj Başarı İle Gönderildi."), vb::vbInformation, false,
                                false, true},
                      ReplyCase{"-1", kNoConnection, vb::vbInformation, false, true, false},
                      ReplyCase{"04", kProxy, vb::vbCritical, true, true, false},
                      ReplyCase{"05", kProxy, vb::vbCritical, true, true, false},
                      // A web page is no missing connection here.
                      ReplyCase{"<HTML>proxy</HTML>", kRefused, vb::vbCritical, false, false, false},
                      ReplyCase{"<html>proxy</html>", kRefused, vb::vbCritical, false, false, false},
                      ReplyCase{"01", kRefused, vb::vbCritical, false, false, false}));

TEST_F(Edition2FinalScreen, APackageWhoseReplyWasLostIsNoFailure) {
    const msxml::Timeouts saved = msxml::XMLHTTPRequest::timeouts();
    msxml::XMLHTTPRequest::setTimeouts({std::chrono::seconds(5), std::chrono::seconds(1)});
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}}, " 1");
    FaultServer server(FaultServer::closeMidReply("ID 4711", 2));
    mdlGenel::GatewayUrl = server.url();
    services.msgBoxes->queueAnswer(vb::vbYes);
    screen.cmdGonder->click();
    msxml::XMLHTTPRequest::setTimeouts(saved);
    ASSERT_EQ(services.msgBoxes->records().size(), 2u);
    EXPECT_EQ(services.msgBoxes->records()[1].prompt, sending::kReplyLostNotice);
    EXPECT_EQ(server.bodies().size(), 1u);
    EXPECT_EQ(loggedCount(), 0);
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
}

// More than the basket holds: the error box, nothing sent, the screen
// stays on its first row; without that row the next press sends the rest.
TEST_F(Edition2FinalScreen, AMessageLongerThanTheBasketSendsNothing) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Kısa")},
                                      {"5551112233", QString(700, u'x')},
                                      {"5431112233", QStringLiteral("Kısa da")}},
                                     " 6");
    send(screen, "ID 1");
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_TRUE(prompts()[1].startsWith(QStringLiteral("Tanımlanamıyan Hata Oluştu. Lütfen Sistem Yöneticinize Başvurun \r\n ")))
        << prompts()[1].toStdString();
    EXPECT_EQ(services.msgBoxes->records()[1].title, QStringLiteral("Uyarı"));
    EXPECT_EQ(services.msgBoxes->records()[1].buttons, vb::vbCritical);
    EXPECT_TRUE(packages().empty());
    EXPECT_TRUE(screen.isVisible());
    auto list = screen.Adodc1->Recordset();
    EXPECT_EQ(list->AbsolutePosition(), 1);

    list->MoveNext();
    services.msgBoxes->queueAnswer(vb::vbYes);
    screen.cmdLstCikart->click();
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 2"));
    send(screen, "ID 2");
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_EQ(packages()[0], kHead + QStringLiteral("<Action>1</Action><Messages>")
                                 + message(QStringLiteral("Kisa"), "5321112233")
                                 + message(QStringLiteral("Kisa da"), "5431112233") + QStringLiteral("</Messages>")
                                 + kTail);
}

} // namespace
