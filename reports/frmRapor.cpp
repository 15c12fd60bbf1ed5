#include "reports/frmRapor.h"

#include "data/database.h"
#include "data/export.h"
#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "platform/ado/ado.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/msxml/domdocument.h"
#include "platform/msxml/xmlhttp.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "reports/numberreport.h"
#include "reports/reportparse.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "state/mdlGenel.h"
#include "ui/common/formtop.h"
#include "ui/common/frmBekle.h"

#include <QElapsedTimer>
#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kWidth = 9015;
constexpr int kHeight = 8145;

const QString kFetching = QStringLiteral("Raporunuz Mesaj Merkezinden Çekiliyor...Lütfen Bekleyiniz.");
const QString kCounting = QStringLiteral("Raporunuzdaki Kayıt Sayısı Hesaplanıyor...Lütfen Bekleyiniz.");
const QString kBuilding = QStringLiteral("Rapor Listesi Oluşturuluyor...Lütfen Bekleyiniz.");
const QString kResendCaption = QStringLiteral("Reddedilen ya da Zaman aşımı olan GSM numaralarına tekrar mesaj gönder");
const QString kTitle = QStringLiteral("Uyarı");
const QString kStart = QStringLiteral("Başlangıç tarihi :");
const QString kEnd = QStringLiteral("Bitiş tarihi :");

// Loading goes on past a failing step.
template <class F>
void step(F&& statement) {
    try {
        statement();
    } catch (...) {
        vb::LogSwallowed();
    }
}

QString identity() {
    if (mdlGenel::GatewayType == u"Quillmere")
        return mdlGenel::UserName + u'-' + mdlGenel::ClientCode;
    return mdlGenel::UserName;
}

bool knownGateway() { return mdlGenel::GatewayType == u"Quillmere" || mdlGenel::GatewayType == u"Palvori"; }

// A gateway error code in place of a report: the account was refused. Shown
// as the number tab shows it, and the report on screen is kept, since an
// empty report would say that nothing was sent. Only a whole code counts: a
// reply such as "5" is report text.
bool refusedAccount(const QString& reply) {
    if (!mdlGenel::IsGatewayCode(reply))
        return false;
    vb::MsgBox(QStringLiteral("Hatalı Kullanıcı Adı veya Parola"), vb::vbCritical, QStringLiteral("Uyarı"));
    return true;
}

QString isoDate(const forms::DatePicker* picker) {
    return picker->Value().date().toString(QStringLiteral("yyyy-MM-dd"));
}

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

forms::CommandButton* button(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                             int width) {
    auto* b = new forms::CommandButton(parent, name, caption);
    forms::Place(b, left, top, width, 375);
    return b;
}

// A fetching tab's status boxes: ticked, and out of the user's reach.
void lockChecks(const QList<forms::CheckBox*>& checks) {
    for (forms::CheckBox* box : checks) {
        box->setEnabled(false);
        box->setValue(1);
    }
}

// The counters from nothing: a report counts its lines as it reads them.
// The speed line's figure follows once the rows are built.
void startProgress() {
    frmBekle::Start(0);
    forms::Get<frmBekle>().showSpeedCaption();
}

void closeWaitWindow() { forms::Get<frmBekle>().finish(); }

} // namespace

struct frmRapor::SummaryBoxes {
    forms::TextBox* total;
    forms::TextBox* pending;
    forms::TextBox* delivered;
    forms::TextBox* timedOut;
    forms::TextBox* rejected;

    forms::TextBox* of(reports::Status status) const {
        switch (status) {
        case reports::Status::Pending:
            return pending;
        case reports::Status::Delivered:
            return delivered;
        case reports::Status::TimedOut:
            return timedOut;
        case reports::Status::Rejected:
            break;
        }
        return rejected;
    }
    void clear() const {
        for (forms::TextBox* box : {total, pending, delivered, timedOut, rejected}) box->setText(QString());
    }
};

namespace {

// A fetch's parse: the tab's boxes, the wait window and the progress
// counters follow it line by line.
class FetchSink : public reports::ReportSink {
public:
    FetchSink(forms::Adodc* report, std::function<forms::TextBox*(reports::Status)> box, forms::TextBox* total)
        : report_(report), box_(std::move(box)), total_(total) {}

    bool cancelled() override { return mdlGenel::CancelRequested; }
    void yield() override { yield_(); }
    void countingStarts() override {
        forms::Get<frmBekle>().setStatus(kCounting);
        vb::DoEvents();
    }
    void counted(qint32 total) override {
        frmBekle::CountOne();
        pending_[kTotal] = total;
        showCountsWhenDue();
    }
    void rowsStart() override {
        showCounts();
        frmBekle& wait = forms::Get<frmBekle>();
        wait.showSpeedFigure();
        wait.setTicking(true);
        wait.setStatus(kBuilding);
        vb::DoEvents();
    }
    void statusCounted(reports::Status status, qint32 count) override {
        pending_[std::size_t(status)] = count;
        showCountsWhenDue();
    }
    void rowAdded() override { frmBekle::Advance(); }
    ado::Recordset& report() override {
        // A tab change meanwhile gives the rows left a new recordset.
        ado::RecordsetPtr rs = report_->Recordset();
        if (!rs)
            vb::Raise(vb::errObjectNotSet);
        return *rs;
    }

