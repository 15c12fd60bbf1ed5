// The final screen: the account, the checks before a send, the package it
// builds (one text to a number list, or one message per number), every reply
// of the gateway, the send log and the set-aside rows' workbook.
#include "gateway/strBuffer_com.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/forms/services.h"
#include "platform/forms/browser.h"
#include "platform/vb/error.h"
#include "platform/vb/timer.h"
#include "platform/win32/paths.h"
#include "reports/frmRapor.h"
#include "platform/msxml/xmlhttp.h"
#include "sending/sendlog.h"
#include "tests/sending/wizard_fixture.h"
#include "tests/support/fault_server.h"
#include "ui/common/frmBekle.h"

#include <QFile>
#include <array>

namespace {

const QString kHead = QStringLiteral("<MainmsgBody><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>");
const QString kClientId = QStringLiteral("<ClientID>test_sending_windows1.0.0</ClientID>");
const QString kTail = QStringLiteral("<Originator>QUILLMERE</Originator><SDate></SDate></MainmsgBody>");

class FinalScreenTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        QFile::remove(setAsideFile());
        excel::ForgetAutomationInstances();
        mdlGenel::SendMode = QStringLiteral("Dosya alanlarını kullan.");
        mdlGenel::MessageText = QStringLiteral("Sayın [##Ad##]");
    }
    void TearDown() override {
        WizardTest::TearDown();
        excel::ForgetAutomationInstances();
    }
    static QString setAsideFile() { return win32::LocalPath(QStringLiteral("C:\\gitmeyen.xls")); }

    // The final screen opened and given a list, as the list builder leaves
    // it (an empty number or text stays empty).
    frmSonEkran& screenWith(const std::vector<Row>& rows) {
        gateway.answer(kAccount);
        frmSonEkran& screen = forms::Get<frmSonEkran>();
        screen.Show();
        auto list = screen.Adodc1->Recordset();
        for (const auto& [number, message] : rows) {
            list->AddNew();
            list->Fields(0).setValue(number);
            list->Fields(1).setValue(message);
            list->UpdateBatch();
        }
        screen.lblToplam->setCaption(QStringLiteral(" ") + QString::number(rows.size()));
        return screen;
    }
    void send(frmSonEkran& screen, const std::string& reply, int answer = vb::vbYes) {
        gateway.answer(reply);
        services.msgBoxes->queueAnswer(answer);
        screen.cmdGonder->click();
    }
    ado::RecordsetPtr logged(const char* table) const {
        return db.query(QStringLiteral("SELECT * FROM ") + QLatin1String(table));
    }
    long loggedCount() const {
        return long(vb::CDbl(db.query(QStringLiteral("SELECT COUNT(*) FROM tbl_giden"))->Fields(0).Value()));
    }
    size_t posts() { return gateway.bodies().size(); }
};

TEST_F(FinalScreenTest, OneTextForAllGoesAsActionZeroWithACommaAfterEveryNumber) {
    // Longer than one message: action 0 folds the text but does not cut it.
    const QString text = QStringLiteral("Ödeme <yarın> & şimdi\r\n") + QString(180, u'x');
    frmSonEkran& screen = screenWith({{"5321112233", text}, {"5551112233", text}, {"", text}, {"5431112233", ""}});
    send(screen, "ID 4711");
    EXPECT_EQ(gateway.lastBody(), kHead + QStringLiteral("<Action>0</Action>") + kClientId
                                      + QStringLiteral("<Mesgbody>Odeme [yarin] - simdi") + QString(180, u'x')
                                      + QStringLiteral("</Mesgbody><Numbers>5321112233,5551112233,</Numbers>") + kTail);
    // The rows left out of the package still count.
    ASSERT_FALSE(prompts().isEmpty());
    EXPECT_EQ(prompts()[0], QStringLiteral("Mesajınız 4 kişiye gönderilecektir. Devam etmek istiyor musunuz?"));
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere Mesaj Gönderim Onayı"));
    auto row = logged("tbl_giden");
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msgid")).Value()), QStringLiteral("4711"));
    EXPECT_EQ(vb::CDbl(row->Fields(QStringLiteral("paket_boyut")).Value()), 4);
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("mesaj")).Value()), QStringLiteral("İlk Kayıt :") + text);
}

