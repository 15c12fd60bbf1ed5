// The report window, its tabs and what they share: the layout, the load
// and close, the cancel buttons and the status filters. Its fetches are in
// frmRapor_fetch.cpp, its export and resend in frmRapor_export.cpp.
#include "reports/frmRapor.h"

#include "data/database.h"
#include "platform/ado/ado.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "reports/reportparse.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "ui/common/formtop.h"
#include "ui/common/frmBekle.h"

namespace {

constexpr int kWidth = 9015;
constexpr int kHeight = 8145;

const QString kResendCaption = QStringLiteral("Reddedilen ya da Zaman aşımı olan GSM numaralarına tekrar mesaj gönder");
const QString kStart = QStringLiteral("Başlangıç tarihi :");
const QString kEnd = QStringLiteral("Bitiş tarihi :");

// A label with its read-only box beside it.
forms::TextBox* summaryBox(QWidget* parent, forms::Label*& label, const QString& labelName, const QString& caption,
                           const QString& boxName, int top) {
    label = new forms::Label(parent, labelName, caption);
    forms::Place(label, 120, top, 1560, 255);
    auto* box = new forms::TextBox(parent, boxName);
    box->setLocked(true);
    forms::Place(box, 1740, top - 30, 1080, 285);
    return box;
}

forms::CheckBox* statusBox(QWidget* parent, const QString& name, int top) {
    auto* box = new forms::CheckBox(parent, name);
    forms::Place(box, 2940, top, 255, 255);
    return box;
}

// A tab's count boxes, 360 twips apart: the total, then one per status with
// its check box beside it.
void countRows(QWidget* frame, std::array<forms::Label**, 5> labels, std::array<int, 5> labelNumbers,
               std::array<forms::TextBox**, 5> boxes, int firstBox, std::array<forms::CheckBox**, 4> checks,
               int firstCheck) {
    static const char16_t* const captions[] = {u"Gönderilen Toplam :", u"Bekleyen SMS :", u"İletilen SMS :",
                                               u"Zaman Aşımı :", u"Reddedilen SMS :"};
    for (int i = 0; i < 5; ++i) {
        const int top = 360 * (i + 1);
        *boxes[i] = summaryBox(frame, *labels[i], QStringLiteral("Label%1").arg(labelNumbers[i]),
                               QString::fromUtf16(captions[i]), QStringLiteral("Text%1").arg(firstBox + i), top);
        if (i > 0)
            *checks[i - 1] = statusBox(frame, QStringLiteral("Check%1").arg(firstCheck + i - 1), top);
    }
}

// A date picker with its caption to the left.
forms::DatePicker* datePicker(QWidget* parent, forms::Label*& label, const QString& labelName, const QString& caption,
                              const QString& name, int left, int top) {
    label = new forms::Label(parent, labelName, caption);
    forms::Place(label, left, top + 60, 1320, 255);
    auto* picker = new forms::DatePicker(parent, name);
    forms::Place(picker, left + 1380, top, 1500, 315);
    return picker;
}

forms::CommandButton* placedButton(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                                   int width) {
    auto* b = new forms::CommandButton(parent, name, caption);
    forms::Place(b, left, top, width, 375);
    return b;
}

} // namespace

