#include "tests/sending/quicksend_fixture.h"

#include "platform/msxml/xmlhttp.h"
#include "reports/frmRapor.h"
#include "sending/sendlog.h"
#include "tests/support/fault_server.h"

#include <QApplication>
#include <QTableView>

namespace {

TEST_F(QuickSendTest, TheListHoldsEachNumberOnceInSelectionOrder) {
    cells({{"A1", QStringLiteral("0532 123 45 67")}, {"A2", QStringLiteral("+90 (532) 123-45-67")},
           {"A3", 5321234567.0}, {"B1", QStringLiteral("05551112233")}, {"B2", QStringLiteral("5000000000")},
           {"C5", QStringLiteral("0543.222.33.44")}, {"C6", QStringLiteral("5051112233")}});
    select("A1:B3,C5:C6");
    auto& page = open();
    EXPECT_EQ(listed(page), (QStringList{"5321234567", "5551112233", "5432223344", "5051112233"}));
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 4"));
    EXPECT_TRUE(page.cmdIleri->isEnabled());
    EXPECT_TRUE(page.cmdListeCikart->isEnabled());
    EXPECT_FALSE(page.Frame3->isVisible());
    EXPECT_TRUE(mdlGenel::ListLoaded);
    // The account: credit and originators.
    EXPECT_EQ(page.lblKontor->Caption(), QStringLiteral(" 1500"));
    EXPECT_EQ(page.cbGonderen->ListCount(), 2);
    EXPECT_EQ(page.cbGonderen->Text(), QStringLiteral("QUILLMERE"));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<UserName>demo-DEMO</UserName>")));
    // Activating again builds nothing more.
    forms::Get<frmSihirbaz>().ZOrder();
    page.ZOrder();
    EXPECT_EQ(listed(page).size(), 4);
    EXPECT_EQ(gateway.bodies().size(), 1u);
}

TEST_F(QuickSendTest, MarkModeFlagsEmptyAndInvalidCells) {
    db.query(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_isaret'"));
    cells({{"A1", QStringLiteral("5321234567")}, {"A2", QStringLiteral(" ")}, {"A4", QStringLiteral("12345")},
           {"A5", QStringLiteral("5121234567")}});
    select("A1:A5");
    auto& page = open();
    EXPECT_EQ(listed(page), QStringList{"5321234567"});
    for (const char* empty : {"A2", "A3"}) {
        EXPECT_EQ(sheet->Range(QString::fromLatin1(empty)).Value(), vb::Variant(QStringLiteral("BOŞ"))) << empty;
        EXPECT_TRUE(boldRed(empty)) << empty;
    }
    EXPECT_EQ(sheet->Range(QStringLiteral("A4")).Value(), vb::Variant(QStringLiteral("12345")));
    EXPECT_TRUE(boldRed("A4"));
    EXPECT_TRUE(boldRed("A5"));
    EXPECT_FALSE(boldRed("A1"));
}

// Only the cells in use are walked: a whole sheet or whole columns selected
// list the numbers at once, and only the empty cells among those in use are
// marked.
TEST_F(QuickSendTest, AWholeSheetSelectionWalksOnlyTheCellsInUse) {
    db.query(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_isaret'"));
    QStringList numbers;
    for (int i = 0; i < 1000; ++i) {
        // Column C from row 3 down, and one in E, leaving B3:E1002 with
        // empty cells in use.
        const QString number = QStringLiteral("53%1").arg(21000000 + i);
        sheet->Cells(3 + i, 3).setValue(number);
        numbers << number;
    }
    sheet->Cells(5, 5).setValue(QStringLiteral("yok"));
    sheet->Cells(2, 2).Font().setBold(true);   // a font alone puts a cell in use
    const QString used = sheet->UsedRange().Address();
    ASSERT_EQ(used, QStringLiteral("$B$2:$E$1002"));
    for (const char* selection : {"A1:XFD1048576", "A:E", "C:C,E:E"}) {
        SCOPED_TRACE(selection);
        select(selection);
        auto& page = open();
        EXPECT_EQ(listed(page), numbers);
        EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral(" 1000"));
        EXPECT_EQ(sheet->UsedRange().Address(), used);
        forms::Unload(page);
        forms::FlushUnloaded();
    }
    // The empty cells in use were marked; nothing beyond them was.
    EXPECT_EQ(sheet->Range(QStringLiteral("D4")).Value(), vb::Variant(QStringLiteral("BOŞ")));
    EXPECT_EQ(sheet->Range(QStringLiteral("B2")).Value(), vb::Variant(QStringLiteral("BOŞ")));
    EXPECT_TRUE(boldRed("E5"));
    EXPECT_TRUE(sheet->Range(QStringLiteral("A1")).Value().isEmpty());
    EXPECT_TRUE(sheet->Range(QStringLiteral("F3")).Value().isEmpty());
    EXPECT_TRUE(sheet->Range(QStringLiteral("C1003")).Value().isEmpty());
    EXPECT_FALSE(boldRed("A1"));
}

TEST_F(QuickSendTest, AFractionIsNoNumberAndANonBreakingSpaceIsABlank) {
    db.query(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_isaret'"));
    cells({{"A1", 5551234583.7}, {"A2", QStringLiteral("0542\u00A0123\u00A045\u00A067")}, {"A3", 5551234583.0}});
    select("A1:A3");
    auto& page = open();
    EXPECT_EQ(listed(page), (QStringList{"5421234567", "5551234583"}));
    EXPECT_TRUE(boldRed("A1"));
    EXPECT_EQ(sheet->Range(QStringLiteral("A1")).Value(), vb::Variant(5551234583.7));
    EXPECT_FALSE(boldRed("A2"));
}

TEST_F(QuickSendTest, WithoutMarkModeTheSheetIsNotTouched) {
    cells({{"A1", QStringLiteral("abc")}, {"A3", QStringLiteral("5321234567")}});
    select("A1:A3");
    open();
    EXPECT_TRUE(sheet->Range(QStringLiteral("A2")).Value().isEmpty());
    EXPECT_FALSE(boldRed("A1"));
}

TEST_F(QuickSendTest, AnEmptyListSaysSoAndKeepsTheButtonsDisabled) {
    cells({{"A1", QStringLiteral("yok")}});
    select("A1");
    auto& page = open();
    EXPECT_TRUE(prompts().contains(QStringLiteral("Hiç bir GSM Numarası seçmediniz")));
    EXPECT_FALSE(page.cmdIleri->isEnabled());
    EXPECT_FALSE(page.cmdListeCikart->isEnabled());
}

TEST_F(QuickSendTest, WithoutAWorkbookBothPagesClose) {
    ExcelApp->Workbooks().Item(1)->Close();
    open();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Lütfen öncelikle bir çalışma sayfası açın.")});
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
}

TEST_F(QuickSendTest, ACancelledPageBuildsTheListWhenShownAgain) {
    cells({{"A1", QStringLiteral("5321234567")}});
    select("A1");
    auto& page = open();
    page.cmdVazgec->click();
    EXPECT_EQ(page.cmdVazgec->Caption(), QStringLiteral("Kapat"));
    EXPECT_TRUE(mdlGenel::CancelRequested);
    services.msgBoxes->clearRecords();
    // Reopened from the welcome page without closing it: the "Vazgeç" stopped
    // the earlier build, not this one.
    forms::Get<frmSihirbaz>().ZOrder();
    forms::Get<frmSihirbaz>().cmdIleri->click();
    EXPECT_FALSE(mdlGenel::CancelRequested);
    EXPECT_EQ(listed(page), QStringList{QStringLiteral("5321234567")});
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_TRUE(page.cmdIleri->isEnabled());
    // "Kapat" shows the caller and closes the page.
    page.cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
}

TEST_F(QuickSendTest, NumbersFromTheReportWindowAreListedAsTheyAre) {
    auto source = std::make_shared<ado::Recordset>();
    source->Fields().Append(QStringLiteral("GsmNo"), 200, 20);
    source->Open();
    for (const char* n : {"5321234567", "5321234567", "5551112233"}) {
        source->AddNew();
        source->Fields(0).setValue(QString::fromLatin1(n));
        source->UpdateBatch();
    }
    auto& page = forms::Get<frmSMS_1>();
    page.CallerForm = &forms::Get<frmRapor>();
    page.SourceRecordset = source;
    page.Show();
    EXPECT_EQ(listed(page), (QStringList{"5321234567", "5321234567", "5551112233"}));
    EXPECT_FALSE(mdlGenel::ListLoaded);
    // Every activation starts again from the handed recordset.
    page.cmdListeCikart->setEnabled(true);
    services.msgBoxes->queueAnswer(vb::vbYes);
    page.cmdListeCikart->click();
    EXPECT_EQ(listed(page).size(), 2);
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral("2"));
    forms::Get<frmRapor>().Show();
    page.ZOrder();
    EXPECT_EQ(listed(page).size(), 3);
}

TEST_F(QuickSendTest, RemovingKeepsTheCountAndTheListTogether) {
    cells({{"A1", QStringLiteral("5321234567")}, {"A2", QStringLiteral("5551112233")}});
    select("A1:A2");
    auto& page = open();
    services.msgBoxes->queueAnswer(vb::vbNo);
    page.cmdListeCikart->click();
    EXPECT_EQ(listed(page).size(), 2);
    for (int i = 0; i < 3; ++i) {
        services.msgBoxes->queueAnswer(vb::vbYes);
        page.cmdListeCikart->click();
    }
    EXPECT_TRUE(listed(page).isEmpty());
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral("0"));
    // An emptied list keeps the send button, which then ends silently.
    EXPECT_TRUE(page.cmdIleri->isEnabled());
    page.txtMesaj->setText(QStringLiteral("Merhaba"));
    services.msgBoxes->clearRecords();
    page.cmdIleri->click();
    EXPECT_TRUE(prompts().isEmpty());
}

TEST_F(QuickSendTest, TheListShowsTwelveNumbersAtOnce) {
    for (int r = 1; r <= 20; ++r)
        sheet->Range(QStringLiteral("A%1").arg(r)).setValue(QStringLiteral("053212345%1").arg(r, 2, 10, QLatin1Char('0')));
    select("A1:A20");
    auto& page = open();
    ASSERT_EQ(page.DataGrid1->RowCount(), 20);
    QTableView* view = page.DataGrid1->view();
    QApplication::processEvents();
    // Rows as high as their text, not the style's double height.
    const int text = view->fontMetrics().height();
    EXPECT_GE(view->rowHeight(0), text);
    EXPECT_LE(view->rowHeight(0), text + 4);
    EXPECT_EQ(view->rowHeight(19), view->rowHeight(0));
    const int whole = view->viewport()->height() / view->rowHeight(0);
    EXPECT_GE(whole, 12) << "row height " << view->rowHeight(0) << ", viewport " << view->viewport()->height();
}

TEST_F(QuickSendTest, CountsPast32767AreReadBackWhole) {
    cells({{"A1", QStringLiteral("5321234567")}, {"A2", QStringLiteral("5551112233")}});
    select("A1:A2");
    auto& page = open();
    // What the label shows for a list of 40,000 numbers.
    page.lblToplam->setCaption(QStringLiteral(" 40000"));
    services.msgBoxes->clearRecords();
    services.msgBoxes->queueAnswer(vb::vbYes);
    page.cmdListeCikart->click();
    EXPECT_EQ(page.lblToplam->Caption(), QStringLiteral("39999"));
    EXPECT_EQ(prompts().size(), 1);
    EXPECT_EQ(listed(page).size(), 1);
}

TEST_F(QuickSendTest, AnAccountWithoutOriginatorsShowsItsCreditAndTheCheckSpeaksAtSend) {
    gateway.answer("100\n");
    cells({{"A1", QStringLiteral("5321234567")}});
    select("A1");
    auto& page = open();
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_EQ(page.lblKontor->Caption(), QStringLiteral(" 100"));
    EXPECT_EQ(page.cbGonderen->ListCount(), 0);
    EXPECT_EQ(page.cbGonderen->Text(), QString());
    EXPECT_EQ(page.DTPicker1->Value().date(), vb::Date());
    page.txtMesaj->setText(QStringLiteral("Merhaba"));
    services.msgBoxes->queueAnswer(vb::vbYes);
    const size_t posts = gateway.bodies().size();
    page.cmdIleri->click();
    EXPECT_EQ(prompts().last(), QStringLiteral("SMS Göndermek İçin Gönderen Bölümünü Seçmelisiniz"));
    EXPECT_EQ(gateway.bodies().size(), posts);
}

TEST_F(QuickSendTest, ALongOriginatorListIsReadWholeAndInOrder) {
    // 3 MB: the credit, then 250,000 originators, and a last line left open.
    std::string account = "250000\n";
    for (int i = 0; i < 250000; ++i)
        account += "GONDEREN" + std::to_string(i) + "\n";
    FaultServer server(FaultServer::answer(200, account + "YARIM"));
    mdlGenel::GatewayUrl = server.url();
    cells({{"A1", QStringLiteral("5321234567")}});
    select("A1");
    auto& page = open();
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_EQ(page.lblKontor->Caption(), QStringLiteral(" 250000"));
    ASSERT_EQ(page.cbGonderen->ListCount(), 250000);
    EXPECT_EQ(page.cbGonderen->List(0), QStringLiteral("GONDEREN0"));
    EXPECT_EQ(page.cbGonderen->List(249999), QStringLiteral("GONDEREN249999"));
    EXPECT_EQ(page.cbGonderen->Text(), QStringLiteral("GONDEREN0"));
}

TEST_F(QuickSendTest, AnErrorPageIsNoAccount) {
    cells({{"A1", QStringLiteral("5321234567")}});
    select("A1");
    for (int status : {404, 500, 502}) {
        gateway.answer("<html>\n<body>Hata</body>\n</html>\n", status);
        services.msgBoxes->clearRecords();
        auto& page = open();
        EXPECT_EQ(prompts().size(), 1) << status;
        EXPECT_TRUE(prompts().value(0).startsWith(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor. "))) << status;
        EXPECT_EQ(page.lblKontor->Caption(), QString()) << status;
        EXPECT_EQ(page.cbGonderen->ListCount(), 0) << status;
        forms::Unload(page);
        forms::FlushUnloaded();
    }
}

TEST_F(QuickSendTest, KapatAfterTheWelcomePageWasClosedShowsItAfresh) {
    cells({{"A1", QStringLiteral("5321234567")}});
    select("A1");
    auto& page = open();
    forms::UnloadDefault<frmSihirbaz>();
    forms::FlushUnloaded();
    ASSERT_FALSE(forms::IsLoaded<frmSihirbaz>());
    page.cmdVazgec->click();  // "Vazgeç" becomes "Kapat"
    page.cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    ASSERT_TRUE(forms::IsLoaded<frmSihirbaz>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
}

TEST_F(QuickSendTest, TheTextBoxCountsAndFilters) {
    auto& page = open();
    page.txtMesaj->typeText(QStringLiteral("Merhaba\rdünya"));
    EXPECT_EQ(page.txtMesaj->Text(), QStringLiteral("Merhabadünya"));
    EXPECT_EQ(page.lblKalanKrk->Caption(), QStringLiteral("148 / 160"));
    page.txtMesaj->setText(QString(200, u'x'));
    EXPECT_EQ(page.txtMesaj->Text().size(), 160);
    EXPECT_EQ(page.lblKalanKrk->Caption(), QStringLiteral("0 / 160"));
}

class SendTest : public QuickSendTest {
protected:
    frmSMS_1* page = nullptr;
    void SetUp() override {
        QuickSendTest::SetUp();
        cells({{"A1", QStringLiteral("5321234567")}, {"A2", QStringLiteral("5551112233")}});
        select("A1:A2");
        page = &open();
        page->txtMesaj->setText(QStringLiteral("Ödeme <yarın> & şimdi"));
        services.msgBoxes->clearRecords();
    }
    void send(const std::string& reply, bool confirm = true) {
        gateway.answer(reply);
        services.msgBoxes->queueAnswer(confirm ? vb::vbYes : vb::vbNo);
        page->cmdIleri->click();
    }
    long logged() const {
        auto rs = db.query(QStringLiteral("SELECT COUNT(*) FROM tbl_giden"));
        return long(vb::CDbl(rs->Fields(0).Value()));
    }
};

TEST_F(SendTest, TheDocumentIsActionZeroByteForByte) {
    send("ID 12345");
    EXPECT_EQ(gateway.lastBody(),
              QStringLiteral("<MainmsgBody><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord><Action>0</Action>"
                             "<ClientID>test_sending_windows1.0.0</ClientID><Mesgbody>Odeme [yarin] - simdi</Mesgbody>"
                             "<Numbers>5321234567,5551112233,</Numbers><Originator>QUILLMERE</Originator>"
                             "<SDate></SDate></MainmsgBody>"));
    ASSERT_GE(prompts().size(), 2);
    EXPECT_EQ(prompts()[0], QStringLiteral("Mesajınız 2 kişiye gönderilecektir. Devam etmek istiyor musunuz?"));
    EXPECT_EQ(prompts().last(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    auto row = db.query(QStringLiteral("SELECT * FROM tbl_giden"));
    EXPECT_EQ(row->Fields(QStringLiteral("msgid")).Value(), vb::Variant("12345"));
    EXPECT_EQ(row->Fields(QStringLiteral("mesaj")).Value(), vb::Variant(QStringLiteral("İlk Kayıt :Ödeme <yarın> & şimdi")));
    EXPECT_EQ(row->Fields(QStringLiteral("msg_tip")).Value(), vb::Variant(QStringLiteral("GsmNo alanlarını kullan.")));
    EXPECT_EQ(vb::CDbl(row->Fields(QStringLiteral("paket_boyut")).Value()), 2);
    EXPECT_EQ(row->Fields(QStringLiteral("tarih")).Value(), row->Fields(QStringLiteral("gtarih")).Value());
    // The wizard closes and the report window opens.
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
    EXPECT_TRUE(forms::Get<frmRapor>().isVisible());
    EXPECT_FALSE(mdlGenel::ListLoaded);
}

TEST_F(SendTest, ReplyCodes) {
    struct Case { std::string reply; bool logs; bool stays; const char* id; } cases[] = {
        {"ID 12345", true, false, "12345"},
        {"ID12345", true, false, "2345"},
        {"id 12345", false, false, nullptr},
        {"04", false, true, nullptr},
        {"05", false, true, nullptr},
        {"-1", false, false, nullptr},
        {"<html>proxy</html>", false, false, nullptr},
        {"01", false, false, nullptr},
    };
    for (const auto& c : cases) {
        if (!forms::IsLoaded<frmSMS_1>()) {
            gateway.answer(kAccount);
            page = &open();
            page->txtMesaj->setText(QStringLiteral("Merhaba"));
        }
        db.query(QStringLiteral("DELETE FROM tbl_giden"));
        send(c.reply);
        EXPECT_EQ(logged(), c.logs ? 1 : 0) << c.reply;
        EXPECT_EQ(forms::IsLoaded<frmSMS_1>(), c.stays) << c.reply;
        if (c.id) {
            EXPECT_EQ(db.query(QStringLiteral("SELECT msgid FROM tbl_giden"))->Fields(0).Value(), vb::Variant(c.id));
        }
        if (c.stays) {
            EXPECT_EQ(listed(*page).size(), 2);
        }
    }
}

// The package went out whole and no answer came back: the gateway may have
// it, so the page neither calls it a failure nor logs it.
TEST_F(SendTest, APackageWhoseReplyWasLostIsNoFailure) {
    const QString notDelivered = QStringLiteral("Mesaj Merkezine İlgili Bilgiler Gönderilemiyor\r\n"
                                                "Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız");
    const msxml::Timeouts saved = msxml::XMLHTTPRequest::timeouts();
    msxml::XMLHTTPRequest::setTimeouts({std::chrono::seconds(5), std::chrono::seconds(1)});
    const struct {
        const char* what;
        FaultServer::Act act;
        bool lost;
    } cases[] = {
        {"hang-up after the package", FaultServer::closeAfterRequest(), true},
        {"hang-up in the reply", FaultServer::closeMidReply("ID 4711", 2), true},
        {"silence after the package", FaultServer::stall(), true},
        {"error page", FaultServer::answer(500, "ID 4711"), false},
        {"redirect", FaultServer::redirect(307, "http://127.0.0.1:1/"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!forms::IsLoaded<frmSMS_1>()) {
            mdlGenel::GatewayUrl = gateway.url();
            page = &open();
            page->txtMesaj->setText(QStringLiteral("Merhaba"));
        }
        FaultServer server(c.act);
        mdlGenel::GatewayUrl = server.url();
        services.msgBoxes->clearRecords();
        services.msgBoxes->queueAnswer(vb::vbYes);
        page->cmdIleri->click();
        ASSERT_EQ(services.msgBoxes->records().size(), 2u);
        const vb::MessageRecord& told = services.msgBoxes->records()[1];
        if (c.lost) {
            EXPECT_EQ(told.prompt, sending::kReplyLostNotice);
            EXPECT_EQ(told.buttons, vb::vbInformation);
            EXPECT_EQ(told.title, QStringLiteral("Quillmere Uyarı"));
        } else {
            EXPECT_EQ(told.prompt, notDelivered);
        }
        EXPECT_EQ(server.bodies().size(), 1u);
        EXPECT_EQ(logged(), 0);
        EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    }
    msxml::XMLHTTPRequest::setTimeouts(saved);
}

// A pasted emoji at the 160th character and a NUL: the box and the cut keep
// the pair whole, the document holds neither half nor NUL, and the package
// the gateway accepted is logged.
TEST_F(SendTest, OddCharactersNeitherBreakTheDocumentNorTheLog) {
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    page->txtMesaj->setText(QString(159, u'a') + smile);
    EXPECT_EQ(page->txtMesaj->Text(), QString(159, u'a'));
    page->txtMesaj->setText(QStringLiteral("Mer") + QChar(0) + QStringLiteral("haba ") + smile);
    send("ID 808");
    const QString body = gateway.lastBody();
    EXPECT_TRUE(body.contains(QStringLiteral("<Mesgbody>Merhaba ") + smile + QStringLiteral("</Mesgbody>")))
        << body.toStdString();
    EXPECT_FALSE(body.contains(QChar(0)));
    EXPECT_EQ(prompts().last(), QStringLiteral("Mesaj Başarı İle Gönderildi."));
    EXPECT_EQ(db.query(QStringLiteral("SELECT mesaj FROM tbl_giden"))->Fields(0).Value(),
              vb::Variant(QStringLiteral("İlk Kayıt :Merhaba ") + smile));
}

TEST_F(SendTest, TheChecksBeforeTheSend) {
    page->txtMesaj->setText(QStringLiteral(" "));
    page->cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Lütfen yollamak istediğiniz mesajı giriniz.")});
    page->txtMesaj->setText(QStringLiteral("Merhaba"));
    const size_t posts = gateway.bodies().size();
    send("ID 1", false);
    EXPECT_EQ(gateway.bodies().size(), posts);
    // Credit: equal to the recipients passes, one less is refused.
    services.msgBoxes->clearRecords();
    page->lblKontor->setCaption(QStringLiteral(" 1"));
    send("ID 1");
    EXPECT_EQ(prompts().last(), QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok"));
    EXPECT_EQ(gateway.bodies().size(), posts);
    page->lblKontor->setCaption(QStringLiteral(" xyz"));
    send("ID 1");
    EXPECT_TRUE(prompts().last().startsWith(QStringLiteral("Tanımlanamayan Hata Oluştu.\r\nSistemin ürettiği hata mesajı : \r\n ")));
    EXPECT_TRUE(forms::IsLoaded<frmSMS_1>());
    page->lblKontor->setCaption(QStringLiteral(" 2"));
    send("ID 1");
    EXPECT_EQ(gateway.bodies().size(), posts + 1);
}

TEST_F(SendTest, AScheduledSendCarriesItsDigits) {
    page->chkIleriTarih->setValue(1);
    page->DTPicker1->setValue(QDateTime(QDate(2007, 3, 5), QTime(0, 0)));
    page->DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), QTime(14, 7)));
    send("ID 777");
    EXPECT_TRUE(gateway.lastBody().endsWith(QStringLiteral("<SDate>050320071407</SDate></MainmsgBody>")));
    EXPECT_EQ(prompts()[0], QStringLiteral("Mesajınız 2 kişiye, 05.03.2007 saat 14:07:00 de gönderilecektir. "
                                           "Devam etmek istiyor musunuz?"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT gtarih FROM tbl_giden"))->Fields(0).Value(),
              vb::Variant(QStringLiteral("05.03.2007 14:07:00")));
}

TEST_F(SendTest, AFailedLogStillSaysTheMessageWentOut) {
    db.query(QStringLiteral("DROP TABLE tbl_giden"));
    send("ID 55");
    EXPECT_TRUE(prompts().last().startsWith(QStringLiteral("Mesaj Başarı İle Gönderildi.\r\nAncak")));
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(forms::IsLoaded<frmSihirbaz>());
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

} // namespace