TEST_F(FinalScreenTest, DifferingTextsGoAsActionOneOneMessageARowInListOrderCutThenFolded) {
    // The line break inside the first 160 characters goes after the cut.
    const QString longText = QStringLiteral("Sayın Ali\r\n") + QString(170, u'y');
    frmSonEkran& screen =
        screenWith({{"5321112233", longText}, {"5551112233", QStringLiteral("Sayın Ayşe")}, {"5431112233", longText},
                    {"5441112233", ""}, {"", QStringLiteral("Sayın Can")}});
    send(screen, "ID 1");
    const QString cut = QStringLiteral("Sayin Ali") + QString(149, u'y');
    EXPECT_EQ(gateway.lastBody(),
              kHead + QStringLiteral("<Action>1</Action>") + kClientId + QStringLiteral("<Messages>")
                  + QStringLiteral("<Message><Mesgbody>") + cut + QStringLiteral("</Mesgbody><Number>5321112233</Number></Message>")
                  + QStringLiteral("<Message><Mesgbody>Sayin Ayse</Mesgbody><Number>5551112233</Number></Message>")
                  + QStringLiteral("<Message><Mesgbody>") + cut + QStringLiteral("</Mesgbody><Number>5431112233</Number></Message>")
                  + QStringLiteral("</Messages>") + kTail);
    EXPECT_EQ(vb::CDbl(logged("tbl_giden")->Fields(QStringLiteral("paket_boyut")).Value()), 5);
    // The buffers of the package are given back.
    for (qint32 slot : {0, 1}) EXPECT_FALSE(strBuffer_com::BufferUsed(slot)) << slot;
}

TEST_F(FinalScreenTest, TheCreditMustCoverEveryRecipient) {
    struct Case { const char* credit; const char* count; bool sent; } cases[] = {
        {" 100", " 101", false}, {" 101", " 101", true}, {" 100", "100", true}, {" 99,5", " 100", false}};
    for (const auto& c : cases) {
        frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
        screen.lblKontor->setCaption(QLatin1String(c.credit));
        screen.lblToplam->setCaption(QLatin1String(c.count));
        services.msgBoxes->clearRecords();
        const size_t before = posts();
        send(screen, "ID 1");
        EXPECT_EQ(posts() - before, c.sent ? 1u : 0u) << c.credit << " " << c.count;
        if (!c.sent) {
            EXPECT_EQ(prompts().last(), QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok"));
            EXPECT_EQ(services.msgBoxes->records().back().title, QStringLiteral("Quillmere Uyarı"));
            EXPECT_TRUE(screen.isVisible());
        }
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
    }
}

TEST_F(FinalScreenTest, WithoutAnOriginatorOrACreditNothingIsSent) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    screen.cbGonderen->setText(QString());
    const size_t before = posts();
    send(screen, "ID 1");
    EXPECT_EQ(prompts().last(), QStringLiteral("SMS Göndermek İçin Gönderen Bölümünü Seçmelisiniz"));
    EXPECT_EQ(screen.focusWidget(), screen.cbGonderen);
    // The answer No, or anything but Yes, ends it.
    send(screen, "ID 1", vb::vbNo);
    // No credit known: the credit cannot be read as a number.
    screen.cbGonderen->setText(QStringLiteral("QUILLMERE"));
    screen.lblKontor->setCaption(QString());
    services.msgBoxes->clearRecords();
    send(screen, "ID 1");
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_TRUE(prompts()[1].startsWith(
        QStringLiteral("Tanımlanamıyan Hata Oluştu. Lütfen Sistem Yöneticinize Başvurun \r\n ")))
        << prompts()[1].toStdString();
    EXPECT_EQ(services.msgBoxes->records()[1].title, QStringLiteral("Uyarı"));
    EXPECT_EQ(services.msgBoxes->records()[1].buttons, vb::vbCritical);
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(posts(), before);
}

TEST_F(FinalScreenTest, AListNeverFilledSendsNothingAndAsksNothing) {
    frmSonEkran& screen = forms::Get<frmSonEkran>();
    screen.Show();
    services.msgBoxes->clearRecords();
    const size_t before = posts();
    screen.cmdGonder->click();
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_EQ(posts(), before);
    // Nor does "Listeden çıkart" remove anything from it.
    services.msgBoxes->queueAnswer(vb::vbYes);
    screen.cmdLstCikart->click();
    EXPECT_EQ(screen.lblToplam->Caption(), QString());
}

