#include "edition2/Connect.h"

#include "edition2/mdlGenel.h"
#include "edition2/modSharedCode.h"
#include "edition2/windows.h"
#include "platform/excel/application.h"
#include "platform/vb/error.h"

namespace edition2 {

Connect::Connect() { UseOwnWindows(); }

void Connect::AddinInstance_OnConnection(const std::shared_ptr<excel::Application>& Application, int, void*,
                                         excel::CustomArray&) {
    try {
        modSharedCode::ExcelApp = Application;
        mdlGenel::StartFlag = QStringLiteral("1");
        commands.Build(Application, {mdlGenel::OpenFormWithLogin, forms::FormRef::To<frmSihirbaz>(),
                                     forms::FormRef::To<frmRapor>(), forms::FormRef::To<frmAyarlar>(),
                                     forms::FormRef::To<frmDestek>(), forms::FormRef::To<frmHakkinda>()});
    } catch (const std::exception& e) {
        quillmere::AddinCommands::ResetAfterFailure(Application, vb::ErrorDescription(e));
    }
}

void Connect::AddinInstance_OnDisconnection(int, excel::CustomArray&) {
    commands.Delete();
    quillmere::UnloadInOrder<UnloadedAtDisconnection>();
    // Nothing more: the host is not asked to quit (a user who removes the
    // add-in keeps the spreadsheet, and a host that shuts down quits on its
    // own), and the host object and the workbook connections are kept.
}

} // namespace edition2
