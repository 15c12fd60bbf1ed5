#include "sending/frmSMS.h"

#include "data/text.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/workbook.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "sending/frmPop.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "sending/merge.h"
#include "state/edition.h"
#include "state/mdlGenel.h"
#include "ui/common/frmBekle.h"

#include <QPointer>
#include <optional>

namespace {

constexpr int kMinWidth = 10590;
constexpr int kMinHeight = 8145;
// The counter counts down from one SMS.
constexpr int kMaxText = 160;

const QString kTitle = QStringLiteral("Quillmere SMS Gönderimi");

QString recordCountCaption(const std::shared_ptr<ado::Recordset>& rs) {
    return QStringLiteral("Toplam kayıt : ") + QString::number(rs->RecordCount());
}

} // namespace

frmSMS::frmSMS() : frmSMS(Parts{}) {}

frmSMS::frmSMS(Parts parts) : forms::Form(QStringLiteral("frmSMS")) {
    setCaption(QStringLiteral("Quillmere - SMS Gönderimi"));
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);

    DataGrid1 = new forms::DataGrid(this, QStringLiteral("DataGrid1"));
    Adodc1 = new forms::Adodc(this, QStringLiteral("Adodc1"));

    Frame3 = nullptr;
    Label6 = nullptr;
    cbSayfa = nullptr;
    if (parts.tableChoice) {
        Frame3 = new forms::Frame(this, QStringLiteral("Frame3"), QStringLiteral("Çalışma Sayfası"));
        Label6 = new forms::Label(Frame3, QStringLiteral("Label6"), QStringLiteral("Seçiniz :"));
        forms::Place(Label6, 120, 330, 855, 255);
        cbSayfa = new forms::ComboBox(Frame3, QStringLiteral("cbSayfa"));
        forms::Place(cbSayfa, 1020, 270, 2025, 315);
        cbSayfa->Click = [this] { cbSayfa_Click(); };
    }

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"), QStringLiteral("Filtreleme seçenekleri"));
    Label1 = new forms::Label(Frame1, QStringLiteral("Label1"), QStringLiteral("Eğer :"));
    forms::Place(Label1, 120, 300, 855, 255);
    Label2 = new forms::Label(Frame1, QStringLiteral("Label2"), QStringLiteral("Alan adı :"));
    forms::Place(Label2, 120, 660, 855, 255);
    cbFAlani = new forms::ComboBox(Frame1, QStringLiteral("cbFAlani"));
    forms::Place(cbFAlani, 1020, 600, 2025, 315);
    Label4 = new forms::Label(Frame1, QStringLiteral("Label4"), QStringLiteral("Alan tipi :"));
    forms::Place(Label4, 120, 1020, 855, 255);
    optFKarakter = new forms::OptionButton(Frame1, QStringLiteral("optFKarakter"), QStringLiteral("Karakter"));
    forms::Place(optFKarakter, 1020, 1000, 1005, 255);
    optFSayi = new forms::OptionButton(Frame1, QStringLiteral("optFSayi"), QStringLiteral("Sayı"));
    forms::Place(optFSayi, 2100, 1000, 945, 255);
    optFKarakter->setValue(true);
    cbFOperator = new forms::ComboBox(Frame1, QStringLiteral("cbFOperator"));
    forms::Place(cbFOperator, 120, 1380, 855, 315);
    for (const char* op : {"=", "<", ">", "<=", ">=", "<>", "like"})
        cbFOperator->AddItem(QString::fromLatin1(op));
    // No operator is chosen until the user picks one.
    cbFOperator->setListIndex(-1);
    Label3 = new forms::Label(Frame1, QStringLiteral("Label3"), QStringLiteral("Değer :"));
    forms::Place(Label3, 1020, 1440, 615, 255);
    txtFDegeri = new forms::TextBox(Frame1, QStringLiteral("txtFDegeri"));
    forms::Place(txtFDegeri, 1680, 1380, 1365, 315);
    cmdFEkle = new forms::CommandButton(Frame1, QStringLiteral("cmdFEkle"), QStringLiteral("Ekle"));
    forms::Place(cmdFEkle, 120, 1800, 1410, 345);
    cmdFSil = new forms::CommandButton(Frame1, QStringLiteral("cmdFSil"), QStringLiteral("Sil"));
    forms::Place(cmdFSil, 1635, 1800, 1410, 345);
    lstFiltreler = new forms::ListBox(Frame1, QStringLiteral("lstFiltreler"));
    forms::Place(lstFiltreler, 120, 2220, 2925, 1215);
    cmdFiltrele = new forms::CommandButton(Frame1, QStringLiteral("cmdFiltrele"), QStringLiteral("Filtrele"));
    forms::Place(cmdFiltrele, 120, 3525, 1410, 375);
    cmdFKaldir = new forms::CommandButton(Frame1, QStringLiteral("cmdFKaldir"), QStringLiteral("Filtre kaldır"));
    forms::Place(cmdFKaldir, 1635, 3525, 1410, 375);

    Frame2 = new forms::Frame(this, QStringLiteral("Frame2"), QStringLiteral("Mesaj içeriği: 160 / 160"));
    txtMesaj = new forms::TextBox(Frame2, QStringLiteral("txtMesaj"), true);
    txtMesaj->setMaxLength(quillmere::CurrentEdition().basketMessageSize);

    cmdAlanEkle = new forms::CommandButton(this, QStringLiteral("cmdAlanEkle"), QStringLiteral("Alan ekle"));
    Label5 = new forms::Label(this, QStringLiteral("Label5"), QStringLiteral("GSM Numarası hangi alanda bulunuyor?"));
    cbGsmNo = new forms::ComboBox(this, QStringLiteral("cbGsmNo"));
    cmdGeri = new forms::CommandButton(this, QStringLiteral("cmdGeri"), QStringLiteral("<< Geri"));
    cmdIleri = new forms::CommandButton(this, QStringLiteral("cmdIleri"), QStringLiteral("İleri >>"));
    WebBrowser1 = new forms::WebBrowser(this, QStringLiteral("WebBrowser1"));

    cmdAlanEkle->Click = [this] { cmdAlanEkle_Click(); };
    cmdFEkle->Click = [this] { cmdFEkle_Click(); };
    cmdFSil->Click = [this] { cmdFSil_Click(); };
    cmdFiltrele->Click = [this] { cmdFiltrele_Click(); };
    cmdFKaldir->Click = [this] { cmdFKaldir_Click(); };
    DataGrid1->HeadClick = [this](int column) { DataGrid1_HeadClick(column); };
    txtMesaj->Change = [this] { txtMesaj_Change(); };
    txtMesaj->KeyPress = [this](int& k) { txtMesaj_KeyPress(k); };
    cmdIleri->Click = [this] { cmdIleri_Click(); };
    cmdGeri->Click = [this] { cmdGeri_Click(); };

    resize(forms::ToPixels(kMinWidth), forms::ToPixels(kMinHeight));
    layOut();
}

