#include "sending/sendsteps.h"

#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "state/mdlGenel.h"

namespace sending {

QString GatewayIdentity() {
    return mdlGenel::GatewayType == u"Quillmere" ? mdlGenel::UserName + u'-' + mdlGenel::ClientCode
                                                 : mdlGenel::UserName;
}

QString RequestAccountInformation() {
    Gateway gateway;
    if (mdlGenel::GatewayType == u"Quillmere")
        return gateway.GetInfo(mdlGenel::UserName + u'-' + mdlGenel::ClientCode, mdlGenel::Password);
    if (mdlGenel::GatewayType == u"Palvori")
        return gateway.GetInfo(mdlGenel::UserName, mdlGenel::Password);
    return QString();
}

bool AccountRequestFailed(const QString& reply) {
    return reply.isEmpty() || reply == u"01" || reply == u"-1" || reply.contains(QStringLiteral("<HTML>"));
}

QString SendQuestion(long recipients, bool scheduled, const QDateTime& date, const QDateTime& time) {
    if (!scheduled)
        return QStringLiteral("Mesajınız ") + QString::number(recipients)
               + QStringLiteral(" kişiye gönderilecektir. Devam etmek istiyor musunuz?");
    return QStringLiteral("Mesajınız ") + QString::number(recipients) + QStringLiteral(" kişiye, ") + vb::CStr(date)
           + QStringLiteral(" saat ") + vb::CStr(time)
           + QStringLiteral(" de gönderilecektir. Devam etmek istiyor musunuz?");
}

bool SendChecksPass(const QString& credit, const QString& recipients, const QString& originator,
                    const std::function<void()>& focusOriginator) {
    if (vb::CDbl(credit) < vb::CDbl(recipients)) {
        vb::MsgBox(QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok"), vb::vbInformation,
                   QStringLiteral("Quillmere Uyarı"));
        return false;
    }
    if (originator.isEmpty()) {
        vb::MsgBox(QStringLiteral("SMS Göndermek İçin Gönderen Bölümünü Seçmelisiniz"), vb::vbInformation,
                   QStringLiteral("Uyarı"));
        focusOriginator();
        return false;
    }
    return true;
}

QString ScheduleDigits(const QDateTime& date, const QDateTime& time) {
    return date.date().toString(QStringLiteral("ddMMyyyy")) + time.time().toString(QStringLiteral("HHmm"));
}

QString ScheduledMoment(const QDateTime& date, const QDateTime& time) {
    return date.date().toString(QStringLiteral("dd.MM.yyyy")) + u' ' + time.time().toString(QStringLiteral("HH:mm"))
           + QStringLiteral(":00");
}

SendReply ClassifySendReply(const GatewayPost& post) {
    // No answer is no refusal: sent again, the package could go twice.
    if (post.replyLost)
        return SendReply::Lost;
    const QString& reply = post.reply;
    if (reply == u"-1" || reply.contains(QStringLiteral("<HTML>")) || reply.contains(QStringLiteral("<html>")))
        return SendReply::NoConnection;
    if (reply == u"04" || reply == u"05")
        return SendReply::NotDelivered;
    if (reply.startsWith(QStringLiteral("ID")))
        return SendReply::Accepted;
    return SendReply::Refused;
}

void ShowSendRefused() {
    vb::MsgBox(QStringLiteral("Mesaj Gönderilemedi.") + vb::vbCrLf
                   + QStringLiteral("Kullanıcı Adı veya Parolanız Hatalı Olabilir.") + vb::vbCrLf
                   + QStringLiteral("SMS Krediniz Bitmiş Olabilir.") + vb::vbCrLf
                   + QStringLiteral("Gönerilecek SMS Olmayabilir."),
               vb::vbCritical, QStringLiteral("Quillmere Uyarı"));
}

void ShowNotDelivered() {
    vb::MsgBox(QStringLiteral("SMS Merkezine İlgili Bilgiler Gönderilemiyor") + vb::vbCrLf
                   + QStringLiteral("Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız"),
               vb::vbCritical, QStringLiteral("Uyarı"));
}

QString PackageId(const QString& reply) { return vb::Trim(vb::Mid(reply, 4)); }

bool RemoveCurrentRow(const ado::RecordsetPtr& list, const std::function<void()>& before) {
    if (vb::MsgBox(QStringLiteral("Seçtiğiniz kaydı mesaj gönderim listesinden çıkartmak istediğinizden emin misiniz?"),
                   vb::vbYesNo + vb::vbQuestion, QStringLiteral("Quillmere SMS Gönderimi")) == vb::vbNo)
        return false;
    if (!list || list->Bof() || list->Eof())
        return false;
    // The row under the cursor may have been removed a moment ago.
    const long position = list->AbsolutePosition();
    if (position < 1)
        return false;
    if (before)
        before();
    list->Delete(ado::adAffectCurrent);
    // Leave the cursor on a row that is still there.
    list->MoveNext();
    if (list->Eof() && list->RecordCount() > 0)
        list->MoveLast();
    return true;
}

std::optional<QString> RemoveCurrentRecipient(const ado::RecordsetPtr& list, const QString& countCaption) {
    // Lists pass 32,767 numbers: the count is a long.
    qint32 count = 0;
    if (!RemoveCurrentRow(list, [&] { count = vb::CLng(countCaption); }))
        return std::nullopt;
    return QString::number(count - 1);
}

} // namespace sending
