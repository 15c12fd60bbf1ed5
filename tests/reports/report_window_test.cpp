#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/variant.h"
#include "reports/frmRapor.h"
#include "sending/frmSihirbaz.h"
#include "sending/sendlog.h"
#include "state/mdlGenel.h"
#include "tests/reports/report_window_fixture.h"
#include "tests/support/fault_server.h"
#include "ui/common/frmBekle.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

const std::string kReport = "5321234567 3\n5551112233 2\n5431112239 5\n";

class ReportWindowTest : public ReportWindowFixture {
protected:
    void SetUp() override {
        ReportWindowFixture::SetUp();
        gateway.answer(kReport);
    }

    static void log(const char* msgid, const char* gatewayType, const char* tarih) {
        sending::WriteSendLog({QString::fromUtf8(msgid), QStringLiteral("GsmNo alanlarını kullan."),
                               QString::fromUtf8(gatewayType), 3, QStringLiteral("İlk Kayıt :Merhaba"),
                               QStringLiteral("QUILLMERE"), QString::fromUtf8(tarih), QString::fromUtf8(tarih)},
                              QStringLiteral("Merhaba"));
    }
    static QStringList column(forms::DataGrid* grid, int c) {
        QStringList out;
        for (int r = 0; r < grid->RowCount(); ++r) out << grid->CellText(r, c);
        return out;
    }
};

TEST_F(ReportWindowTest, LoadingListsTheGatewaysRequestsNewestFirst) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    log("100002", "Palvori", "02.07.2006 10:00:00");
    log("100003", "Quillmere", "03.08.2006 09:00:00");
    log("100004", "Quillmere", "15.07.2006 12:00:00");
    mdlGenel::CancelRequested = true;
    frmRapor& w = open();
    EXPECT_EQ(w.Caption(), QStringLiteral("Quillmere - Rapor görüntüleme"));
    EXPECT_EQ(column(w.DataGrid1, 1), (QStringList{"100003", "100004", "100001"}));
    EXPECT_FALSE(w.DataGrid1->Columns(0).Visible());
    EXPECT_EQ(w.DataGrid1->Columns(3).Width(), 3300);
    for (forms::CheckBox* box : {w.Check1, w.Check2, w.Check3, w.Check4, w.Check5, w.Check6, w.Check7, w.Check8})
        EXPECT_EQ(box->Value(), 1) << box->objectName().toStdString();
    EXPECT_EQ(w.DTPicker3->Value().date(), QDate::currentDate());
    EXPECT_EQ(w.DataGrid4->Columns(0).Caption(), QStringLiteral("MsgID"));
    EXPECT_FALSE(mdlGenel::CancelRequested);
    EXPECT_TRUE(boxes().empty());

    forms::Form::RunEvent([] { forms::UnloadDefault<frmRapor>(); });
    mdlGenel::GatewayType = QStringLiteral("Palvori");
    EXPECT_EQ(column(open().DataGrid1, 1), QStringList{"100002"});
}