struct ReplyCase {
    std::string reply;
    const char* prompt;   // the box after the confirmation, its start
    int icon;
    const char* title;
    bool stays;           // the window stays open with its list
    bool net;             // lblNet shown
    const char* id;       // logged under this package id
};

class Replies : public FinalScreenTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, EachHasItsMessageAndItsEnd) {
    const ReplyCase& c = GetParam();
    frmSMS& page = templatePage("gonderim.xls");
    frmSonEkran& screen = build(page, QStringLiteral("Sayın [##Ad##]"));
    services.msgBoxes->clearRecords();
    send(screen, c.reply);
    const auto boxes = services.msgBoxes->records();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].prompt.startsWith(QString::fromUtf8(c.prompt))) << boxes[1].prompt.toStdString();
    EXPECT_EQ(boxes[1].buttons, c.icon);
    EXPECT_EQ(boxes[1].title, QString::fromUtf8(c.title));
    EXPECT_EQ(forms::IsLoaded<frmSonEkran>(), c.stays);
    EXPECT_EQ(screen.lblNet->isVisibleTo(&screen), c.net);
    EXPECT_EQ(screen.Label6->Caption(), c.id ? QStringLiteral("Mesaj gönderildi.") : QStringLiteral("Mesaj gönderilemedi."));
    EXPECT_EQ(loggedCount(), c.id ? 1 : 0);
    for (qint32 slot : {0, 1}) EXPECT_FALSE(strBuffer_com::BufferUsed(slot));
    if (c.stays) {
        EXPECT_EQ(listed(screen).size(), 4u);
        EXPECT_TRUE(screen.Frame3->isVisible());
        EXPECT_TRUE(forms::IsLoaded<frmSMS>());
        return;
    }
    // Closed: the template page with it, the welcome page back.
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_EQ(forms::IsLoaded<frmRapor>(), c.id != nullptr);
    if (c.id) {
        EXPECT_EQ(vb::CStr(logged("tbl_giden")->Fields(QStringLiteral("msgid")).Value()), QLatin1String(c.id));
        EXPECT_TRUE(forms::Get<frmRapor>().isVisible());
        EXPECT_TRUE(mdlGenel::MessageText.isEmpty());
    }
}

const char* const kNoConnection = "Lütfen İnternet Bağlantınızı Kontrol Ediniz.\r\nİnternete Bağlı Olmadan SMS Gönderemezsiniz";
const char* const kRefused = "Mesaj Gönderilemedi.\r\nKullanıcı Adı veya Parolanız Hatalı Olabilir.\r\nSMS Krediniz "
                             "Bitmiş Olabilir.\r\nGönerilecek SMS Olmayabilir.";
const char* const kProxy = "SMS Merkezine İlgili Bilgiler Gönderilemiyor\r\nProxy Server veya Firewall "
                           "Kullanıyorsanız Gerekli Ayarları Yapmalısınız";

INSTANTIATE_TEST_SUITE_P(
    FinalScreen, Replies,
    ::testing::Values(
        ReplyCase{"ID 12345", "Mesaj Başarı İle Gönderildi.", vb::vbInformation, "Quillmere Uyarı", false, false, "12345"},
        ReplyCase{"ID12345", "Mesaj Başarı İle Gönderildi.", vb::vbInformation, "Quillmere Uyarı", false, false, "2345"},
        ReplyCase{"id 12345", kRefused, vb::vbCritical, "Quillmere Uyarı", false, false, nullptr},
        ReplyCase{"-1", kNoConnection, vb::vbInformation, "Uyarı", false, true, nullptr},
        ReplyCase{"-1 ", kRefused, vb::vbCritical, "Quillmere Uyarı", false, false, nullptr},
        ReplyCase{"<html><body>proxy</body></html>", kNoConnection, vb::vbInformation, "Uyarı", false, true, nullptr},
        ReplyCase{"Hata: <HTML>", kNoConnection, vb::vbInformation, "Uyarı", false, true, nullptr},
        ReplyCase{"04", kProxy, vb::vbCritical, "Uyarı", true, true, nullptr},
        ReplyCase{"05", kProxy, vb::vbCritical, "Uyarı", true, true, nullptr},
        ReplyCase{"06", kRefused, vb::vbCritical, "Quillmere Uyarı", false, false, nullptr}));

