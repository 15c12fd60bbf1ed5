// The report window's number tab, its status filters and its message display.
#include "gateway/Gateway.h"
#include "platform/vb/error.h"
#include "tests/reports/report_window_fixture.h"
#include "ui/common/frmBekle.h"

namespace {

// One row of each status, on tab 1 or 2.
const std::string kFourStatuses = "5320000001 0\n5320000002 3\n5320000003 5\n5320000004 2\n";
const std::string kTwoPackages = "100001 05.07.2006 10:15:00\n100002 06.07.2006 11:00:00\n";
const QString kRefused = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kNothingSent = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");

using NumberTabTest = ReportWindowFixture;

TEST_F(NumberTabTest, TheNumberIsCheckedBeforeAnythingIsSent) {
    struct Case {
        const char* typed;
        bool sent;
    };
    const Case cases[] = {{"5321234567", true}, {"532123456", false}, {"53212345678", false},
                          {"6321234567", false}, {"", false},        {"5ab12345cd", true}};
    frmRapor& w = open();
    w.SSTab1->setTab(2);
    w.DTPicker3->setValue(QDateTime(QDate(2006, 7, 5), QTime()));
    w.DTPicker4->setValue(QDateTime(QDate(2006, 7, 20), QTime()));
    gateway.answer(kTwoPackages);
    for (const Case& c : cases) {
        services.msgBoxes->clearRecords();
        const size_t before = gateway.bodies().size();
        w.txtGsmNo->setText(QString::fromUtf8(c.typed));
        w.cmdRaporGoruntule_3->click();
        if (c.sent) {
            ASSERT_EQ(gateway.bodies().size(), before + 1) << c.typed;
            EXPECT_EQ(gateway.lastBody(),
                      QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                                     "<Action>14</Action><ClientID>")
                          + *mdlGenel::ClientId() + QStringLiteral("</ClientID><GsmNo>") + QString::fromUtf8(c.typed)
                          + QStringLiteral("</GsmNo><FDate>2006-07-05</FDate><LDate>2006-07-20</LDate></MainReportRoot>"));
            EXPECT_TRUE(boxes().empty());
        } else {
            EXPECT_EQ(gateway.bodies().size(), before) << c.typed;
            ASSERT_EQ(boxes().size(), 1u) << c.typed;
            EXPECT_EQ(boxes()[0].prompt, QStringLiteral("GSMNo Alanını Kontrol Ediniz"));
            EXPECT_EQ(boxes()[0].buttons, vb::vbInformation);
            EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
            EXPECT_EQ(w.focusWidget(), w.txtGsmNo->editor()) << c.typed;
        }
        EXPECT_FALSE(forms::IsLoaded<frmBekle>());
        for (forms::CommandButton* b : {w.cmdRaporGoruntule_3, w.cmdMesajGoster, w.cmdExceleGonder_3, w.cmdVazgec_3})
            EXPECT_TRUE(b->isEnabled()) << c.typed << ' ' << b->objectName().toStdString();
    }
}

TEST_F(NumberTabTest, ThePalvoriGatewayIsAskedWithTheUserNameAlone) {
    mdlGenel::GatewayType = QStringLiteral("Palvori");
    withNumberReport(kTwoPackages);
    EXPECT_TRUE(gateway.lastBody().startsWith(QStringLiteral("<MainReportRoot><UserName>demo</UserName>")));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<ClientID>")));
}

// The number is sent as typed, but markup in it cannot break the documents.
TEST_F(NumberTabTest, MarkupInTheTypedNumberIsEscaped) {
    frmRapor& w = withNumberReport(kTwoPackages, QStringLiteral("5<a&b>1234"));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<GsmNo>5&lt;a&amp;b&gt;1234</GsmNo><FDate>")));
    ASSERT_EQ(w.DataGrid4->RowCount(), 2);
    gateway.answer("<root><msgbody>x</msgbody></root>");
    w.cmdMesajGoster->click();
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<GsmNo>5&lt;a&amp;b&gt;1234</GsmNo><MsgID>")));
}

