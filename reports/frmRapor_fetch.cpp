// The report window's fetches: a logged request's report (tab 1), the
// reports between two dates (tab 2), the packages sent to one number (tab
// 3), and the texts of the messages the first and third show.
#include "reports/frmRapor.h"

#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "reports/numberreport.h"
#include "reports/reportparse.h"
#include "reports/reportrequests.h"
#include "sending/sendsteps.h"
#include "state/mdlGenel.h"
#include "ui/common/frmBekle.h"

#include <QElapsedTimer>
#include <array>
#include <vector>

namespace {

const QString kFetching = QStringLiteral("Raporunuz Mesaj Merkezinden Çekiliyor...Lütfen Bekleyiniz.");
const QString kCounting = QStringLiteral("Raporunuzdaki Kayıt Sayısı Hesaplanıyor...Lütfen Bekleyiniz.");
const QString kBuilding = QStringLiteral("Rapor Listesi Oluşturuluyor...Lütfen Bekleyiniz.");
const QString kCheckNumber = QStringLiteral("GSMNo Alanını Kontrol Ediniz");
const QString kRefused = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kNothingSent = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");

QString isoDate(const forms::DatePicker* picker) {
    return picker->Value().date().toString(QStringLiteral("yyyy-MM-dd"));
}

// A number the number tab and its message display accept: ten characters,
// the first a 5 (the others are not looked at).
bool numberAccepted(const QString& text) { return !text.isEmpty() && text.startsWith(u'5') && text.size() == 10; }

// A fetching tab's status boxes: ticked, and out of the user's reach.
void lockChecks(const QList<forms::CheckBox*>& checks) {
    for (forms::CheckBox* box : checks) {
        box->setEnabled(false);
        box->setValue(1);
    }
}

// The counters from nothing: a report counts its lines as it reads them.
// The speed line's figure follows once the rows start to be built.
void startProgress() {
    frmBekle::Start(0);
    forms::Get<frmBekle>().showSpeedCaption();
}

void closeWaitWindow() { forms::Get<frmBekle>().finish(); }


// A fetch's parse: the tab's boxes, the wait window and the progress
// counters follow it line by line.
class FetchSink : public reports::ReportSink {
public:
    FetchSink(forms::Adodc* report, const std::array<forms::TextBox*, 5>& boxes) : report_(report), boxes_(boxes) {}

    bool cancelled() override { return mdlGenel::CancelRequested; }
    void yield() override { yield_(); }
    void countingStarts() override {
        forms::Get<frmBekle>().setStatus(kCounting);
        vb::DoEvents();
    }
    void lineCounted(qint32 total) override {
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
            boxes_[i]->setText(QString::number(pending_[i]));
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
    // Each status's box, then the total's.
    std::array<forms::TextBox*, 5> boxes_;
    // The counts so far and those the boxes show; 0 is never written, as a
    // box is written only once its count changes.
    std::array<qint32, 5> pending_{};
    std::array<qint32, 5> written_{};
    QElapsedTimer shown_;
    // A report of a million lines turns the event loop as often as the
    // window is painted, not a million times, nor every half millisecond.
    vb::PacedYield yield_{vb::kPaintInterval};
};

// The number tab's parse: the wait window's captions and figures follow it.
class NumberFetchSink : public reports::NumberReportSink {
public:
    explicit NumberFetchSink(forms::Adodc* report) : report_(report) {}

    void yield() override { yield_(); }
    void countingStarts() override {
        forms::Get<frmBekle>().setStatus(kCounting);
        vb::DoEvents();
    }
    void lineCounted(qint32) override { frmBekle::CountOne(); }
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

bool frmRapor::noVisibleRow(const ado::RecordsetPtr& rs) { return !rs || (rs->Bof() && rs->Eof()); }

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

void frmRapor::freshReport(const SummaryBoxes& boxes) {
    vb::DoEvents();
    if (auto rs = rsKopuk1->Recordset(); rs && rs->State() != ado::adStateClosed)
        rs->Close();
    CreateFields1();
    // The summary describes the report shown, so an earlier fetch's counts
    // do not linger in boxes the new report leaves untouched.
    for (forms::TextBox* box : boxes) box->setText(QString());
}

void frmRapor::parseInto(const QString& reply, const SummaryBoxes& boxes) {
    FetchSink sink(rsKopuk1, boxes);
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
    for (forms::CheckBox* box : tabAt(1).statuses) box->setEnabled(true);
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
        for (forms::CheckBox* box : tabAt(2).statuses) box->setEnabled(true);
        for (forms::CommandButton* b : buttons) b->setEnabled(true);
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e));
    }
}

