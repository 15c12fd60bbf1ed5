// The export of a recordset to a new workbook of a separate Excel instance,
// read back from the file it writes.
#include "data/export.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"
#include "platform/excel/workbook.h"
#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/win32/paths.h"
#include "state/mdlGenel.h"
#include "tests/platform/ado/support.h"
#include "tests/support/report_recordset.h"
#include "ui/common/frmBekle.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kExcelMissing = QStringLiteral(
    "Bilgisayarınızda, uygulmayı destekleyen Excel programı kurulu olmadığından veri aktarım işlemi yapılamıyor");

QStringList namesOf(const ado::RecordsetPtr& rs) {
    // As the callers build it: one slot more than there are fields.
    QStringList headers;
    for (int f = 0; f < rs->Fields().Count(); ++f)
        headers << rs->Fields(f).Name();
    headers << QString();
    return headers;
}

QString text(const excel::SheetData& sheet, int row, int column) {
    const std::optional<excel::CellData> c = sheet.cell(row, column);
    return c && !c->value.isEmpty() ? vb::CStr(c->value) : QString();
}

// The data rows of a sheet read back: rows below the header.
int dataRows(const excel::SheetData& sheet) {
    int last = 0;
    for (int r = 0; r < sheet.rowCount(); ++r)
        if (!text(sheet, r, 0).isEmpty())
            last = r;
    return last;
}

class ExportTest : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("rapor.xls"));

    void SetUp() override { excel::ForgetAutomationInstances(); }
    void TearDown() override {
        excel::SetInstanceCreatedHandler(nullptr);
        excel::ForgetAutomationInstances();
        forms::UnloadDefault<frmBekle>();
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    // What a caller does around the call.
    void run(ado::RecordsetPtr rs, QString fileName, QStringList headers) {
        forms::Get<frmBekle>().Show();
        frmBekle::ExportProgress progress;
        mdlGenel::ExportRecordsetToExcel(rs, fileName, headers, progress);
    }
    std::vector<vb::MessageRecord> boxes() const { return services.msgBoxes->records(); }
    static std::shared_ptr<excel::Application> instance() {
        const auto all = excel::AutomationInstances();
        return all.size() == 1 ? all.front() : nullptr;
    }
};

TEST_F(ExportTest, AnEmptyRecordsetGivesOneSheetWithTheHeaderRow) {
    auto rs = ReportRecordset(0);
    run(rs, file, namesOf(rs));
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    EXPECT_EQ(b[0].title, QStringLiteral("Vellmar Yöneticisi"));
    EXPECT_EQ(b[0].buttons, vb::vbInformation);
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());

    const excel::WorkbookData book = excel::ReadWorkbookFile(file);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, QStringLiteral("Sayfa1"));
    EXPECT_EQ(text(book.sheets[0], 0, 0), QStringLiteral("GsmNo"));
    EXPECT_EQ(text(book.sheets[0], 0, 1), QStringLiteral("Durum"));
    EXPECT_EQ(dataRows(book.sheets[0]), 0);

    const auto xl = instance();
    ASSERT_TRUE(xl);
    EXPECT_TRUE(xl->Visible());
    ASSERT_EQ(xl->Workbooks().Count(), 1);
    EXPECT_EQ(xl->ActiveWorkbook()->FullName(), QFileInfo(file).absoluteFilePath());
}

struct PageCase {
    int records;
    std::vector<int> perSheet;
};

class ExportPages : public ExportTest, public ::testing::WithParamInterface<PageCase> {};

// Each sheet holds its page from row 2 on under the same header row, and
// the counters run over the whole export.
TEST_P(ExportPages, SixtyFiveThousandFiveHundredThirtyFiveRecordsASheet) {
    const PageCase& c = GetParam();
    auto rs = ReportRecordset(c.records);
    // What the wait window shows while the first record of each page is
    // copied.
    QStringList seen;
    rs->Subscribe([&](ado::Change change) {
        if (change != ado::Change::Moved || mdlGenel::ProgressDone % 65535 != 1)
            return;
        frmBekle& w = forms::Get<frmBekle>();
        seen << w.Label1->Caption() + (w.Timer1->Enabled() && w.Label2->isVisibleTo(&w) && w.lblIslemHiz->isVisibleTo(&w)
                                           ? QStringLiteral(" +") : QStringLiteral(" -"));
    });
    run(rs, file, namesOf(rs));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    EXPECT_EQ(mdlGenel::ProgressTotal, c.records);
    EXPECT_EQ(mdlGenel::ProgressDone, c.records);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->PageSize(), 65535);
    QStringList expected;
    for (size_t p = 1; p <= c.perSheet.size(); ++p)
        expected << QStringLiteral("Sayfa %1 kayıtları oluşturuluyor... +").arg(p);
    EXPECT_EQ(seen, expected);

    const excel::WorkbookData book = excel::ReadWorkbookFile(file);
    ASSERT_EQ(book.sheets.size(), c.perSheet.size());
    int record = 0;
    for (size_t s = 0; s < book.sheets.size(); ++s) {
        const excel::SheetData& sheet = book.sheets[s];
        EXPECT_EQ(sheet.name, QStringLiteral("Sayfa%1").arg(s + 1));
        EXPECT_EQ(text(sheet, 0, 0), QStringLiteral("GsmNo"));
        EXPECT_EQ(text(sheet, 0, 1), QStringLiteral("Durum"));
        ASSERT_EQ(dataRows(sheet), c.perSheet[s]) << sheet.name.toStdString();
        // The first and last record of the page, in order.
        EXPECT_EQ(text(sheet, 1, 0), ReportNumber(record));
        record += c.perSheet[s];
        EXPECT_EQ(text(sheet, c.perSheet[s], 0), ReportNumber(record - 1));
        EXPECT_EQ(text(sheet, c.perSheet[s], 1), ReportStatus(record - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Export, ExportPages,
                         ::testing::Values(PageCase{65535, {65535}}, PageCase{65536, {65535, 1}},
                                           PageCase{150000, {65535, 65535, 18930}}));

TEST_F(ExportTest, TheElementAtTheUpperBoundIsNeverRead) {
    auto rs = adotest::MadeUp({"Ad", "Soyad", "Şehir"}, {{"Ayşe", "Çınar", "İzmir"}, {"Ömer", "Güneş", "Muğla"}});
    run(rs, file, {QStringLiteral("Adı"), QStringLiteral("Soyadı"), QStringLiteral("İl"), QStringLiteral("OKUNMAZ")});
    const excel::WorkbookData book = excel::ReadWorkbookFile(file);
    ASSERT_EQ(book.sheets.size(), 1u);
    const excel::SheetData& sheet = book.sheets[0];
    EXPECT_EQ(text(sheet, 0, 0), QStringLiteral("Adı"));
    EXPECT_EQ(text(sheet, 0, 1), QStringLiteral("Soyadı"));
    EXPECT_EQ(text(sheet, 0, 2), QStringLiteral("İl"));
    EXPECT_EQ(text(sheet, 0, 3), QString());
    EXPECT_EQ(text(sheet, 2, 2), QStringLiteral("Muğla"));

    // The widths are fitted after the save: the file keeps the standard
    // ones, the workbook on the screen shows the fitted ones.
    for (double w : sheet.columnWidths)
        EXPECT_EQ(w, 0.0);
    const auto shown = instance()->ActiveWorkbook()->Sheets().Item(1);
    EXPECT_NE(shown->columnWidth(1), excel::kStandardWidth);
    EXPECT_FALSE(instance()->ActiveWorkbook()->Saved());
}

TEST_F(ExportTest, AnExistingFileIsReplaced) {
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("eski içerik, bir çalışma kitabı değil");
    }
    auto rs = ReportRecordset(3);
    run(rs, file, namesOf(rs));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].prompt, QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    const excel::WorkbookData book = excel::ReadWorkbookFile(file);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(dataRows(book.sheets[0]), 3);
}

