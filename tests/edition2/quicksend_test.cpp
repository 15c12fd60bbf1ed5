// The second edition's quick-send page, opened by the welcome page over
// selected cells: its list built at every activation, the text counted in
// SMS parts, the credit checked against the parts, and the package sent
// through the gateway client's basket.
#include "edition2/frmSMS_1.h"
#include "edition2/windows.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/variant.h"
#include "sending/sendlog.h"
#include "tests/sending/quicksend_fixture.h"
#include "tests/support/fault_server.h"

#include <QTimer>

namespace {

const QString kHead = QStringLiteral("<MainmsgBody><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>");

class Edition2QuickSend : public QuickSendTest {
protected:
    void SetUp() override {
        edition2::UseOwnWindows();
        QuickSendTest::SetUp();
    }

    // Distinct numbers 5320000001 on in A1 down, selected.
    void selectNumbers(int count) {
        for (int r = 1; r <= count; ++r)
            sheet->Cells(r, 1).setValue(QStringLiteral("0532 %1").arg(r, 7, 10, QLatin1Char('0')));
        sheet->Range(QStringLiteral("A1:A%1").arg(count)).Select();
    }
    // The welcome page's road to the quick-send page.
    edition2::frmSMS_1& openFromWelcomePage() {
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optGSM->setValue(true);
        welcome.cmdIleri->click();
        return forms::Get<edition2::frmSMS_1>();
    }
    void send(edition2::frmSMS_1& page, const std::string& reply) {
        gateway.answer(reply);
        services.msgBoxes->queueAnswer(vb::vbYes);
        page.cmdIleri->click();
    }
    long logged() const {
        return long(vb::CDbl(db.query(QStringLiteral("SELECT COUNT(*) FROM tbl_giden"))->Fields(0).Value()));
    }
    std::vector<QString> packages() {
        std::vector<QString> out;
        for (const QString& body : gateway.bodies())
            if (body.startsWith(QStringLiteral("<MainmsgBody>"))) out.push_back(body);
        return out;
    }
};

TEST_F(Edition2QuickSend, TheCounterAndTheTotalCountSmsParts) {
    selectNumbers(10);
    edition2::frmSMS_1& page = openFromWelcomePage();
    EXPECT_EQ(listed(page).size(), 10);
    EXPECT_EQ(page.RecipientCount, 10);
    // Before the text is edited, the counts the build left.
    EXPECT_EQ(page.lblKalanKrk->Caption(), QStringLiteral("160 / 160"));
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 10"));
    EXPECT_FALSE(page.findChild<QWidget*>(QStringLiteral("Frame3")));
    const struct {
        int length;
        const char* counter;
        const char* total;
    } cases[] = {{160, "160 / 1 SMS", " 10"}, {161, "161 / 2 SMS", " 20"}, {170, "170 / 2 SMS", " 20"},
                 {306, "306 / 2 SMS", " 20"}, {307, "307 / 3 SMS", " 30"}, {459, "459 / 3 SMS", " 30"},
                 {460, "460 / 4 SMS", " 40"}, {612, "612 / 4 SMS", " 40"}};
    for (const auto& c : cases) {
        page.txtMesaj->setText(QString(c.length, u'ğ'));
        EXPECT_EQ(page.lblKalanKrk->Caption(), QLatin1String(c.counter)) << c.length;
        EXPECT_EQ(page.lblToplam->Caption(), QLatin1String(c.total)) << c.length;
    }
    // 612 characters at most; Enter is swallowed.
    page.txtMesaj->setText(QString(611, u'a'));
    forms::SetFocus(page.txtMesaj);
    page.txtMesaj->setSelStart(611);
    page.txtMesaj->typeText(QStringLiteral("\rbc"));
    EXPECT_EQ(page.txtMesaj->Text(), QString(611, u'a') + u'b');
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 40"));
}

// Ten recipients and 200 characters: 20 SMS, and 20 credits needed.
TEST_F(Edition2QuickSend, TheQuestionAndTheCreditCountParts) {
    selectNumbers(10);
    edition2::frmSMS_1& page = openFromWelcomePage();
    const QString text = QStringLiteral("Sayın müşterimiz ") + QString(183, u'x');
    ASSERT_EQ(text.size(), 200);
    page.txtMesaj->setText(text);
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 20"));

    page.lblKontor->setCaption(QStringLiteral(" 19"));
    send(page, "ID 1");
    EXPECT_EQ(prompts(), (QStringList{QStringLiteral("Mesajınız 10 kişiye,  20 SMS  gönderilecektir. Devam etmek istiyor "
                                                     "musunuz?"),
                                      QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok")}));
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere Mesaj Gönderim Onayı"));
    EXPECT_TRUE(packages().empty());

    services.msgBoxes->clearRecords();
    page.lblKontor->setCaption(QStringLiteral(" 20"));
    send(page, "ID 4711");
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_EQ(packages()[0].count(QStringLiteral("<Message>")), 10);
    EXPECT_TRUE(packages()[0].contains(QStringLiteral("<Action>41</Action>")));
    EXPECT_EQ(prompts().last(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    auto row = db.query(QStringLiteral("SELECT * FROM tbl_giden"));
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(row->Fields(QStringLiteral("msgid")).Value(), vb::Variant("4711"));
    // Recipients, not parts; the text as typed.
    EXPECT_EQ(vb::CDbl(row->Fields(QStringLiteral("paket_boyut")).Value()), 10);
    EXPECT_EQ(row->Fields(QStringLiteral("mesaj")).Value(), vb::Variant(QStringLiteral("İlk Kayıt :") + text));
    EXPECT_EQ(row->Fields(QStringLiteral("msg_tip")).Value(), vb::Variant(QStringLiteral("GsmNo alanlarını kullan.")));
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
    EXPECT_TRUE(forms::Get<frmRapor>().isVisible());
}

// The whole text folded, one message a number, action 41 once a message is
// longer than one SMS; a scheduled send carries its moment.
TEST_F(Edition2QuickSend, ThePackageIsTheBasketsDocument) {
    const QString text300 = QStringLiteral("Ödeme <yarın> & şimdi ") + QString(278, u'y');
    ASSERT_EQ(text300.size(), 300);
    const QString folded300 = QStringLiteral("Odeme [yarin] - simdi ") + QString(278, u'y');
    const struct {
        QString text;
        QString body;
        int action;
        bool scheduled;
    } cases[] = {
        {QStringLiteral("Merhaba"), QStringLiteral("Merhaba"), 1, false},
        {QString(160, u'ı'), QString(160, u'i'), 1, false},
        {text300, folded300, 41, false},
        {QStringLiteral("Randevu"), QStringLiteral("Randevu"), 1, true},
    };
    sheet->Range(QStringLiteral("A1")).setValue(QStringLiteral("0532 111 22 33"));
    sheet->Range(QStringLiteral("A2")).setValue(5912345678.0);
    for (const auto& c : cases) {
        sheet->Range(QStringLiteral("A1:A2")).Select();
        gateway.answer("1500\nQUILLMERE\n");
        db.query(QStringLiteral("DELETE FROM tbl_giden"));
        edition2::frmSMS_1& page = openFromWelcomePage();
        page.txtMesaj->setText(c.text);
        page.chkIleriTarih->setValue(c.scheduled ? 1 : 0);
        page.DTPicker1->setValue(QDateTime(QDate(2007, 3, 5), QTime(0, 0)));
        page.DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), QTime(14, 7)));
        services.msgBoxes->clearRecords();
        send(page, "ID 9");
        auto message = [&](const char* number) {
            return QStringLiteral("<Message><Mesgbody>") + c.body + QStringLiteral("</Mesgbody><Number>")
                   + QLatin1String(number) + QStringLiteral("</Number></Message>");
        };
        EXPECT_EQ(gateway.lastBody(), kHead + QStringLiteral("<Action>%1</Action><Messages>").arg(c.action)
                                          + message("5321112233") + message("5912345678")
                                          + QStringLiteral("</Messages><Originator>QUILLMERE</Originator><SDate>")
                                          + (c.scheduled ? QStringLiteral("050320071407") : QString())
                                          + QStringLiteral("</SDate></MainmsgBody>"))
            << c.text.toStdString();
        if (c.scheduled) {
            EXPECT_EQ(prompts().first(), QStringLiteral("Mesajınız 2 kişiye,  2 SMS 05.03.2007 saat 14:07:00 de "
                                                        "gönderilecektir. Devam etmek istiyor musunuz?"));
            EXPECT_EQ(db.query(QStringLiteral("SELECT gtarih FROM tbl_giden"))->Fields(0).Value(),
                      vb::Variant(QStringLiteral("05.03.2007 14:07:00")));
        }
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
}

// Every activation lists the selection anew: removed numbers come back,
// the schedule goes back to now, and a text already typed is counted for
// the new list.
TEST_F(Edition2QuickSend, SwitchingPagesRebuildsTheList) {
    selectNumbers(2);
    edition2::frmSMS_1& page = openFromWelcomePage();
    page.txtMesaj->setText(QString(200, u'z'));
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 4"));
    // Removing a number leaves the total and the count as they were.
    services.msgBoxes->queueAnswer(vb::vbYes);
    page.cmdListeCikart->click();
    EXPECT_EQ(listed(page).size(), 1);
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 4"));
    EXPECT_EQ(page.RecipientCount, 2);
    page.chkIleriTarih->setValue(1);
    page.DTPicker1->setValue(QDateTime(QDate(2030, 1, 2), QTime(0, 0)));
    EXPECT_FALSE(mdlGenel::ListLoaded);

    selectNumbers(3);
    forms::Get<frmSihirbaz>().ZOrder();
    page.ZOrder();
    EXPECT_EQ(listed(page), (QStringList{"5320000001", "5320000002", "5320000003"}));
    EXPECT_EQ(page.RecipientCount, 3);
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 6"));
    EXPECT_EQ(page.DTPicker1->Value().date(), vb::Date());
    EXPECT_EQ(page.txtMesaj->Text(), QString(200, u'z'));
    EXPECT_TRUE(page.cmdIleri->isEnabled());
    // The account was asked for once.
    EXPECT_EQ(gateway.bodies().size(), 1u);
    EXPECT_TRUE(prompts().size() == 1);
}

// Going to the welcome page and back while the numbers are still being
// read: the reading goes on, and the list holds each number once.
TEST_F(Edition2QuickSend, AnActivationDuringTheReadingLeavesItAlone) {
    selectNumbers(3000);
    auto* poll = new QTimer;
    poll->setInterval(0);
    int seen = -1;
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        auto* page = forms::IfLoaded<edition2::frmSMS_1>();
        if (!page || page->DataGrid1->RowCount() == 0)
            return;
        poll->stop();
        poll->deleteLater();
        seen = page->DataGrid1->RowCount();
        forms::Get<frmSihirbaz>().ZOrder();
        page->ZOrder();
    });
    poll->start();
    edition2::frmSMS_1& page = openFromWelcomePage();
    ASSERT_GT(seen, 0);
    EXPECT_LT(seen, 3000);
    const QStringList numbers = listed(page);
    EXPECT_EQ(numbers.size(), 3000);
    EXPECT_EQ(numbers.first(), QStringLiteral("5320000001"));
    EXPECT_EQ(numbers.last(), QStringLiteral("5320003000"));
    EXPECT_EQ(page.RecipientCount, 3000);
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 3000"));
    EXPECT_TRUE(prompts().isEmpty());
    // Once the reading is over, the next activation lists anew.
    selectNumbers(2);
    forms::Get<frmSihirbaz>().ZOrder();
    page.ZOrder();
    EXPECT_EQ(listed(page).size(), 2);
}

// The basket is emptied whatever the reply: a second press after one that
// kept the page sends the list once, not twice.
TEST_F(Edition2QuickSend, EveryReplyHasItsEndAndTheBasketStartsEmptyAgain) {
    const QString notDelivered = QStringLiteral("SMS Merkezine İlgili Bilgiler Gönderilemiyor\r\n"
                                                "Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız");
    const QString refused = QStringLiteral("Mesaj Gönderilemedi.\r\nKullanıcı Adı veya Parolanız Hatalı Olabilir.\r\n"
                                           "SMS Krediniz Bitmiş Olabilir.\r\nGönerilecek SMS Olmayabilir.");
    const struct {
        std::string reply;
        QString told;
        bool stays;
        bool logs;
    } cases[] = {
        {"04", notDelivered, true, false},
        {"05", notDelivered, true, false},
        {"-1", notDelivered, false, false},
        // A web page is a failure reply here, not a missing connection.
        {"<HTML>proxy</HTML>", refused, false, false},
        {"01", refused, false, false},
        {"", refused, false, false},
        {"ID 12345", QStringLiteral("Mesaj Başarı İle Gönderildi."), false, true},
    };
    selectNumbers(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        edition2::frmSMS_1* page = forms::IfLoaded<edition2::frmSMS_1>();
        if (!page) {
            gateway.answer("1500\nQUILLMERE\n");
            page = &openFromWelcomePage();
            page->txtMesaj->setText(QStringLiteral("Merhaba"));
        }
        services.msgBoxes->clearRecords();
        const size_t before = packages().size();
        send(*page, c.reply);
        ASSERT_EQ(packages().size(), before + 1);
        EXPECT_EQ(packages().back().count(QStringLiteral("<Message>")), 2);
        ASSERT_EQ(prompts().size(), 2);
        EXPECT_EQ(prompts()[1], c.told);
        EXPECT_EQ(services.msgBoxes->records()[1].buttons, c.logs ? vb::vbInformation : vb::vbCritical);
        EXPECT_EQ(forms::IsLoaded<frmSMS_1>(), c.stays);
        EXPECT_EQ(logged(), c.logs ? 1 : 0);
    }
}

TEST_F(Edition2QuickSend, APackageWhoseReplyWasLostIsNoFailure) {
    const msxml::Timeouts saved = msxml::XMLHTTPRequest::timeouts();
    msxml::XMLHTTPRequest::setTimeouts({std::chrono::seconds(5), std::chrono::seconds(1)});
    selectNumbers(2);
    edition2::frmSMS_1& page = openFromWelcomePage();
    page.txtMesaj->setText(QStringLiteral("Merhaba"));
    FaultServer server(FaultServer::closeAfterRequest());
    mdlGenel::GatewayUrl = server.url();
    services.msgBoxes->clearRecords();
    services.msgBoxes->queueAnswer(vb::vbYes);
    page.cmdIleri->click();
    msxml::XMLHTTPRequest::setTimeouts(saved);
    ASSERT_EQ(services.msgBoxes->records().size(), 2u);
    EXPECT_EQ(services.msgBoxes->records()[1].prompt, sending::kReplyLostNotice);
    EXPECT_EQ(services.msgBoxes->records()[1].title, QStringLiteral("Quillmere Uyarı"));
    EXPECT_EQ(server.bodies().size(), 1u);
    EXPECT_NE(server.bodies()[0].find("<Action>1</Action>"), std::string::npos);
    EXPECT_EQ(logged(), 0);
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
}

TEST_F(Edition2QuickSend, AnErrorTheSendDidNotForeseeKeepsThePageAndSendsNothing) {
    selectNumbers(2);
    edition2::frmSMS_1& page = openFromWelcomePage();
    page.txtMesaj->setText(QStringLiteral("Merhaba"));
    page.lblKontor->setCaption(QStringLiteral(" yok"));
    services.msgBoxes->clearRecords();
    send(page, "ID 1");
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_TRUE(prompts()[1].startsWith(QStringLiteral("Tanımlanamıyan Hata Oluştu.\r\nSistemin ürettiği hata mesajı : \r\n ")));
    EXPECT_TRUE(prompts()[1].endsWith(QStringLiteral("\r\nLütfen Sistem Yöneticinize Başvurun")));
    EXPECT_EQ(services.msgBoxes->records()[1].title, QStringLiteral("Quillmere"));
    EXPECT_TRUE(packages().empty());
    EXPECT_TRUE(forms::IsLoaded<frmSMS_1>());
    // Nothing of it is left in the basket of the next press.
    page.lblKontor->setCaption(QStringLiteral(" 100"));
    send(page, "ID 2");
    ASSERT_EQ(packages().size(), 1u);
    EXPECT_EQ(packages()[0].count(QStringLiteral("<Message>")), 2);
}

// The count and its product with the parts are wider than 16 bits: 8,192
// numbers of four parts are 32,768 SMS.
TEST_F(Edition2QuickSend, ALargeListIsCountedWhole) {
    selectNumbers(8192);
    edition2::frmSMS_1& page = openFromWelcomePage();
    EXPECT_EQ(page.RecipientCount, 8192);
    page.txtMesaj->setText(QString(460, u'a'));
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 32768"));
    services.msgBoxes->clearRecords();
    send(page, "ID 1");
    EXPECT_EQ(prompts(), (QStringList{QStringLiteral("Mesajınız 8192 kişiye,  32768 SMS  gönderilecektir. Devam etmek "
                                                     "istiyor musunuz?"),
                                      QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok")}));
    EXPECT_TRUE(packages().empty());
}

} // namespace