TEST_F(ReportWindowTest, ReportOfTheSelectedRequest) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    log("100002", "Quillmere", "02.07.2006 10:00:00");
    frmRapor& w = open();
    w.DataGrid1->setRow(1);
    w.cmdRaporGoruntule_1->click();
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("100001")));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<UserName>demo-DEMO</UserName>")));
    EXPECT_EQ(column(w.DataGrid2, 0), (QStringList{"5321234567", "5551112233", "5431112239"}));
    EXPECT_EQ(column(w.DataGrid2, 1), (QStringList{"İletildi", "Reddedildi", "Zaman Aşımı"}));
    EXPECT_EQ(w.Text1->Text(), QStringLiteral("3"));
    EXPECT_EQ(w.Text2->Text(), QString());
    EXPECT_EQ(w.Text3->Text(), QStringLiteral("1"));
    EXPECT_EQ(w.Text4->Text(), QStringLiteral("1"));
    EXPECT_EQ(w.Text5->Text(), QStringLiteral("1"));
    EXPECT_EQ(w.Text11->Text(), QStringLiteral("100001"));
    EXPECT_EQ(mdlGenel::ProgressTotal, 3);
    EXPECT_EQ(mdlGenel::ProgressDone, 3);
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_TRUE(w.cmdRaporGoruntule_1->isEnabled() && w.cmdMsgGoster->isEnabled() && w.Check1->isEnabled());
    EXPECT_TRUE(boxes().empty());

    // No connection: the report and its summary stay.
    gateway.answer("-1");
    w.cmdRaporGoruntule_1->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].prompt.startsWith(QStringLiteral("Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz\r\n")));
    EXPECT_EQ(boxes()[0].buttons, vb::vbInformation);
    EXPECT_EQ(w.DataGrid2->RowCount(), 3);
    EXPECT_EQ(w.Text1->Text(), QStringLiteral("3"));

    // A gateway code is a refused account, not an empty report: the report
    // on screen stays.
    for (const char* code : {"01", "03", "05", "-2"}) {
        services.msgBoxes->clearRecords();
        gateway.answer(code);
        w.cmdRaporGoruntule_1->click();
        ASSERT_EQ(boxes().size(), 1u) << code;
        EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Hatalı Kullanıcı Adı veya Parola"));
        EXPECT_EQ(boxes()[0].buttons, vb::vbCritical);
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
        EXPECT_EQ(w.DataGrid2->RowCount(), 3) << code;
        EXPECT_EQ(w.Text1->Text(), QStringLiteral("3"));
        EXPECT_TRUE(w.cmdRaporGoruntule_1->isEnabled());
    }
    // An empty reply, or one that is only a piece of the code list, is
    // still a report, and an empty one.
    for (const char* reply : {"", "5", "1,0"}) {
        gateway.answer("100001 5321234567 3\n");
        w.cmdRaporGoruntule_1->click();
        ASSERT_EQ(w.DataGrid2->RowCount(), 1) << reply;
        services.msgBoxes->clearRecords();
        gateway.answer(reply);
        w.cmdRaporGoruntule_1->click();
        EXPECT_TRUE(boxes().empty()) << reply;
        EXPECT_EQ(w.DataGrid2->RowCount(), 0) << reply;
    }
}

// A fetch for another request that brings no report keeps the report shown,
// and puts the selection back on the request it belongs to.
TEST_F(ReportWindowTest, AFetchWithoutAReportKeepsTheSelectionOnTheRequestShown) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    log("100002", "Quillmere", "02.07.2006 10:00:00");
    frmRapor& w = open();
    w.DataGrid1->setRow(1);
    w.cmdRaporGoruntule_1->click();
    ASSERT_EQ(w.Text11->Text(), QStringLiteral("100001"));
    for (const char* reply : {"01", "-1"}) {
        w.DataGrid1->setRow(0);
        ASSERT_EQ(w.DataGrid1->CellText(w.DataGrid1->Row(), 1), QStringLiteral("100002"));
        services.msgBoxes->clearRecords();
        gateway.answer(reply);
        w.cmdRaporGoruntule_1->click();
        EXPECT_EQ(boxes().size(), 1u) << reply;
        EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<MsgID>100002</MsgID>"))) << reply;
        EXPECT_EQ(w.DataGrid1->CellText(w.DataGrid1->Row(), 1), QStringLiteral("100001")) << reply;
        EXPECT_EQ(vb::CStr(w.rsRapor1->Recordset()->Fields(1).Value()), QStringLiteral("100001")) << reply;
        EXPECT_EQ(w.Text11->Text(), QStringLiteral("100001")) << reply;
        EXPECT_EQ(w.DataGrid2->RowCount(), 3) << reply;
    }
    // Before any report, a failed fetch leaves the selection where it is.
    forms::Form::RunEvent([] { forms::UnloadDefault<frmRapor>(); });
    frmRapor& fresh = open();
    fresh.DataGrid1->setRow(1);
    gateway.answer("-1");
    fresh.cmdRaporGoruntule_1->click();
    EXPECT_EQ(fresh.DataGrid1->CellText(fresh.DataGrid1->Row(), 1), QStringLiteral("100001"));
    EXPECT_TRUE(fresh.Text11->Text().isEmpty());
}

TEST_F(ReportWindowTest, ARefusedAccountOnTheDateRangeTabKeepsTheReport) {
    frmRapor& w = open();
    w.SSTab1->setTab(1);
    gateway.answer("100001 5321234567 3\r\n100002 5321234568 5\r\n");
    w.cmdRaporGoruntule_2->click();
    ASSERT_EQ(w.DataGrid3->RowCount(), 2);
    gateway.answer("01");
    w.cmdRaporGoruntule_2->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Hatalı Kullanıcı Adı veya Parola"));
    EXPECT_EQ(boxes()[0].buttons, vb::vbCritical);
    EXPECT_EQ(w.DataGrid3->RowCount(), 2);
    EXPECT_EQ(w.Text6->Text(), QStringLiteral("2"));
    EXPECT_TRUE(w.Check5->isEnabled() && w.cmdRaporGoruntule_2->isEnabled());
}