    // Writes every count that changed into its box.
    void showCounts() {
        shown_.start();
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            if (pending_[i] == written_[i])
                continue;
            forms::TextBox* box = i == kTotal ? total_ : box_(reports::Status(i));
            box->setText(QString::number(pending_[i]));
            written_[i] = pending_[i];
        }
    }

private:
    // The boxes follow the counts at the pace the window is painted: a box
    // rewritten for every line costs the window more than the whole parse,
    // and no one sees a count that is replaced before the next paint.
    void showCountsWhenDue() {
        constexpr int kInterval = 16;
        if (!shown_.isValid() || shown_.elapsed() >= kInterval)
            showCounts();
    }

    static constexpr std::size_t kTotal = 4;  // after the four statuses
    forms::Adodc* report_;
    std::function<forms::TextBox*(reports::Status)> box_;
    forms::TextBox* total_;
    // The counts so far and those the boxes show; 0 is never written, as a
    // box is written only once its count changes.
    std::array<qint32, 5> pending_{};
    std::array<qint32, 5> written_{};
    QElapsedTimer shown_;
    // A report of a million lines turns the event loop as often as the
    // window is painted, not a million times, nor every half millisecond.
    vb::PacedYield yield_{vb::kPaintInterval};
};

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
    cmdRaporGoruntule_1 = button(tab1, QStringLiteral("cmdRaporGoruntule_1"), QStringLiteral("Rapor görüntüle"), 6300, 2700, 2160);
    cmdMsgGoster = button(tab1, QStringLiteral("cmdMsgGoster"), QStringLiteral("Mesaj göster"), 6300, 3180, 2160);
    cmdExceleGonder_1 = button(tab1, QStringLiteral("cmdExceleGonder_1"), QStringLiteral("Excel'e gönder"), 6300, 3660, 2160);
    cmdVazgec_1 = button(tab1, QStringLiteral("cmdVazgec_1"), QStringLiteral("Vazgeç"), 6300, 4140, 2160);
    cmdRedZaGonder_1 = button(tab1, QStringLiteral("cmdRedZaGonder_1"), kResendCaption, 120, 5400, 8340);

    // Tab 2: the reports between two dates.
    QWidget* tab2 = SSTab1->addPage(QStringLiteral("İki tarih arasındaki SMS raporları"));
    Frame3 = new forms::Frame(tab2, QStringLiteral("Frame3"), QStringLiteral("Tarih aralığı"));
    forms::Place(Frame3, 120, 120, 8340, 840);
    DTPicker1 = datePicker(Frame3, Label6, QStringLiteral("Label6"), kStart, QStringLiteral("DTPicker1"), 120, 360);
    DTPicker2 = datePicker(Frame3, Label7, QStringLiteral("Label7"), kEnd, QStringLiteral("DTPicker2"), 3060, 360);
    cmdRaporGoruntule_2 = button(Frame3, QStringLiteral("cmdRaporGoruntule_2"), QStringLiteral("Rapor görüntüle"), 6060, 300, 2160);
    DataGrid3 = new forms::DataGrid(tab2, QStringLiteral("DataGrid3"));
    DataGrid3->setCaption(QStringLiteral("SMS raporu"));
    forms::Place(DataGrid3, 120, 1080, 2640, 4200);
    Frame4 = new forms::Frame(tab2, QStringLiteral("Frame4"), QStringLiteral("Özet"));
    forms::Place(Frame4, 2880, 1080, 3300, 3000);
    countRows(Frame4, {&Label8, &Label9, &Label10, &Label12, &Label13}, {8, 9, 10, 12, 13},
              {&Text6, &Text7, &Text8, &Text9, &Text10}, 6, {&Check5, &Check6, &Check7, &Check8}, 5);
    Text12 = summaryBox(Frame4, Label14, QStringLiteral("Label14"), QStringLiteral("Rapor başlangıcı:"), QStringLiteral("Text12"), 2160);
    Text13 = summaryBox(Frame4, Label15, QStringLiteral("Label15"), QStringLiteral("Rapor Bitişi:"), QStringLiteral("Text13"), 2520);
    cmdExceleGonder_2 = button(tab2, QStringLiteral("cmdExceleGonder_2"), QStringLiteral("Excel'e gönder"), 6300, 1140, 2160);
    cmdVazgec_2 = button(tab2, QStringLiteral("cmdVazgec_2"), QStringLiteral("Vazgeç"), 6300, 1620, 2160);
    cmdRedZaGonder_2 = button(tab2, QStringLiteral("cmdRedZaGonder_2"), kResendCaption, 120, 5400, 8340);

    // Tab 3: the requests sent to one number.
    QWidget* tab3 = SSTab1->addPage(QStringLiteral("Bir GSM numarasına ait SMS raporları"));
    Frame6 = new forms::Frame(tab3, QStringLiteral("Frame6"), QStringLiteral("GSM Numarası"));
    forms::Place(Frame6, 120, 120, 3000, 1320);
    txtGsmNo = new forms::TextBox(Frame6, QStringLiteral("txtGsmNo"));
    forms::Place(txtGsmNo, 120, 360, 2760, 285);
    cmdRaporGoruntule_3 = button(Frame6, QStringLiteral("cmdRaporGoruntule_3"), QStringLiteral("Rapor görüntüle"), 120, 780, 2760);
    Frame5 = new forms::Frame(tab3, QStringLiteral("Frame5"), QStringLiteral("Tarih aralığı"));
    forms::Place(Frame5, 3240, 120, 5220, 1320);
    DTPicker3 = datePicker(Frame5, Label16, QStringLiteral("Label16"), kStart, QStringLiteral("DTPicker3"), 120, 360);
    DTPicker4 = datePicker(Frame5, Label17, QStringLiteral("Label17"), kEnd, QStringLiteral("DTPicker4"), 120, 780);
    DataGrid4 = new forms::DataGrid(tab3, QStringLiteral("DataGrid4"));
    forms::Place(DataGrid4, 120, 1560, 6600, 4200);
    cmdMesajGoster = button(tab3, QStringLiteral("cmdMesajGoster"), QStringLiteral("Mesaj göster"), 6840, 1560, 1620);
    cmdExceleGonder_3 = button(tab3, QStringLiteral("cmdExceleGonder_3"), QStringLiteral("Excel'e gönder"), 6840, 2040, 1620);
    cmdVazgec_3 = button(tab3, QStringLiteral("cmdVazgec_3"), QStringLiteral("Vazgeç"), 6840, 2520, 1620);

    WebBrowser1 = new forms::WebBrowser(this, QStringLiteral("WebBrowser1"));
    forms::Place(WebBrowser1, 120, 6600, 8655, 1020);

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
    for (forms::DatePicker* picker : {DTPicker1, DTPicker2, DTPicker3, DTPicker4})
        step([&] { picker->setValue(vb::Date().startOfDay()); });
    step([] { mdlGenel::OpenDatabase(); });
    step([&] {
        rsRapor1->setConnectionString(mdlGenel::DbConnection ? mdlGenel::DbConnection->ConnectionString() : QString());
        rsRapor1->setRecordSource(QStringLiteral("SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut ")
                                  + QStringLiteral("FROM tbl_giden ") + QStringLiteral("WHERE gateway = '")
                                  + mdlGenel::SqlQuote(mdlGenel::GatewayType) + QStringLiteral("' ")
                                  + QStringLiteral("ORDER BY tarih DESC"));
        rsRapor1->Refresh();
    });
    step([&] { Grid1Ayar(); });
    step([&] { CreateFields1(); });
    for (forms::CheckBox* box : {Check1, Check2, Check3, Check4, Check5, Check6, Check7, Check8})
        step([&] { box->setValue(1); });
    step([&] { WebBrowser1->Navigate(mdlGenel::AdvertUrl); });
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

