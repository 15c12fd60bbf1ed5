// The second edition's report window: the documents it builds and posts
// itself, the number report and the message display, carry no client
// identification; its resend opens the second edition's quick-send page.
#include "edition2/frmSMS_1.h"
#include "edition2/windows.h"
#include "tests/reports/report_window_fixture.h"

namespace {

class Edition2Reports : public ReportWindowFixture {
protected:
    void SetUp() override {
        edition2::UseOwnWindows();
        ReportWindowFixture::SetUp();
    }
};

TEST_F(Edition2Reports, TheNumberReportAsksWithoutClientIdentification) {
    frmRapor& w = open();
    w.SSTab1->setTab(2);
    w.DTPicker3->setValue(QDateTime(QDate(2006, 7, 5), QTime()));
    w.DTPicker4->setValue(QDateTime(QDate(2006, 7, 20), QTime()));
    w.txtGsmNo->setText(QStringLiteral("5321234567"));
    gateway.answer("100001 05.07.2006 10:15:00\n100002 06.07.2006 11:00:00\n");
    w.cmdRaporGoruntule_3->click();
    EXPECT_EQ(gateway.lastBody(),
              QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                             "<Action>14</Action><GsmNo>5321234567</GsmNo><FDate>2006-07-05</FDate>"
                             "<LDate>2006-07-20</LDate></MainReportRoot>"));
    EXPECT_EQ(rows(w.DataGrid4), (QStringList{"100001 05.07.2006 10:15:00", "100002 06.07.2006 11:00:00"}));
    EXPECT_TRUE(boxes().empty());
    // The reply codes as in the first edition.
    gateway.answer("04");
    w.cmdRaporGoruntule_3->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Hatalı Kullanıcı Adı veya Parola"));
    EXPECT_EQ(w.DataGrid4->RowCount(), 2);
}

TEST_F(Edition2Reports, TheMessageDisplayOfBothTabsAsksWithoutClientIdentification) {
    const std::string texts = "<root><msgbody>Kargonuz yolda</msgbody></root>";
    // Tab 3: the number typed, the package of the row chosen.
    frmRapor& w = withNumberReport("100001 05.07.2006 10:15:00\n100002 06.07.2006 11:00:00\n");
    w.DataGrid4->setRow(1);
    gateway.answer(texts);
    w.cmdMesajGoster->click();
    EXPECT_EQ(gateway.lastBody(),
              QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                             "<Action>15</Action><GsmNo>5321234567</GsmNo><MsgID>100002</MsgID></MainReportRoot>"));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("100002 mesaj paketindeki 5321234567 numaralı GSM hattına giden mesaj :"
                                                "\r\n\r\nKargonuz yolda"));
    closeWindow();
    services.msgBoxes->clearRecords();

    // Tab 1: the number of the row chosen, the package of the report.
    frmRapor& first = withRequestReport("5320000001 3\n5320000002 5\n");
    first.DataGrid2->setRow(1);
    gateway.answer(texts);
    first.cmdMsgGoster->click();
    EXPECT_EQ(gateway.lastBody(),
              QStringLiteral("<MainReportRoot><UserName>demo-DEMO</UserName><PassWord>demo123</PassWord>"
                             "<Action>15</Action><GsmNo>5320000002</GsmNo><MsgID>100001</MsgID></MainReportRoot>"));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].prompt.endsWith(QStringLiteral("\r\n\r\nKargonuz yolda")));
    for (const QString& body : gateway.bodies())
        EXPECT_FALSE(body.contains(QStringLiteral("ClientID"))) << body.toStdString();
}

TEST_F(Edition2Reports, TheResendOpensTheSecondEditionsQuickSendPage) {
    frmRapor& w = withRequestReport("5320000003 5\n5320000001 2\n5320000002 3\n");
    gateway.answer("1000\nQUILLMERE\n");
    w.cmdRedZaGonder_1->click();
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    auto* page = forms::IfLoaded<edition2::frmSMS_1>();
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->DataGrid1->RowCount(), 2);
    EXPECT_EQ(page->RecipientCount, 2);
    page->txtMesaj->setText(QString(170, u'a'));
    EXPECT_EQ(page->lblToplam->Caption(), QStringLiteral(" 4"));
}

} // namespace