// The package went out whole and no answer came back: the gateway may have
// it, so it is neither called a failure nor logged, and nothing is set aside.
TEST_F(FinalScreenTest, APackageWhoseReplyWasLostIsNoFailure) {
    const msxml::Timeouts saved = msxml::XMLHTTPRequest::timeouts();
    msxml::XMLHTTPRequest::setTimeouts({std::chrono::seconds(5), std::chrono::seconds(1)});
    const struct {
        const char* what;
        FaultServer::Act act;
    } cases[] = {
        {"hang-up after the package", FaultServer::closeAfterRequest()},
        {"silence after the package", FaultServer::stall()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mdlGenel::GatewayUrl = gateway.url();
        frmSMS& page = templatePage("gonderim.xls");
        frmSonEkran& screen = build(page, QStringLiteral("[##Not##]"));
        ASSERT_FALSE(mdlGenel::OverlongRows->Bof() && mdlGenel::OverlongRows->Eof());
        FaultServer server(c.act);
        mdlGenel::GatewayUrl = server.url();
        services.msgBoxes->clearRecords();
        services.msgBoxes->queueAnswer(vb::vbYes);
        screen.cmdGonder->click();
        const auto boxes = services.msgBoxes->records();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].prompt, sending::kReplyLostNotice);
        EXPECT_EQ(boxes[1].buttons, vb::vbInformation);
        EXPECT_EQ(boxes[1].title, QStringLiteral("Quillmere Uyarı"));
        EXPECT_EQ(server.bodies().size(), 1u);
        EXPECT_EQ(loggedCount(), 0);
        EXPECT_FALSE(QFile::exists(setAsideFile()));
        EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
        EXPECT_FALSE(forms::IsLoaded<frmSMS>());
        EXPECT_FALSE(forms::IsLoaded<frmRapor>());
        EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
        forms::FlushUnloaded();
    }
    msxml::XMLHTTPRequest::setTimeouts(saved);
}

TEST_F(FinalScreenTest, AnAcceptedSendLogsTheTemplateAndWritesTheSetAsideRowsToTheirWorkbook) {
    frmSMS& page = templatePage("gonderim.xls");
    frmSonEkran& screen = build(page, QStringLiteral("[##Not##]"));
    ASSERT_EQ(listed(screen).size(), 3u);
    services.msgBoxes->clearRecords();
    send(screen, "ID 900");

    EXPECT_EQ(prompts(), (QStringList{
                             QStringLiteral("Mesajınız 3 kişiye gönderilecektir. Devam etmek istiyor musunuz?"),
                             QStringLiteral("Mesajınız başarıyla gönderildi.\r\nAncak gönderilecek mesaj içeriği 160 "
                                            "karakterden uzun olan GSM numaralarına mesaj gönderilmedi.\r\nŞimdi, mesaj "
                                            "gönderilmeyen GSM numaraları ayrı bir dosya olarak oluşturulacaktır."),
                             QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"),
                         }));
    EXPECT_EQ(services.msgBoxes->records()[1].title, QStringLiteral("Quillmere mesaj gönderimi"));
    // Ali's empty note is left out of the package.
    EXPECT_FALSE(gateway.lastBody().contains(QStringLiteral("5321112233")));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<Action>1</Action>")));

    auto row = logged("tbl_giden");
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("msg_tip")).Value()), QStringLiteral("Dosya alanlarını kullan."));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("mesaj")).Value()), QStringLiteral("İlk Kayıt :"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("originator")).Value()), QStringLiteral("QUILLMERE"));
    EXPECT_EQ(vb::CStr(row->Fields(QStringLiteral("gateway")).Value()), QStringLiteral("Quillmere"));
    EXPECT_EQ(vb::CDbl(row->Fields(QStringLiteral("paket_boyut")).Value()), 3);
    auto kept = logged("tbl_sablonlar");
    ASSERT_FALSE(kept->Eof());
    EXPECT_EQ(vb::CStr(kept->Fields(QStringLiteral("sablon_p1")).Value()), QStringLiteral("[##Not##]"));

    // The headers are the field names and one slot more.
    EXPECT_EQ(forms::IfLoaded<frmSonEkran>(), nullptr);
    ASSERT_TRUE(QFile::exists(setAsideFile()));
    const excel::WorkbookData book = excel::ReadWorkbookFile(setAsideFile());
    ASSERT_EQ(book.sheets.size(), 1u);
    const excel::SheetData& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, QStringLiteral("Sayfa1"));
    auto text = [&](int r, int c) {
        const std::optional<excel::CellData> cell = sheet.cell(r, c);
        return cell && !cell->value.isEmpty() ? vb::CStr(cell->value) : QString();
    };
    EXPECT_EQ((QStringList{text(0, 0), text(0, 1), text(0, 2), text(0, 3), text(0, 4), text(0, 5), text(0, 6)}),
              (QStringList{"Ad", "GSM", "Tutar", "Tarih", "Not", "Kod", ""}));
    EXPECT_EQ((QStringList{text(1, 0), text(2, 0), text(3, 0), text(4, 0)}), (QStringList{"Can", "Işık", "Jale", ""}));
    EXPECT_EQ(text(1, 4), QString(161, u'x'));
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());

    // The wizard is done: the workbook connection closed, the report window
    // open, the welcome page back beside it.
    EXPECT_FALSE(mdlGenel::ExcelConnection);
    EXPECT_FALSE(mdlGenel::ExcelSchema);
    EXPECT_TRUE(mdlGenel::MessageText.isEmpty());
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmRapor>().isVisible());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
}