TEST_F(NumberTabTest, EachLineIsAPackageAndItsDate) {
    frmRapor& w = withNumberReport("100001 05.07.2006 10:15:00\n100002 06.07.2006 11:00:00\n100003 x");
    EXPECT_EQ(rows(w.DataGrid4), (QStringList{"100001 05.07.2006 10:15:00", "100002 06.07.2006 11:00:00"}));
    EXPECT_EQ(w.DataGrid4->Columns(0).Caption(), QStringLiteral("MsgID"));
    EXPECT_EQ(w.DataGrid4->Columns(1).Caption(), QStringLiteral("Tarih"));
    EXPECT_EQ(mdlGenel::StartFlag, QStringLiteral("1"));
    EXPECT_EQ(mdlGenel::ProgressTotal, 2);
    EXPECT_EQ(mdlGenel::ProgressDone, 2);
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_TRUE(w.cmdRaporGoruntule_3->isEnabled() && w.cmdMesajGoster->isEnabled() && w.cmdExceleGonder_3->isEnabled());
}

// Codes end the fetch with their message and keep the report shown; a web
// page in lower case, an empty reply and pieces of the code list are report
// text.
TEST_F(NumberTabTest, ReplyCodes) {
    const QString connection = QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz. Bir Güvenlik Uygulaması "
                                              "Internet Bağlantınızı Denetliyor Olabilir.");
    struct Case {
        std::string reply;
        QString text;  // empty: no message, the reply is a report
        int icon;
        int rows;
    };
    const Case cases[] = {
        {"-1", connection, vb::vbCritical, 2},
        {"<HTML><body>proxy</body></HTML>\n", connection, vb::vbCritical, 2},
        {"01", kRefused, vb::vbCritical, 2},
        {"03", kRefused, vb::vbCritical, 2},
        {"04", kRefused, vb::vbCritical, 2},
        {"05", kRefused, vb::vbCritical, 2},
        {"08", kNothingSent, vb::vbInformation, 2},
        // Another gateway code is no report either.
        {"12", kRefused, vb::vbCritical, 2},
        {"<html><body>proxy</body></html>", QString(), 0, 0},
        {"", QString(), 0, 0},
        // Pieces of the code list are no code.
        {"5", QString(), 0, 0},
        {"1,0", QString(), 0, 0},
        {"-2,-1", QString(), 0, 0},
    };
    frmRapor& w = withNumberReport(kTwoPackages);
    for (const Case& c : cases) {
        gateway.answer(kTwoPackages);
        w.cmdRaporGoruntule_3->click();
        ASSERT_EQ(w.DataGrid4->RowCount(), 2);
        services.msgBoxes->clearRecords();
        mdlGenel::StartFlag.clear();
        gateway.answer(c.reply);
        w.cmdRaporGoruntule_3->click();
        if (c.text.isEmpty()) {
            EXPECT_TRUE(boxes().empty()) << c.reply;
            EXPECT_EQ(mdlGenel::StartFlag, QStringLiteral("1")) << c.reply;
        } else {
            ASSERT_EQ(boxes().size(), 1u) << c.reply;
            EXPECT_EQ(boxes()[0].prompt, c.text) << c.reply;
            EXPECT_EQ(boxes()[0].buttons, c.icon) << c.reply;
            EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
            EXPECT_TRUE(mdlGenel::StartFlag.isEmpty());
        }
        EXPECT_EQ(w.DataGrid4->RowCount(), c.rows) << c.reply;
        EXPECT_FALSE(forms::IsLoaded<frmBekle>()) << c.reply;
        EXPECT_TRUE(w.cmdRaporGoruntule_3->isEnabled() && w.cmdMesajGoster->isEnabled()) << c.reply;
    }
}