void frmRapor::CreateFields1() {
    auto report = std::make_shared<ado::Recordset>();
    reports::AppendReportFields(*report);
    rsKopuk1->setRecordset(report->Clone());
    for (forms::DataGrid* grid : {DataGrid2, DataGrid3}) {
        grid->Columns(0).setWidth(1100);
        grid->Columns(1).setWidth(1050);
    }
    DataGrid4->Columns(0).setWidth(3200);
    DataGrid4->Columns(1).setWidth(3200);
    DataGrid4->Columns(0).setCaption(QStringLiteral("MsgID"));
    DataGrid4->Columns(1).setCaption(QStringLiteral("Tarih"));
}

void frmRapor::cancelOrClose(forms::CommandButton* button) {
    if (button->Caption() == u"Vazgeç") {
        mdlGenel::CancelRequested = true;
        button->setCaption(QStringLiteral("Kapat"));
        forms::UnloadDefault<frmBekle>();
    } else if (button->Caption() == u"Kapat") {
        forms::Unload(*this);
        forms::UnloadDefault<frmBekle>();
    }
}

void frmRapor::cmdVazgec_1_Click() { cancelOrClose(cmdVazgec_1); }
void frmRapor::cmdVazgec_2_Click() { cancelOrClose(cmdVazgec_2); }
void frmRapor::cmdVazgec_3_Click() { cancelOrClose(cmdVazgec_3); }

