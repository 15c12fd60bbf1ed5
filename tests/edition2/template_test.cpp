// The second edition's template page and its list builder over workbooks
// LibreOffice wrote: the first table only, the page's own connection, the
// template counted in SMS parts, and a list that sets no row aside and
// totals its parts.
#include "edition2/frmSMS.h"
#include "edition2/windows.h"
#include "platform/vb/strings.h"
#include "tests/sending/wizard_fixture.h"
#include "ui/common/frmBekle.h"

#include <QFileInfo>
#include <array>

namespace {

class Edition2Template : public WizardTest {
protected:
    void SetUp() override {
        edition2::UseOwnWindows();
        WizardTest::SetUp();
    }
    edition2::frmSMS& page(const char* fixture) {
        templatePage(fixture);
        return forms::Get<edition2::frmSMS>();
    }
    static std::vector<int> lengths(const frmSonEkran& screen) {
        std::vector<int> out;
        for (const auto& [number, message] : listed(screen)) out.push_back(vb::Len(message));
        return out;
    }
    static bool has(const QWidget& window, const char* control) {
        return window.findChild<QWidget*>(QLatin1String(control)) != nullptr;
    }
};

TEST_F(Edition2Template, OnlyTheFirstTableIsReadThroughThePagesOwnConnection) {
    mdlGenel::MessageText = QStringLiteral("Sayın [##Adı Soyadı##]");
    edition2::frmSMS& p = page("musteriler.xls");
    EXPECT_TRUE(p.isVisible());
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'|').toStdString();
    // The whole name goes to the driver, extension and all.
    const QString path = dir.filePath(QStringLiteral("musteriler.xls"));
    EXPECT_EQ(p.WorkbookPath, QFileInfo(path).absolutePath() + QStringLiteral("\\musteriler.xls"));
    ASSERT_TRUE(p.ExcelConnection);
    EXPECT_EQ(p.ExcelConnection->ConnectionString(),
              QStringLiteral("DBQ=") + p.WorkbookPath + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};"));
    EXPECT_FALSE(mdlGenel::ExcelConnection);
    EXPECT_FALSE(mdlGenel::ExcelSchema);
    // "Müşteriler" of three sheets, with no choice of another.
    EXPECT_FALSE(has(p, "Frame3"));
    EXPECT_FALSE(has(p, "cbSayfa"));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 9"));
    EXPECT_EQ(p.DataGrid1->recordset(), p.rsSheet);
    EXPECT_EQ(p.rsSheet->Fields(0).Name(), QStringLiteral("Adı Soyadı"));
    EXPECT_EQ(forms::Get<frmPop>().AltmnuAry, (QStringList{"Adı Soyadı", "Şehir", "GSM", "Borç", "Kod"}));
    EXPECT_EQ(p.cbGsmNo->ListCount(), 5);
    EXPECT_FALSE(p.xlApp);
    EXPECT_EQ(p.txtMesaj->Text(), QStringLiteral("Sayın [##Adı Soyadı##]"));
    // The filter works on the table as in the first edition, and "Filtre
    // kaldır" reads it again through the page's connection.
    p.lstFiltreler->AddItem(QStringLiteral("Şehir = 'İstanbul'"));
    p.cmdFiltrele->click();
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 3"));
    p.cmdFKaldir->click();
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 9"));
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'|').toStdString();

    // "<< Geri" closes the page's connection and goes back.
    const auto connection = p.ExcelConnection;
    p.cmdGeri->click();
    EXPECT_EQ(connection->State(), ado::adStateClosed);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
    EXPECT_TRUE(mdlGenel::MessageText.isEmpty());
}

TEST_F(Edition2Template, NoWorkbookOrOneNeverSavedOrWithoutRowsClosesThePage) {
    const QString failure = QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosya üzerinde çalışıyorsunuz.\r\n"
                                           "Lütfen öncelikle dosyayı kaydedin.");
    auto& welcome = forms::Get<frmSihirbaz>();
    welcome.Show();
    welcome.optTumu->setValue(true);
    // No workbook open at all.
    welcome.cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Açık bir Excel dosyası bulunamadı.\r\nLütfen öncelikle mesaj "
                                                    "göndereceğiniz kayıtların bulunduğu Excel dosyasını açın.")});
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, vb::vbCritical);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());

    // Never saved: "\Kitap1" names no file.
    services.msgBoxes->clearRecords();
    ExcelApp->Workbooks().Add()->ActiveSheet()->Range(QStringLiteral("A1")).setValue(QStringLiteral("GSM"));
    welcome.cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{failure});
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, vb::vbCritical);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());

    // A first sheet with its header row only, though the second has rows.
    services.msgBoxes->clearRecords();
    const QString empty = dir.filePath(QStringLiteral("bos.xls"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM_SENDING_FIXTURES "/bos.xls"), empty));
    ExcelApp->Workbooks().Open(empty)->Activate();
    welcome.cmdIleri->click();
    EXPECT_EQ(prompts(), QStringList{QStringLiteral("Excel dosyanızda hiç kayıt yok")});
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere SMS Gönderimi"));
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
}