frmRapor::frmRapor() : forms::Form(QStringLiteral("frmRapor")) {
    setCaption(QStringLiteral("Quillmere - Rapor görüntüleme"));
    // Its size is held: maximised, it would leave its controls in a corner.
    setBorderStyle(forms::vbSizable, /*minButton=*/true, /*maxButton=*/false);
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);

    rsRapor1 = new forms::Adodc(this, QStringLiteral("rsRapor1"));
    rsRapor1->setCommandType(ado::adCmdText);
    rsKopuk1 = new forms::Adodc(this, QStringLiteral("rsKopuk1"));
    CommonDialog1 = std::make_unique<forms::CommonDialog>();
    CommonDialog1->owner = this;

    SSTab1 = new forms::TabControl(this, QStringLiteral("SSTab1"));
    forms::Place(SSTab1, 120, 120, 8655, 6360);

    // Tab 1: the report of one logged request.
    QWidget* tab1 = SSTab1->addPage(QStringLiteral("Bir SMS gönderimine ait rapor"));
    DataGrid1 = new forms::DataGrid(tab1, QStringLiteral("DataGrid1"));
    DataGrid1->setCaption(QStringLiteral("Yapılan SMS gönderimlerinin listesi"));
    forms::Place(DataGrid1, 120, 120, 8340, 2400);
    DataGrid2 = new forms::DataGrid(tab1, QStringLiteral("DataGrid2"));
    DataGrid2->setCaption(QStringLiteral("Gönderime ait SMS raporu"));
    forms::Place(DataGrid2, 120, 2640, 2640, 2640);
    Frame2 = new forms::Frame(tab1, QStringLiteral("Frame2"), QStringLiteral("Özet"));
    forms::Place(Frame2, 2880, 2640, 3300, 2640);
    countRows(Frame2, {&Label1, &Label2, &Label3, &Label4, &Label5}, {1, 2, 3, 4, 5},
              {&Text1, &Text2, &Text3, &Text4, &Text5}, 1, {&Check1, &Check2, &Check3, &Check4}, 1);
    Text11 = summaryBox(Frame2, Label11, QStringLiteral("Label11"), QStringLiteral("Mesaj ID :"), QStringLiteral("Text11"), 2160);
    cmdRaporGoruntule_1 = placedButton(tab1, QStringLiteral("cmdRaporGoruntule_1"), QStringLiteral("Rapor görüntüle"), 6300, 2700, 2160);
    cmdMsgGoster = placedButton(tab1, QStringLiteral("cmdMsgGoster"), QStringLiteral("Mesaj göster"), 6300, 3180, 2160);
    cmdExceleGonder_1 = placedButton(tab1, QStringLiteral("cmdExceleGonder_1"), QStringLiteral("Excel'e gönder"), 6300, 3660, 2160);
    cmdVazgec_1 = placedButton(tab1, QStringLiteral("cmdVazgec_1"), QStringLiteral("Vazgeç"), 6300, 4140, 2160);
    cmdRedZaGonder_1 = placedButton(tab1, QStringLiteral("cmdRedZaGonder_1"), kResendCaption, 120, 5400, 8340);

    // Tab 2: the reports between two dates.
    QWidget* tab2 = SSTab1->addPage(QStringLiteral("İki tarih arasındaki SMS raporları"));
    Frame3 = new forms::Frame(tab2, QStringLiteral("Frame3"), QStringLiteral("Tarih aralığı"));
    forms::Place(Frame3, 120, 120, 8340, 840);
    DTPicker1 = datePicker(Frame3, Label6, QStringLiteral("Label6"), kStart, QStringLiteral("DTPicker1"), 120, 360);
    DTPicker2 = datePicker(Frame3, Label7, QStringLiteral("Label7"), kEnd, QStringLiteral("DTPicker2"), 3060, 360);
    cmdRaporGoruntule_2 = placedButton(Frame3, QStringLiteral("cmdRaporGoruntule_2"), QStringLiteral("Rapor görüntüle"), 6060, 300, 2160);
    DataGrid3 = new forms::DataGrid(tab2, QStringLiteral("DataGrid3"));
    DataGrid3->setCaption(QStringLiteral("SMS raporu"));
    forms::Place(DataGrid3, 120, 1080, 2640, 4200);
    Frame4 = new forms::Frame(tab2, QStringLiteral("Frame4"), QStringLiteral("Özet"));
    forms::Place(Frame4, 2880, 1080, 3300, 3000);
    countRows(Frame4, {&Label8, &Label9, &Label10, &Label12, &Label13}, {8, 9, 10, 12, 13},
              {&Text6, &Text7, &Text8, &Text9, &Text10}, 6, {&Check5, &Check6, &Check7, &Check8}, 5);
    Text12 = summaryBox(Frame4, Label14, QStringLiteral("Label14"), QStringLiteral("Rapor başlangıcı:"), QStringLiteral("Text12"), 2160);
    Text13 = summaryBox(Frame4, Label15, QStringLiteral("Label15"), QStringLiteral("Rapor Bitişi:"), QStringLiteral("Text13"), 2520);
    cmdExceleGonder_2 = placedButton(tab2, QStringLiteral("cmdExceleGonder_2"), QStringLiteral("Excel'e gönder"), 6300, 1140, 2160);
    cmdVazgec_2 = placedButton(tab2, QStringLiteral("cmdVazgec_2"), QStringLiteral("Vazgeç"), 6300, 1620, 2160);
    cmdRedZaGonder_2 = placedButton(tab2, QStringLiteral("cmdRedZaGonder_2"), kResendCaption, 120, 5400, 8340);

    // Tab 3: the requests sent to one number.
    QWidget* tab3 = SSTab1->addPage(QStringLiteral("Bir GSM numarasına ait SMS raporları"));
    Frame6 = new forms::Frame(tab3, QStringLiteral("Frame6"), QStringLiteral("GSM Numarası"));
    forms::Place(Frame6, 120, 120, 3000, 1320);
    txtGsmNo = new forms::TextBox(Frame6, QStringLiteral("txtGsmNo"));
    forms::Place(txtGsmNo, 120, 360, 2760, 285);
    cmdRaporGoruntule_3 = placedButton(Frame6, QStringLiteral("cmdRaporGoruntule_3"), QStringLiteral("Rapor görüntüle"), 120, 780, 2760);
    Frame5 = new forms::Frame(tab3, QStringLiteral("Frame5"), QStringLiteral("Tarih aralığı"));
    forms::Place(Frame5, 3240, 120, 5220, 1320);
    DTPicker3 = datePicker(Frame5, Label16, QStringLiteral("Label16"), kStart, QStringLiteral("DTPicker3"), 120, 360);
    DTPicker4 = datePicker(Frame5, Label17, QStringLiteral("Label17"), kEnd, QStringLiteral("DTPicker4"), 120, 780);
    DataGrid4 = new forms::DataGrid(tab3, QStringLiteral("DataGrid4"));
    forms::Place(DataGrid4, 120, 1560, 6600, 4200);
    cmdMesajGoster = placedButton(tab3, QStringLiteral("cmdMesajGoster"), QStringLiteral("Mesaj göster"), 6840, 1560, 1620);
    cmdExceleGonder_3 = placedButton(tab3, QStringLiteral("cmdExceleGonder_3"), QStringLiteral("Excel'e gönder"), 6840, 2040, 1620);
    cmdVazgec_3 = placedButton(tab3, QStringLiteral("cmdVazgec_3"), QStringLiteral("Vazgeç"), 6840, 2520, 1620);

    WebBrowser1 = new forms::WebBrowser(this, QStringLiteral("WebBrowser1"));
    forms::Place(WebBrowser1, 120, 6600, 8655, 1020);

    tabs_[0] = {.summary = {Text2, Text3, Text4, Text5, Text1},
                .statuses = {Check1, Check2, Check3, Check4},
                .cancelButton = cmdVazgec_1,
                .copyYields = true,
                .ownExportFailure = true};
    tabs_[1] = {.summary = {Text7, Text8, Text9, Text10, Text6},
                .statuses = {Check5, Check6, Check7, Check8},
                .cancelButton = cmdVazgec_2,
                .yieldsAfterSaveDialog = true,
                .resendClearsStartFlag = true};
    tabs_[2] = {.cancelButton = cmdVazgec_3, .packages = true};

    DataGrid1->setDataSource(rsRapor1);
    for (forms::DataGrid* grid : {DataGrid2, DataGrid3, DataGrid4}) grid->setDataSource(rsKopuk1);

    SSTab1->Click = [this](int previous) { SSTab1_Click(previous); };
    cmdVazgec_1->Click = [this] { cmdVazgec_1_Click(); };
    cmdVazgec_2->Click = [this] { cmdVazgec_2_Click(); };
    cmdVazgec_3->Click = [this] { cmdVazgec_3_Click(); };
    cmdRaporGoruntule_1->Click = [this] { cmdRaporGoruntule_1_Click(); };
    cmdRaporGoruntule_2->Click = [this] { cmdRaporGoruntule_2_Click(); };
    cmdRaporGoruntule_3->Click = [this] { cmdRaporGoruntule_3_Click(); };
    Check1->Click = [this] { Check1_Click(); };
    Check2->Click = [this] { Check2_Click(); };
    Check3->Click = [this] { Check3_Click(); };
    Check4->Click = [this] { Check4_Click(); };
    Check5->Click = [this] { Check5_Click(); };
    Check6->Click = [this] { Check6_Click(); };
    Check7->Click = [this] { Check7_Click(); };
    Check8->Click = [this] { Check8_Click(); };
    cmdMsgGoster->Click = [this] { cmdMsgGoster_Click(); };
    cmdMesajGoster->Click = [this] { cmdMesajGoster_Click(); };
    cmdExceleGonder_1->Click = [this] { cmdExceleGonder_1_Click(); };
    cmdExceleGonder_2->Click = [this] { cmdExceleGonder_2_Click(); };
    cmdExceleGonder_3->Click = [this] { cmdExceleGonder_3_Click(); };
    cmdRedZaGonder_1->Click = [this] { cmdRedZaGonder_1_Click(); };
    cmdRedZaGonder_2->Click = [this] { cmdRedZaGonder_2_Click(); };

    resize(forms::ToPixels(kWidth - 120), forms::ToPixels(kHeight - 405));
}