void frmRapor::freshReport(const SummaryBoxes& boxes) {
    vb::DoEvents();
    if (auto rs = rsKopuk1->Recordset(); rs && rs->State() != ado::adStateClosed)
        rs->Close();
    CreateFields1();
    // The summary describes the report shown, so an earlier fetch's counts
    // do not linger in boxes the new report leaves untouched.
    boxes.clear();
}

void frmRapor::parseInto(const QString& reply, const SummaryBoxes& boxes) {
    FetchSink sink(rsKopuk1, [&boxes](reports::Status s) { return boxes.of(s); }, boxes.total);
    try {
        reports::ParseReport(reply, sink);
    } catch (...) {
        // The counts of the lines read before the failing one.
        sink.showCounts();
        throw;
    }
    sink.showCounts();
}

void frmRapor::cmdRaporGoruntule_1_Click() {
    const ado::RecordsetPtr sent = rsRapor1->Recordset();
    if (!sent || (sent->Bof() && sent->Eof()))
        return;
    const QList<forms::CommandButton*> buttons{cmdMsgGoster, cmdRaporGoruntule_1, cmdRedZaGonder_1, cmdExceleGonder_1};
    for (forms::CommandButton* b : buttons) b->setEnabled(false);
    // A "Vazgeç" stopped the fetch it was pressed in, not this one.
    mdlGenel::CancelRequested = false;
    forms::Get<frmBekle>().Show();
    RaporCek();
    closeWaitWindow();
    for (forms::CheckBox* box : {Check1, Check2, Check3, Check4}) box->setEnabled(true);
    for (forms::CommandButton* b : buttons) b->setEnabled(true);
}

void frmRapor::cmdRaporGoruntule_2_Click() {
    try {
        const QList<forms::CommandButton*> buttons{cmdRaporGoruntule_2, cmdRedZaGonder_2, cmdExceleGonder_2};
        for (forms::CommandButton* b : buttons) b->setEnabled(false);
        mdlGenel::CancelRequested = false;
        forms::Get<frmBekle>().Show();
        RaporCek2();
        closeWaitWindow();
        for (forms::CheckBox* box : {Check5, Check6, Check7, Check8}) box->setEnabled(true);
        for (forms::CommandButton* b : buttons) b->setEnabled(true);
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e));
    }
}

void frmRapor::RaporCek() {
    const SummaryBoxes boxes{Text1, Text2, Text3, Text4, Text5};
    try {
        lockChecks({Check1, Check2, Check3, Check4});
        const ado::RecordsetPtr sent = rsRapor1->Recordset();
        if (!sent || (sent->Bof() && sent->Eof()))
            return;
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        const QString packageId = vb::CStr(sent->Fields(1).Value());
        QString reply;
        if (knownGateway()) {
            Gateway gateway;
            reply = gateway.getmsgstatus(identity(), mdlGenel::Password, packageId);
        }
        if (reply == u"-1") {
            vb::MsgBox(QStringLiteral("Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz") + vb::vbCrLf
                           + QStringLiteral("İnternet bağlantınızı denetleyen bir güvenlik uygulaması Merivox'in "
                                            "internete çıkışını engelliyor olabilir."),
                       vb::vbInformation, kTitle);
            keepShownRequest(*sent);
            return;
        }
        if (refusedAccount(reply)) {
            keepShownRequest(*sent);
            return;
        }
        freshReport(boxes);
        startProgress();
        Text11->setText(packageId);
        shownRequest_ = sent->AbsolutePosition();
        if (reply.isEmpty())
            return;
        parseInto(reply, boxes);
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Bir Hata Oluştu. Lütfen İnternet Bağlantınızı Kontrol Ediniz") + vb::vbCrLf
                       + QStringLiteral("İnternete Bağlı Olmadan Rapor Güncelleyemezsiniz.") + vb::vbCrLf + vb::ErrorDescription(e)
                       + QStringLiteral(" ") + mdlGenel::StartFlag,
                   vb::vbCritical, kTitle);
    }
}

void frmRapor::keepShownRequest(ado::Recordset& sent) {
    if (shownRequest_ > 0 && sent.AbsolutePosition() != shownRequest_)
        sent.setAbsolutePosition(shownRequest_);
}

