#include "sending/frmSonEkran.h"

#include "data/database.h"
#include "data/export.h"
#include "data/text.h"
#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "gateway/replies.h"
#include "gateway/strBuffer_com.h"
#include "platform/ado/ado.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "reports/frmRapor.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "sending/sendlog.h"
#include "sending/sendsteps.h"
#include "state/mdlGenel.h"
#include "ui/common/frmBekle.h"

#include <QPointer>

namespace {

constexpr int kMinWidth = 8430;
constexpr int kMinHeight = 8235;
constexpr int kNumberWidth = 1200;
constexpr int kMessageWidth = 6500;
constexpr int kMaxText = 160;

const QString kNoConnectionLine = QStringLiteral(
    " Mesaj merkeziyle bağlantı kurulamıyor. Bilgisayarınız, güvenlik duvarı    denetiminde olabilir.SMS göndermek "
    "için internete bağlı olmanız             gerekmektedir ! Lütfen güvenlik ayarlarınızı kontrol ediniz.");
const QString kNotSent = QStringLiteral("Mesaj gönderilemedi.");

// A slot of the string-buffer pool for one package, given back however the
// building ends.
class PackageBuffer {
public:
    PackageBuffer() : slot(strBuffer_com::AllocBuffer()) {}
    ~PackageBuffer() { strBuffer_com::FreeBuffer(slot); }
    PackageBuffer(const PackageBuffer&) = delete;
    PackageBuffer& operator=(const PackageBuffer&) = delete;

    const qint32 slot;
};

} // namespace

frmSonEkran::frmSonEkran() : frmSonEkran(Parts{}) {}

frmSonEkran::frmSonEkran(Parts parts) : forms::Form(QStringLiteral("frmSonEkran")) {
    setCaption(QStringLiteral("Quillmere - SMS gönderim onayı"));
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);

    Adodc1 = new forms::Adodc(this, QStringLiteral("Adodc1"));
    DataGrid1 = new forms::DataGrid(this, QStringLiteral("DataGrid1"));
    cmdLstCikart = new forms::CommandButton(this, QStringLiteral("cmdLstCikart"), QStringLiteral("Listeden çıkart"));
    Frame2 = new forms::Frame(this, QStringLiteral("Frame2"));

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"));
    Label1 = new forms::Label(Frame1, QStringLiteral("Label1"), QStringLiteral("Gönderen :"));
    forms::Place(Label1, 120, 285, 1335, 255);
    // The default combo style: it takes any text, also while its list is
    // empty (an account without originators, or none known).
    cbGonderen = new forms::ComboBox(Frame1, QStringLiteral("cbGonderen"), true);
    forms::Place(cbGonderen, 1500, 240, 2415, 315);
    Label2 = new forms::Label(Frame1, QStringLiteral("Label2"), QStringLiteral("Toplam mesaj :"));
    forms::Place(Label2, 120, 705, 1335, 255);
    lblToplam = new forms::Label(Frame1, QStringLiteral("lblToplam"));
    forms::Place(lblToplam, 1500, 705, 2415, 255);
    Label3 = new forms::Label(Frame1, QStringLiteral("Label3"), QStringLiteral("Mevcut krediniz :"));
    forms::Place(Label3, 120, 1065, 1335, 255);
    lblKontor = new forms::Label(Frame1, QStringLiteral("lblKontor"));
    forms::Place(lblKontor, 1500, 1065, 2415, 255);
    Label4 = new forms::Label(Frame1, QStringLiteral("Label4"), QStringLiteral("Sistem tarihiniz:"));
    forms::Place(Label4, 4080, 285, 1455, 255);
    Label5 = new forms::Label(Frame1, QStringLiteral("Label5"));
    forms::Place(Label5, 5580, 285, 2535, 255);
    chkIleriTarih = new forms::CheckBox(Frame1, QStringLiteral("chkIleriTarih"), QStringLiteral("İleri tarihe gönderim yap"));
    forms::Place(chkIleriTarih, 4080, 660, 3000, 255);
    DTPicker1 = new forms::DatePicker(Frame1, QStringLiteral("DTPicker1"), QStringLiteral("dd.MM.yyyy"));
    forms::Place(DTPicker1, 4080, 960, 1455, 315);
    DTPicker2 = new forms::DatePicker(Frame1, QStringLiteral("DTPicker2"), QStringLiteral("HH:mm"));
    DTPicker2->setCalendarPopup(false);
    forms::Place(DTPicker2, 5640, 960, 1095, 315);

    lblNet = new forms::Label(this, QStringLiteral("lblNet"), kNoConnectionLine);
    lblNet->setWordWrap(true);
    QPalette red = lblNet->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblNet->setPalette(red);
    lblNet->setVisible(false);
    cmdGonder = new forms::CommandButton(this, QStringLiteral("cmdGonder"), QStringLiteral("Gönder"));
    cmdVazgec = new forms::CommandButton(this, QStringLiteral("cmdVazgec"), QStringLiteral("Vazgeç"));
    Timer1 = new vb::Timer(this, QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setEnabled(false);
    WebBrowser1 = new forms::WebBrowser(this, QStringLiteral("WebBrowser1"));

    // Over the list while it is built or sent.
    Frame3 = nullptr;
    Label6 = nullptr;
    if (parts.statusFrame) {
        Frame3 = new forms::Frame(this, QStringLiteral("Frame3"));
        Frame3->setAutoFillBackground(true);
        Label6 = new forms::Label(Frame3, QStringLiteral("Label6"), QStringLiteral("Mesaj gönderildi."));
        Label6->setAlignment(Qt::AlignCenter);
        Frame3->setVisible(false);
    }

    Timer1->onTimer = [this] { Timer1_Timer(); };
    cmdGonder->Click = [this] { cmdGonder_Click(); };
    cmdLstCikart->Click = [this] { cmdLstCikart_Click(); };
    cmdVazgec->Click = [this] { cmdVazgec_Click(); };

    resize(forms::ToPixels(kMinWidth), forms::ToPixels(kMinHeight));
    layOut();
}

