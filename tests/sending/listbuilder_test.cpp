// The template page's "İleri >>" over a workbook LibreOffice wrote: the rows
// in force merged into the final screen's list, one row per number.
#include "platform/vb/timer.h"
#include "sending/frmSMS_1.h"
#include "tests/sending/wizard_fixture.h"
#include "ui/common/frmBekle.h"


namespace {

const QString kUnexpected = QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : ");

QString repeated(const char* c, int n) { return QString::fromUtf8(c).repeated(n); }

using ListBuilderTest = WizardTest;

struct ListCase {
    const char* templateText;
    std::vector<std::pair<const char*, QString>> rows;   // number, message
    QStringList setAside;                                 // names of the rows
};

class Lists : public ListBuilderTest, public ::testing::WithParamInterface<ListCase> {};

// gonderim.xls: Ali and Gül share a number, so do Can and Hakan, and Işık and
// Jale; Deniz has none, Emre an invalid one, Fatma 5000000000. The notes of
// Ayşe, Can, Işık and Jale are 160, 161, 200 and 170 characters long; Can's
// code is a text where the others' are numbers.
TEST_P(Lists, HoldOneRowPerNumberWithItsMergedMessage) {
    const ListCase& c = GetParam();
    frmSMS& page = templatePage("gonderim.xls");
    frmSonEkran& screen = build(page, QString::fromUtf8(c.templateText));
    EXPECT_EQ(prompts(), QStringList());
    std::vector<Row> expected;
    for (const auto& [number, message] : c.rows) expected.emplace_back(QString::fromLatin1(number), message);
    EXPECT_EQ(listed(screen), expected);
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" ") + QString::number(c.rows.size()));
    EXPECT_EQ(column(mdlGenel::OverlongRows, QStringLiteral("Ad")), c.setAside);
}

INSTANTIATE_TEST_SUITE_P(
    ListBuilder, Lists,
    ::testing::Values(
        // Without marks, or with an opening mark only, the template as it is.
        ListCase{"Merhaba",
                 {{"5321112233", "Merhaba"}, {"5551112233", "Merhaba"}, {"5431112233", "Merhaba"},
                  {"5441112233", "Merhaba"}},
                 {}},
        ListCase{"Merhaba [##Ad",
                 {{"5321112233", "Merhaba [##Ad"}, {"5551112233", "Merhaba [##Ad"}, {"5431112233", "Merhaba [##Ad"},
                  {"5441112233", "Merhaba [##Ad"}},
                 {}},
        // The first row of a number wins, though Gül's message differs.
        ListCase{"Sayın [##Ad##],",
                 {{"5321112233", "Sayın Ali,"}, {"5551112233", "Sayın Ayşe,"}, {"5431112233", "Sayın Can,"},
                  {"5441112233", "Sayın Işık,"}},
                 {}},
        // 160 characters are listed, 161 set aside; a number whose first row
        // was set aside is listed from its next short one, and two long rows
        // of one number are both set aside. An empty note merges to nothing.
        ListCase{"[##Not##]",
                 {{"5321112233", ""}, {"5551112233", repeated("ş", 160)}, {"5431112233", "kısa"}},
                 {"Can", "Işık", "Jale"}},
        // Numbers and dates in the regional form; names in any letter case;
        // cells taken as they are written.
        ListCase{"[##TUTAR##] TL, [##tarih##] ([##gSm##])",
                 {{"5321112233", "150 TL, 05.01.2007 (0532 111 22 33)"}, {"5551112233", "75,5 TL, 10.02.2007 (05551112233)"},
                  {"5431112233", "0 TL, 15.03.2007 (5431112233)"}, {"5441112233", "70 TL, 06.04.2007 (05441112233)"}},
                 {}}));

