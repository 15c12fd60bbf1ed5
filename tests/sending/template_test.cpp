// The template page over workbooks written by LibreOffice: the tables of
// the active workbook, the row filter, the sort, the column menu, the
// counter and the size.
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/range.h"
#include "platform/excel/sheetdata.h"
#include "platform/excel/workbook.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "sending/frmPop.h"
#include "sending/frmSMS.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "tests/support/file_opens.h"

#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kNoWorkbook = QStringLiteral("Açık bir Excel dosyası bulunamadı.\r\nLütfen öncelikle mesaj "
                                           "göndereceğiniz kayıtların bulunduğu Excel dosyasını açın.");
const QString kNotSaved = QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosya üzerinde çalışıyorsunuz.\r\n"
                                         "Lütfen öncelikle dosyayı kaydedin.");
const QString kFilterFailed = QStringLiteral("Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri "
                                             "tiplerini kontrol ediniz.\r\nSistemin ürettiği hata mesajı : ");

QString fixture(const char* name) { return QStringLiteral(QM_SENDING_FIXTURES "/") + QLatin1String(name); }

class TemplateTest : public ::testing::Test {
protected:
    forms::ScriptedServices services = forms::InstallScriptedServices();
    QTemporaryDir dir;

    void SetUp() override { ExcelApp = excel::Application::New(); }
    void TearDown() override {
        for (forms::Form* f : forms::LoadedForms()) forms::Unload(*f);
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }

    // A copy of a fixture, open in the host as the active workbook.
    QString open(const char* name) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile::copy(fixture(name), path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ExcelApp->Workbooks().Open(path)->Activate();
        return path;
    }
    // The template road of the welcome page.
    void chooseTemplateRoad() {
        auto& welcome = forms::Get<frmSihirbaz>();
        welcome.Show();
        welcome.optTumu->setValue(true);
        welcome.cmdIleri->click();
    }
    frmSMS& page() {
        chooseTemplateRoad();
        EXPECT_TRUE(forms::IsLoaded<frmSMS>());
        return forms::Get<frmSMS>();
    }

    static QStringList column(frmSMS& p, int c) {
        QStringList out;
        for (int r = 0; r < p.DataGrid1->RowCount(); ++r) out << p.DataGrid1->CellText(r, c);
        return out;
    }
    static QStringList items(const forms::ComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->ListCount(); ++i) out << box->List(i);
        return out;
    }
    static QStringList conditions(frmSMS& p) {
        QStringList out;
        for (int i = 0; i < p.lstFiltreler->ListCount(); ++i) out << p.lstFiltreler->List(i);
        return out;
    }
    static void addCondition(frmSMS& p, const QString& field, const char* op, const QString& value, bool text = true) {
        p.cbFAlani->setText(field);
        p.cbFOperator->setText(QString::fromLatin1(op));
        (text ? p.optFKarakter : p.optFSayi)->setValue(true);
        p.txtFDegeri->setText(value);
        p.cmdFEkle->click();
    }
    std::vector<vb::MessageRecord> boxes() const { return services.msgBoxes->records(); }
};

