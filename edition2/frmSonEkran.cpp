#include "edition2/frmSonEkran.h"

#include "edition2/mdlGenel.h"
#include "data/database.h"
#include "data/text.h"
#include "edition2/sendsteps.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/vb/clock.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "sending/sendlog.h"

namespace edition2 {

// The list is built and sent in view.
frmSonEkran::frmSonEkran() : ::frmSonEkran({.statusFrame = false}) {
    listNumberSize_ = 20;
    listMessageSize_ = 800;
}

void frmSonEkran::cmdLstCikart_Click() {
    auto rs = list();
    qint64 total = 0;
    int parts = 0;
    if (sending::RemoveCurrentRow(rs, [&] {
            total = qint64(vb::CDbl(lblToplam->Caption()));
            parts = SmsParts(vb::Len(mdlGenel::NullToEmpty(rs->Fields(QStringLiteral("Mesaj")).Value())));
        }))
        // Written as the list builder writes it, which the confirmation
        // reads after its comma.
        showListTotal(total - parts);
}

void frmSonEkran::cmdGonder_Click() {
    BasketSend basket;
    try {
        auto rs = list();
        if (!rs || (rs->Bof() && rs->Eof()))
            return;
        const bool scheduled = chkIleriTarih->Value() != 0;
        if (!confirmedAndChecked(FinalScreenQuestion(rs->RecordCount(), lblToplam->Caption(), scheduled,
                                                     DTPicker1->Value(), DTPicker2->Value())))
            return;

        const ado::Field number = rs->Fields(QStringLiteral("GsmNo"));
        const ado::Field text = rs->Fields(QStringLiteral("Mesaj"));
        // Rows of one text fold once.
        QString lastText, lastFolded;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const QString n = mdlGenel::NullToEmpty(number.Value());
            if (n.isEmpty())
                continue;
            const QString t = mdlGenel::NullToEmpty(text.Value());
            if (t != lastText || lastFolded.isNull()) {
                lastText = t;
                lastFolded = mdlGenel::FoldSmsText(t);
            }
            basket.add(lastFolded, n);
        }
        const BasketSend::Outcome sent = basket.send(cbGonderen->Text(), scheduled, DTPicker1->Value(), DTPicker2->Value());
        switch (sent.reply) {
        case sending::SendReply::Lost:
            // Neither a failure nor in the log: whether it went, the
            // date-range report tells.
            sending::ShowReplyLost(QStringLiteral("Quillmere Uyarı"));
            break;
        case sending::SendReply::NoConnection:
            lblNet->setVisible(true);
            ShowNoConnection();
            break;
        case sending::SendReply::NotDelivered:
            // The list stays for another try.
            lblNet->setVisible(true);
            sending::ShowNotDelivered();
            return;
        case sending::SendReply::Accepted:
            // The workbook's connection belongs to the template page, which
            // this closes with the wizard.
            recordAccepted(*rs, sent.packageReply, sent.tarih, sent.gtarih);
            break;
        case sending::SendReply::Refused:
            sending::ShowSendRefused();
            break;
        }
    } catch (const std::exception& e) {
        showSendError(e);
        basket.clear();
        return;
    }
    forms::Unload(*this);
}

} // namespace edition2