TEST_F(FinalScreenTest, AFailedLogStillSaysTheMessagesWentOut) {
    db.query(QStringLiteral("DROP TABLE tbl_giden"));
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    send(screen, "ID 5");
    EXPECT_EQ(prompts().last(), QStringLiteral("Mesaj Başarı İle Gönderildi.\r\nAncak bilgisayarınız üzerindeki bir "
                                               "program veri tabanına veri girişine izin vermiyor\r\nBu sebeple "
                                               "gönderim raporu veri tabanına yazılamadı"));
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_EQ(mdlGenel::MessageText, QStringLiteral("Sayın [##Ad##]"));
}

TEST_F(FinalScreenTest, AScheduledSendCarriesItsMomentInTheDocumentTheQuestionAndTheLog) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    screen.chkIleriTarih->setValue(1);
    screen.DTPicker1->setValue(QDateTime(QDate(2007, 1, 5), QTime(0, 0)));
    screen.DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), QTime(9, 30)));
    send(screen, "ID 8");
    EXPECT_TRUE(gateway.lastBody().endsWith(QStringLiteral("<SDate>050120070930</SDate></MainmsgBody>")));
    EXPECT_EQ(prompts()[0], QStringLiteral("Mesajınız 1 kişiye, 05.01.2007 saat 09:30:00 de gönderilecektir. Devam "
                                           "etmek istiyor musunuz?"));
    EXPECT_EQ(vb::CStr(logged("tbl_giden")->Fields(QStringLiteral("gtarih")).Value()),
              QStringLiteral("05.01.2007 09:30:00"));
}

TEST_F(FinalScreenTest, AnErrorWhileThePackageIsBuiltGivesBothBuffersBack) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Bir")}, {"5551112233", QStringLiteral("İki")}});
    // A list that fails once the walk has begun.
    auto list = screen.Adodc1->Recordset();
    int moves = 0;
    list->Subscribe([&](ado::Change change) {
        if (change == ado::Change::Moved && ++moves == 3)
            vb::Raise(vb::errInvalidCall);
    });
    const size_t before = posts();
    send(screen, "ID 1");
    ASSERT_EQ(prompts().size(), 2);
    EXPECT_TRUE(prompts()[1].startsWith(QStringLiteral("Tanımlanamıyan Hata Oluştu.")));
    EXPECT_EQ(posts(), before);
    for (qint32 slot : {0, 1}) EXPECT_FALSE(strBuffer_com::BufferUsed(slot)) << slot;
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(list->AbsolutePosition(), 1);
}