TEST_F(ReportWindowTest, AnEmptySentListAsksNothing) {
    frmRapor& w = open();
    w.cmdRaporGoruntule_1->click();
    EXPECT_TRUE(gateway.bodies().empty());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
}

TEST_F(ReportWindowTest, ABadLineEndsTheFetchWithTheRowsBeforeIt) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    frmRapor& w = open();
    gateway.answer("5321234567 3\n5321234568 x\n");
    w.cmdRaporGoruntule_1->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].prompt.startsWith(QStringLiteral("Bir Hata Oluştu. Lütfen İnternet Bağlantınızı Kontrol Ediniz\r\n"
                                                            "İnternete Bağlı Olmadan Rapor Güncelleyemezsiniz.\r\n")));
    EXPECT_EQ(boxes()[0].buttons, vb::vbCritical);
    EXPECT_EQ(w.DataGrid2->RowCount(), 1);
    EXPECT_TRUE(w.cmdRaporGoruntule_1->isEnabled());
}

TEST_F(ReportWindowTest, DateRangeReport) {
    frmRapor& w = open();
    w.DTPicker1->setValue(QDateTime(QDate(2006, 7, 5), QTime()));
    w.DTPicker2->setValue(QDateTime(QDate(2006, 7, 20), QTime()));
    gateway.answer("100001 5321234567 3\n100002 5321234567 0\n");
    w.SSTab1->setTab(1);
    w.cmdRaporGoruntule_2->click();
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<FDate>2006-07-05</FDate>")));
    EXPECT_TRUE(gateway.lastBody().contains(QStringLiteral("<LDate>2006-07-20</LDate>")));
    EXPECT_EQ(column(w.DataGrid3, 1), (QStringList{"İletildi", "Beklemede"}));
    EXPECT_EQ(w.Text6->Text(), QStringLiteral("2"));
    EXPECT_EQ(w.Text7->Text(), QStringLiteral("1"));
    EXPECT_EQ(w.Text12->Text(), QStringLiteral("05.07.2006"));
    EXPECT_EQ(w.Text13->Text(), QStringLiteral("20.07.2006"));
    EXPECT_TRUE(w.Check5->isEnabled() && w.cmdRaporGoruntule_2->isEnabled());
    EXPECT_TRUE(boxes().empty());
}

// A report of many lines (30,000 unless told), codes 0 to 9 in turn:
// pending 0 and 1, delivered 3, timed out 5, rejected the six others.
std::string largeReport(int lines = 30000) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "1000" + std::to_string(10 + i / 1000) + " 53" + QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')).toStdString()
                + " " + std::to_string(i % 10) + "\n";
    return text;
}

int boxNumber(forms::TextBox* box) { return box->Text().isEmpty() ? 0 : box->Text().toInt(); }

TEST_F(ReportWindowTest, ALargeReportIsShownWholeWithItsCounts) {
    FaultServer server(FaultServer::answer(200, largeReport()));
    mdlGenel::GatewayUrl = server.url();
    frmRapor& w = open();
    w.SSTab1->setTab(1);
    w.cmdRaporGoruntule_2->click();
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(w.DataGrid3->RowCount(), 30000);
    EXPECT_EQ(w.DataGrid2->RowCount(), 30000);
    EXPECT_EQ(w.DataGrid3->CellText(0, 0), QStringLiteral("5300000000"));
    EXPECT_EQ(w.DataGrid3->CellText(29999, 0), QStringLiteral("5300029999"));
    EXPECT_EQ(w.DataGrid3->CellText(29999, 1), QStringLiteral("Reddedildi"));
    const std::pair<forms::TextBox*, const char*> counts[] = {
        {w.Text6, "30000"}, {w.Text7, "6000"}, {w.Text8, "3000"}, {w.Text9, "3000"}, {w.Text10, "18000"}};
    for (const auto& [box, count] : counts)
        EXPECT_EQ(box->Text(), QString::fromLatin1(count)) << box->objectName().toStdString();
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
}

TEST_F(ReportWindowTest, ALargeReportCancelledPartWayCountsWhatItShows) {
    // Long enough for the event loop to turn several times while its rows
    // are built, however fast they are: it turns once per paint interval.
    FaultServer server(FaultServer::answer(200, largeReport(300000)));
    mdlGenel::GatewayUrl = server.url();
    frmRapor& w = open();
    w.SSTab1->setTab(1);
    // "Vazgeç" once 5,000 rows are built.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (mdlGenel::ProgressDone > 5000 && w.cmdVazgec_2->Caption() == u"Vazgeç")
            w.cmdVazgec_2->click();
    });
    press.start(1);
    w.cmdRaporGoruntule_2->click();
    const int rows = w.DataGrid3->RowCount();
    EXPECT_GT(rows, 5000);
    EXPECT_LT(rows, 300000);
    EXPECT_EQ(w.Text6->Text(), QStringLiteral("300000"));
    EXPECT_EQ(boxNumber(w.Text7) + boxNumber(w.Text8) + boxNumber(w.Text9) + boxNumber(w.Text10), rows);
}