TEST_F(ListBuilderTest, TheWalkHandsOverToTheFinalScreenAndKeepsTheSetAsideRowsWhole) {
    frmSMS& page = templatePage("gonderim.xls");
    mdlGenel::CancelRequested = true;  // left from an earlier list
    frmSonEkran& screen = build(page, QStringLiteral("[##Not##]"));
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(screen.CallerForm, &page);
    EXPECT_EQ(mdlGenel::SendMode, QStringLiteral("Dosya alanlarını kullan."));
    EXPECT_EQ(mdlGenel::MessageText, QStringLiteral("[##Not##]"));
    EXPECT_EQ(mdlGenel::ProgressTotal, 10);
    EXPECT_EQ(mdlGenel::ProgressDone, 10);
    // The account was asked for on the way.
    EXPECT_EQ(screen.lblKontor->Caption(), QStringLiteral(" 1500"));
    EXPECT_EQ(screen.cbGonderen->Text(), QStringLiteral("QUILLMERE"));
    // Finished: the wait window gone, the list shown and usable.
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_FALSE(screen.Frame3->isVisible());
    EXPECT_TRUE(screen.cmdLstCikart->isEnabled());
    EXPECT_EQ(screen.DataGrid1->recordset(), screen.Adodc1->Recordset());
    EXPECT_EQ(screen.DataGrid1->RowCount(), 3);
    EXPECT_EQ(screen.DataGrid1->Columns(0).Width(), 1200);
    EXPECT_EQ(screen.DataGrid1->Columns(1).Width(), 6500);

    // The set-aside rows have the sheet's columns and every cell of theirs.
    const auto& rows = mdlGenel::OverlongRows;
    ASSERT_EQ(rows->Fields().Count(), page.rsSheet->Fields().Count());
    for (int f = 0; f < rows->Fields().Count(); ++f) {
        EXPECT_EQ(rows->Fields(f).Name(), page.rsSheet->Fields(f).Name());
        EXPECT_EQ(rows->Fields(f).Type(), page.rsSheet->Fields(f).Type());
        EXPECT_EQ(rows->Fields(f).DefinedSize(), page.rsSheet->Fields(f).DefinedSize());
    }
    rows->MoveFirst();
    EXPECT_EQ(rows->Fields(QStringLiteral("GSM")).Value(), vb::Variant(QStringLiteral("5431112233")));
    EXPECT_EQ(rows->Fields(QStringLiteral("Tutar")).Value(), vb::Variant(0.0));
    EXPECT_EQ(rows->Fields(QStringLiteral("Tarih")).Value(), vb::Variant(QDate(2007, 3, 15)));
    EXPECT_EQ(rows->Fields(QStringLiteral("Not")).Value(), vb::Variant(repeated("x", 161)));
    // Can's code is the one text of a number column: left empty, the row
    // set aside all the same.
    EXPECT_EQ(page.rsSheet->Fields(QStringLiteral("Kod")).Type(), ado::adDouble);
    EXPECT_TRUE(rows->Fields(QStringLiteral("Kod")).Value().isNull());
    rows->MoveNext();
    EXPECT_EQ(rows->Fields(QStringLiteral("Ad")).Value(), vb::Variant(QStringLiteral("Işık")));
    EXPECT_EQ(rows->Fields(QStringLiteral("Kod")).Value(), vb::Variant(9.0));
}

TEST_F(ListBuilderTest, WithAFilterInForceOnlyItsRowsAreWalkedInTheSortOrder) {
    frmSMS& page = templatePage("gonderim.xls");
    page.cbFAlani->setText(QStringLiteral("Tutar"));
    page.cbFOperator->setText(QStringLiteral(">"));
    page.optFSayi->setValue(true);
    page.txtFDegeri->setText(QStringLiteral("50"));
    page.cmdFEkle->click();
    page.cmdFiltrele->click();
    page.DataGrid1_HeadClick(2);  // Tutar, ascending
    frmSonEkran& screen = build(page, QStringLiteral("Sayın [##Ad##],"));
    // Hakan 60, Işık 70, Ayşe 75,5, Jale 80 (Işık's number), Ali 150, Gül 500 (Ali's).
    EXPECT_EQ(listed(screen), (std::vector<Row>{{"5431112233", "Sayın Hakan,"}, {"5441112233", "Sayın Işık,"},
                                                {"5551112233", "Sayın Ayşe,"}, {"5321112233", "Sayın Ali,"}}));
    EXPECT_EQ(mdlGenel::ProgressTotal, 6);
    EXPECT_EQ(mdlGenel::ProgressDone, 6);
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 4"));
}