const QString frmSMS::kNoWorkbook = QStringLiteral("Açık bir Excel dosyası bulunamadı.") + vb::vbCrLf
                                    + QStringLiteral("Lütfen öncelikle mesaj göndereceğiniz kayıtların bulunduğu "
                                                     "Excel dosyasını açın.");

void frmSMS::beginLoad() {
    CloseOnActivate = false;
    WebBrowser1->Navigate(mdlGenel::AdvertUrl);
    mdlGenel::CancelRequested = false;
    xlApp = ExcelApp;
    if (!xlApp || !xlApp->ActiveWorkbook())
        vb::Raise(vb::errObjectNotSet);
}

void frmSMS::Form_Load() {
    QString failure = kNoWorkbook;
    try {
        beginLoad();
        const QString fullName = xlApp->ActiveWorkbook()->Path() + u'\\' + xlApp->ActiveWorkbook()->Name();
        WorkbookPath = vb::Left(fullName, vb::Len(fullName) - 4);

        rsSheet = std::make_shared<ado::Recordset>();
        mdlGenel::ExcelConnection = std::make_shared<ado::Connection>();
        mdlGenel::ExcelSchema = std::make_shared<ado::Recordset>();
        failure = QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosya üzerinde çalışıyorsunuz.") + vb::vbCrLf
                  + QStringLiteral("Lütfen öncelikle dosyayı kaydedin.");

        mdlGenel::ExcelConnection->Open(
            QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=DBQ=") + WorkbookPath
                + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};MaxBufferSize=2048;MaxScanRows=8;"
                                 "PageTimeout=5;SafeTransactions=0;Threads=3;UID=admin;UserCommitSync=Yes;"),
            QString(), QString());
        mdlGenel::ExcelSchema = mdlGenel::ExcelConnection->OpenSchema(ado::adSchemaTables);
        mdlGenel::ExcelSchema->MoveFirst();
        fillingTables_ = true;
        while (!mdlGenel::ExcelSchema->Eof()) {
            cbSayfa->AddItem(vb::CStr(mdlGenel::ExcelSchema->Fields(QStringLiteral("TABLE_NAME")).Value()));
            mdlGenel::ExcelSchema->MoveNext();
        }
        cbSayfa->setListIndex(0);
        fillingTables_ = false;
        mdlGenel::ExcelSchema->MoveFirst();
        LoadSheet();
        if (!mdlGenel::MessageText.isEmpty())
            txtMesaj->setText(mdlGenel::MessageText);
    } catch (const std::exception&) {
        fillingTables_ = false;
        vb::MsgBox(failure, vb::vbCritical, kTitle);
        CloseOnActivate = true;
    }
}