TEST_F(ExportTest, AReadOnlyExistingFileEndsItBeforeExcelStarts) {
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("kilitli");
    }
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    auto rs = ReportRecordset(3);
    rs->MoveFirst();
    run(rs, file, namesOf(rs));
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, QStringLiteral("Permission denied") + vb::vbCrLf + QStringLiteral("Mevcut Excel dosyası silinemiyor"));
    EXPECT_EQ(b[0].title, QStringLiteral("Uyarı"));
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    EXPECT_TRUE(excel::AutomationInstances().empty());
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    EXPECT_EQ(QFile(file).size(), 7);
    // The caller unloads the wait window after a failure.
    EXPECT_TRUE(forms::IsLoaded<frmBekle>());
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(ExportTest, AHostThatMakesOneSheetANewWorkbookFailsWithTheExcelExplanation) {
    excel::SetInstanceCreatedHandler([](std::shared_ptr<excel::Application> app) { app->setSheetsInNewWorkbook(1); });
    auto rs = ReportRecordset(3);
    run(rs, file, namesOf(rs));
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_TRUE(b[0].prompt.endsWith(vb::vbCrLf + kExcelMissing)) << b[0].prompt.toStdString();
    EXPECT_FALSE(b[0].prompt.startsWith(vb::vbCrLf));
    EXPECT_EQ(b[0].title, QStringLiteral("Uyarı"));
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    // Left as it was: invisible, with its workbook, not quit.
    const auto xl = instance();
    ASSERT_TRUE(xl);
    EXPECT_FALSE(xl->Visible());
    EXPECT_FALSE(xl->HasQuit());
    EXPECT_EQ(xl->Workbooks().Count(), 1);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(forms::IsLoaded<frmBekle>());
    EXPECT_TRUE(forms::Get<frmBekle>().Timer1->Enabled());
}

TEST_F(ExportTest, MoreSheetsANewWorkbookFollowTheDataNamedAndHeaded) {
    excel::SetInstanceCreatedHandler([](std::shared_ptr<excel::Application> app) { app->setSheetsInNewWorkbook(5); });
    auto rs = ReportRecordset(2);
    run(rs, file, namesOf(rs));
    const excel::WorkbookData book = excel::ReadWorkbookFile(file);
    ASSERT_EQ(book.sheets.size(), 3u);
    for (size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(book.sheets[s].name, QStringLiteral("Sayfa%1").arg(s + 1));
        EXPECT_EQ(text(book.sheets[s], 0, 1), QStringLiteral("Durum"));
        EXPECT_EQ(dataRows(book.sheets[s]), s == 0 ? 2 : 0);
    }
}

TEST_F(ExportTest, AWindowsPathIsWrittenInTheDriveFolder) {
    auto rs = ReportRecordset(1);
    QString name = QStringLiteral("C:\\gitmeyen.xls");
    run(rs, name, namesOf(rs));
    const QString written = win32::WindowsDriveFolder() + QStringLiteral("/gitmeyen.xls");
    ASSERT_TRUE(QFile::exists(written));
    EXPECT_EQ(dataRows(excel::ReadWorkbookFile(written).sheets[0]), 1);
    EXPECT_EQ(instance()->ActiveWorkbook()->FullName(), written);
    // A second export replaces it.
    auto again = ReportRecordset(2);
    excel::ForgetAutomationInstances();
    run(again, name, namesOf(again));
    EXPECT_EQ(dataRows(excel::ReadWorkbookFile(written).sheets[0]), 2);
    QFile::remove(written);
}

} // namespace