TEST_F(TemplateTest, TheWorkbookOpensAsTablesAndTheFirstIsShown) {
    const QString path = open("musteriler.xls");
    mdlGenel::CancelRequested = true;
    mdlGenel::MessageText = QStringLiteral("Sayın [##Adı Soyadı##]");
    frmSMS& p = page();
    EXPECT_TRUE(p.isVisible());
    EXPECT_TRUE(boxes().empty()) << boxes()[0].prompt.toStdString();
    EXPECT_EQ(p.Caption(), QStringLiteral("Quillmere - SMS Gönderimi"));
    EXPECT_EQ(p.OwnerForm, forms::IfLoaded<frmSihirbaz>());
    EXPECT_FALSE(mdlGenel::CancelRequested);
    EXPECT_FALSE(p.xlApp);

    // The driver is given the full name less its extension.
    EXPECT_EQ(p.WorkbookPath, QFileInfo(path).absolutePath() + QStringLiteral("\\musteriler"));
    EXPECT_EQ(mdlGenel::ExcelConnection->ConnectionString(),
              QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=DBQ=") + p.WorkbookPath
                  + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};MaxBufferSize=2048;MaxScanRows=8;"
                                   "PageTimeout=5;SafeTransactions=0;Threads=3;UID=admin;UserCommitSync=Yes;"));
    EXPECT_EQ(items(p.cbSayfa), (QStringList{"Müşteriler$", "Bayiler$", "Arşiv$"}));
    EXPECT_EQ(p.cbSayfa->Text(), QStringLiteral("Müşteriler$"));
    EXPECT_EQ(p.Adodc1->RecordSource(), QStringLiteral("select * from [Müşteriler$]"));

    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 9"));
    EXPECT_EQ(p.DataGrid1->recordset(), p.rsSheet);
    EXPECT_EQ(column(p, 0).first(), QStringLiteral("Ayşe Yılmaz"));
    const QStringList names{"Adı Soyadı", "Şehir", "GSM", "Borç", "Kod"};
    EXPECT_EQ(items(p.cbFAlani), names);
    EXPECT_EQ(items(p.cbGsmNo), names);
    // The number column defaults to the first column.
    EXPECT_EQ(p.cbGsmNo->Text(), QStringLiteral("Adı Soyadı"));
    EXPECT_EQ(p.cbFAlani->Text(), QStringLiteral("Adı Soyadı"));
    EXPECT_EQ(p.cbFOperator->Text(), QString());
    EXPECT_EQ(items(p.cbFOperator), (QStringList{"=", "<", ">", "<=", ">=", "<>", "like"}));
    EXPECT_TRUE(p.optFKarakter->Value());
    EXPECT_EQ(forms::Get<frmPop>().AltmnuAry, names);
    EXPECT_FALSE(forms::Get<frmPop>().isVisible());
    // The template kept from before is back; the counter counts it.
    EXPECT_EQ(p.txtMesaj->Text(), QStringLiteral("Sayın [##Adı Soyadı##]"));
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("Mesaj içeriği: 138 / 160"));

    forms::Unload(p);
    EXPECT_TRUE(mdlGenel::MessageText.isEmpty());
    EXPECT_FALSE(mdlGenel::ExcelConnection);
    EXPECT_FALSE(mdlGenel::ExcelSchema);
}

struct UnreadableCase {
    const char* what;
    QString expected;
};

class UnreadableWorkbooks : public TemplateTest, public ::testing::WithParamInterface<UnreadableCase> {};

// The failure box, and the page closes when it is first shown.
TEST_P(UnreadableWorkbooks, SayWhyAndClose) {
    const QString what = QString::fromLatin1(GetParam().what);
    if (what == u"unsaved") {
        ExcelApp->Workbooks().Add()->ActiveSheet()->Range(QStringLiteral("A1")).setValue(QStringLiteral("GSM"));
    } else if (what == u"csv") {
        // A text file the driver does not read as a workbook.
        const QString csv = dir.filePath(QStringLiteral("liste.csv"));
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GSM\n05321112233\n");
        f.close();
        ExcelApp->Workbooks().Open(csv);
    }
    chooseTemplateRoad();
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, GetParam().expected);
    EXPECT_EQ(b[0].title, QStringLiteral("Quillmere SMS Gönderimi"));
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
    EXPECT_TRUE(forms::Get<frmSihirbaz>().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Template, UnreadableWorkbooks,
                         ::testing::Values(UnreadableCase{"unsaved", kNotSaved}, UnreadableCase{"csv", kNotSaved},
                                           UnreadableCase{"none", kNoWorkbook}));

TEST_F(TemplateTest, AFirstTableWithoutRowsSaysSoAndCloses) {
    open("bos.xls");
    chooseTemplateRoad();
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, QStringLiteral("Excel dosyanızda hiç kayıt yok"));
    EXPECT_EQ(b[0].title, QStringLiteral("Quillmere SMS Gönderimi"));
    EXPECT_EQ(b[0].buttons, vb::vbInformation);
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
}