void frmSMS::LoadSheet() {
    // Each step is tried whatever the one before did; the first failure is
    // what the page says of a table it cannot read.
    std::optional<QString> failure;
    auto reading = [&](auto&& statement) {
        try {
            statement();
        } catch (const std::exception& e) {
            if (!failure)
                failure = vb::ErrorDescription(e);
        }
    };
    reading([&] { Adodc1->setConnectionString(mdlGenel::ExcelConnection->ConnectionString()); });
    reading([&] { Adodc1->setRecordSource(QStringLiteral("select * from [") + cbSayfa->Text() + u']'); });
    reading([&] { Adodc1->Refresh(); });
    // A table that could not be read, or one without rows: the page says
    // which and closes rather than go on showing the table it had.
    bool empty = true;
    vb::ResumeNext([&] {
        const auto rs = Adodc1->Recordset();
        if (!rs)
            vb::Raise(vb::errObjectNotSet);
        empty = rs->Bof() && rs->Eof();
    });
    if (failure) {
        vb::MsgBox(QStringLiteral("Excel dosyanızdaki '") + cbSayfa->Text() + QStringLiteral("' sayfası okunamıyor.")
                       + vb::vbCrLf + QStringLiteral("Sistemin ürettiği hata mesajı : ") + *failure,
                   vb::vbCritical, kTitle);
        CloseOnActivate = true;
        return;
    }
    if (empty) {
        vb::MsgBox(QStringLiteral("Excel dosyanızda hiç kayıt yok"), vb::vbInformation, kTitle);
        CloseOnActivate = true;
        return;
    }
    vb::ResumeNext([&] { rsSheet = Adodc1->Recordset()->Clone(); });
    vb::ResumeNext([&] { DataGrid1->setDataSource(rsSheet); });
    vb::ResumeNext([&] { DataGrid1->setCaption(recordCountCaption(rsSheet)); });
    vb::ResumeNext([&] { Adodc1->Recordset()->Close(); });
    vb::ResumeNext([&] { xlApp.reset(); });
    fillColumnChoices();
}

void frmSMS::fillColumnChoices() {
    vb::ResumeNext([&] {
        frmPop& pop = forms::Get<frmPop>();
        pop.AltmnuAry.erase(pop.AltmnuAry.begin() + 1, pop.AltmnuAry.end());
        for (int i = 0; i < rsSheet->Fields().Count(); ++i) {
            if (i > 0)
                pop.AltmnuAry.append(QString());
            pop.AltmnuAry[i] = rsSheet->Fields(i).Name();
        }
    });
    vb::ResumeNext([&] { cbFAlani->Clear(); });
    vb::ResumeNext([&] { cbGsmNo->Clear(); });
    vb::ResumeNext([&] {
        for (int i = 0; i < rsSheet->Fields().Count(); ++i) {
            cbFAlani->AddItem(rsSheet->Fields(i).Name());
            cbGsmNo->AddItem(rsSheet->Fields(i).Name());
        }
    });
    vb::ResumeNext([&] { cbFAlani->setListIndex(0); });
    vb::ResumeNext([&] { cbGsmNo->setListIndex(0); });
}

void frmSMS::cbSayfa_Click() {
    if (!fillingTables_)
        LoadSheet();
}

void frmSMS::Form_Activate() {
    if (CloseOnActivate)
        forms::Unload(*this);
}

void frmSMS::Form_Unload(int&) {
    mdlGenel::MessageText.clear();
    rsSheet.reset();
    workbookSchema().reset();
    workbookConnection().reset();
    xlApp.reset();
}

std::shared_ptr<ado::Connection>& frmSMS::workbookConnection() { return mdlGenel::ExcelConnection; }

