#include "addin/Connect.h"

#include "addin/gate.h"
#include "addin/windowlist.h"
#include "data/database.h"
#include "platform/excel/application.h"
#include "platform/forms/form.h"
#include "platform/vb/error.h"
#include "reports/frmRapor.h"
#include "sending/frmPop.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "state/mdlGenel.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmBekle.h"
#include "ui/common/frmDestek.h"
#include "ui/common/frmGiris.h"
#include "ui/common/frmHakkinda.h"

namespace {

// Whether the host was started for a person (custom(1) = 1); an instance
// made for automation (an export) gets no toolbar and no menu.
bool startedForAPerson(excel::CustomArray& custom) { return custom(1).isNumber() && custom(1).doubleValue() == 1; }

} // namespace

Connect::Connect() = default;
Connect::~Connect() = default;

void Connect::OnConnection(const std::shared_ptr<excel::Application>& application, int, void*,
                           excel::CustomArray& custom) {
    if (!startedForAPerson(custom))
        return;
    try {
        ExcelApp = application;
        mdlGenel::StartFlag = QStringLiteral("1");
        commands.Build(application, {mdlGenel::OpenFormWithLogin, forms::FormRef::To<frmSihirbaz>(),
                                     forms::FormRef::To<frmRapor>(), forms::FormRef::To<frmAyarlar>(),
                                     forms::FormRef::To<frmDestek>(), forms::FormRef::To<frmHakkinda>()});
    } catch (const std::exception& e) {
        const QString description = vb::ErrorDescription(e);
        // Repeats the test above: a custom array that fails it fails here too,
        // and that reaches the host.
        if (!startedForAPerson(custom))
            return;
        quillmere::AddinCommands::ResetAfterFailure(application, description);
    }
}

void Connect::OnDisconnection(int removeMode, excel::CustomArray&) {
    commands.Delete();
    quillmere::UnloadInOrder<quillmere::WindowList<frmAyarlar, frmBekle, frmDestek, frmGiris, frmHakkinda, frmPop,
                                                   frmRapor, frmSihirbaz, frmSMS, frmSMS_1, frmSonEkran>>();
    commands.Release();
    // Only a host that is shutting down is asked to quit: a user who removes
    // the add-in keeps the spreadsheet open.
    vb::ResumeNext([removeMode] {
        if (!ExcelApp)
            vb::Raise(vb::errObjectNotSet);
        if (removeMode == excel::ext_dm_HostShutdown)
            ExcelApp->Quit();
    });
    ExcelApp.reset();
    mdlGenel::CloseWorkbookConnection();
}