// A failed post or a bad line ends in the error message; the tab can fetch
// again afterwards.
TEST_F(NumberTabTest, FailuresLeaveTheTabAbleToFetchAgain) {
    frmRapor& w = withNumberReport("100001 05.07.2006\n100002\n100003 07.07.2006\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("1Lütfen İnternet Bağlantınızı Kontrol Ediniz"));
    EXPECT_EQ(boxes()[0].buttons, vb::vbCritical);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
    EXPECT_EQ(rows(w.DataGrid4), QStringList{"100001 05.07.2006"});
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());

    services.msgBoxes->clearRecords();
    mdlGenel::StartFlag.clear();
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/sms/com.orventa");
    w.cmdRaporGoruntule_3->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"));
    EXPECT_EQ(rows(w.DataGrid4), QStringList{"100001 05.07.2006"});
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    for (forms::CommandButton* b : {w.cmdRaporGoruntule_3, w.cmdMesajGoster, w.cmdExceleGonder_3})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    mdlGenel::GatewayUrl = gateway.url();
    gateway.answer(kTwoPackages);
    w.cmdRaporGoruntule_3->click();
    EXPECT_EQ(w.DataGrid4->RowCount(), 2);
}

// The number tab's fetch runs to its end after a "Vazgeç".
TEST_F(NumberTabTest, ACancelEarlierStopsNothing) {
    frmRapor& w = open();
    w.cmdVazgec_1->click();
    ASSERT_TRUE(mdlGenel::CancelRequested);
    w.SSTab1->setTab(2);
    w.txtGsmNo->setText(QStringLiteral("5321234567"));
    gateway.answer(kTwoPackages);
    w.cmdRaporGoruntule_3->click();
    EXPECT_EQ(w.DataGrid4->RowCount(), 2);
}

using StatusFilterTest = ReportWindowFixture;

TEST_F(StatusFilterTest, TheTickedBoxesChooseTheRowsOnBothTabs) {
    struct Case {
        std::array<int, 4> ticked;
        const char* filter;
        QStringList statuses;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, "", {"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi"}},
        {{0, 0, 0, 1}, "Durum = 'Reddedildi'", {"Reddedildi"}},
        {{0, 1, 0, 1}, "Durum = 'İletildi' OR Durum = 'Reddedildi'", {"İletildi", "Reddedildi"}},
        {{0, 0, 1, 1}, "Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'", {"Zaman Aşımı", "Reddedildi"}},
        {{1, 0, 0, 0}, "Durum = 'Beklemede'", {"Beklemede"}},
        {{1, 1, 1, 1},
         "Durum = 'Beklemede' OR Durum = 'İletildi' OR Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'",
         {"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi"}},
    };
    for (int tab : {1, 2}) {
        frmRapor& w = tab == 1 ? withRequestReport(kFourStatuses) : withDateRangeReport(kFourStatuses);
        forms::DataGrid* grid = tab == 1 ? w.DataGrid2 : w.DataGrid3;
        const std::array<forms::CheckBox*, 4> boxes =
            tab == 1 ? std::array{w.Check1, w.Check2, w.Check3, w.Check4} : std::array{w.Check5, w.Check6, w.Check7, w.Check8};
        ASSERT_EQ(grid->RowCount(), 4);
        for (const Case& c : cases) {
            for (int i = 0; i < 4; ++i) boxes[size_t(i)]->setValue(c.ticked[size_t(i)]);
            EXPECT_EQ(mdlGenel::ReportStatusFilter, QString::fromUtf8(c.filter)) << tab << ' ' << c.filter;
            QStringList shown;
            for (int r = 0; r < grid->RowCount(); ++r) shown << grid->CellText(r, 1);
            EXPECT_EQ(shown, c.statuses) << tab << ' ' << c.filter;
        }
        closeWindow();
    }
}

TEST_F(StatusFilterTest, TheClausesKeepTheirOrderWhateverTheClicks) {
    frmRapor& w = withRequestReport(kFourStatuses);
    for (forms::CheckBox* box : {w.Check1, w.Check2, w.Check3, w.Check4}) box->setValue(0);
    w.Check4->setValue(1);
    w.Check2->setValue(1);
    EXPECT_EQ(mdlGenel::ReportStatusFilter, QStringLiteral("Durum = 'İletildi' OR Durum = 'Reddedildi'"));
    EXPECT_EQ(rows(w.DataGrid2), (QStringList{"5320000002 İletildi", "5320000004 Reddedildi"}));
}