TEST_F(TemplateTest, ConditionsApplyTogetherAndOnlyAtFiltrele) {
    open("musteriler.xls");
    frmSMS& p = page();
    addCondition(p, QStringLiteral("Şehir"), "=", QStringLiteral("İstanbul"));
    addCondition(p, QStringLiteral("Borç"), ">", QStringLiteral("100"), false);
    EXPECT_EQ(conditions(p), (QStringList{"Şehir = 'İstanbul'", "Borç > 100"}));
    EXPECT_EQ(p.DataGrid1->RowCount(), 9);

    p.cmdFiltrele->click();
    EXPECT_EQ(p.rsSheet->Filter(), QStringLiteral("Şehir = 'İstanbul' and Borç > 100"));
    EXPECT_EQ(column(p, 0), (QStringList{"Ayşe Yılmaz", "Gülşen Ünal"}));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 2"));

    // Deleting a condition changes nothing until the next "Filtrele".
    p.lstFiltreler->setListIndex(1);
    p.cmdFSil->click();
    EXPECT_EQ(conditions(p), QStringList{"Şehir = 'İstanbul'"});
    EXPECT_EQ(p.DataGrid1->RowCount(), 2);
    p.cmdFiltrele->click();
    EXPECT_EQ(column(p, 0), (QStringList{"Ayşe Yılmaz", "Gülşen Ünal", "Şükrü Kılıç"}));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 3"));
    // "Sil" with nothing selected does nothing; an empty list clears the filter.
    p.lstFiltreler->setListIndex(-1);
    p.cmdFSil->click();
    EXPECT_EQ(p.lstFiltreler->ListCount(), 1);
    p.lstFiltreler->setListIndex(0);
    p.cmdFSil->click();
    p.cmdFiltrele->click();
    EXPECT_EQ(p.DataGrid1->RowCount(), 9);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(TemplateTest, EkleAsksForWhatIsMissing) {
    open("musteriler.xls");
    frmSMS& p = page();
    p.cmdFEkle->click();   // no operator yet
    p.cbFOperator->setText(QStringLiteral("like"));
    p.cmdFEkle->click();   // no value
    p.cbFAlani->setListIndex(-1);
    p.txtFDegeri->setText(QStringLiteral("A*"));
    p.cmdFEkle->click();   // no column
    QStringList prompts;
    for (const auto& b : boxes()) {
        prompts << b.prompt;
        EXPECT_EQ(b.title, QStringLiteral("Uyarı"));
        EXPECT_EQ(b.buttons, vb::vbInformation);
    }
    EXPECT_EQ(prompts, (QStringList{"Operatör Seçiniz", "Lütfen Değer Giriniz", "Alan Adı Seçiniz"}));
    EXPECT_EQ(p.focusWidget(), p.cbFAlani);
    EXPECT_EQ(p.lstFiltreler->ListCount(), 0);
}

struct BadCondition {
    const char* field;
    const char* value;
};

class RefusedConditions : public TemplateTest, public ::testing::WithParamInterface<BadCondition> {};

// The filter message; the conditions before the refused one stay in force
// and the caption keeps its count.
TEST_P(RefusedConditions, ShowTheFilterMessageAndKeepTheLastGoodFilter) {
    open("musteriler.xls");
    frmSMS& p = page();
    addCondition(p, QStringLiteral("Şehir"), "=", QStringLiteral("Ankara"));
    addCondition(p, QString::fromUtf8(GetParam().field), "=", QString::fromUtf8(GetParam().value));
    p.cmdFiltrele->click();
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_TRUE(b[0].prompt.startsWith(kFilterFailed)) << b[0].prompt.toStdString();
    EXPECT_GT(b[0].prompt.size(), kFilterFailed.size());
    EXPECT_EQ(b[0].title, QStringLiteral("Quillmere Uyarı"));
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    EXPECT_EQ(p.rsSheet->Filter(), QStringLiteral("Şehir = 'Ankara'"));
    EXPECT_EQ(column(p, 0), (QStringList{"Mehmet Öztürk", "Ömer Faruk Ağaoğlu"}));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 9"));
}

INSTANTIATE_TEST_SUITE_P(Template, RefusedConditions,
                         ::testing::Values(BadCondition{"Adı Soyadı", "Ayşe Yılmaz"}, BadCondition{"Şehir", "Ankara'nın"}));

TEST_F(TemplateTest, FiltreKaldirReadsTheWorkbookAgainAndKeepsTheList) {
    const QString path = open("musteriler.xls");
    frmSMS& p = page();
    addCondition(p, QStringLiteral("Şehir"), "=", QStringLiteral("İzmir"));
    p.cmdFiltrele->click();
    ASSERT_EQ(p.DataGrid1->RowCount(), 2);
    // A row added and saved meanwhile shows after the filter is removed.
    auto sheet = ExcelApp->ActiveWorkbook()->Sheets().Item(1);
    sheet->Range(QStringLiteral("A11")).setValue(QStringLiteral("Yeni Müşteri"));
    sheet->Range(QStringLiteral("B11")).setValue(QStringLiteral("Van"));
    ExcelApp->ActiveWorkbook()->SaveAs(path);
    p.cmdFKaldir->click();
    EXPECT_EQ(p.rsSheet->Filter(), QString());
    EXPECT_EQ(p.DataGrid1->RowCount(), 10);
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 10"));
    EXPECT_EQ(column(p, 0).last(), QStringLiteral("Yeni Müşteri"));
    EXPECT_EQ(conditions(p), QStringList{"Şehir = 'İzmir'"});
}

// The connection, its table list, the data control's own connection and
// its query are answered from one reading of the file; "Filtre kaldır"
// reads it once more.
TEST_F(TemplateTest, ThePageReadsTheWorkbookOnceAndFiltreKaldirOnceMore) {
    open("musteriler.xls");
    FileOpens opens(dir.path());
    ASSERT_TRUE(opens.watching());
    frmSMS& p = page();
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 9"));
    EXPECT_EQ(opens.since(QStringLiteral("musteriler.xls")), 1);
    p.cmdFKaldir->click();
    EXPECT_EQ(opens.since(QStringLiteral("musteriler.xls")), 1);
    p.cbSayfa->setText(QStringLiteral("Bayiler$"));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 3"));
    EXPECT_EQ(opens.since(QStringLiteral("musteriler.xls")), 0);
}

TEST_F(TemplateTest, AnotherTableComesUnfilteredAndUnsortedWithTheListKept) {
    open("musteriler.xls");
    frmSMS& p = page();
    addCondition(p, QStringLiteral("Şehir"), "=", QStringLiteral("Ankara"));
    p.cmdFiltrele->click();
    p.DataGrid1_HeadClick(3);
    ASSERT_EQ(p.rsSheet->Sort(), QStringLiteral("Borç ASC"));
    const auto before = p.rsSheet;

    p.cbSayfa->setText(QStringLiteral("Bayiler$"));
    EXPECT_NE(p.rsSheet, before);
    EXPECT_EQ(p.rsSheet->Filter(), QString());
    EXPECT_EQ(p.rsSheet->Sort(), QString());
    EXPECT_EQ(column(p, 0), (QStringList{"Ege Bayi", "Marmara Bayi", "Karadeniz Bayi"}));
    EXPECT_EQ(p.DataGrid1->Caption(), QStringLiteral("Toplam kayıt : 3"));
    EXPECT_EQ(items(p.cbGsmNo), (QStringList{"Bayi", "Telefon"}));
    EXPECT_EQ(items(p.cbFAlani), (QStringList{"Bayi", "Telefon"}));
    EXPECT_EQ(forms::Get<frmPop>().AltmnuAry, (QStringList{"Bayi", "Telefon"}));
    EXPECT_EQ(conditions(p), QStringList{"Şehir = 'Ankara'"});
    EXPECT_TRUE(boxes().empty());
    // The kept condition names a column this table lacks.
    p.cmdFiltrele->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].prompt.startsWith(kFilterFailed));
    EXPECT_EQ(p.DataGrid1->RowCount(), 3);
}

