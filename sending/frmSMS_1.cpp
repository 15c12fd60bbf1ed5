#include "sending/frmSMS_1.h"

#include "data/database.h"
#include "data/text.h"
#include "gateway/Gateway.h"
#include "gateway/documents.h"
#include "gateway/replies.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "reports/frmRapor.h"
#include "sending/frmSihirbaz.h"
#include "sending/sendlog.h"
#include "sending/sendsteps.h"
#include "state/edition.h"
#include "state/mdlGenel.h"

#include <QPointer>
#include <QSet>

namespace {

constexpr int kWidth = 9510;
constexpr int kHeight = 5940;
// One SMS: what the counter counts down from and the send keeps.
constexpr int kMaxText = 160;
constexpr long kRed = 255;  // RGB(255, 0, 0)

const QString kNoConnection = QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor. ") + vb::vbCrLf
                              + QStringLiteral("Bilgisayarınız, güvenlik duvarı denetiminde olabilir.") + vb::vbCrLf
                              + QStringLiteral("SMS göndermek için internete bağlı olmanız gerekmektedir!") + vb::vbCrLf
                              + QStringLiteral("Lütfen güvenlik ayarlarınızı kontrol ediniz.");

const QString kNotDelivered = QStringLiteral("Mesaj Merkezine İlgili Bilgiler Gönderilemiyor") + vb::vbCrLf
                              + QStringLiteral("Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız");

bool emptyCell(const vb::Variant& v) {
    return v.isNull() || v.isEmpty() || (v.isString() && (v.stringValue().isEmpty() || v.stringValue() == u" "));
}

} // namespace

frmSMS_1::frmSMS_1() : frmSMS_1(Parts{}) {}