TEST_F(ReportWindowTest, DateRangeCodesEmptyTheReportWithTheirMessage) {
    struct Case {
        const char* reply;
        const char* text;
        int icon;
    };
    const Case cases[] = {{"17", "Hatalı Tarih Girişi", vb::vbCritical},
                          {"18", "Bu Tarihler Arasında Gönderilmiş Rapor Yok.", vb::vbInformation},
                          {"19", "Tanımlanamıyan Hata.", vb::vbCritical},
                          {"100", "Server Yoğun Lütfen Daha Sonra Tekrar Deneyiniz", vb::vbCritical}};
    frmRapor& w = open();
    for (const Case& c : cases) {
        gateway.answer(kReport);
        w.cmdRaporGoruntule_2->click();
        ASSERT_EQ(w.DataGrid3->RowCount(), 3);
        services.msgBoxes->clearRecords();
        gateway.answer(c.reply);
        w.cmdRaporGoruntule_2->click();
        ASSERT_EQ(boxes().size(), 1u) << c.reply;
        EXPECT_EQ(boxes()[0].prompt, QString::fromUtf8(c.text));
        EXPECT_EQ(boxes()[0].buttons, c.icon);
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyar"));
        EXPECT_EQ(w.DataGrid3->RowCount(), 0) << c.reply;
        EXPECT_TRUE(w.Check5->isEnabled());
        services.msgBoxes->clearRecords();
    }
    // No connection keeps the report.
    gateway.answer(kReport);
    w.cmdRaporGoruntule_2->click();
    gateway.answer("-1");
    w.cmdRaporGoruntule_2->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz"));
    EXPECT_EQ(w.DataGrid3->RowCount(), 3);
}

TEST_F(ReportWindowTest, CancelStopsTheFetchAndASecondPressCloses) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    frmRapor& w = open();
    // Pressed while the fetch lets the message loop run.
    QTimer::singleShot(0, w.cmdVazgec_1, [&w] { w.cmdVazgec_1->click(); });
    w.cmdRaporGoruntule_1->click();
    EXPECT_EQ(w.cmdVazgec_1->Caption(), QStringLiteral("Kapat"));
    EXPECT_EQ(w.cmdVazgec_2->Caption(), QStringLiteral("Vazgeç"));
    EXPECT_TRUE(mdlGenel::CancelRequested);
    EXPECT_EQ(w.DataGrid2->RowCount(), 0);
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_TRUE(boxes().empty());

    // The cancel stopped that fetch only: the next one runs to its end.
    w.cmdRaporGoruntule_1->click();
    EXPECT_EQ(w.DataGrid2->RowCount(), 3);
    gateway.answer("100001 5321234567 3\n");
    w.cmdRaporGoruntule_2->click();
    EXPECT_EQ(w.DataGrid3->RowCount(), 1);

    w.cmdVazgec_1->click();
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

TEST_F(ReportWindowTest, ChangingTabsEmptiesTheReport) {
    log("100001", "Quillmere", "01.07.2006 10:00:00");
    frmRapor& w = open();
    w.cmdRaporGoruntule_1->click();
    ASSERT_EQ(w.DataGrid2->RowCount(), 3);
    w.SSTab1->setTab(2);
    for (forms::DataGrid* grid : {w.DataGrid2, w.DataGrid3, w.DataGrid4}) EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(w.Text1->Text(), QStringLiteral("3"));
    EXPECT_EQ(w.DataGrid1->RowCount(), 1);
}

TEST_F(ReportWindowTest, ActivationClosesTheWelcomePage) {
    forms::Get<frmSihirbaz>().Show();
    frmRapor& w = open();
    forms::Activate(w);
    EXPECT_FALSE(forms::IsLoaded<frmSihirbaz>());
}

TEST_F(ReportWindowTest, TheSizeIsHeld) {
    frmRapor& w = open();
    w.setWidth(12000);
    w.setHeight(5000);
    EXPECT_EQ(w.Width(), 9015);
    EXPECT_EQ(w.Height(), 8145);
}

} // namespace