// A new report starts without a filter; the boxes filter it again at their
// next change.
TEST_F(StatusFilterTest, ANewReportIsFilteredAtTheNextChangeOfABox) {
    frmRapor& w = withRequestReport(kFourStatuses);
    w.SSTab1->setTab(1);
    for (forms::CheckBox* box : {w.Check5, w.Check6, w.Check7}) box->setValue(0);
    gateway.answer(kFourStatuses);
    w.cmdRaporGoruntule_2->click();
    // The fetch ticks its boxes again before the new report replaces the old.
    EXPECT_EQ(w.Check5->Value(), 1);
    EXPECT_EQ(w.DataGrid3->RowCount(), 4);
    EXPECT_TRUE(w.rsKopuk1->Recordset()->Filter().isEmpty());

    // Tab 1's boxes, untouched, put their filter on it at their next change.
    w.Check1->setValue(0);
    w.Check2->setValue(0);
    EXPECT_EQ(rows(w.DataGrid3), (QStringList{"5320000003 Zaman Aşımı", "5320000004 Reddedildi"}));
}

using MessageDisplayTest = ReportWindowFixture;

struct DisplayCase {
    std::string reply;
    QString heading;  // after the package id and the number
    QString texts;
};

TEST_F(MessageDisplayTest, OneMessageOrSeveralOnBothTabs) {
    const DisplayCase cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><root><msgbody>Ödemeniz alındı &amp; teşekkürler</msgbody></root>",
         QStringLiteral(" numaralı GSM hattına giden mesaj :"), QStringLiteral("Ödemeniz alındı & teşekkürler")},
        {"<root><a><msgbody>Birinci</msgbody></a><msgbody> İkinci </msgbody></root>",
         QStringLiteral(" numaralı GSM hattına giden mesajlar :"),
         QStringLiteral("Mesaj 1 : Birinci\r\nMesaj 2 : İkinci\r\n")},
    };
    for (const DisplayCase& c : cases) {
        // Tab 1: the number of the row chosen in the report, the package of
        // the report.
        frmRapor& w = withRequestReport(kFourStatuses);
        w.DataGrid2->setRow(2);
        gateway.answer(c.reply);
        w.cmdMsgGoster->click();
        EXPECT_EQ(gateway.lastBody(),
                  QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                                 "<Action>15</Action><ClientID>")
                      + *mdlGenel::ClientId()
                      + QStringLiteral("</ClientID><GsmNo>5320000003</GsmNo><MsgID>100001</MsgID></MainReportRoot>"));
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].prompt, QStringLiteral("100001 mesaj paketindeki 5320000003") + c.heading
                                         + QStringLiteral("\r\n\r\n") + c.texts);
        EXPECT_EQ(boxes()[0].buttons, vb::vbInformation);
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Quillmere"));
        closeWindow();
        services.msgBoxes->clearRecords();

        // Tab 3: the number typed, the package of the row chosen.
        frmRapor& t = withNumberReport(kTwoPackages);
        t.DataGrid4->setRow(1);
        gateway.answer(c.reply);
        t.cmdMesajGoster->click();
        EXPECT_TRUE(gateway.lastBody().endsWith(
            QStringLiteral("<GsmNo>5321234567</GsmNo><MsgID>100002</MsgID></MainReportRoot>")));
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].prompt, QStringLiteral("100002 mesaj paketindeki 5321234567") + c.heading
                                         + QStringLiteral("\r\n\r\n") + c.texts);
        closeWindow();
        services.msgBoxes->clearRecords();
    }
}