frmSMS_1::frmSMS_1(Parts parts) : forms::Form(QStringLiteral("frmSMS_1")) {
    setCaption(QStringLiteral("Quillmere - SMS Gönderimi"));
    // Its size is held: maximised, it would leave its controls in a corner.
    setBorderStyle(forms::vbSizable, /*minButton=*/true, /*maxButton=*/false);
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);

    Frame1 = new forms::Frame(this, QStringLiteral("Frame1"), QStringLiteral("Numara Listesi"));
    forms::Place(Frame1, 120, 60, 3360, 4020);
    rsKopukA = new forms::Adodc(this, QStringLiteral("rsKopukA"));
    DataGrid1 = new forms::DataGrid(Frame1, QStringLiteral("DataGrid1"));
    forms::Place(DataGrid1, 120, 300, 3120, 3180);
    cmdListeCikart = new forms::CommandButton(Frame1, QStringLiteral("cmdListeCikart"), QStringLiteral("Listeden çıkar"));
    forms::Place(cmdListeCikart, 120, 3570, 1560, 345);
    Frame3 = nullptr;
    Label5 = nullptr;
    if (parts.readingNotice) {
        Frame3 = new forms::Frame(Frame1, QStringLiteral("Frame3"));
        forms::Place(Frame3, 120, 300, 3120, 3180);
        Frame3->setAutoFillBackground(true);
        Label5 = new forms::Label(Frame3, QStringLiteral("Label5"), QStringLiteral("Veriler okunuyor. Lütfen bekleyin..."));
        forms::Place(Label5, 240, 1320, 2700, 255);
    }

    Frame2 = new forms::Frame(this, QStringLiteral("Frame2"), QStringLiteral("Mesaj gönderim ayarları"));
    forms::Place(Frame2, 3600, 60, 5670, 4020);
    Label1 = new forms::Label(Frame2, QStringLiteral("Label1"), QStringLiteral("Mesaj:"));
    forms::Place(Label1, 120, 300, 960, 255);
    txtMesaj = new forms::TextBox(Frame2, QStringLiteral("txtMesaj"), true);
    txtMesaj->setMaxLength(quillmere::CurrentEdition().basketMessageSize);
    forms::Place(txtMesaj, 1200, 270, 4320, 1200);
    lblKalanKrk = new forms::Label(Frame2, QStringLiteral("lblKalanKrk"), QStringLiteral("160 / 160"));
    lblKalanKrk->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    forms::Place(lblKalanKrk, 4200, 1500, 1320, 255);
    Label2 = new forms::Label(Frame2, QStringLiteral("Label2"), QStringLiteral("Toplam mesaj :"));
    forms::Place(Label2, 120, 1860, 1620, 255);
    lblToplam = new forms::Label(Frame2, QStringLiteral("lblToplam"));
    forms::Place(lblToplam, 1800, 1860, 1800, 255);
    Label3 = new forms::Label(Frame2, QStringLiteral("Label3"), QStringLiteral("Mevcut krediniz :"));
    forms::Place(Label3, 120, 2160, 1620, 255);
    lblKontor = new forms::Label(Frame2, QStringLiteral("lblKontor"));
    forms::Place(lblKontor, 1800, 2160, 1800, 255);
    Label4 = new forms::Label(Frame2, QStringLiteral("Label4"), QStringLiteral("Gönderen :"));
    forms::Place(Label4, 120, 2520, 1620, 255);
    // The default combo style: it takes any text, also while its list is
    // empty (an account without originators).
    cbGonderen = new forms::ComboBox(Frame2, QStringLiteral("cbGonderen"), true);
    forms::Place(cbGonderen, 1800, 2460, 2400, 315);
    chkIleriTarih = new forms::CheckBox(Frame2, QStringLiteral("chkIleriTarih"), QStringLiteral("İleri tarihe gönderim yap"));
    forms::Place(chkIleriTarih, 120, 2880, 2700, 255);
    DTPicker1 = new forms::DatePicker(Frame2, QStringLiteral("DTPicker1"), QStringLiteral("dd.MM.yyyy"));
    forms::Place(DTPicker1, 2880, 2850, 1350, 315);
    DTPicker2 = new forms::DatePicker(Frame2, QStringLiteral("DTPicker2"), QStringLiteral("HH:mm"));
    DTPicker2->setCalendarPopup(false);
    forms::Place(DTPicker2, 4320, 2850, 1200, 315);
    Label6 = new forms::Label(Frame2, QStringLiteral("Label6"), QStringLiteral("Sistem tarihiniz:"));
    forms::Place(Label6, 120, 3240, 1620, 255);
    lblSimdi = new forms::Label(Frame2, QStringLiteral("lblSimdi"));
    forms::Place(lblSimdi, 1800, 3240, 2400, 255);
    Timer1 = new vb::Timer(this, QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setEnabled(false);
    cmdIleri = new forms::CommandButton(Frame2, QStringLiteral("cmdIleri"), QStringLiteral("SMS Gönder"));
    forms::Place(cmdIleri, 2880, 3570, 1260, 375);
    cmdVazgec = new forms::CommandButton(Frame2, QStringLiteral("cmdVazgec"), QStringLiteral("Vazgeç"));
    forms::Place(cmdVazgec, 4260, 3570, 1260, 375);

    WebBrowser1 = new forms::WebBrowser(this, QStringLiteral("WebBrowser1"));
    forms::Place(WebBrowser1, 120, 4200, 9150, 1215);

    Timer1->onTimer = [this] { Timer1_Timer(); };
    txtMesaj->Change = [this] { txtMesaj_Change(); };
    txtMesaj->KeyPress = [this](int& k) { txtMesaj_KeyPress(k); };
    cmdListeCikart->Click = [this] { cmdListeCikart_Click(); };
    cmdVazgec->Click = [this] { cmdVazgec_Click(); };
    cmdIleri->Click = [this] { cmdIleri_Click(); };

    resize(forms::ToPixels(9390), forms::ToPixels(5535));
}

std::shared_ptr<ado::Recordset> frmSMS_1::list() const { return rsKopukA->Recordset(); }

void frmSMS_1::Form_Load() {
    mdlGenel::CancelRequested = false;
    lblSimdi->setCaption(vb::CStr(vb::Now()));
    Timer1->setEnabled(true);
}

void frmSMS_1::Timer1_Timer() { lblSimdi->setCaption(vb::CStr(vb::Now())); }

void frmSMS_1::Form_QueryUnload(int&, int) { mdlGenel::ListLoaded = false; }

void frmSMS_1::Form_Resize() { forms::HoldSize(*this, kWidth, kHeight); }

void frmSMS_1::txtMesaj_Change() {
    lblKalanKrk->setCaption(QString::number(kMaxText - vb::Len(txtMesaj->Text())) + QStringLiteral(" / 160"));
}

void frmSMS_1::txtMesaj_KeyPress(int& keyAscii) {
    if (keyAscii == 13)
        keyAscii = 0;
    if (vb::Len(txtMesaj->Text()) > quillmere::CurrentEdition().basketMessageSize)
        keyAscii = 0;
}