void frmRapor::RaporCek2() {
    const SummaryBoxes boxes{Text6, Text7, Text8, Text9, Text10};
    const QList<forms::CheckBox*> checks{Check5, Check6, Check7, Check8};
    try {
        lockChecks(checks);
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        QString reply;
        if (knownGateway()) {
            Gateway gateway;
            reply = gateway.getmsgstatustodate(identity(), mdlGenel::Password, isoDate(DTPicker1), isoDate(DTPicker2));
        }
        if (reply == u"-1") {
            vb::MsgBox(QStringLiteral("İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz"), vb::vbInformation, kTitle);
            lockChecks(checks);
            return;
        }
        if (refusedAccount(reply)) {
            lockChecks(checks);
            return;
        }
        freshReport(boxes);

        struct Code {
            const char16_t* reply;
            const char16_t* message;
            int icon;
        };
        static const Code codes[] = {
            {u"100", u"Server Yoğun Lütfen Daha Sonra Tekrar Deneyiniz", vb::vbCritical},
            {u"17", u"Hatalı Tarih Girişi", vb::vbCritical},
            {u"18", u"Bu Tarihler Arasında Gönderilmiş Rapor Yok.", vb::vbInformation},
            {u"19", u"Tanımlanamıyan Hata.", vb::vbCritical},
        };
        for (const Code& c : codes) {
            if (reply == QStringView(c.reply)) {
                vb::MsgBox(QString::fromUtf16(c.message), c.icon, QStringLiteral("Uyar"));
                return;
            }
        }

        startProgress();
        Text12->setText(vb::CStr(vb::Variant(DTPicker1->Value())));
        Text13->setText(vb::CStr(vb::Variant(DTPicker2->Value())));
        if (!reply.isEmpty())
            parseInto(reply, boxes);
        for (forms::CheckBox* box : checks) box->setEnabled(true);
    } catch (const std::exception& e) {
        vb::MsgBox(mdlGenel::StartFlag + QStringLiteral(" Bir Hata Oluştu. Lütfen İnternet Bağlantınızı Kontrol Ediniz")
                       + vb::ErrorDescription(e) + vb::vbCrLf + QStringLiteral("İnternete Bağlı Olmadan Rapor Güncelleyemezsiniz."),
                   vb::vbCritical, kTitle);
    }
}

namespace {

const QString kFetchFirst = QStringLiteral("Önce Rapor Çekmelisiniz");
const QString kCheckNumber = QStringLiteral("GSMNo Alanını Kontrol Ediniz");
const QString kRefused = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kNothingSent = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");
const QString kFailedStatuses = QStringLiteral("Durum = 'Reddedildi' OR Durum = 'Zaman Aşımı'");

bool noVisibleRow(const ado::RecordsetPtr& rs) { return !rs || (rs->Bof() && rs->Eof()); }

// A number the number tab and its message display accept: ten characters,
// the first a 5 (the others are not looked at).
bool numberAccepted(const QString& text) { return !text.isEmpty() && text.startsWith(u'5') && text.size() == 10; }

// The number report (14) and message-text (15) documents, which the window
// builds itself; none for a gateway type it does not know.
QString reportQuery(int action, const std::vector<std::pair<QString, QString>>& elements) {
    if (!knownGateway())
        return {};
    return quillmere::documents::Query(action, {identity(), mdlGenel::Password, mdlGenel::ClientId()}, elements);
}

// The window's own request: a failed post raises into the handler, with no
// "-1" in its place; so does an error page or a redirect, which would
// otherwise read as an empty report or go to the parser.
QString postOwn(const QString& document) {
    msxml::XMLHTTPRequest request;
    request.open(QStringLiteral("POST"), mdlGenel::GatewayUrl, false);
    request.send(document);
    mdlGenel::RaiseUnlessReply(request.status());
    return request.responseText();
}

// A reply code and what the window says to it. "-1" stands for a web page
// too: a reply whose first six characters are "<HTML>".
struct CodeMessage {
    QStringList replies;
    QString text;
    int icon;
};

// Shows the message of the first entry the reply is one of; false when it is
// none of them.
bool codeMessage(const QString& reply, const std::vector<CodeMessage>& table) {
    const QString code = reply.startsWith(QStringLiteral("<HTML>")) ? QStringLiteral("-1") : reply;
    for (const CodeMessage& c : table) {
        if (c.replies.contains(code)) {
            vb::MsgBox(c.text, c.icon, kTitle);
            return true;
        }
    }
    return false;
}

// The wait window closed only when it is there: the number check closes it
// before it was ever shown.
void closeWaitWindowIfLoaded() {
    if (forms::IsLoaded<frmBekle>())
        closeWaitWindow();
}

// The number tab's parse: the wait window's captions and figures follow it.
class NumberFetchSink : public reports::NumberReportSink {
public:
    explicit NumberFetchSink(forms::Adodc* report) : report_(report) {}

    void yield() override { yield_(); }
    void countingStarts() override {
        forms::Get<frmBekle>().setStatus(kCounting);
        vb::DoEvents();
    }
    void counted(qint32) override { frmBekle::CountOne(); }
    void rowsStart() override {
        forms::Get<frmBekle>().setStatus(kBuilding);
        vb::DoEvents();
        // Named again: a "Vazgeç" during the yield unloads the window.
        forms::Get<frmBekle>().setTicking(true);
    }
    void rowStarts() override { frmBekle::Advance(); }
    // A tab change during the count gives the rows a new recordset.
    ado::Recordset& report() override {
        if (!report_->Recordset())
            vb::Raise(vb::errObjectNotSet);
        return *report_->Recordset();
    }

private:
    forms::Adodc* report_;
    vb::PacedYield yield_{vb::kPaintInterval};
};

} // namespace

