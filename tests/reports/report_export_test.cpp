// The report window's export of a report to a workbook, and its resend to
// the numbers that were rejected or timed out.
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/vb/variant.h"
#include "platform/win32/paths.h"
#include "sending/frmSMS_1.h"
#include "tests/reports/report_window_fixture.h"
#include "ui/common/frmBekle.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const std::string kFourStatuses = "5320000001 0\n5320000002 3\n5320000003 5\n5320000004 2\n";
const QString kConfirm = QStringLiteral("Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz");
const QString kDone = QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır");

class ReportExportTest : public ReportWindowFixture {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("rapor.xls"));

    // Answers the confirmation with Yes and the dialog with the file.
    void agree() {
        services.msgBoxes->queueAnswer(vb::vbYes);
        services.saveDialogs->queueAnswer(file);
    }
    // The rows of the written workbook's first sheet, header first, each
    // its cells joined by a blank.
    QStringList written() const {
        const excel::WorkbookData book = excel::ReadWorkbookFile(file);
        QStringList out;
        if (book.sheets.empty())
            return out;
        const excel::SheetData& sheet = book.sheets[0];
        for (int r = 0; r < sheet.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 2; ++c) {
                const std::optional<excel::CellData> cell = sheet.cell(r, c);
                cells << (cell && !cell->value.isEmpty() ? vb::CStr(cell->value) : QString());
            }
            out << cells.join(u' ');
        }
        return out;
    }
    QStringList prompts() const {
        QStringList out;
        for (const vb::MessageRecord& r : boxes()) out << r.prompt;
        return out;
    }
};

TEST_F(ReportExportTest, OnlyTheRowsTheBoxesLetThroughAreWrittenAndTheWindowCloses) {
    frmRapor& w = withRequestReport(kFourStatuses);
    for (forms::CheckBox* box : {w.Check1, w.Check2, w.Check3}) box->setValue(0);
    agree();
    w.cmdExceleGonder_1->click();

    EXPECT_EQ(written(), (QStringList{"GsmNo Durum", "5320000004 Reddedildi"}));
    EXPECT_EQ(prompts(), (QStringList{kConfirm, kDone}));
    EXPECT_EQ(boxes()[0].buttons, vb::vbYesNo + vb::vbQuestion);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Uyarı"));
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    ASSERT_EQ(excel::AutomationInstances().size(), 1u);
    EXPECT_TRUE(excel::AutomationInstances()[0]->Visible());

    // The dialog as the window sets it up.
    ASSERT_EQ(services.saveDialogs->records().size(), 1u);
    const forms::SaveDialogRequest& dialog = services.saveDialogs->records()[0];
    EXPECT_EQ(dialog.title, QStringLiteral("Save As"));
    EXPECT_EQ(dialog.defaultExt, QStringLiteral("xls"));
    EXPECT_EQ(dialog.filter, QStringLiteral("Microsoft Excel Dosyaları (*.xls)|*.xls"));
    EXPECT_TRUE(dialog.fileName.isEmpty());
    EXPECT_EQ(dialog.initDir, win32::WindowsDriveFolder());
    EXPECT_TRUE(dialog.overwritePrompt);
    EXPECT_TRUE(dialog.createPrompt);
}