TEST_F(Edition2Template, TheCounterShowsTheLengthAndTheParts) {
    edition2::frmSMS& p = page("musteriler.xls");
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("Mesaj içeriği: 160 / 160"));
    const struct {
        int length;
        const char* caption;
    } cases[] = {{1, "1 / 1 SMS"},     {160, "160 / 1 SMS"}, {161, "161 / 2 SMS"}, {170, "170 / 2 SMS"},
                 {306, "306 / 2 SMS"}, {307, "307 / 3 SMS"}, {459, "459 / 3 SMS"}, {460, "460 / 4 SMS"},
                 {612, "612 / 4 SMS"}};
    for (const auto& c : cases) {
        p.txtMesaj->setText(QString(c.length, u'ş'));
        EXPECT_EQ(p.Frame2->Caption(), QLatin1String(c.caption)) << c.length;
    }
    // Placeholders count as typed; the box takes 612 characters, Enter none.
    p.txtMesaj->setText(QStringLiteral("[##GSM##]"));
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("9 / 1 SMS"));
    p.txtMesaj->setText(QString(611, u'a'));
    forms::SetFocus(p.txtMesaj);
    p.txtMesaj->setSelStart(611);
    p.txtMesaj->typeText(QStringLiteral("\rbc"));
    EXPECT_EQ(p.txtMesaj->Text(), QString(611, u'a') + u'b');
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("612 / 4 SMS"));
}

TEST_F(Edition2Template, WithoutTheTableChoiceTheFilterTakesItsRoom) {
    edition2::frmSMS& p = page("musteriler.xls");
    p.setWidth(12000);
    p.setHeight(9000);
    auto place = [](QWidget* w) {
        return std::array{forms::ToTwips(w->x()), forms::ToTwips(w->y()), forms::ToTwips(w->width()),
                          forms::ToTwips(w->height())};
    };
    EXPECT_EQ(place(p.Frame1), (std::array{12000 - 3375 + 105, 0, 3165, 9000 - 3210}));
    EXPECT_EQ(place(p.DataGrid1)[3], 9000 - 3300);
    EXPECT_EQ(place(p.Frame2)[1], 9000 - 3225);
    p.setWidth(6000);
    EXPECT_EQ(p.Width(), 10590);
}

struct PartsCase {
    const char* what;
    QString templateText;
    // The lengths of the listed messages, in list order, and their parts.
    std::vector<int> lengths;
    int total;
};

class Parts : public Edition2Template, public ::testing::WithParamInterface<PartsCase> {};

// gonderim.xls lists four numbers, whose first rows' notes are empty and
// 160, 161 and 200 characters long; the later rows of those numbers are
// not listed. Around the notes, every boundary of the part count.
TEST_P(Parts, EveryListedRowCountsItsMessagesParts) {
    const PartsCase& c = GetParam();
    edition2::frmSMS& p = page("gonderim.xls");
    frmSonEkran& screen = build(p, c.templateText);
    EXPECT_TRUE(prompts().isEmpty()) << prompts().join(u'|').toStdString();
    EXPECT_EQ(lengths(screen), c.lengths);
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" ") + QString::number(c.total));
    EXPECT_EQ(listed(screen).front().first, QStringLiteral("5321112233"));
    // Made for the run, with the sheet's columns, and never filled.
    ASSERT_TRUE(mdlGenel::OverlongRows);
    EXPECT_EQ(mdlGenel::OverlongRows->Fields().Count(), 6);
    EXPECT_TRUE(mdlGenel::OverlongRows->Bof() && mdlGenel::OverlongRows->Eof());
}