void frmRapor::cmdRaporGoruntule_3_Click() {
    const QList<forms::CommandButton*> buttons{cmdRaporGoruntule_3, cmdMesajGoster, cmdExceleGonder_3};
    auto enableButtons = [&] {
        for (forms::CommandButton* b : buttons) b->setEnabled(true);
    };
    for (forms::CommandButton* b : buttons) b->setEnabled(false);
    try {
        if (!numberAccepted(txtGsmNo->Text())) {
            vb::MsgBox(kCheckNumber, vb::vbInformation, kTitle);
            enableButtons();
            cmdVazgec_3->setEnabled(true);
            closeWaitWindowIfLoaded();
            forms::SetFocus(txtGsmNo);
            return;
        }
        forms::Get<frmBekle>().Show();
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        const QString document = reportQuery(quillmere::documents::kNumberReport,
                                             {{QStringLiteral("GsmNo"), txtGsmNo->Text()},
                                              {QStringLiteral("FDate"), isoDate(DTPicker3)},
                                              {QStringLiteral("LDate"), isoDate(DTPicker4)}});
        vb::DoEvents();
        const QString reply = postOwn(document);

        static const std::vector<CodeMessage> codes{
            {{QStringLiteral("-1")},
             QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz. Bir Güvenlik Uygulaması Internet "
                            "Bağlantınızı Denetliyor Olabilir."),
             vb::vbCritical},
            {{QStringLiteral("01"), QStringLiteral("03"), QStringLiteral("04"), QStringLiteral("05")}, kRefused,
             vb::vbCritical},
            {{QStringLiteral("08")}, kNothingSent, vb::vbInformation},
        };
        // Any other gateway code is no report either: the account was
        // refused, and the report on screen stays.
        if (codeMessage(reply, codes) || refusedAccount(reply)) {
            enableButtons();
            cmdVazgec_3->setEnabled(true);
            closeWaitWindow();
            return;
        }

        mdlGenel::StartFlag = QStringLiteral("1");
        CreateFields1();
        frmBekle::Start(0);
        forms::Get<frmBekle>().showSpeedLine();
        if (!reply.isEmpty()) {
            NumberFetchSink sink(rsKopuk1);
            reports::ParseNumberReport(reply, sink);
        }
        enableButtons();
        closeWaitWindow();
    } catch (const std::exception&) {
        vb::MsgBox(mdlGenel::StartFlag + QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"), vb::vbCritical,
                   kTitle);
        if (frmBekle* wait = forms::IfLoaded<frmBekle>()) {
            wait->setTicking(false);
            forms::Unload(*wait);
        }
        // A failed post leaves the tab able to fetch again.
        enableButtons();
    }
}

void frmRapor::Check1_Click() { ApplyStatusFilter1(); }
void frmRapor::Check2_Click() { ApplyStatusFilter1(); }
void frmRapor::Check3_Click() { ApplyStatusFilter1(); }
void frmRapor::Check4_Click() { ApplyStatusFilter1(); }
void frmRapor::Check5_Click() { ApplyStatusFilter2(); }
void frmRapor::Check6_Click() { ApplyStatusFilter2(); }
void frmRapor::Check7_Click() { ApplyStatusFilter2(); }
void frmRapor::Check8_Click() { ApplyStatusFilter2(); }

void frmRapor::ApplyStatusFilter1() { applyStatusFilter({Check1, Check2, Check3, Check4}); }
void frmRapor::ApplyStatusFilter2() { applyStatusFilter({Check5, Check6, Check7, Check8}); }

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

void frmRapor::showMessages(const QString& reply, const QString& packageId, const QString& number) {
    msxml::DOMDocument document;
    document.loadXML(reply);
    const QString xpath = QStringLiteral("//msgbody");
    const msxml::NodeList bodies = document.selectNodes(xpath);
    const QString about = packageId + QStringLiteral(" mesaj paketindeki ") + number
                          + QStringLiteral(" numaralı GSM hattına giden ");
    QString heading;
    QString texts;
    if (bodies.length() > 1) {
        for (int i = 0; i < bodies.length(); ++i)
            texts += QStringLiteral("Mesaj ") + QString::number(i + 1) + QStringLiteral(" : ") + bodies.item(i).text()
                     + vb::vbCrLf;
        heading = about + QStringLiteral("mesajlar :");
    } else {
        // No element at all fails here, reading the text of no node.
        texts = document.selectSingleNode(xpath).text();
        heading = about + QStringLiteral("mesaj :");
    }
    vb::MsgBox(heading + vb::vbCrLf + vb::vbCrLf + texts, vb::vbInformation, QStringLiteral("Quillmere"));
}