TEST_F(ReportExportTest, TheDateRangeTabWritesItsReportTooAndTheNumberTabItsOwnHeader) {
    frmRapor& w = withDateRangeReport("100001 5320000001 3\n100002 5320000002 2\n");
    agree();
    w.cmdExceleGonder_2->click();
    EXPECT_EQ(written(), (QStringList{"GsmNo Durum", "5320000001 İletildi", "5320000002 Reddedildi"}));
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    services.msgBoxes->clearRecords();

    // The number tab has no boxes to test: tab 1's, all unticked, do not
    // stop it.
    frmRapor& t = withNumberReport("100001 05.07.2006 10:15:00\n100002 06.07.2006 11:00:00\n");
    for (forms::CheckBox* box : {t.Check1, t.Check2, t.Check3, t.Check4}) box->setValue(0);
    agree();
    t.cmdExceleGonder_3->click();
    EXPECT_EQ(written(), (QStringList{"MSGID Tarih", "100001 05.07.2006 10:15:00", "100002 06.07.2006 11:00:00"}));
    EXPECT_EQ(prompts(), (QStringList{kConfirm, kDone}));
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

// The stops before the copy leave the window, its report and its filter as
// they were, and write nothing.
TEST_F(ReportExportTest, StopsBeforeTheCopy) {
    struct Case {
        const char* what;
        int tab;
        std::array<int, 4> ticked;
        int answer;        // to the confirmation
        bool dialogShown;
        QStringList prompts;
    };
    const QString status = QStringLiteral("Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin");
    const Case cases[] = {
        {"no box", 1, {0, 0, 0, 0}, vb::vbYes, false, {status}},
        {"no box", 2, {0, 0, 0, 0}, vb::vbYes, false, {status}},
        {"no", 1, {1, 1, 1, 1}, vb::vbNo, false, {kConfirm}},
        {"cancelled dialog", 1, {0, 1, 1, 1}, vb::vbYes, true, {kConfirm}},
        {"cancelled dialog", 2, {1, 1, 1, 1}, vb::vbYes, true, {kConfirm}},
    };
    for (const Case& c : cases) {
        frmRapor& w = c.tab == 1 ? withRequestReport(kFourStatuses) : withDateRangeReport(kFourStatuses);
        const std::array<forms::CheckBox*, 4> checks =
            c.tab == 1 ? std::array{w.Check1, w.Check2, w.Check3, w.Check4} : std::array{w.Check5, w.Check6, w.Check7, w.Check8};
        for (size_t i = 0; i < 4; ++i) checks[i]->setValue(c.ticked[i]);
        forms::DataGrid* grid = c.tab == 1 ? w.DataGrid2 : w.DataGrid3;
        const QStringList before = rows(grid);
        const QString filter = w.rsKopuk1->Recordset()->Filter();
        services.msgBoxes->clearRecords();
        if (c.prompts[0] == kConfirm)
            services.msgBoxes->queueAnswer(c.answer);
        if (c.dialogShown)
            services.saveDialogs->queueAnswer(std::nullopt);
        const size_t dialogs = services.saveDialogs->records().size();

        (c.tab == 1 ? w.cmdExceleGonder_1 : w.cmdExceleGonder_2)->click();
        EXPECT_EQ(prompts(), c.prompts) << c.what << ' ' << c.tab;
        if (c.prompts[0] == status) {
            EXPECT_EQ(boxes()[0].title, QStringLiteral("Merivox"));
            EXPECT_EQ(boxes()[0].buttons, vb::vbInformation);
        }
        EXPECT_EQ(services.saveDialogs->records().size(), dialogs + (c.dialogShown ? 1 : 0)) << c.what;
        ASSERT_TRUE(forms::IsLoaded<frmRapor>()) << c.what;
        EXPECT_EQ(rows(grid), before) << c.what;
        EXPECT_EQ(w.rsKopuk1->Recordset()->Filter(), filter) << c.what;
        EXPECT_FALSE(QFile::exists(file)) << c.what;
        EXPECT_TRUE(excel::AutomationInstances().empty()) << c.what;
        EXPECT_EQ(services.msgBoxes->pendingAnswers(), 0u) << c.what;
        closeWindow();
    }
}

// No report, or a filter that hides every row, is "fetch first".
TEST_F(ReportExportTest, NothingVisibleToExport) {
    frmRapor& w = open();
    w.cmdExceleGonder_1->click();
    w.cmdExceleGonder_3->click();
    closeWindow();
    frmRapor& hidden = withRequestReport("5320000001 3\n");
    for (forms::CheckBox* box : {hidden.Check1, hidden.Check2, hidden.Check3}) box->setValue(0);
    hidden.cmdExceleGonder_1->click();
    EXPECT_EQ(prompts(), (QStringList{"Önce Rapor Çekmelisiniz", "Önce Rapor Çekmelisiniz", "Önce Rapor Çekmelisiniz"}));
    EXPECT_TRUE(services.saveDialogs->records().empty());
    EXPECT_TRUE(forms::IsLoaded<frmRapor>());
}

// A "Vazgeç" pressed during an earlier fetch stopped that fetch, not this
// export.
TEST_F(ReportExportTest, ACancelledFetchBeforeDoesNotStopTheExport) {
    frmRapor& w = withRequestReport(kFourStatuses);
    ASSERT_EQ(w.DataGrid2->RowCount(), 4);
    // Cancelled while it waits; the gateway then fails, so the report stays.
    gateway.answer("-1");
    QTimer::singleShot(0, w.cmdVazgec_1, [&w] { w.cmdVazgec_1->click(); });
    w.cmdRaporGoruntule_1->click();
    ASSERT_TRUE(mdlGenel::CancelRequested);
    ASSERT_EQ(w.cmdVazgec_1->Caption(), QStringLiteral("Kapat"));
    ASSERT_EQ(w.DataGrid2->RowCount(), 4);

    agree();
    w.cmdExceleGonder_1->click();
    EXPECT_EQ(written().size(), 5);
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

// A press of "Vazgeç" during tab 1's copy stops it: nothing is written and
// the window closes.
TEST_F(ReportExportTest, CancellingTheCopyWritesNothing) {
    frmRapor& w = withRequestReport(kFourStatuses);
    agree();
    QTimer::singleShot(0, w.cmdVazgec_1, [&w] { w.cmdVazgec_1->click(); });
    w.cmdExceleGonder_1->click();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(excel::AutomationInstances().empty());
    EXPECT_EQ(prompts(), QStringList{kConfirm});
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
}

// The routine reports its own failure; the window closes all the same.
TEST_F(ReportExportTest, AFailedExportStillClosesTheWindow) {
    frmRapor& w = withRequestReport(kFourStatuses);
    file = dir.filePath(QStringLiteral("yok/rapor.xls"));
    agree();
    w.cmdExceleGonder_1->click();
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].buttons, vb::vbCritical);
    EXPECT_TRUE(boxes()[1].prompt.endsWith(QStringLiteral("Başlık bilgileri oluşturulamadı")));
    EXPECT_FALSE(forms::IsLoaded<frmRapor>());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
}

