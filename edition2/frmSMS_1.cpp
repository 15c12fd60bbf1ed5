#include "edition2/frmSMS_1.h"

#include "edition2/mdlGenel.h"
#include "data/database.h"
#include "data/text.h"
#include "edition2/sendsteps.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "sending/sendlog.h"

namespace edition2 {

// Nothing is shown while the list is read.
frmSMS_1::frmSMS_1() : ::frmSMS_1({.readingNotice = false}) {}

void frmSMS_1::listOpened() {
    // The numbers appear as they are added.
    DataGrid1->setDataSource(rsKopukA);
}

void frmSMS_1::activationComplete() {
    if (const auto rs = list())
        RecipientCount = qint32(rs->RecordCount());
    // A text typed before the page was left and activated again is counted
    // for the list just built: the total is its parts, not the count of
    // recipients the build showed.
    if (!txtMesaj->Text().isEmpty())
        txtMesaj_Change();
}

void frmSMS_1::txtMesaj_Change() {
    const int length = vb::Len(txtMesaj->Text());
    const int parts = SmsParts(length);
    lblKalanKrk->setCaption(QString::number(length) + QStringLiteral(" / ") + QString::number(parts)
                            + QStringLiteral(" SMS"));
    lblToplam->setCaption(QStringLiteral(" ") + QString::number(qint64(RecipientCount) * parts));
}

void frmSMS_1::cmdListeCikart_Click() {
    // The total stays as it was until the next activation lists anew.
    sending::RemoveCurrentRow(list());
}

void frmSMS_1::cmdIleri_Click() {
    BasketSend basket;
    try {
        const auto rs = listToSend();
        if (!rs)
            return;
        const bool scheduled = chkIleriTarih->Value() != 0;
        if (vb::MsgBox(QuickSendQuestion(rs->RecordCount(), lblToplam->Caption(), scheduled, DTPicker1->Value(),
                                         DTPicker2->Value()),
                       vb::vbYesNo + vb::vbQuestion, QStringLiteral("Quillmere Mesaj Gönderim Onayı"))
            == vb::vbNo)
            return;
        if (!sending::SendChecksPass(lblKontor->Caption(), lblToplam->Caption(), cbGonderen->Text(),
                                     [this] { forms::SetFocus(cbGonderen); }))
            return;

        // The whole text, folded once for every number.
        const QString body = mdlGenel::FoldSmsText(txtMesaj->Text());
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const vb::Variant number = rs->Fields(QStringLiteral("GsmNo")).Value();
            if (!number.isNull() && !vb::CStr(number).isEmpty())
                basket.add(body, vb::CStr(number));
        }
        const BasketSend::Outcome sent = basket.send(cbGonderen->Text(), scheduled, DTPicker1->Value(), DTPicker2->Value());
        switch (sent.reply) {
        case sending::SendReply::Lost:
            sending::ShowReplyLost(QStringLiteral("Quillmere Uyarı"));
            break;
        case sending::SendReply::NoConnection:
            sending::ShowNotDelivered();
            break;
        case sending::SendReply::NotDelivered:
            // The list and the text stay for another try.
            sending::ShowNotDelivered();
            return;
        case sending::SendReply::Accepted:
            // The page closes there, logged or not.
            recordAccepted(sending::PackageId(sent.packageReply), sent.tarih, sent.gtarih);
            return;
        case sending::SendReply::Refused:
            sending::ShowSendRefused();
            break;
        }
        forms::Unload(*this);
    } catch (const std::exception& e) {
        vb::MsgBox(QStringLiteral("Tanımlanamıyan Hata Oluştu.") + vb::vbCrLf
                       + QStringLiteral("Sistemin ürettiği hata mesajı : ") + vb::vbCrLf + QStringLiteral(" ")
                       + vb::ErrorDescription(e) + vb::vbCrLf + QStringLiteral("Lütfen Sistem Yöneticinize Başvurun"),
                   vb::vbCritical, QStringLiteral("Quillmere"));
        basket.clear();
        vb::ResumeNext([&] {
            if (auto rs = list(); rs && !(rs->Bof() && rs->Eof()))
                rs->MoveFirst();
        });
    }
}

} // namespace edition2