void frmRapor::cmdMsgGoster_Click() {
    try {
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            vb::MsgBox(kFetchFirst, vb::vbInformation, kTitle);
            return;
        }
        mdlGenel::LastErrorText = QStringLiteral("Bağlantı Hatası! Lütfen Internet Explorer sürümünüzü kontrol ediniz");
        const QString number = vb::CStr(report->Fields(0).Value());
        const QString packageId = Text11->Text();
        const QString document = reportQuery(quillmere::documents::kMessageText,
                                             {{QStringLiteral("GsmNo"), number}, {QStringLiteral("MsgID"), packageId}});
        vb::DoEvents();
        mdlGenel::LastErrorText = QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor");
        const QString reply = postOwn(document);

        const QString connection = QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.");
        static const std::vector<CodeMessage> codes{
            {{QStringLiteral("-1")},
             connection + vb::vbCrLf
                 + QStringLiteral("İnternet Bağlantınız kapalı ya da bir güvenlik uygulaması internet bağlantınızı "
                                  "kontrol ediyor olabilir."),
             vb::vbCritical},
            {{QStringLiteral("01"), QStringLiteral("03"), QStringLiteral("05")}, kRefused, vb::vbCritical},
            {{QStringLiteral("04")},
             connection + vb::vbCrLf
                 + QStringLiteral("Proxy ya da güvenlik duvarı ayarlarınız programın çalışmasına izin vermiyor olabilir."),
             vb::vbCritical},
            {{QStringLiteral("08")}, kNothingSent, vb::vbInformation},
        };
        if (codeMessage(reply, codes))
            return;
        showMessages(reply, packageId, number);
    } catch (const std::exception&) {
        vb::MsgBox(mdlGenel::LastErrorText, vb::vbCritical, kTitle);
    }
}

void frmRapor::cmdMesajGoster_Click() {
    try {
        const QString number = txtGsmNo->Text();
        if (!numberAccepted(number)) {
            vb::MsgBox(kCheckNumber, vb::vbInformation, kTitle);
            forms::SetFocus(txtGsmNo);
            return;
        }
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            vb::MsgBox(kFetchFirst, vb::vbInformation, kTitle);
            return;
        }
        const QString packageId = vb::CStr(report->Fields(0).Value());
        const QString document = reportQuery(quillmere::documents::kMessageText,
                                             {{QStringLiteral("GsmNo"), number}, {QStringLiteral("MsgID"), packageId}});
        vb::DoEvents();
        const QString reply = postOwn(document);

        static const std::vector<CodeMessage> codes{
            {{QStringLiteral("-1")}, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"), vb::vbCritical},
            {{QStringLiteral("01"), QStringLiteral("03"), QStringLiteral("04"), QStringLiteral("05")}, kRefused,
             vb::vbCritical},
            {{QStringLiteral("08")}, kNothingSent, vb::vbInformation},
        };
        if (codeMessage(reply, codes))
            return;
        showMessages(reply, packageId, number);
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Tanımlanamıyan Hata Oluştu") + vb::ErrorDescription(e), vb::vbCritical, kTitle);
    }
}

QString frmRapor::GetExcelFileToSave() {
    CommonDialog1->DialogTitle = QStringLiteral("Save As");
    CommonDialog1->DefaultExt = QStringLiteral("xls");
    CommonDialog1->InitDir = QStringLiteral("\\");
    CommonDialog1->FileName = QString();
    CommonDialog1->Filter = QStringLiteral("Microsoft Excel Dosyaları (*.xls)|*.xls");
    CommonDialog1->Flags = forms::cdlOFNOverwritePrompt | forms::cdlOFNCreatePrompt;
    CommonDialog1->ShowSave();
    return CommonDialog1->FileName;
}

void frmRapor::cmdExceleGonder_1_Click() { exportReport(1); }
void frmRapor::cmdExceleGonder_2_Click() { exportReport(2); }
void frmRapor::cmdExceleGonder_3_Click() { exportReport(3); }

