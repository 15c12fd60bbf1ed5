// The first edition's gate: a stored login is tested with the gateway's
// system-time request before the command's window opens.
#include "addin/gate.h"

#include "platform/forms/form.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "state/mdlGenel.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmGiris.h"

namespace mdlGenel {

QString GetGatewaySystemTime() {
    try {
        return AskSystemTime();
    } catch (...) {
        vb::LogSwallowed();
        return QStringLiteral("-1");
    }
}

void OpenFormWithLogin(forms::FormRef form) {
    RunGate<frmGiris>(form, [](const forms::FormRef& target) {
        if (Password.isEmpty() || UserName.isEmpty() || SaveLoginFlag == u"0")
            return false;
        const QString r = GetGatewaySystemTime();
        if (!SystemTimeFailed(r)) {
            target.Show();
            return true;
        }
        // A login the gateway refuses is asked for again.
        if (r == u"01")
            return false;
        // The settings window is where another gateway is chosen: it opens
        // all the same, or a gateway that went away would lock the user out
        // of the one window that can leave it.
        if (target == forms::FormRef::To<frmAyarlar>()) {
            vb::MsgBox(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.") + vb::vbCrLf
                           + QStringLiteral("Ayarlar penceresinden Palvori adresini değiştirebilir ya da başka bir "
                                            "mesaj merkezi seçebilirsiniz."),
                       vb::vbInformation, QStringLiteral("Quillmere"));
            target.Show();
            return true;
        }
        vb::MsgBox(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."), vb::vbCritical, QStringLiteral("Quillmere"));
        return true;
    });
}

} // namespace mdlGenel