std::shared_ptr<ado::Recordset> frmSonEkran::list() const { return Adodc1->Recordset(); }

void frmSonEkran::resetPickers() {
    DTPicker1->setValue(vb::Date().startOfDay());
    DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), vb::Time()));
}

void frmSonEkran::Form_Load() {
    resetPickers();
    WebBrowser1->Navigate(mdlGenel::AdvertUrl);
    Label5->setCaption(vb::CStr(vb::Now()));
    Timer1->setEnabled(true);
    list_ = std::make_shared<ado::Recordset>();
    list_->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, listNumberSize_);
    list_->Fields().Append(QStringLiteral("Mesaj"), ado::adVarChar, listMessageSize_);
    list_->Open();
    Adodc1->setRecordset(list_->Clone());
    DataGrid1->setDataSource(Adodc1);
    Grid1Ayar();
}

vb::Variant frmSonEkran::Grid1Ayar() {
    vb::ResumeNext([&] { DataGrid1->Columns(0).setWidth(kNumberWidth); });
    vb::ResumeNext([&] { DataGrid1->Columns(1).setWidth(kMessageWidth); });
    return {};
}

std::shared_ptr<ado::Recordset> frmSonEkran::beginListBuild() {
    if (Frame3) {
        cmdLstCikart->setEnabled(false);
        DataGrid1->setDataSource(nullptr);
        Frame3->setVisible(true);
        Label6->setCaption(QStringLiteral("Mesaj listesi oluşturuluyor..."));
    }
    return list();
}

void frmSonEkran::showListTotal(qint64 total) { lblToplam->setCaption(QStringLiteral(" ") + QString::number(total)); }

void frmSonEkran::endListBuild() {
    if (!Frame3)
        return;
    DataGrid1->setDataSource(Adodc1);
    cmdLstCikart->setEnabled(true);
    Frame3->setVisible(false);
    Grid1Ayar();
}

void frmSonEkran::setStatusText(const QString& text) {
    if (Label6)
        Label6->setCaption(text);
}

void frmSonEkran::Timer1_Timer() { Label5->setCaption(vb::CStr(vb::Now())); }