// The workbook changed on disk since the page opened, and no longer reads:
// choosing another sheet says that it cannot be read, and why, rather than
// that it holds no rows.
TEST_F(TemplateTest, ASheetThatCannotBeReadSaysSoAndWhy) {
    const QString path = open("musteriler.xls");
    frmSMS& p = page();
    ASSERT_TRUE(boxes().empty());
    QFile broken(path);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("bu bir çalışma kitabı değil");
    broken.close();
    QString why;
    try {
        excel::ReadWorkbookFile(path);
    } catch (const vb::Error& e) {
        why = e.description();
    }
    ASSERT_FALSE(why.isEmpty());
    p.cbSayfa->setText(QStringLiteral("Arşiv$"));
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, QStringLiteral("Excel dosyanızdaki 'Arşiv$' sayfası okunamıyor.\r\nSistemin ürettiği hata "
                                          "mesajı : ")
                               + why);
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    EXPECT_EQ(b[0].title, QStringLiteral("Quillmere SMS Gönderimi"));
    EXPECT_TRUE(p.CloseOnActivate);
}

TEST_F(TemplateTest, AnEmptyTableChosenLaterClosesThePageAtItsNextActivation) {
    open("musteriler.xls");
    frmSMS& p = page();
    p.cbSayfa->setText(QStringLiteral("Arşiv$"));
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].prompt, QStringLiteral("Excel dosyanızda hiç kayıt yok"));
    EXPECT_EQ(b[0].buttons, vb::vbInformation);
    EXPECT_TRUE(p.CloseOnActivate);
    // The rows of the table before stay until the page closes.
    EXPECT_EQ(p.DataGrid1->RowCount(), 9);
    ASSERT_TRUE(forms::IsLoaded<frmSMS>());
    forms::Get<frmSihirbaz>().ZOrder();
    p.ZOrder();
    EXPECT_FALSE(forms::IsLoaded<frmSMS>());
}