void frmRapor::RaporCek() {
    const Tab& tab = tabAt(1);
    try {
        lockChecks(tab.statuses);
        const ado::RecordsetPtr sent = rsRapor1->Recordset();
        if (!sent || (sent->Bof() && sent->Eof()))
            return;
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        const QString packageId = vb::CStr(sent->Fields(1).Value());
        QString reply;
        if (reports::KnownGateway()) {
            Gateway gateway;
            reply = gateway.getmsgstatus(sending::GatewayIdentity(), mdlGenel::Password, packageId);
        }
        if (reply == u"-1") {
            vb::MsgBox(QStringLiteral("Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz") + vb::vbCrLf
                           + QStringLiteral("İnternet bağlantınızı denetleyen bir güvenlik uygulaması Merivox'in "
                                            "internete çıkışını engelliyor olabilir."),
                       vb::vbInformation, kTitle);
            keepShownRequest(*sent);
            return;
        }
        if (reports::ShowRefusedAccount(reply)) {
            keepShownRequest(*sent);
            return;
        }
        freshReport(tab.summary);
        startProgress();
        Text11->setText(packageId);
        shownRequest_ = sent->AbsolutePosition();
        if (reply.isEmpty())
            return;
        parseInto(reply, tab.summary);
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
    const Tab& tab = tabAt(2);
    const QList<forms::CheckBox*>& checks = tab.statuses;
    try {
        lockChecks(checks);
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        QString reply;
        if (reports::KnownGateway()) {
            Gateway gateway;
            reply = gateway.getmsgstatustodate(sending::GatewayIdentity(), mdlGenel::Password, isoDate(DTPicker1), isoDate(DTPicker2));
        }
        if (reply == u"-1") {
            vb::MsgBox(QStringLiteral("İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz"), vb::vbInformation, kTitle);
            lockChecks(checks);
            return;
        }
        if (reports::ShowRefusedAccount(reply)) {
            lockChecks(checks);
            return;
        }
        freshReport(tab.summary);

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
            parseInto(reply, tab.summary);
        for (forms::CheckBox* box : checks) box->setEnabled(true);
    } catch (const std::exception& e) {
        vb::MsgBox(mdlGenel::StartFlag + QStringLiteral(" Bir Hata Oluştu. Lütfen İnternet Bağlantınızı Kontrol Ediniz")
                       + vb::ErrorDescription(e) + vb::vbCrLf + QStringLiteral("İnternete Bağlı Olmadan Rapor Güncelleyemezsiniz."),
                   vb::vbCritical, kTitle);
    }
}

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
            tabAt(3).cancelButton->setEnabled(true);
            frmBekle::FinishIfLoaded();
            forms::SetFocus(txtGsmNo);
            return;
        }
        forms::Get<frmBekle>().Show();
        forms::Get<frmBekle>().setStatus(kFetching);
        vb::DoEvents();

        const QString document = reports::OwnQuery(quillmere::documents::kNumberReport,
                                             {{QStringLiteral("GsmNo"), txtGsmNo->Text()},
                                              {QStringLiteral("FDate"), isoDate(DTPicker3)},
                                              {QStringLiteral("LDate"), isoDate(DTPicker4)}});
        vb::DoEvents();
        const QString reply = reports::PostOwnQuery(document);

        static const std::vector<reports::CodeMessage> codes{
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
        if (reports::ShowCodeMessage(reply, codes) || reports::ShowRefusedAccount(reply)) {
            enableButtons();
            tabAt(3).cancelButton->setEnabled(true);
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
        frmBekle::FinishIfLoaded();
        // A failed post leaves the tab able to fetch again.
        enableButtons();
    }
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
        const QString document = reports::OwnQuery(quillmere::documents::kMessageText,
                                             {{QStringLiteral("GsmNo"), number}, {QStringLiteral("MsgID"), packageId}});
        vb::DoEvents();
        mdlGenel::LastErrorText = QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor");
        const QString reply = reports::PostOwnQuery(document);

        const QString connection = QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.");
        static const std::vector<reports::CodeMessage> codes{
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
        if (reports::ShowCodeMessage(reply, codes))
            return;
        reports::ShowMessageTexts(reply, packageId, number);
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
        const QString document = reports::OwnQuery(quillmere::documents::kMessageText,
                                             {{QStringLiteral("GsmNo"), number}, {QStringLiteral("MsgID"), packageId}});
        vb::DoEvents();
        const QString reply = reports::PostOwnQuery(document);

        static const std::vector<reports::CodeMessage> codes{
            {{QStringLiteral("-1")}, QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"), vb::vbCritical},
            {{QStringLiteral("01"), QStringLiteral("03"), QStringLiteral("04"), QStringLiteral("05")}, kRefused,
             vb::vbCritical},
            {{QStringLiteral("08")}, kNothingSent, vb::vbInformation},
        };
        if (reports::ShowCodeMessage(reply, codes))
            return;
        reports::ShowMessageTexts(reply, packageId, number);
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Tanımlanamıyan Hata Oluştu") + vb::ErrorDescription(e), vb::vbCritical, kTitle);
    }
}