void frmSonEkran::Form_Activate() {
    QPointer<frmSonEkran> self(this);
    try {
        DataGrid1->setEnabled(false);
        vb::DoEvents();
        if (!self || !isLoaded())
            return;  // closed meanwhile
        if (cbGonderen->ListCount() == 0) {
            const QString reply = sending::RequestAccountInformation();
            if (sending::AccountRequestFailed(reply)) {
                lblNet->setVisible(true);
            } else {
                // A reply with no line feed at all cannot be read.
                const quillmere::replies::AccountInfo account = quillmere::replies::ParseAccountInfo(reply);
                lblKontor->setCaption(QStringLiteral(" ") + account.credit);
                cbGonderen->AddItems(account.originators);
            }
            // Empty when no originator is known: the combo then takes one
            // typed by hand.
            cbGonderen->setText(cbGonderen->List(0));
        }
        resetPickers();
        DataGrid1->setEnabled(true);
    } catch (const std::exception&) {
        lblNet->setVisible(true);
    }
}

void frmSonEkran::cmdLstCikart_Click() {
    if (const auto count = sending::RemoveCurrentRecipient(list(), lblToplam->Caption()))
        lblToplam->setCaption(*count);
}

void frmSonEkran::cmdVazgec_Click() {
    if (cmdVazgec->Caption() == u"Vazgeç") {
        mdlGenel::CancelRequested = true;
        cmdVazgec->setCaption(QStringLiteral("Kapat"));
        cmdGonder->setEnabled(false);
    } else if (cmdVazgec->Caption() == u"Kapat") {
        const QString caller = CallerForm.TypeName();
        if (caller == u"frmSMS" || caller == u"frmSMS_1") {
            CallerForm.Show();
            returningTo_ = CallerForm;
        }
        forms::Unload(*this);
    }
}

void frmSonEkran::Form_Unload(int&) {
    try {
        forms::Get<frmSihirbaz>().Show();
        // The page "Kapat" went back to stays, with what the user set on it.
        if (returningTo_.TypeName() != u"frmSMS")
            forms::UnloadDefault<frmSMS>();
        if (returningTo_.TypeName() != u"frmSMS_1")
            forms::UnloadDefault<frmSMS_1>();
        if (returningTo_)
            returningTo_.Show();
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e), vb::vbCritical);
    }
}

void frmSonEkran::cmdGonder_Click() {
    try {
        auto rs = list();
        if (!rs || (rs->Bof() && rs->Eof()))
            return;
        const bool scheduled = chkIleriTarih->Value() != 0;
        if (!confirmedAndChecked(
                sending::SendQuestion(rs->RecordCount(), scheduled, DTPicker1->Value(), DTPicker2->Value())))
            return;

        setStatusText(QStringLiteral("Mesaj paketi oluşturuluyor..."));
        if (Frame3)
            Frame3->setVisible(true);
        const QString sdate = scheduled ? sending::ScheduleDigits(DTPicker1->Value(), DTPicker2->Value()) : QString();
        const QByteArray document = buildPackage(*rs, sdate);
        setStatusText(QStringLiteral("Mesajınız gönderiliyor..."));

        const GatewayPost post = mdlGenel::PostDocument(document);
        const QString& reply = post.reply;
        const QString tarih = vb::CStr(vb::Now());
        const QString gtarih =
            scheduled ? sending::ScheduledMoment(DTPicker1->Value(), DTPicker2->Value()) : vb::CStr(vb::Now());

        switch (sending::ClassifySendReply(post)) {
        case sending::SendReply::Lost:
            // Neither a failure nor in the log, and nothing of it is written
            // aside: whether it went, the date-range report tells.
            sending::ShowReplyLost(QStringLiteral("Quillmere Uyarı"));
            break;
        case sending::SendReply::NoConnection:
            setStatusText(kNotSent);
            lblNet->setVisible(true);
            ShowNoConnection();
            forms::Unload(*this);
            return;
        case sending::SendReply::NotDelivered:
            // The list stays for another try.
            setStatusText(kNotSent);
            lblNet->setVisible(true);
            sending::ShowNotDelivered();
            return;
        case sending::SendReply::Accepted:
            recordAccepted(*rs, reply, tarih, gtarih);
            break;
        case sending::SendReply::Refused:
            setStatusText(kNotSent);
            sending::ShowSendRefused();
            break;
        }
    } catch (const std::exception& e) {
        showSendError(e);
        return;
    }
    mdlGenel::CloseWorkbookConnection();
    forms::Unload(*this);
}