struct AccountCase {
    const char* gatewayType;
    std::string reply;
    const char* credit;
    QStringList originators;
    bool net;
};

class Accounts : public FinalScreenTest, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(Accounts, AreAskedForAtActivation) {
    const AccountCase& c = GetParam();
    mdlGenel::GatewayType = QString::fromLatin1(c.gatewayType);
    gateway.answer(c.reply);
    const size_t before = posts();
    frmSonEkran& screen = forms::Get<frmSonEkran>();
    screen.Show();
    EXPECT_TRUE(prompts().isEmpty());
    EXPECT_EQ(screen.lblNet->isVisibleTo(&screen), c.net);
    EXPECT_EQ(screen.lblKontor->Caption(), QString::fromUtf8(c.credit));
    QStringList items;
    for (int i = 0; i < screen.cbGonderen->ListCount(); ++i) items << screen.cbGonderen->List(i);
    EXPECT_EQ(items, c.originators);
    EXPECT_EQ(screen.cbGonderen->Text(), c.originators.value(0));
    // The combo takes an originator typed by hand when the account names none.
    EXPECT_TRUE(screen.cbGonderen->isEditable());
    const bool asked = mdlGenel::GatewayType == u"Quillmere" || mdlGenel::GatewayType == u"Palvori";
    EXPECT_EQ(posts() - before, asked ? 1u : 0u);
    if (asked) {
        EXPECT_TRUE(gateway.lastBody().contains(mdlGenel::GatewayType == u"Palvori"
                                                    ? QStringLiteral("<UserName>demo</UserName>")
                                                    : QStringLiteral("<UserName>demo-DEMO</UserName>")));
        EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<Action>4</Action>")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    FinalScreen, Accounts,
    ::testing::Values(AccountCase{"Quillmere", "250\nQUILLMERE\nDEMO FIRMA\nyarım", " 250", {"QUILLMERE", "DEMO FIRMA"}, false},
                      AccountCase{"Palvori", "7\n", " 7", {}, false},
                      // Line ends of a Windows server.
                      AccountCase{"Quillmere", "250\r\nQUILLMERE\r\n", " 250", {"QUILLMERE"}, false},
                      AccountCase{"Quillmere", "01", "", {}, true}, AccountCase{"Quillmere", "-1", "", {}, true},
                      AccountCase{"Quillmere", "", "", {}, true},
                      AccountCase{"Quillmere", "<HTML><BODY>Proxy</BODY></HTML>\n", "", {}, true},
                      // No line feed at all: nothing can be read.
                      AccountCase{"Quillmere", "1500", "", {}, true},
                      AccountCase{"Başka", "1500\nQUILLMERE\n", "", {}, true}));

TEST_F(FinalScreenTest, EveryActivationResetsTheScheduleAndAsksOnlyWhileNoOriginatorIsKnown) {
    vb::SetClock(QDateTime(QDate(2026, 3, 1), QTime(10, 15, 20)));
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    EXPECT_EQ(screen.Label5->Caption(), QStringLiteral("01.03.2026 10:15:20"));
    EXPECT_EQ(screen.DTPicker1->Value().date(), QDate(2026, 3, 1));
    EXPECT_EQ(screen.DTPicker2->Value().time(), QTime(10, 15, 20));
    EXPECT_TRUE(screen.DataGrid1->isEnabled());
    screen.DTPicker1->setValue(QDateTime(QDate(2026, 5, 1), QTime(0, 0)));
    vb::SetClock(QDateTime(QDate(2026, 3, 1), QTime(10, 16, 0)));
    screen.Timer1->fire();
    EXPECT_EQ(screen.Label5->Caption(), QStringLiteral("01.03.2026 10:16:00"));
    const size_t before = posts();
    forms::Get<frmSihirbaz>().Show();
    screen.ZOrder();
    EXPECT_EQ(screen.DTPicker1->Value().date(), QDate(2026, 3, 1));
    EXPECT_EQ(posts(), before);
}

TEST_F(FinalScreenTest, VazgecThenKapatClosesAndOnlyTheWelcomePageIsShownWithoutACaller) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    screen.cmdVazgec->click();
    EXPECT_TRUE(mdlGenel::CancelRequested);
    EXPECT_EQ(screen.cmdVazgec->Caption(), QStringLiteral("Kapat"));
    EXPECT_FALSE(screen.cmdGonder->isEnabled());
    screen.cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_TRUE(prompts().isEmpty());
}