void frmSMS_1::Form_Activate() {
    // One activation at a time: one that comes while the list is still
    // being read (the user went to another window and back during the
    // reading's yields) would read a second list into the first.
    if (activating_)
        return;
    activating_ = true;
    const QPointer<frmSMS_1> self(this);
    activate();
    if (self)
        activating_ = false;
}

void frmSMS_1::activate() {
    if (mdlGenel::ListLoaded)
        return;
    try {
        buildList();
    } catch (const std::exception& e) {
        vb::MsgBox(vb::UnexpectedErrorText(vb::ErrorDescription(e)), vb::vbCritical, QStringLiteral("Quillmere"));
        return;
    }
    if (!forms::IsLoaded<frmSMS_1>() || forms::IfLoaded<frmSMS_1>() != this || !isLoaded())
        return;  // the build closed the page
    try {
        vb::DoEvents();
        if (cbGonderen->ListCount() == 0 && !fetchAccountInformation())
            return;
        resetPickers();
        activationComplete();
    } catch (const std::exception&) {
        vb::MsgBox(kNoConnection, vb::vbCritical, QStringLiteral("Quillmere"));
    }
}

void frmSMS_1::resetPickers() {
    DTPicker1->setValue(vb::Date().startOfDay());
    DTPicker2->setValue(QDateTime(QDate(1899, 12, 30), vb::Time()));
}

void frmSMS_1::buildList() {
    // A "Vazgeç" pressed during an earlier opening does not stop this one.
    mdlGenel::CancelRequested = false;
    cmdIleri->setEnabled(false);
    cmdListeCikart->setEnabled(false);
    DataGrid1->setEnabled(false);

    ListRecordset = std::make_shared<ado::Recordset>();
    WebBrowser1->Navigate(mdlGenel::AdvertUrl);
    vb::DoEvents();

    const bool markMode = mdlGenel::GetParam(QStringLiteral("flg_isaret")) == u"1";
    int count = 0;
    const QString caller = CallerForm.TypeName();

    auto openList = [this] {
        ListRecordset->Fields().Append(QStringLiteral("GsmNo"), 200, 255);
        ListRecordset->Open();
        rsKopukA->setRecordset(ListRecordset->Clone());
        listOpened();
    };
    auto addNumber = [this, &count](const vb::Variant& number) {
        auto rs = list();
        rs->AddNew();
        rs->Fields(QStringLiteral("GsmNo")).setValue(number);
        rs->UpdateBatch(ado::adAffectAll);
        ++count;
        lblToplam->setCaption(QStringLiteral(" ") + QString::number(count));
    };

    if (caller == u"frmSihirbaz") {
        if (excel::TypeName(ExcelApp ? ExcelApp->ActiveWorkbook() : nullptr) == u"Nothing") {
            vb::MsgBox(QStringLiteral("Lütfen öncelikle bir çalışma sayfası açın."), vb::vbInformation,
                       QStringLiteral("Quillmere"));
            forms::UnloadDefault<frmSihirbaz>();
            forms::Unload(*this);
            return;
        }
        if (ExcelApp->ActiveSheet()) {
            openList();
            if (ExcelApp->SelectionTypeName() != u"Nothing") {
                // Only the part of the selection inside the sheet's used range
                // is walked: no cell outside it holds a number, so a whole
                // column or sheet selected costs what its cells in use cost,
                // and no empty cell out there is marked.
                const excel::Range selection =
                    ExcelApp->Intersect(ExcelApp->Selection(), ExcelApp->ActiveSheet()->UsedRange());
                // Each listed number once; the seen set starts with a number
                // that is never listed.
                QSet<QString> seen{QStringLiteral("5000000000")};
                const int areas = selection.isNothing() ? 0 : selection.Areas().Count();
                selectionWalkStarts();
                for (int a = 1; a <= areas; ++a) {
                    excel::Range area = selection.Areas().Item(a);
                    const int rows = area.Rows().Count();
                    for (int r = 1; r <= rows; ++r) {
                        const int columns = area.Columns().Count();
                        for (int c = 1; c <= columns; ++c) {
                            if (mdlGenel::CancelRequested)
                                break;
                            excel::Range cell = area.Cells(r, c);
                            if (markMode && emptyCell(cell.Value())) {
                                cell.Font().setBold(true);
                                cell.Font().setColor(kRed);
                                cell.setValue(QStringLiteral("BOŞ"));
                            }
                            const vb::Variant value = cell.Value();
                            if (value.isNull() || value.isEmpty())
                                continue;
                            const QString number = mdlGenel::NormalizeGsmCell(value);
                            if (markMode && number.isEmpty()) {
                                cell.Font().setBold(true);
                                cell.Font().setColor(kRed);
                            }
                            if (!number.isEmpty() && !seen.contains(number)) {
                                vb::DoEvents();
                                seen.insert(number);
                                addNumber(number);
                            }
                        }
                    }
                }
            }
        }
    }
    if (caller == u"frmRapor") {
        openList();
        if (!SourceRecordset)
            vb::Raise(vb::errObjectNotSet);
        SourceRecordset->MoveFirst();
        count = 0;
        while (!SourceRecordset->Eof() && !mdlGenel::CancelRequested) {
            vb::DoEvents();
            addNumber(SourceRecordset->Fields(0).Value());
            SourceRecordset->MoveNext();
        }
    }

    showReadingNotice(false);
    DataGrid1->setDataSource(rsKopukA);
    if (!mdlGenel::CancelRequested) {
        auto rs = list();
        if (rs && rs->Bof() && rs->Eof()) {
            vb::MsgBox(QStringLiteral("Hiç bir GSM Numarası seçmediniz"), vb::vbInformation,
                       QStringLiteral("Quillmere SMS Gönderimi"));
        } else if (rs) {
            cmdIleri->setEnabled(true);
            cmdListeCikart->setEnabled(true);
            DataGrid1->setEnabled(true);
        }
    }
}

