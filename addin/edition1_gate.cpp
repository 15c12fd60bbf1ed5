// The first edition's gate: a stored login is tested with the gateway's
// system-time request before the command's window opens.
#include "addin/gate.h"

#include "addin/mdlGenel.h"
#include "platform/forms/form.h"
#include "platform/vb/msgbox.h"
#include "ui/common/frmGiris.h"

namespace mdlGenel {

QString GetGatewaySystemTime() {
    try {
        return AskSystemTime();
    } catch (...) {
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
        vb::MsgBox(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."), vb::vbCritical, QStringLiteral("Quillmere"));
        return true;
    });
}

} // namespace mdlGenel