TEST_F(FinalScreenTest, ARemovedRecipientLeavesTheListAndTheCountTogether) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Bir")}, {"5551112233", QStringLiteral("İki")},
                                      {"5431112233", QStringLiteral("Üç")}});
    screen.Adodc1->Recordset()->MoveFirst();
    services.msgBoxes->queueAnswer(vb::vbNo);
    screen.cmdLstCikart->click();
    EXPECT_EQ(listed(screen).size(), 3u);
    EXPECT_EQ(prompts().last(),
              QStringLiteral("Seçtiğiniz kaydı mesaj gönderim listesinden çıkartmak istediğinizden emin misiniz?"));
    EXPECT_EQ(services.msgBoxes->records().back().title, QStringLiteral("Quillmere SMS Gönderimi"));
    for (int i = 0; i < 2; ++i) {
        services.msgBoxes->queueAnswer(vb::vbYes);
        screen.cmdLstCikart->click();
    }
    EXPECT_EQ(listed(screen), (std::vector<Row>{{"5431112233", "Üç"}}));
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral("1"));
    // The package and its count follow the list.
    services.msgBoxes->clearRecords();
    send(screen, "ID 3");
    EXPECT_EQ(prompts()[0], QStringLiteral("Mesajınız 1 kişiye gönderilecektir. Devam etmek istiyor musunuz?"));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<Numbers>5431112233,</Numbers>")));
}

TEST_F(FinalScreenTest, BelowItsSizeTheWindowSnapsBackAndAboveItTheControlsFollow) {
    frmSonEkran& screen = screenWith({{"5321112233", QStringLiteral("Merhaba")}});
    screen.setWidth(6000);
    screen.setHeight(5000);
    EXPECT_EQ(screen.Width(), 8430);
    EXPECT_EQ(screen.Height(), 8235);
    screen.setWidth(10005);
    screen.setHeight(9000);
    ASSERT_EQ(screen.Width(), 10005);
    ASSERT_EQ(screen.Height(), 9000);
    auto place = [](QWidget* w) {
        return std::array{forms::ToTwips(w->x()), forms::ToTwips(w->y()), forms::ToTwips(w->width()),
                          forms::ToTwips(w->height())};
    };
    // Positions in twips, to the pixel the twips round to.
    const int G = 9000 - 4060;
    EXPECT_NEAR(place(screen.DataGrid1)[2], 10005 - 135, 15);
    EXPECT_NEAR(place(screen.DataGrid1)[3], G, 15);
    EXPECT_EQ(screen.DataGrid1->Columns(1).Width(), 10005 - 2000);
    EXPECT_NEAR(place(screen.cmdLstCikart)[0], 10005 - 1470, 15);
    EXPECT_NEAR(place(screen.cmdLstCikart)[1], G + 105, 15);
    EXPECT_NEAR(place(screen.Frame3)[2], 10005 - 135, 15);
    EXPECT_NEAR(place(screen.Frame3)[3], 9000 - 3575, 15);
    EXPECT_NEAR(place(screen.Frame1)[1], G + 525, 15);
    EXPECT_NEAR(place(screen.Frame1)[2], 10005 - 135, 15);
    EXPECT_NEAR(place(screen.Frame2)[1], G + 465, 15);
    EXPECT_NEAR(place(screen.Frame2)[2], 10005 - 135, 15);
    EXPECT_NEAR(place(screen.cmdGonder)[0], 10005 - 2550, 15);
    EXPECT_NEAR(place(screen.cmdGonder)[1], G + 2025, 15);
    EXPECT_NEAR(place(screen.cmdVazgec)[0], 10005 - 1350, 15);
    EXPECT_NEAR(place(screen.cmdVazgec)[1], G + 2025, 15);
    EXPECT_NEAR(place(screen.lblNet)[1], G + 1905, 15);
    EXPECT_NEAR(place(screen.WebBrowser1)[1], 9000 - 1550, 15);
    EXPECT_NEAR(place(screen.WebBrowser1)[2], 10005 - 105, 15);
}

} // namespace