void frmSMS_1::selectionWalkStarts() { mdlGenel::ListLoaded = true; }

void frmSMS_1::showReadingNotice(bool shown) {
    if (Frame3)
        Frame3->setVisible(shown);
}

bool frmSMS_1::fetchAccountInformation() {
    const QString reply = sending::RequestAccountInformation();
    if (sending::AccountRequestFailed(reply)) {
        vb::MsgBox(kNoConnection, vb::vbCritical, QStringLiteral("Quillmere"));
        resetPickers();
        return false;
    }
    // A reply with no line feed at all cannot be read.
    const quillmere::replies::AccountInfo account = quillmere::replies::ParseAccountInfo(reply);
    lblKontor->setCaption(QStringLiteral(" ") + account.credit);
    cbGonderen->AddItems(account.originators);
    cbGonderen->setText(cbGonderen->List(0));
    return true;
}

void frmSMS_1::cmdListeCikart_Click() {
    if (const auto count = sending::RemoveCurrentRecipient(list(), lblToplam->Caption()))
        lblToplam->setCaption(*count);
}

void frmSMS_1::cmdVazgec_Click() {
    if (cmdVazgec->Caption() == u"Vazgeç") {
        mdlGenel::CancelRequested = true;
        cmdVazgec->setCaption(QStringLiteral("Kapat"));
    } else if (cmdVazgec->Caption() == u"Kapat") {
        mdlGenel::ListLoaded = false;
        // A caller closed meanwhile is loaded afresh by being shown.
        if (CallerForm)
            CallerForm.Show();
        forms::Unload(*this);
    }
}

std::shared_ptr<ado::Recordset> frmSMS_1::listToSend() {
    const QString text = txtMesaj->Text();
    if (text.isEmpty() || text == u" ") {
        vb::MsgBox(QStringLiteral("Lütfen yollamak istediğiniz mesajı giriniz."), vb::vbInformation,
                   QStringLiteral("Quillmere"));
        return nullptr;
    }
    auto rs = list();
    if (!rs || (rs->Bof() && rs->Eof()))
        return nullptr;
    return rs;
}