TEST_F(TemplateTest, AHeaderClickSortsAndARefusedSortKeepsTheOrder) {
    open("musteriler.xls");
    frmSMS& p = page();
    p.DataGrid1_HeadClick(3);
    const QStringList byDebt{"Çağla Şen", "Ali Rıza Er", "İbrahim Çelik", "Mehmet Öztürk", "Şükrü Kılıç",
                             "Ayşe Yılmaz", "Zeynep Doğan", "Gülşen Ünal", "Ömer Faruk Ağaoğlu"};
    EXPECT_EQ(column(p, 0), byDebt);
    // "Kod" holds eight numbers and a text: the recordset refuses to sort it.
    p.DataGrid1_HeadClick(4);
    const auto b = boxes();
    ASSERT_EQ(b.size(), 1u);
    const QString tail = QStringLiteral("Sıralama işlemi yapılamıyor. Sıralama ölçütü olarak kullandığınız alan içinde "
                                        "farklı veri tiplerinde değerler olduğu tespit edildi.\r\nBaşka bir alan "
                                        "kullanmayı deneyin ya da alan verilerini düzenleyip tekrar deneyin.");
    EXPECT_TRUE(b[0].prompt.endsWith(tail)) << b[0].prompt.toStdString();
    EXPECT_GT(b[0].prompt.size(), tail.size());
    EXPECT_EQ(b[0].title, QStringLiteral("Quillmere"));
    EXPECT_EQ(b[0].buttons, vb::vbCritical);
    EXPECT_EQ(column(p, 0), byDebt);
    EXPECT_EQ(p.rsSheet->Sort(), QStringLiteral("Borç ASC"));
    // A column whose caption has a blank sorts by that column.
    p.DataGrid1_HeadClick(0);
    EXPECT_EQ(p.rsSheet->Sort(), QStringLiteral("Adı Soyadı ASC"));
}