INSTANTIATE_TEST_SUITE_P(
    Edition2Template, Parts,
    ::testing::Values(
        // 0, 160 and 161, 200: 1 + 1 + 2 + 2.
        PartsCase{"160", QStringLiteral("[##Not##]"), {0, 160, 161, 200}, 6},
        // 306 and 307.
        PartsCase{"306", QString(146, u'a') + QStringLiteral("[##Not##]"), {146, 306, 307, 346}, 1 + 2 + 3 + 3},
        // 459 and 460.
        PartsCase{"459", QString(299, u'a') + QStringLiteral("[##Not##]"), {299, 459, 460, 499}, 2 + 3 + 4 + 4},
        // Past one basket's worth: listed all the same, four parts.
        PartsCase{"700", QString(380, u'a') + QStringLiteral("[##Not##][##Not##]"), {380, 700, 702, 780}, 3 + 4 + 4 + 4},
        // No template at all: every listed row an empty message of one part.
        PartsCase{"empty", QString(), {0, 0, 0, 0}, 4}),
    [](const auto& test) { return std::string("Around") + test.param.what; });

TEST_F(Edition2Template, TheFinalScreenIsFilledInViewAndKeepsItsRemoveButton) {
    edition2::frmSMS& p = page("kalabalik.xls");
    bool removable = false, bound = false, waiting = false;
    QString total, listedThen;
    onceListed([&](frmSonEkran& screen) {
        removable = screen.cmdLstCikart->isEnabled();
        bound = screen.DataGrid1->recordset() == screen.Adodc1->Recordset();
        waiting = forms::IsLoaded<frmBekle>();
        total = screen.lblToplam->Caption();
        listedThen = QStringLiteral(" ") + QString::number(screen.Adodc1->Recordset()->RecordCount());
    });
    frmSonEkran& screen = build(p, QStringLiteral("Sayın [##Ad##]"));
    EXPECT_TRUE(removable);
    EXPECT_TRUE(bound);
    EXPECT_TRUE(waiting);
    // The total of the rows listed so far, one part each.
    EXPECT_EQ(total, listedThen);
    EXPECT_FALSE(has(screen, "Frame3"));
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 3000"));
    EXPECT_EQ(screen.DataGrid1->RowCount(), 3000);
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    // The columns as the screen's load and layout left them.
    EXPECT_EQ(screen.DataGrid1->Columns(0).Width(), 1200);
    EXPECT_EQ(screen.DataGrid1->Columns(1).Width(), screen.Width() - 2000);
}

// Every look-up takes "adı" for "ADI": the second column is listed under a
// name of its own, which a condition and a placeholder find.
TEST_F(Edition2Template, ColumnsNamedAlikeUnderTurkishCaseAreEachFoundByTheirOwnName) {
    templatePage(namesAlike());
    edition2::frmSMS& p = forms::Get<edition2::frmSMS>();
    ASSERT_EQ(p.cbFAlani->ListCount(), 3);
    EXPECT_EQ(p.cbFAlani->List(2), QStringLiteral("adı1"));
    p.lstFiltreler->AddItem(QStringLiteral("adı1 = 'veli'"));
    p.cmdFiltrele->click();
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 1"));
    frmSonEkran& screen = build(p, QStringLiteral("[##ADI##] [##adı1##]"));
    EXPECT_EQ(prompts(), QStringList());
    EXPECT_EQ(listed(screen), (std::vector<Row>{{"5321111111", "ALİ veli"}}));
}

// The list's message field holds 800 characters: a longer message stops
// the list at its row, as storing it would, leaves no half-written row, and
// says so.
TEST_F(Edition2Template, AMessageTheListCannotHoldStopsItAtItsRow) {
    edition2::frmSMS& p = page("gonderim.xls");
    frmSonEkran& screen = build(p, QStringLiteral("[##Not##]").repeated(5));
    ASSERT_EQ(prompts().size(), 1u);
    EXPECT_EQ(prompts()[0], QStringLiteral("5431112233 numaralı GSM hattına gidecek mesaj 805 karakter uzunluğunda.\r\n"
                                           "Mesaj listesine en çok 800 karakterlik mesajlar alınabilir; liste bu "
                                           "satırda durduruldu.\r\nLütfen mesajınızı kısaltıp tekrar deneyiniz."));
    EXPECT_EQ(services.msgBoxes->records()[0].buttons, vb::vbCritical);
    EXPECT_EQ(services.msgBoxes->records()[0].title, QStringLiteral("Quillmere"));
    // Ali's empty note and Ayşe's 800 characters are listed; Can's 805 are not.
    EXPECT_EQ(lengths(screen), (std::vector<int>{0, 800}));
    EXPECT_EQ(screen.lblToplam->Caption(), QStringLiteral(" 5"));
    EXPECT_TRUE(screen.isVisible());
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
}

} // namespace
