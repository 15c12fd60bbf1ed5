#include "edition2/mdlGenel.h"

#include "edition2/frmGiris.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"

namespace edition2::mdlGenel {

QString GetGatewaySystemTime() {
    try {
        const QString answer = AskSystemTime();
        if (!SystemTimeFailed(answer))
            return answer;
        vb::MsgBox(QStringLiteral("Sistem bilgileri kontrol edilemiyor.") + vb::vbCrLf
                       + QStringLiteral("Mesaj merkezine bağlantı sağlanamadı.") + vb::vbCrLf
                       + QStringLiteral("Quillmere uygulaması kapatılıyor..."),
                   vb::vbCritical + vb::vbOKOnly, QStringLiteral("Quillmere 1.0"));
        return QStringLiteral("-1");
    } catch (...) {
        vb::LogSwallowed();
        return QStringLiteral("-1");
    }
}

void OpenFormWithLogin(forms::FormRef form) {
    RunGate<frmGiris>(form, [](const forms::FormRef& target) {
        // A stored user name and password are enough: whether the login was
        // to be kept is not asked.
        if (Password.isEmpty() || UserName.isEmpty())
            return false;
        if (GetGatewaySystemTime() == u"-1")
            vb::MsgBox(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."), vb::vbCritical,
                       QStringLiteral("Quillmere"));
        else
            target.Show();
        return true;
    });
}

} // namespace edition2::mdlGenel