void frmRapor::exportReport(int tab) {
    try {
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            vb::MsgBox(kFetchFirst, vb::vbInformation, kTitle);
            return;
        }
        // The number tab's report is never filtered by status: it has no
        // boxes to test.
        const QList<forms::CheckBox*> boxes = tab == 1   ? QList<forms::CheckBox*>{Check1, Check2, Check3, Check4}
                                              : tab == 2 ? QList<forms::CheckBox*>{Check5, Check6, Check7, Check8}
                                                         : QList<forms::CheckBox*>{};
        if (!boxes.isEmpty() && std::all_of(boxes.begin(), boxes.end(), [](forms::CheckBox* b) { return b->Value() == 0; })) {
            vb::MsgBox(QStringLiteral("Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin"),
                       vb::vbInformation, QStringLiteral("Merivox"));
            return;
        }
        if (vb::MsgBox(QStringLiteral("Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz"),
                       vb::vbYesNo + vb::vbQuestion, kTitle)
            == vb::vbNo)
            return;
        QString fileName = GetExcelFileToSave();
        if (tab == 2)
            vb::DoEvents();
        if (fileName.isEmpty())
            return;
        mdlGenel::LastErrorText = QStringLiteral("Veritabanı bağlantısı kurulamıyor");
        if (tab == 3)
            mdlGenel::OpenDatabase();
        if (noVisibleRow(report)) {
            vb::MsgBox(QStringLiteral("Aktarılacak Hiç Kayıt Yok"), vb::vbInformation, kTitle);
            return;
        }

        auto copy = std::make_shared<ado::Recordset>();
        for (int f = 0; f < report->Fields().Count(); ++f) {
            const ado::Field field = report->Fields(f);
            QString name = field.Name();
            if (tab == 3)
                name = f == 0 ? QStringLiteral("MSGID") : QStringLiteral("Tarih");
            copy->Fields().Append(name, field.Type(), field.DefinedSize());
        }
        copy->Open();

        // A "Vazgeç" pressed during an earlier fetch does not stop this copy.
        mdlGenel::CancelRequested = false;
        vb::PacedYield yield;
        const int fields = copy->Fields().Count();
        report->MoveFirst();
        while (!report->Eof() && !mdlGenel::CancelRequested) {
            copy->AddNew();
            if (tab == 1)
                yield();
            for (int f = 0; f < fields; ++f)
                copy->Fields(f).setValue(report->Fields(f).Value());
            copy->UpdateBatch(ado::adAffectAll);
            report->MoveNext();
        }
        if (!mdlGenel::CancelRequested) {
            ExportHeaders.clear();
            for (int f = 0; f < fields; ++f)
                ExportHeaders << copy->Fields(f).Name();
            ExportHeaders << QString();
            forms::Get<frmBekle>().Show();
            vb::DoEvents();
            frmBekle::ExportProgress progress;
            mdlGenel::ExportRecordsetToExcel(copy, fileName, ExportHeaders, progress);
            vb::DoEvents();
        }
        forms::UnloadDefault<frmBekle>();
        if (const ado::RecordsetPtr shown = rsKopuk1->Recordset(); shown && shown->State() != ado::adStateClosed)
            shown->Close();
        copy->Close();
        forms::Unload(*this);
    } catch (const std::exception& e) {
        if (tab == 1)
            vb::MsgBox(QStringLiteral("Tanımlanamayan bir hata oluştu.") + vb::vbCrLf
                           + QStringLiteral("Sistemin ürettiği hata mesajı : ") + vb::ErrorDescription(e),
                       vb::vbCritical, kTitle);
        else
            vb::MsgBox(mdlGenel::LastErrorText + vb::ErrorDescription(e), vb::vbCritical, kTitle);
    }
}

void frmRapor::cmdRedZaGonder_1_Click() { resend(1); }
void frmRapor::cmdRedZaGonder_2_Click() { resend(2); }

void frmRapor::resend(int tab) {
    forms::CommandButton* cancel = tab == 1 ? cmdVazgec_1 : cmdVazgec_2;
    try {
        cancel->setEnabled(false);
        if (tab == 2)
            mdlGenel::StartFlag.clear();
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            cancel->setEnabled(true);
            return;
        }
        // In place of the boxes' filter, until a box changes.
        report->setFilter(kFailedStatuses);
        if (noVisibleRow(report)) {
            cancel->setEnabled(true);
            return;
        }
        report->setSort(QStringLiteral("GsmNo ASC"));

        auto numbers = std::make_shared<ado::Recordset>();
        numbers->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 10);
        numbers->Open();
        auto add = [&numbers](const vb::Variant& number) {
            numbers->AddNew();
            numbers->Fields(0).setValue(number);
            numbers->UpdateBatch(ado::adAffectAll);
        };
        // Sorted, so each number once: a number rejected in one package and
        // timed out in another is sent to once.
        report->MoveFirst();
        QString previous = vb::CStr(report->Fields(0).Value());
        add(report->Fields(0).Value());
        for (report->MoveNext(); !report->Eof(); report->MoveNext()) {
            const QString number = vb::CStr(report->Fields(0).Value());
            if (number != previous) {
                add(report->Fields(0).Value());
                previous = number;
            }
        }
        cancel->setEnabled(true);

        frmSMS_1& page = forms::Get<frmSMS_1>();
        page.CallerForm = forms::FormRef(this);
        page.SourceRecordset = numbers;
        page.Show();
        forms::Unload(*this);
    } catch (const std::exception& e) {
        // The date-range tab adds the start flag, which it has just emptied.
        vb::MsgBox(tab == 2 ? vb::ErrorDescription(e) + mdlGenel::StartFlag : vb::ErrorDescription(e));
        cancel->setEnabled(true);
    }
}
