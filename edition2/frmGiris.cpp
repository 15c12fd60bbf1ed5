#include "edition2/frmGiris.h"

#include "edition2/mdlGenel.h"
#include "platform/forms/controls.h"
#include "platform/vb/msgbox.h"

namespace edition2 {

void frmGiris::Form_Load() {
    ::frmGiris::Form_Load();
    // Only an account of the gateway service has a client code; with no
    // gateway type loaded the row stays as laid out, hidden.
    if (mdlGenel::GatewayType != u"Quillmere") {
        lblClientKodu->setVisible(false);
        txtClientKodu->setVisible(false);
    }
}

void frmGiris::OpenTarget() {
    // The window stays up while the stored login is tested.
    if (mdlGenel::GetGatewaySystemTime() == u"-1") {
        // The login saved and the account in the module state stay.
        vb::MsgBox(QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."), vb::vbCritical + vb::vbOKOnly,
                   QStringLiteral("Quillmere"));
        forms::Unload(*this);
        return;
    }
    if (TargetForm)
        TargetForm.Show();
    forms::Unload(*this);
}

} // namespace edition2