void frmSMS_1::cmdIleri_Click() {
    try {
        const auto rs = listToSend();
        if (!rs)
            return;
        const QString text = txtMesaj->Text();

        const long n = rs->RecordCount();
        const bool scheduled = chkIleriTarih->Value() != 0;
        const QString question = sending::SendQuestion(n, scheduled, DTPicker1->Value(), DTPicker2->Value());
        if (vb::MsgBox(question, vb::vbYesNo + vb::vbQuestion, QStringLiteral("Quillmere Mesaj Gönderim Onayı")) == vb::vbNo)
            return;

        if (!sending::SendChecksPass(lblKontor->Caption(), lblToplam->Caption(), cbGonderen->Text(),
                                     [this] { forms::SetFocus(cbGonderen); }))
            return;

        rs->MoveFirst();
        const QString identity = sending::GatewayIdentity();

        DataGrid1->setDataSource(nullptr);
        showReadingNotice(true);
        vb::DoEvents();
        QStringList numbers;
        numbers.reserve(int(n));
        for (; !rs->Eof(); rs->MoveNext()) {
            vb::Variant number = rs->Fields(QStringLiteral("GsmNo")).Value();
            if (!number.isNull() && !vb::CStr(number).isEmpty())
                numbers << vb::CStr(number);
        }
        DataGrid1->setDataSource(rsKopukA);
        showReadingNotice(false);

        const QString body = mdlGenel::FoldSmsText(vb::LeftWhole(text, kMaxText));
        const QString sdate = scheduled ? sending::ScheduleDigits(DTPicker1->Value(), DTPicker2->Value()) : QString();
        const QString document = quillmere::documents::SendToNumbers(
            {identity, mdlGenel::Password, mdlGenel::ClientId()}, body, numbers, cbGonderen->Text(), sdate);

        const GatewayPost post = mdlGenel::PostDocument(document);
        const QString tarih = vb::CStr(vb::Now());
        const QString gtarih =
            scheduled ? sending::ScheduledMoment(DTPicker1->Value(), DTPicker2->Value()) : vb::CStr(vb::Now());

        switch (sending::ClassifySendReply(post)) {
        case sending::SendReply::Lost:
            sending::ShowReplyLost(QStringLiteral("Quillmere Uyarı"));
            forms::Unload(*this);
            break;
        case sending::SendReply::NoConnection:
            vb::MsgBox(kNotDelivered, vb::vbCritical, QStringLiteral("Uyarı"));
            forms::Unload(*this);
            break;
        case sending::SendReply::NotDelivered:
            vb::MsgBox(kNotDelivered, vb::vbCritical, QStringLiteral("Uyarı"));
            break;
        case sending::SendReply::Accepted:
            recordAccepted(sending::PackageId(post.reply), tarih, gtarih);
            break;
        case sending::SendReply::Refused:
            sending::ShowSendRefused();
            forms::Unload(*this);
            break;
        }
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Tanımlanamayan Hata Oluştu.") + vb::vbCrLf
                       + QStringLiteral("Sistemin ürettiği hata mesajı : ") + vb::vbCrLf + QStringLiteral(" ")
                       + vb::ErrorDescription(e) + vb::vbCrLf + QStringLiteral("Lütfen Sistem Yöneticinize Başvurun"),
                   vb::vbCritical, QStringLiteral("Quillmere"));
        try {
            if (auto rs = list(); rs && !(rs->Bof() && rs->Eof()))
                rs->MoveFirst();
        } catch (...) {
            vb::LogSwallowed();
        }
    }
}

void frmSMS_1::recordAccepted(const QString& packageId, const QString& tarih, const QString& gtarih) {
    bool logged = false;
    try {
        mdlGenel::OpenDatabase();
        mdlGenel::SendMode = QStringLiteral("GsmNo alanlarını kullan.");
        auto rs = list();
        rs->MoveFirst();
        sending::WriteSendLog({packageId, mdlGenel::SendMode, mdlGenel::GatewayType, rs->RecordCount(),
                               QStringLiteral("İlk Kayıt :") + txtMesaj->Text(), cbGonderen->Text(), tarih, gtarih},
                              mdlGenel::MessageText);
        logged = true;
    } catch (...) {
        vb::LogSwallowed();
        logged = false;
    }
    if (logged) {
        vb::MsgBox(QStringLiteral("Mesaj Başarı İle Gönderildi."), vb::vbInformation, QStringLiteral("Quillmere Uyarı"));
        mdlGenel::ListLoaded = false;
        mdlGenel::MessageText.clear();
        forms::UnloadDefault<frmSihirbaz>();
        forms::Get<frmRapor>().Show();
        forms::Unload(*this);
    } else {
        vb::MsgBox(sending::LogNotWrittenNotice(), vb::vbInformation, QStringLiteral("Quillmere Uyarı"));
        forms::Unload(*this);
    }
}