std::shared_ptr<ado::Recordset>& frmSMS::workbookSchema() { return mdlGenel::ExcelSchema; }

void frmSMS::cmdFEkle_Click() {
    if (cbFAlani->Text().isEmpty()) {
        vb::MsgBox(QStringLiteral("Alan Adı Seçiniz"), vb::vbInformation, QStringLiteral("Uyarı"));
        forms::SetFocus(cbFAlani);
        return;
    }
    if (cbFOperator->Text().isEmpty()) {
        vb::MsgBox(QStringLiteral("Operatör Seçiniz"), vb::vbInformation, QStringLiteral("Uyarı"));
        forms::SetFocus(cbFOperator);
        return;
    }
    if (txtFDegeri->Text().isEmpty()) {
        vb::MsgBox(QStringLiteral("Lütfen Değer Giriniz"), vb::vbInformation, QStringLiteral("Uyarı"));
        forms::SetFocus(txtFDegeri);
        return;
    }
    const QString condition = cbFAlani->Text() + u' ' + cbFOperator->Text() + u' ';
    if (optFKarakter->Value())
        lstFiltreler->AddItem(condition + u'\'' + txtFDegeri->Text() + u'\'');
    else if (optFSayi->Value())
        lstFiltreler->AddItem(condition + txtFDegeri->Text());
}

void frmSMS::cmdFSil_Click() {
    if (lstFiltreler->ListIndex() != -1)
        lstFiltreler->RemoveItem(lstFiltreler->ListIndex());
}

void frmSMS::cmdFiltrele_Click() {
    try {
        // Set again after every condition: a condition that cannot be
        // applied leaves the ones before it in force.
        rsSheet->setFilter(QString());
        for (int i = 0; i < lstFiltreler->ListCount(); ++i) {
            if (i == 0)
                rsSheet->setFilter(lstFiltreler->List(0));
            else
                rsSheet->setFilter(rsSheet->Filter() + QStringLiteral(" and ") + lstFiltreler->List(i));
        }
        DataGrid1->setCaption(recordCountCaption(rsSheet));
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri tiplerini "
                                  "kontrol ediniz.")
                       + vb::vbCrLf + QStringLiteral("Sistemin ürettiği hata mesajı : ") + vb::ErrorDescription(e),
                   vb::vbCritical, QStringLiteral("Quillmere Uyarı"));
    }
}

void frmSMS::cmdFKaldir_Click() {
    rsSheet->setFilter(QString());
    // Read from the workbook again: what was saved since shows too.
    rsSheet->Requery();
    DataGrid1->setCaption(recordCountCaption(rsSheet));
}

void frmSMS::DataGrid1_HeadClick(int colIndex) {
    try {
        rsSheet->setSort(DataGrid1->Columns(colIndex).Caption() + QStringLiteral(" ASC"));
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e)
                       + QStringLiteral("Sıralama işlemi yapılamıyor. Sıralama ölçütü olarak kullandığınız alan içinde "
                                        "farklı veri tiplerinde değerler olduğu tespit edildi.")
                       + vb::vbCrLf
                       + QStringLiteral("Başka bir alan kullanmayı deneyin ya da alan verilerini düzenleyip tekrar deneyin."),
                   vb::vbCritical, QStringLiteral("Quillmere"));
    }
}

void frmSMS::cmdAlanEkle_Click() {
    frmPop& pop = forms::Get<frmPop>();
    pop.OwnerForm = this;
    pop.TargetText = txtMesaj;
    pop.PopupMenu();
}

void frmSMS::txtMesaj_Change() {
    Frame2->setCaption(QStringLiteral("Mesaj içeriği: ") + QString::number(kMaxText - vb::Len(txtMesaj->Text()))
                       + QStringLiteral(" / 160"));
}

void frmSMS::txtMesaj_KeyPress(int& keyAscii) {
    if (keyAscii == 13)
        keyAscii = 0;
}