// Through the grid's header, as the user clicks it.
TEST_F(TemplateTest, TextsSortAndFilterByTheTurkishAlphabetAndItsPairsOfCapitals) {
    open("musteriler.xls");
    frmSMS& p = page();
    QHeaderView* header = p.findChild<forms::DataGrid*>(QStringLiteral("DataGrid1"))->view()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(p.rsSheet->Sort(), QStringLiteral("Adı Soyadı ASC"));
    EXPECT_EQ(column(p, 0), (QStringList{"Ali Rıza Er", "Ayşe Yılmaz", "Çağla Şen", "Gülşen Ünal", "İbrahim Çelik",
                                         "Mehmet Öztürk", "Ömer Faruk Ağaoğlu", "Şükrü Kılıç", "Zeynep Doğan"}));

    addCondition(p, QStringLiteral("Şehir"), "=", QStringLiteral("İSTANBUL"));
    p.cmdFiltrele->click();
    EXPECT_EQ(column(p, 0), (QStringList{"Ayşe Yılmaz", "Gülşen Ünal", "Şükrü Kılıç"}));
    p.lstFiltreler->setListIndex(0);
    p.cmdFSil->click();
    addCondition(p, QStringLiteral("Şehir"), "like", QStringLiteral("i*"));
    p.cmdFiltrele->click();
    // İstanbul and İzmir, still in the order of the names.
    EXPECT_EQ(column(p, 0),
              (QStringList{"Ali Rıza Er", "Ayşe Yılmaz", "Çağla Şen", "Gülşen Ünal", "Şükrü Kılıç"}));
    EXPECT_TRUE(boxes().empty());
}

struct PlaceholderCase {
    const char* text;
    int selStart, selLength;
    const char* chosen;
    const char* result;
};

class Placeholders : public TemplateTest, public ::testing::WithParamInterface<PlaceholderCase> {};

TEST_P(Placeholders, GoInAtTheCaretAndTheCaretGoesToTheEnd) {
    const PlaceholderCase& c = GetParam();
    open("musteriler.xls");
    frmSMS& p = page();
    p.txtMesaj->setText(QString::fromUtf8(c.text));
    p.txtMesaj->setSelStart(c.selStart);
    p.txtMesaj->setSelLength(c.selLength);
    services.popups->queueChoice(QString::fromUtf8(c.chosen));
    p.cmdAlanEkle->click();
    ASSERT_EQ(services.popups->records().size(), 1u);
    EXPECT_EQ(services.popups->records()[0].captions, (QStringList{"Adı Soyadı", "Şehir", "GSM", "Borç", "Kod"}));
    EXPECT_EQ(p.txtMesaj->Text(), QString::fromUtf8(c.result));
    if (QString::fromUtf8(c.result) != QString::fromUtf8(c.text)) {
        EXPECT_EQ(p.txtMesaj->SelStart(), vb::Len(p.txtMesaj->Text()));
        EXPECT_EQ(p.txtMesaj->SelLength(), 0);
        EXPECT_EQ(p.focusWidget(), p.txtMesaj->editor());
    }
    EXPECT_EQ(forms::Get<frmPop>().OwnerForm, &p);
    EXPECT_EQ(forms::Get<frmPop>().TargetText, p.txtMesaj);
    EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Template, Placeholders,
    ::testing::Values(
        // A selection is not replaced: it ends up behind the placeholder.
        PlaceholderCase{"Sayın müşterimiz", 6, 10, "Adı Soyadı", "Sayın [##Adı Soyadı##]müşterimiz"},
        PlaceholderCase{"Borcunuz  TL", 9, 0, "Borç", "Borcunuz [##Borç##] TL"},
        PlaceholderCase{"", 0, 0, "Şehir", "[##Şehir##]"},
        // The menu dismissed: nothing changes.
        PlaceholderCase{"Merhaba", 3, 0, "", "Merhaba"}));