void frmSonEkran::ShowNoConnection() {
    vb::MsgBox(QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz.") + vb::vbCrLf
                   + QStringLiteral("İnternete Bağlı Olmadan SMS Gönderemezsiniz"),
               vb::vbInformation, QStringLiteral("Uyarı"));
}

void frmSonEkran::showSendError(const std::exception& e) {
    vb::MsgBox(QStringLiteral("Tanımlanamıyan Hata Oluştu. Lütfen Sistem Yöneticinize Başvurun ") + vb::vbCrLf
                   + QStringLiteral(" ") + vb::ErrorDescription(e) + QStringLiteral(" ") + mdlGenel::StartFlag,
               vb::vbCritical, QStringLiteral("Uyarı"));
    vb::ResumeNext([&] {
        if (auto rs = list(); rs && !(rs->Bof() && rs->Eof()))
            rs->MoveFirst();
    });
}

bool frmSonEkran::confirmedAndChecked(const QString& question) {
    if (vb::MsgBox(question, vb::vbYesNo + vb::vbQuestion, QStringLiteral("Quillmere Mesaj Gönderim Onayı")) != vb::vbYes)
        return false;
    return sending::SendChecksPass(lblKontor->Caption(), lblToplam->Caption(), cbGonderen->Text(),
                                   [this] { forms::SetFocus(cbGonderen); });
}

QByteArray frmSonEkran::buildPackage(ado::Recordset& rs, const QString& sdate) {
    namespace documents = quillmere::documents;
    rs.MoveFirst();
    const ado::Field number = rs.Fields(QStringLiteral("GsmNo"));
    const ado::Field text = rs.Fields(QStringLiteral("Mesaj"));
    const QString first = mdlGenel::NullToEmpty(text.Value());
    const documents::Credentials who{sending::GatewayIdentity(), mdlGenel::Password, mdlGenel::ClientId()};
    auto included = [&](QString& n, QString& t) {
        n = mdlGenel::NullToEmpty(number.Value());
        t = mdlGenel::NullToEmpty(text.Value());
        // Left out of the package, though still in the list and its count.
        return !n.isEmpty() && !t.isEmpty();
    };

    vb::DoEvents();
    // Which document it is comes first, so that only one is built: a list of
    // a million rows makes a document of a hundred megabytes.
    bool differing = false;
    QString n, t;
    for (rs.MoveFirst(); !rs.Eof() && !differing; rs.MoveNext())
        differing = included(n, t) && t != first;

    // The buffer holds the whole document, its head and tail around the
    // pieces, so that its text is the document and is never copied: it goes
    // out as the bytes the buffer keeps.
    const PackageBuffer buffer;
    const qint32 slot = buffer.slot;
    strBuffer_com::AppendToBuffer(differing ? documents::MessagesHead(who)
                                            : documents::NumberListHead(who, mdlGenel::FoldSmsText(first)),
                                  slot);
    // Rows of one text fold once.
    QString lastText, lastFolded;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        if (!included(n, t))
            continue;
        if (!differing) {
            strBuffer_com::AppendToBuffer(documents::NumberListItem(n), slot);
            continue;
        }
        if (t != lastText || lastFolded.isNull()) {
            lastText = t;
            lastFolded = mdlGenel::FoldSmsText(vb::LeftWhole(t, kMaxText));
        }
        strBuffer_com::AppendToBuffer(documents::MessageElement({lastFolded, n}), slot);
    }
    strBuffer_com::AppendToBuffer(differing ? documents::MessagesTail(cbGonderen->Text(), sdate)
                                            : documents::NumberListTail(cbGonderen->Text(), sdate),
                                  slot);
    return strBuffer_com::BufferUtf8(slot);
}