class MalformedTemplates : public ListBuilderTest, public ::testing::WithParamInterface<const char*> {};

// The unexpected-error box at the first row: nothing listed, and the final
// screen stays as the walk left it.
TEST_P(MalformedTemplates, EndTheWalkAtTheFirstRow) {
    frmSMS& page = templatePage("gonderim.xls");
    frmSonEkran& screen = build(page, QString::fromUtf8(GetParam()));
    const auto boxes = services.msgBoxes->records();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(kUnexpected)) << boxes[0].prompt.toStdString();
    EXPECT_GT(boxes[0].prompt.size(), kUnexpected.size());
    EXPECT_EQ(boxes[0].title, QStringLiteral("Quillmere"));
    EXPECT_EQ(boxes[0].buttons, vb::vbCritical);
    EXPECT_EQ(mdlGenel::ProgressDone, 0);
    EXPECT_TRUE(listed(screen).empty());
    EXPECT_TRUE(screen.isVisible());
    EXPECT_TRUE(screen.Frame3->isVisible());
    EXPECT_FALSE(screen.cmdLstCikart->isEnabled());
    EXPECT_FALSE(screen.DataGrid1->recordset());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(forms::IsLoaded<frmSMS>());
}

INSTANTIATE_TEST_SUITE_P(ListBuilder, MalformedTemplates,
                         ::testing::Values("Sayın [##Ad##], [##Tutar TL", "##] Sayın [##Ad##]", "Sayın [##Soyad##]",
                                           "Sayın [####]", "Sayın [## Ad##]"));

TEST_F(ListBuilderTest, TheChecksComeFirst) {
    frmSMS& page = templatePage("gonderim.xls");
    page.txtMesaj->setText(QString());
    page.cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Lütfen gönderilecek mesajı giriniz.")});
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere"));
    EXPECT_EQ(page.focusWidget(), page.txtMesaj->editor());
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());

    // A filter that leaves no row.
    services.msgBoxes->clearRecords();
    page.rsSheet->setFilter(QStringLiteral("Tutar > 1000"));
    page.txtMesaj->setText(QStringLiteral("Merhaba"));
    page.cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Excel dosyanızda kayıt bulunamadı.Uygulama kapanıyor...")});
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere SMS Gönderimi"));
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());

    // A workbook without tables.
    services.msgBoxes->clearRecords();
    frmSMS& again = templatePage("gonderim.xls");
    mdlGenel::ExcelSchema = std::make_shared<ado::Recordset>();
    mdlGenel::ExcelSchema->Fields().Append(QStringLiteral("TABLE_NAME"), ado::adVarWChar, 255);
    mdlGenel::ExcelSchema->Open();
    again.txtMesaj->setText(QStringLiteral("Merhaba"));
    again.cmdIleri->click();
    EXPECT_EQ(prompts(),
              QStringList{QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosyayla çalışıyorsunuz.Uygulama kapanıyor...")});
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
}

TEST_F(ListBuilderTest, VazgecStopsTheWalkAndTheNextListStartsAfresh) {
    frmSMS& page = templatePage("kalabalik.xls");
    // What the user sees while the list is built.
    bool waitShown = false, speedShown = false, ticking = false, covered = false, removable = true;
    qint32 total = 0;
    QString status;
    onceListed([&](frmSonEkran& screen) {
        if (frmBekle* wait = forms::IfLoaded<frmBekle>()) {
            waitShown = wait->isVisible();
            speedShown = wait->Label2->isVisibleTo(wait) && wait->lblIslemHiz->isVisibleTo(wait);
            ticking = wait->Timer1->Enabled();
        }
        total = mdlGenel::ProgressTotal;
        covered = screen.Frame3->isVisible();
        status = screen.Label6->Caption();
        removable = screen.cmdLstCikart->isEnabled();
        screen.cmdVazgec->click();
    });
    frmSonEkran& screen = build(page, QStringLiteral("Sayın [##Ad##]"));
    EXPECT_TRUE(waitShown);
    EXPECT_TRUE(speedShown);
    EXPECT_TRUE(ticking);
    EXPECT_EQ(total, 3000);
    EXPECT_TRUE(covered);
    EXPECT_EQ(status, QStringLiteral("Mesaj listesi oluşturuluyor..."));
    EXPECT_FALSE(removable);
    const size_t stopped = listed(screen).size();
    EXPECT_GE(stopped, 1u);
    EXPECT_LT(stopped, 3000u);
    EXPECT_LT(mdlGenel::ProgressDone, 3000);
    EXPECT_TRUE(mdlGenel::CancelRequested);
    EXPECT_EQ(screen.cmdVazgec->Caption(), QStringLiteral("Kapat"));
    EXPECT_FALSE(screen.cmdGonder->isEnabled());
    // The walk ends as a finished one does.
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_FALSE(screen.Frame3->isVisible());
    EXPECT_EQ(screen.DataGrid1->RowCount(), int(stopped));
    EXPECT_TRUE(prompts().isEmpty());

    // "Kapat" goes back to the template page as the user left it.
    screen.cmdVazgec->click();
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
    ASSERT_TRUE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.txtMesaj->Text(), QStringLiteral("Sayın [##Ad##]"));
    forms::FlushUnloaded();
    frmSonEkran& next = build(page, page.txtMesaj->Text());
    EXPECT_EQ(listed(next).size(), 3000u);
    EXPECT_EQ(listed(next).back(), (Row{"5320003000", "Sayın Kişi 3000"}));
    EXPECT_EQ(next.lblToplam->Caption(), QStringLiteral(" 3000"));
}