TEST_F(TemplateTest, AnItemWithoutACaptionDoesNothing) {
    open("musteriler.xls");
    frmSMS& p = page();
    frmPop& pop = forms::Get<frmPop>();
    p.txtMesaj->setText(QStringLiteral("Merhaba"));
    p.txtMesaj->setSelStart(2);
    pop.TargetText = p.txtMesaj;
    pop.AltmnuAry = QStringList{QString()};
    pop.AltmnuAry_Click(0);
    EXPECT_EQ(p.txtMesaj->Text(), QStringLiteral("Merhaba"));
    EXPECT_EQ(p.txtMesaj->SelStart(), 2);
    // Activated, the menu's window hides itself again.
    pop.Show();
    EXPECT_FALSE(pop.isVisible());
}

TEST_F(TemplateTest, TheCounterCountsDownAndEnterIsSwallowed) {
    open("musteriler.xls");
    frmSMS& p = page();
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("Mesaj içeriği: 160 / 160"));
    forms::SetFocus(p.txtMesaj);
    p.txtMesaj->typeText(QString(149, u'ş') + QStringLiteral("\r") + QStringLiteral("a"));
    EXPECT_EQ(p.txtMesaj->Text(), QString(149, u'ş') + QStringLiteral("a"));
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("Mesaj içeriği: 10 / 160"));
    p.txtMesaj->typeText(QString(20, u'x'));
    EXPECT_EQ(vb::Len(p.txtMesaj->Text()), 160);
    EXPECT_EQ(p.Frame2->Caption(), QStringLiteral("Mesaj içeriği: 0 / 160"));
}

TEST_F(TemplateTest, BelowItsSizeThePageSnapsBackAndAboveItTheControlsFollow) {
    open("musteriler.xls");
    frmSMS& p = page();
    EXPECT_GE(p.Width(), 10590);
    EXPECT_GE(p.Height(), 8145);
    p.setWidth(6000);
    p.setHeight(5000);
    EXPECT_EQ(p.Width(), 10590);
    EXPECT_EQ(p.Height(), 8145);

    p.setWidth(12000);
    p.setHeight(9000);
    EXPECT_EQ(p.Width(), 12000);
    EXPECT_EQ(p.Height(), 9000);
    auto place = [](QWidget* w) {
        return std::array{forms::ToTwips(w->x()), forms::ToTwips(w->y()), forms::ToTwips(w->width()),
                          forms::ToTwips(w->height())};
    };
    EXPECT_EQ(place(p.DataGrid1)[2], 12000 - 3375);
    EXPECT_EQ(place(p.DataGrid1)[3], 9000 - 3300);
    EXPECT_EQ(place(p.Frame1)[0], 12000 - 3375 + 105);
    EXPECT_EQ(place(p.Frame3)[0], 12000 - 3375 + 105);
    EXPECT_EQ(place(p.Frame1)[3], 9000 - 4065);
    EXPECT_EQ(place(p.Frame2)[1], 9000 - 3225);
    EXPECT_EQ(place(p.Frame2)[2], 12000 - 135);
    EXPECT_EQ(place(p.txtMesaj)[2], 12000 - 135 - 240);
    EXPECT_EQ(place(p.WebBrowser1)[1], 9000 - 1545);
    EXPECT_EQ(place(p.WebBrowser1)[2], 12000 - 105);
    for (QWidget* w : std::initializer_list<QWidget*>{p.cmdAlanEkle, p.Label5, p.cbGsmNo, p.cmdGeri, p.cmdIleri})
        EXPECT_EQ(place(w)[1], 9000 - 2025) << w->objectName().toStdString();
    EXPECT_EQ(place(p.Label5)[0], 12000 - 8190);
    EXPECT_EQ(place(p.cbGsmNo)[0], 12000 - 4710);
    EXPECT_EQ(place(p.cmdGeri)[0], 12000 - 2670);
    EXPECT_EQ(place(p.cmdIleri)[0], 12000 - 1350);
}

} // namespace