frmRapor::~frmRapor() = default;

void frmRapor::Form_Load() {
    mdlGenel::SetFormOnTop(*this);
    // Loading goes on past a failing step.
    for (forms::DatePicker* picker : {DTPicker1, DTPicker2, DTPicker3, DTPicker4})
        vb::ResumeNext([&] { picker->setValue(vb::Date().startOfDay()); });
    vb::ResumeNext([] { mdlGenel::OpenDatabase(); });
    vb::ResumeNext([&] {
        rsRapor1->setConnectionString(mdlGenel::DbConnection ? mdlGenel::DbConnection->ConnectionString() : QString());
        rsRapor1->setRecordSource(QStringLiteral("SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut ")
                                  + QStringLiteral("FROM tbl_giden ") + QStringLiteral("WHERE gateway = '")
                                  + mdlGenel::SqlQuote(mdlGenel::GatewayType) + QStringLiteral("' ")
                                  + QStringLiteral("ORDER BY tarih DESC"));
        rsRapor1->Refresh();
    });
    vb::ResumeNext([&] { Grid1Ayar(); });
    vb::ResumeNext([&] { CreateFields1(); });
    for (const Tab& tab : tabs_)
        for (forms::CheckBox* box : tab.statuses)
            vb::ResumeNext([&] { box->setValue(1); });
    vb::ResumeNext([&] { WebBrowser1->Navigate(mdlGenel::AdvertUrl); });
    mdlGenel::CancelRequested = false;
}