// More texts, or a longer one, than a message box holds: the box gets the
// heading and the first texts, as much as it shows.
TEST_F(MessageDisplayTest, ALongReplyShowsWhatTheBoxHolds) {
    std::string many = "<root>";
    for (int i = 1; i <= 1000; ++i) many += "<msgbody>Metin " + std::to_string(i) + "</msgbody>";
    many += "</root>";
    const std::string huge = "<root><msgbody>" + std::string(2000, 'x') + "</msgbody></root>";
    const QString heading = QStringLiteral("100001 mesaj paketindeki 5320000003 numaralı GSM hattına giden ");
    for (const auto& [reply, start] :
         {std::pair{many, heading + QStringLiteral("mesajlar :\r\n\r\nMesaj 1 : Metin 1\r\nMesaj 2 : Metin 2\r\n")},
          std::pair{huge, heading + QStringLiteral("mesaj :\r\n\r\nxxx")}}) {
        frmRapor& w = withRequestReport(kFourStatuses);
        w.DataGrid2->setRow(2);
        gateway.answer(reply);
        w.cmdMsgGoster->click();
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].prompt.size(), vb::kMsgBoxPromptLength);
        EXPECT_TRUE(boxes()[0].prompt.startsWith(start)) << boxes()[0].prompt.left(200).toStdString();
        closeWindow();
        services.msgBoxes->clearRecords();
    }
}