namespace {

// A merged message longer than one SMS is not sent: its row is set aside.
constexpr int kMaxMerged = 160;

// The wait window with its speed line and timer, on while the list is
// built.
void showWaitWindow(qint32 rows) {
    frmBekle::Start(rows);
    frmBekle& wait = forms::Get<frmBekle>();
    wait.Show();
    wait.showSpeedLine();
    wait.setTicking(true);
}

// An empty recordset of the sheet's columns, for the rows set aside.
std::shared_ptr<ado::Recordset> setAsideRecordset(const ado::Recordset& sheet) {
    auto rs = std::make_shared<ado::Recordset>();
    const ado::Fields fields = sheet.Fields();
    for (int f = 0; f < fields.Count(); ++f)
        rs->Fields().Append(fields.Item(f).Name(), fields.Item(f).Type(), fields.Item(f).DefinedSize());
    rs->Open();
    return rs;
}

QString tooLongForTheList(const QString& number, int length, int room) {
    return number + QStringLiteral(" numaralı GSM hattına gidecek mesaj ") + QString::number(length)
           + QStringLiteral(" karakter uzunluğunda.") + vb::vbCrLf + QStringLiteral("Mesaj listesine en çok ")
           + QString::number(room) + QStringLiteral(" karakterlik mesajlar alınabilir; liste bu satırda durduruldu.")
           + vb::vbCrLf + QStringLiteral("Lütfen mesajınızı kısaltıp tekrar deneyiniz.");
}

void setAside(const ado::Recordset& sheet, ado::Recordset& rows) {
    rows.AddNew();
    const int count = sheet.Fields().Count();
    for (int f = 0; f < count; ++f) {
        try {
            rows.Fields(f).setValue(sheet.Fields(f).Value());
        } catch (const vb::Error& e) {
            // A text among the numbers of a number column: its column cannot
            // take it, so the cell stays empty, as the workbook's driver reads
            // such a cell, and the row is still set aside.
            if (e.number() != ado::errMultipleStep)
                throw;
        }
    }
    rows.UpdateBatch(ado::adAffectAll);
}

} // namespace

bool frmSMS::setsAside(const QString& merged) const { return vb::Len(merged) > kMaxMerged; }

qint64 frmSMS::totalOf(const QString&) const { return 1; }

void frmSMS::cmdIleri_Click() {
    // The walk yields to the event loop: the final screen may be closed
    // meanwhile, and this page with it. Neither is touched once gone.
    const QPointer<frmSMS> self(this);
    QPointer<frmSonEkran> screen;
    auto gone = [&] { return !self || !self->isLoaded() || !screen || !screen->isLoaded(); };
    // The final screen's total as of the last row listed. Only the event loop
    // shows it, so it is written before each turn of the loop and once the
    // walk ends rather than a row at a time.
    qint64 listedTotal = 0;
    bool totalToShow = false;
    auto showTotal = [&] {
        if (totalToShow && screen && screen->isLoaded())
            screen->showListTotal(listedTotal);
        totalToShow = false;
    };
    try {
        if (needsTemplate() && txtMesaj->Text().isEmpty()) {
            vb::MsgBox(QStringLiteral("Lütfen gönderilecek mesajı giriniz."), vb::vbInformation,
                       QStringLiteral("Quillmere"));
            forms::SetFocus(txtMesaj);
            return;
        }
        const std::shared_ptr<ado::Recordset> schema = workbookSchema();
        if (!schema)
            vb::Raise(vb::errObjectNotSet);
        if (schema->Bof() && schema->Eof()) {
            vb::MsgBox(QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosyayla çalışıyorsunuz.Uygulama kapanıyor..."),
                       vb::vbInformation, kTitle);
            forms::Unload(*this);
            return;
        }
        if (!rsSheet)
            vb::Raise(vb::errObjectNotSet);
        if (rsSheet->Bof() && rsSheet->Eof()) {
            vb::MsgBox(QStringLiteral("Excel dosyanızda kayıt bulunamadı.Uygulama kapanıyor..."), vb::vbInformation,
                       kTitle);
            forms::Unload(*this);
            return;
        }

        qint64 total = 0;
        mdlGenel::SendMode = QStringLiteral("Dosya alanlarını kullan.");
        const QString gsmColumn = cbGsmNo->Text();
        const QString templateText = txtMesaj->Text();
        mdlGenel::MessageText = templateText;
        // A "Vazgeç" that stopped an earlier list does not stop this one.
        mdlGenel::CancelRequested = false;

        screen = &forms::Get<frmSonEkran>();
        screen->CallerForm = this;
        screen->Show();
        if (gone()) {
            frmBekle::FinishIfLoaded();
            return;
        }
        Hide();

        // Kept here: the page's own reference goes when the page unloads.
        const std::shared_ptr<ado::Recordset> sheetRows = rsSheet;
        ado::Recordset& sheet = *sheetRows;
        showWaitWindow(qint32(sheet.RecordCount()));

        sheet.MoveFirst();
        mdlGenel::NumberSet listed{QStringLiteral("5000000000")};
        listed.reserve(qsizetype(sheet.RecordCount()) + 1);
        mdlGenel::OverlongRows = setAsideRecordset(sheet);
        const std::shared_ptr<ado::Recordset> overlong = mdlGenel::OverlongRows;

        const std::shared_ptr<ado::Recordset> list = screen->beginListBuild();
        const ado::Field listNumber = list->Fields(QStringLiteral("GsmNo"));
        const ado::Field listMessage = list->Fields(QStringLiteral("Mesaj"));
        sending::RowMerger merger(templateText);
        std::optional<ado::Field> numberCell;
        vb::PacedYield yield;
        while (!sheet.Eof() && !mdlGenel::CancelRequested) {
            const QString merged = merger.Merge(sheet);
            if (!numberCell)
                numberCell = sheet.Fields(gsmColumn);
            const QString number = mdlGenel::NormalizeGsmCell(numberCell->Value());
            if (!number.isEmpty() && !listed.contains(number)) {
                // Decided once: a turn found due only after the total was
                // left unwritten would show the list without its total.
                if (yield.due()) {
                    showTotal();
                    yield();
                }
                if (gone()) {
                    frmBekle::FinishIfLoaded();
                    return;
                }
                if (setsAside(merged)) {
                    // Not listed, so a later row of the number may still be.
                    setAside(sheet, *overlong);
                } else {
                    // A message the list cannot hold stops the list here,
                    // as storing it would, but without a half-written row,
                    // and says which it is.
                    if (vb::Len(merged) > listMessage.DefinedSize()) {
                        showTotal();
                        frmBekle::FinishIfLoaded();
                        vb::MsgBox(tooLongForTheList(number, vb::Len(merged), listMessage.DefinedSize()),
                                   vb::vbCritical, QStringLiteral("Quillmere"));
                        return;
                    }
                    total += totalOf(merged);
                    list->AddNew();
                    listNumber.setValue(number);
                    listMessage.setValue(merged);
                    list->UpdateBatch(ado::adAffectAll);
                    listed.insert(number);
                    listedTotal = total;
                    totalToShow = true;
                }
            }
            sheet.MoveNext();
            frmBekle::Advance();
        }

        showTotal();
        frmBekle::FinishIfLoaded();
        screen->endListBuild();
    } catch (const std::exception& e) {
        showTotal();
        frmBekle::FinishIfLoaded();
        vb::MsgBox(vb::UnexpectedErrorText(vb::ErrorDescription(e)), vb::vbCritical, QStringLiteral("Quillmere"));
    }
}