using ResendTest = ReportWindowFixture;

QStringList listed(frmSMS_1& page) {
    QStringList out;
    for (int r = 0; r < page.DataGrid1->RowCount(); ++r) out << page.DataGrid1->CellText(r, 0);
    return out;
}

// A < B < C: A rejected, B delivered, A timed out, C timed out; on tab 2
// A is rejected in a second package too.
TEST_F(ResendTest, EachRejectedOrTimedOutNumberOnceInAscendingOrder) {
    for (int tab : {1, 2}) {
        frmRapor& w = tab == 1 ? withRequestReport("5320000003 5\n5320000001 2\n5320000002 3\n5320000001 5\n")
                               : withDateRangeReport("100001 5320000001 2\n100001 5320000002 3\n100002 5320000001 5\n"
                                                     "100002 5320000003 5\n100003 5320000001 4\n");
        gateway.answer("1000\nQUILLMERE\n");
        mdlGenel::StartFlag = QStringLiteral("1");
        (tab == 1 ? w.cmdRedZaGonder_1 : w.cmdRedZaGonder_2)->click();

        EXPECT_FALSE(forms::IsLoaded<frmRapor>()) << tab;
        ASSERT_TRUE(forms::IsLoaded<frmSMS_1>()) << tab;
        frmSMS_1& page = forms::Get<frmSMS_1>();
        EXPECT_TRUE(page.isVisible());
        EXPECT_EQ(page.CallerForm.TypeName(), QStringLiteral("frmRapor"));
        ASSERT_TRUE(page.SourceRecordset);
        EXPECT_EQ(page.SourceRecordset->Fields(0).Name(), QStringLiteral("GsmNo"));
        EXPECT_EQ(page.SourceRecordset->Fields(0).DefinedSize(), 10);
        EXPECT_EQ(listed(page), (QStringList{"5320000001", "5320000003"})) << tab;
        EXPECT_EQ(mdlGenel::StartFlag, tab == 2 ? QString() : QStringLiteral("1"));
        EXPECT_TRUE(boxes().empty());

        // Closing the page shows the report window again, loaded afresh.
        page.cmdVazgec->click();
        page.cmdVazgec->click();
        EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
        ASSERT_TRUE(forms::IsLoaded<frmRapor>());
        EXPECT_TRUE(forms::Get<frmRapor>().isVisible());
        EXPECT_EQ(forms::Get<frmRapor>().DataGrid2->RowCount(), 0);
        closeWindow();
    }
}

TEST_F(ResendTest, NothingToResendKeepsTheWindow) {
    // No report: nothing changes.
    frmRapor& w = open();
    w.cmdRedZaGonder_1->click();
    w.cmdRedZaGonder_2->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(w.cmdVazgec_1->isEnabled() && w.cmdVazgec_2->isEnabled());
    closeWindow();

    // No failed row: the report is left filtered to them, so the grid is
    // empty until a box changes.
    frmRapor& r = withRequestReport("5320000001 0\n5320000002 3\n");
    r.cmdRedZaGonder_1->click();
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(forms::IsLoaded<frmRapor>());
    EXPECT_EQ(r.DataGrid2->RowCount(), 0);
    EXPECT_TRUE(r.cmdVazgec_1->isEnabled());
    r.Check1->setValue(0);
    EXPECT_EQ(r.DataGrid2->RowCount(), 1);
    EXPECT_TRUE(boxes().empty());
}

// The boxes' filter decides only whether there is a report at all.
TEST_F(ResendTest, TheBoxesFilterIsReplaced) {
    const std::string reply = "5320000001 0\n5320000002 2\n";
    frmRapor& w = withRequestReport(reply);
    for (forms::CheckBox* box : {w.Check2, w.Check3, w.Check4}) box->setValue(0);
    ASSERT_EQ(rows(w.DataGrid2), QStringList{"5320000001 Beklemede"});
    gateway.answer("1000\nQUILLMERE\n");
    w.cmdRedZaGonder_1->click();
    ASSERT_TRUE(forms::IsLoaded<frmSMS_1>());
    EXPECT_EQ(listed(forms::Get<frmSMS_1>()), QStringList{"5320000002"});
    for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
    forms::FlushUnloaded();

    // Only the pending box ticked and no pending row: nothing to walk.
    frmRapor& none = withRequestReport("5320000002 2\n");
    for (forms::CheckBox* box : {none.Check2, none.Check3, none.Check4}) box->setValue(0);
    none.cmdRedZaGonder_1->click();
    EXPECT_FALSE(forms::IsLoaded<frmSMS_1>());
    EXPECT_TRUE(forms::IsLoaded<frmRapor>());
}

} // namespace