void frmRapor::Form_Activate() { forms::UnloadDefault<frmSihirbaz>(); }

void frmRapor::Form_Resize() { forms::HoldSize(*this, kWidth, kHeight); }

void frmRapor::Form_Unload(int&) {
    forms::UnloadDefault<frmBekle>();
    forms::UnloadDefault<frmSihirbaz>();
}

void frmRapor::SSTab1_Click(int) { CreateFields1(); }

void frmRapor::Grid1Ayar() {
    DataGrid1->Columns(0).setVisible(false);
    DataGrid1->Columns(1).setWidth(800);
    DataGrid1->Columns(2).setWidth(1800);
    DataGrid1->Columns(3).setWidth(3300);
    DataGrid1->Columns(4).setWidth(1800);
}

void frmRapor::cancelOrClose(forms::CommandButton* pressed) {
    if (pressed->Caption() == u"Vazgeç") {
        mdlGenel::CancelRequested = true;
        pressed->setCaption(QStringLiteral("Kapat"));
        forms::UnloadDefault<frmBekle>();
    } else if (pressed->Caption() == u"Kapat") {
        forms::Unload(*this);
        forms::UnloadDefault<frmBekle>();
    }
}

void frmRapor::cmdVazgec_1_Click() { cancelOrClose(tabAt(1).cancelButton); }
void frmRapor::cmdVazgec_2_Click() { cancelOrClose(tabAt(2).cancelButton); }
void frmRapor::cmdVazgec_3_Click() { cancelOrClose(tabAt(3).cancelButton); }

void frmRapor::Check1_Click() { ApplyStatusFilter1(); }
void frmRapor::Check2_Click() { ApplyStatusFilter1(); }
void frmRapor::Check3_Click() { ApplyStatusFilter1(); }
void frmRapor::Check4_Click() { ApplyStatusFilter1(); }
void frmRapor::Check5_Click() { ApplyStatusFilter2(); }
void frmRapor::Check6_Click() { ApplyStatusFilter2(); }
void frmRapor::Check7_Click() { ApplyStatusFilter2(); }
void frmRapor::Check8_Click() { ApplyStatusFilter2(); }

void frmRapor::ApplyStatusFilter1() { applyStatusFilter(tabAt(1).statuses); }
void frmRapor::ApplyStatusFilter2() { applyStatusFilter(tabAt(2).statuses); }

void frmRapor::applyStatusFilter(const QList<forms::CheckBox*>& boxes) {
    // Pending, delivered, timed out, rejected: the clauses keep this order
    // whatever order the boxes were clicked in.
    static const reports::Status statuses[] = {reports::Status::Pending, reports::Status::Delivered,
                                               reports::Status::TimedOut, reports::Status::Rejected};
    mdlGenel::ReportStatusFilter.clear();
    for (int i = 0; i < 4; ++i) {
        if (boxes[i]->Value() != 1)
            continue;
        if (!mdlGenel::ReportStatusFilter.isEmpty())
            mdlGenel::ReportStatusFilter += QStringLiteral(" OR ");
        mdlGenel::ReportStatusFilter += QStringLiteral("Durum = '") + reports::StatusWord(statuses[i]) + u'\'';
    }
    const ado::RecordsetPtr report = rsKopuk1->Recordset();
    if (!report)
        vb::Raise(vb::errObjectNotSet);
    // No box ticked: no filter, every row.
    report->setFilter(QString());
    report->setFilter(mdlGenel::ReportStatusFilter);
}