void frmSMS::cmdGeri_Click() {
    if (workbookSchema())
        workbookSchema()->Close();
    if (workbookConnection())
        workbookConnection()->Close();
    forms::Get<frmSihirbaz>().Show();
    forms::Unload(*this);
}

void frmSMS::Form_Resize() {
    forms::HoldSize(*this, kMinWidth, kMinHeight, false);
    vb::ResumeNext([&] { layOut(); });
}

void frmSMS::layOut() {
    // Sizes of the outer window, in twips, as the table of positions has
    // them; the grid and the message box take what the window gains.
    const int W = Width(), H = Height();
    const int gridWidth = W - 3375;
    forms::Place(DataGrid1, 60, 60, gridWidth, H - 3300);
    // The table choice and the filter right of the grid; without the
    // choice the filter takes its room.
    const int panels = gridWidth + 105;
    if (Frame3) {
        forms::Place(Frame3, panels, 0, 3165, 780);
        forms::Place(Frame1, panels, 840, 3165, H - 4065);
    } else {
        forms::Place(Frame1, panels, 0, 3165, H - 3210);
    }
    const int messageWidth = W - 135;
    forms::Place(Frame2, 60, H - 3225, messageWidth, 1035);
    forms::Place(txtMesaj, 120, 270, messageWidth - 240, 660);
    const int row = H - 2025;
    forms::Place(cmdAlanEkle, 60, row, 1215, 375);
    forms::Place(Label5, W - 8190, row, 3420, 255);
    forms::Place(cbGsmNo, W - 4710, row, 1950, 315);
    forms::Place(cmdGeri, W - 2670, row, 1215, 375);
    forms::Place(cmdIleri, W - 1350, row, 1215, 375);
    forms::Place(WebBrowser1, 0, H - 1545, W - 105, 1095);
}