void frmSonEkran::recordAccepted(ado::Recordset& rs, const QString& reply, const QString& tarih,
                                 const QString& gtarih) {
    bool logged = false;
    try {
        mdlGenel::OpenDatabase();
        rs.MoveFirst();
        sending::WriteSendLog({sending::PackageId(reply), mdlGenel::SendMode, mdlGenel::GatewayType, rs.RecordCount(),
                               QStringLiteral("İlk Kayıt :") + mdlGenel::NullToEmpty(rs.Fields(QStringLiteral("Mesaj")).Value()),
                               cbGonderen->Text(), tarih, gtarih},
                              mdlGenel::MessageText);
        logged = true;
    } catch (...) {
        vb::LogSwallowed();
        logged = false;
    }
    if (!logged) {
        vb::MsgBox(sending::LogNotWrittenNotice(), vb::vbInformation, QStringLiteral("Quillmere Uyarı"));
        return;
    }
    setStatusText(QStringLiteral("Mesaj gönderildi."));
    const auto& setAside = mdlGenel::OverlongRows;
    if (setAside && !(setAside->Bof() && setAside->Eof()))
        exportSetAsideRows();
    else
        vb::MsgBox(QStringLiteral("Mesaj Başarı İle Gönderildi."), vb::vbInformation, QStringLiteral("Quillmere Uyarı"));
    mdlGenel::MessageText.clear();
    forms::UnloadDefault<frmSMS>();
    forms::UnloadDefault<frmSihirbaz>();
    forms::Get<frmRapor>().Show();
}

void frmSonEkran::exportSetAsideRows() {
    vb::MsgBox(QStringLiteral("Mesajınız başarıyla gönderildi.") + vb::vbCrLf
                   + QStringLiteral("Ancak gönderilecek mesaj içeriği 160 karakterden uzun olan GSM numaralarına mesaj "
                                    "gönderilmedi.")
                   + vb::vbCrLf
                   + QStringLiteral("Şimdi, mesaj gönderilmeyen GSM numaraları ayrı bir dosya olarak oluşturulacaktır."),
               vb::vbInformation, QStringLiteral("Quillmere mesaj gönderimi"));
    const ado::Fields fields = mdlGenel::OverlongRows->Fields();
    FieldNames.clear();
    for (int f = 0; f < fields.Count(); ++f)
        FieldNames << fields.Item(f).Name();
    // The export reads every slot but the last.
    FieldNames << QString();
    forms::Get<frmBekle>().Show();
    vb::DoEvents();
    QString file = QStringLiteral("C:\\gitmeyen.xls");
    frmBekle::ExportProgress progress;
    mdlGenel::ExportRecordsetToExcel(mdlGenel::OverlongRows, file, FieldNames, progress);
    vb::DoEvents();
    forms::UnloadDefault<frmBekle>();
}

void frmSonEkran::Form_Resize() {
    forms::HoldSize(*this, kMinWidth, kMinHeight, false);
    vb::ResumeNext([&] { layOut(); });
}

void frmSonEkran::layOut() {
    // Sizes of the outer window, in twips; the list takes what the window
    // gains and the rest follows below it.
    const int W = Width(), H = Height();
    const int G = H - 4060;
    forms::Place(DataGrid1, 0, 0, W - 135, G);
    vb::ResumeNext([&] { DataGrid1->Columns(1).setWidth(W - 2000); });
    forms::Place(cmdLstCikart, W - 1470, G + 105, 1365, 345);
    if (Frame3) {
        forms::Place(Frame3, 0, 0, W - 135, H - 3575);
        forms::Place(Label6, 120, (H - 3575) / 2 - 130, W - 375, 255);
    }
    forms::Place(Frame2, 0, G + 465, W - 135, 135);
    forms::Place(Frame1, 0, G + 525, W - 135, 1335);
    forms::Place(lblNet, 60, G + 1905, W - 2700, 615);
    forms::Place(cmdGonder, W - 2550, G + 2025, 1095, 375);
    forms::Place(cmdVazgec, W - 1350, G + 2025, 1215, 375);
    forms::Place(WebBrowser1, 0, H - 1550, W - 105, 1095);
}