TEST_F(ListBuilderTest, ClosingTheFinalScreenDuringTheWalkEndsIt) {
    frmSMS& page = templatePage("kalabalik.xls");
    onceListed([](frmSonEkran& screen) { screen.close(); });
    page.txtMesaj->setText(QStringLiteral("Sayın [##Ad##]"));
    page.cbGsmNo->setText(QStringLiteral("GSM"));
    page.cmdIleri->click();
    // The window closed as it always does: the template page with it, the
    // welcome page back; nothing was loaded again behind the user's back.
    EXPECT_FALSE(forms::IsLoaded<frmSonEkran>());
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_LT(mdlGenel::ProgressDone, 3000);
    EXPECT_TRUE(prompts().isEmpty());
}

// Every look-up takes "adı" for "ADI": the second column is listed under a
// name of its own, which a condition and a placeholder find, and its rows
// can be set aside under it.
TEST_F(ListBuilderTest, ColumnsNamedAlikeUnderTurkishCaseAreEachFoundByTheirOwnName) {
    frmSMS& page = templatePage(namesAlike());
    ASSERT_EQ(page.cbFAlani->ListCount(), 3);
    EXPECT_EQ(page.cbFAlani->List(1), QStringLiteral("ADI"));
    EXPECT_EQ(page.cbFAlani->List(2), QStringLiteral("adı1"));
    page.lstFiltreler->AddItem(QStringLiteral("adı1 = 'veli'"));
    page.cmdFiltrele->click();
    EXPECT_EQ(page.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 1"));
    page.cmdFKaldir->click();
    frmSonEkran& screen = build(page, QStringLiteral("[##adı1##]"));
    EXPECT_EQ(prompts(), QStringList());
    EXPECT_EQ(listed(screen), (std::vector<Row>{{"5321111111", "veli"}}));
    EXPECT_EQ(column(mdlGenel::OverlongRows, QStringLiteral("ADI")), QStringList{"AYŞE"});
    EXPECT_EQ(mdlGenel::OverlongRows->Fields(2).Name(), QStringLiteral("adı1"));
}

TEST_F(ListBuilderTest, GeriClosesTheWorkbookAndGoesBackToTheWelcomePage) {
    frmSMS& page = templatePage("gonderim.xls");
    const auto connection = mdlGenel::ExcelConnection;
    page.cmdGeri->click();
    EXPECT_EQ(connection->State(), ado::adStateClosed);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_TRUE(prompts().isEmpty());
}

} // namespace