// Each tab's answer to the codes, and to replies without a message text.
TEST_F(MessageDisplayTest, CodesAndFailuresOfEachTab) {
    const QString connection = QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\n");
    const QString tab1NoConnection =
        connection
        + QStringLiteral("İnternet Bağlantınız kapalı ya da bir güvenlik uygulaması internet bağlantınızı kontrol ediyor olabilir.");
    const QString tab1Proxy =
        connection + QStringLiteral("Proxy ya da güvenlik duvarı ayarlarınız programın çalışmasına izin vermiyor olabilir.");
    const QString tab1Failed = QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor");
    const QString tab3Failed = QStringLiteral("Tanımlanamıyan Hata Oluştu") + vb::DefaultDescription(vb::errObjectNotSet);
    struct Case {
        std::string reply;
        QString tab1;
        QString tab3;
        int icon;
    };
    const Case cases[] = {
        {"-1", tab1NoConnection, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"), vb::vbCritical},
        {"<HTML>proxy</HTML>", tab1NoConnection, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"), vb::vbCritical},
        {"01", kRefused, kRefused, vb::vbCritical},
        {"03", kRefused, kRefused, vb::vbCritical},
        {"05", kRefused, kRefused, vb::vbCritical},
        {"04", tab1Proxy, kRefused, vb::vbCritical},
        {"08", kNothingSent, kNothingSent, vb::vbInformation},
        // No message text in the reply: the failure texts.
        {"<root><body>x</body></root>", tab1Failed, tab3Failed, vb::vbCritical},
        {"<root><msgbody>kırık", tab1Failed, tab3Failed, vb::vbCritical},
        {"<html><msgbody>x</msgbody>", tab1Failed, tab3Failed, vb::vbCritical},
        {"", tab1Failed, tab3Failed, vb::vbCritical},
    };
    for (int tab : {1, 3}) {
        frmRapor& w = tab == 1 ? withRequestReport(kFourStatuses) : withNumberReport(kTwoPackages);
        for (const Case& c : cases) {
            services.msgBoxes->clearRecords();
            gateway.answer(c.reply);
            (tab == 1 ? w.cmdMsgGoster : w.cmdMesajGoster)->click();
            ASSERT_EQ(boxes().size(), 1u) << tab << ' ' << c.reply;
            EXPECT_EQ(boxes()[0].prompt, tab == 1 ? c.tab1 : c.tab3) << tab << ' ' << c.reply;
            EXPECT_EQ(boxes()[0].buttons, c.icon) << tab << ' ' << c.reply;
            EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
        }
        closeWindow();
    }
}

TEST_F(MessageDisplayTest, AFailedRequestOnEachTab) {
    frmRapor& w = withRequestReport(kFourStatuses);
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/sms/com.orventa");
    w.cmdMsgGoster->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor"));
    EXPECT_EQ(mdlGenel::LastErrorText, QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor"));
    closeWindow();

    mdlGenel::GatewayUrl = gateway.url();
    frmRapor& t = withNumberReport(kTwoPackages);
    services.msgBoxes->clearRecords();
    mdlGenel::GatewayUrl = QStringLiteral("http://127.0.0.1:1/sms/com.orventa");
    t.cmdMesajGoster->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].prompt.startsWith(QStringLiteral("Tanımlanamıyan Hata Oluştu")));
    EXPECT_GT(boxes()[0].prompt.size(), QStringLiteral("Tanımlanamıyan Hata Oluştu").size());
}

// An error page or a redirect is no reply: the number tab and both message
// displays fail as they do when the gateway cannot be reached, whatever the
// page holds, and the report on screen stays.
TEST_F(MessageDisplayTest, AnErrorStatusIsAFailedRequest) {
    const struct {
        int status;
        std::string body;
    } cases[] = {
        {500, "<!DOCTYPE html><html><body>Internal Server Error</body></html>"},
        {404, ""},
        {302, ""},
        {503, "08"},
    };
    for (const auto& c : cases) {
        frmRapor& t = withNumberReport(kTwoPackages);
        services.msgBoxes->clearRecords();
        mdlGenel::StartFlag.clear();
        gateway.answer(c.body, c.status);
        t.cmdRaporGoruntule_3->click();
        ASSERT_EQ(boxes().size(), 1u) << c.status;
        EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz")) << c.status;
        EXPECT_EQ(rows(t.DataGrid4), (QStringList{"100001 05.07.2006 10:15:00", "100002 06.07.2006 11:00:00"})) << c.status;
        EXPECT_TRUE(t.cmdRaporGoruntule_3->isEnabled()) << c.status;

        services.msgBoxes->clearRecords();
        t.cmdMesajGoster->click();
        ASSERT_EQ(boxes().size(), 1u) << c.status;
        EXPECT_TRUE(boxes()[0].prompt.startsWith(QStringLiteral("Tanımlanamıyan Hata Oluştu"))) << c.status;
        closeWindow();

        gateway.answer(kFourStatuses);
        frmRapor& w = withRequestReport(kFourStatuses);
        services.msgBoxes->clearRecords();
        gateway.answer(c.body, c.status);
        w.cmdMsgGoster->click();
        ASSERT_EQ(boxes().size(), 1u) << c.status;
        EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor")) << c.status;
        EXPECT_EQ(w.DataGrid2->RowCount(), 4) << c.status;
        closeWindow();
        services.msgBoxes->clearRecords();
    }
}

// Without a visible row there is nothing to show; nothing is sent.
TEST_F(MessageDisplayTest, NoReportOrEveryRowHidden) {
    frmRapor& w = open();
    w.cmdMsgGoster->click();
    w.SSTab1->setTab(2);
    w.txtGsmNo->setText(QStringLiteral("5321234567"));
    w.cmdMesajGoster->click();
    // The number is checked first, report or not.
    w.txtGsmNo->setText(QStringLiteral("6321234567"));
    w.cmdMesajGoster->click();
    closeWindow();

    frmRapor& hidden = withRequestReport("5320000001 3\n5320000002 3\n");
    const size_t sent = gateway.bodies().size();
    for (forms::CheckBox* box : {hidden.Check1, hidden.Check2, hidden.Check3}) box->setValue(0);
    ASSERT_EQ(hidden.DataGrid2->RowCount(), 0);
    hidden.cmdMsgGoster->click();

    ASSERT_EQ(boxes().size(), 4u);
    for (size_t i : {0u, 1u, 3u}) {
        EXPECT_EQ(boxes()[i].prompt, QStringLiteral("Önce Rapor Çekmelisiniz")) << i;
        EXPECT_EQ(boxes()[i].buttons, vb::vbInformation);
        EXPECT_EQ(boxes()[i].title, QStringLiteral("Uyarı"));
    }
    EXPECT_EQ(boxes()[2].prompt, QStringLiteral("GSMNo Alanını Kontrol Ediniz"));
    EXPECT_EQ(gateway.bodies().size(), sent);
    EXPECT_EQ(sent, 1u);  // the report's own request
}

} // namespace
