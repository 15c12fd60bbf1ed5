#include "addin/Connect.h"

#include "addin/gate.h"
#include "addin/mdlGenel.h"
#include "gateway/endpoints.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"
#include "platform/forms/form.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/win32/app.h"
#include "platform/win32/shell.h"
#include "reports/frmRapor.h"
#include "sending/frmPop.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSihirbaz.h"
#include "sending/frmSonEkran.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmBekle.h"
#include "ui/common/frmDestek.h"
#include "ui/common/frmGiris.h"
#include "ui/common/frmHakkinda.h"

namespace {

constexpr int kButton = 1;
constexpr int kPopup = 10;
constexpr int kIconAndCaption = 3;
constexpr int kDockedTop = 1;

// A click hands the command's window to the gate, which loads it only when
// it shows it.
template <class Window>
excel::CommandBarControl::ClickHandler opens() {
    return [](std::shared_ptr<excel::CommandBarControl>, bool&) {
        mdlGenel::OpenFormWithLogin(forms::FormRef::To<Window>());
    };
}

// Runs a step of the disconnection; a failing step is skipped.
template <class F>
void resumeNext(F&& step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

Connect::Connect() = default;
Connect::~Connect() = default;

void Connect::OnConnection(const std::shared_ptr<excel::Application>& application, int, void*,
                           excel::CustomArray& custom) {
    // Only a host started for a person acts; an instance made for automation
    // (an export) gets no toolbar and no menu.
    if (!(custom(1).isNumber() && custom(1).doubleValue() == 1))
        return;
    try {
        buildUserInterface(application);
    } catch (const std::exception& e) {
        const QString description = vb::ErrorDescription(e);
        // Repeats the test above: a custom array that fails it fails here too,
        // and that reaches the host.
        if (!(custom(1).isNumber() && custom(1).doubleValue() == 1))
            return;
        vb::MsgBox(QStringLiteral("Quillmere uygulaması bir hatayla karşılaştı.") + vb::vbCrLf
                       + QStringLiteral("Sistemin ürettiği hata mesajı : ") + description + vb::vbCrLf
                       + QStringLiteral("Şimdi Excel uygulamanızın varsayılan ayarları yüklenecek..."),
                   vb::vbInformation, QStringLiteral("Quillmere"));
        application->CommandBars().Item(QStringLiteral("Worksheet Menu Bar"))->Reset();
        application->CommandBars().Item(QStringLiteral("Quillmere"))->Delete();
    }
}

void Connect::buildUserInterface(const std::shared_ptr<excel::Application>& application) {
    ExcelApp = application;
    mdlGenel::StartFlag = QStringLiteral("1");

    mcbToolbar = application->CommandBars().Add(QStringLiteral("Quillmere"));
    struct Button {
        ControlPtr* member;
        const char* caption;
        int faceId;
        bool tooltip;
        excel::CommandBarControl::ClickHandler click;
    };
    auto help = [this](std::shared_ptr<excel::CommandBarControl>, bool&) { openHelp(); };
    const Button toolbar[] = {
        {&mcbSendSMS, "SMS Gönder", 24, false, opens<frmSihirbaz>()},
        {&mcbReport, "Raporlar", 17, false, opens<frmRapor>()},
        {&mcbSettings, "Ayarlar", 548, false, opens<frmAyarlar>()},
        {&mcbHelp, "Yardım", 984, false, help},
        {&mcbSupport, "Web", 1445, true, opens<frmDestek>()},
    };
    for (const Button& b : toolbar) {
        ControlPtr c = mcbToolbar->Controls().Add(kButton);
        *b.member = c;
        c->Click = b.click;
        c->setCaption(QString::fromUtf8(b.caption));
        c->setFaceId(b.faceId);
        if (b.tooltip)
            c->setTooltipText(quillmere::endpoints::ProductDomain());
        c->setStyle(kIconAndCaption);
    }
    mcbToolbar->setVisible(true);
    mcbToolbar->setPosition(kDockedTop);

    mfmPopup = application->CommandBars().Item(QStringLiteral("Worksheet Menu Bar"))->Controls().Add(kPopup, 8);
    mfmPopup->setCaption(QStringLiteral("&Quillmere"));
    const Button menu[] = {
        {&mfmSendSMS, "SMS Gönder", 24, false, opens<frmSihirbaz>()},
        {&mfmReport, "Raporlar", 17, false, opens<frmRapor>()},
        {&mfmSettings, "Ayarlar", 548, false, opens<frmAyarlar>()},
        {&mfmHelp, "Quillmere Yardımı", 984, false, help},
        {&mfmSupport, "Web", 1445, true, opens<frmDestek>()},
        {&mfmAbout, "Quillmere Hakkında", 0, false, opens<frmHakkinda>()},
    };
    for (const Button& b : menu) {
        ControlPtr c = mfmPopup->Controls().Add(kButton);
        *b.member = c;
        c->Click = b.click;
        c->setCaption(QString::fromUtf8(b.caption));
        if (b.faceId)
            c->setFaceId(b.faceId);
        if (b.tooltip)
            c->setTooltipText(quillmere::endpoints::ProductDomain());
    }
}

void Connect::openHelp() {
    win32::ShellExecute(ownerWindow, QStringLiteral("open"), win32::AppPath() + QStringLiteral("/quillmere.chm"),
                        QString(), QString(), 5);
}

void Connect::OnDisconnection(int removeMode, excel::CustomArray&) {
    // Without a connection that acted there is nothing to delete.
    resumeNext([&] {
        if (mcbToolbar)
            mcbToolbar->Delete();
    });
    resumeNext([&] {
        if (mfmPopup)
            mfmPopup->Delete();
    });
    mcbToolbar.reset();
    mfmPopup.reset();
    resumeNext([] { forms::UnloadDefault<frmAyarlar>(); });
    resumeNext([] { forms::UnloadDefault<frmBekle>(); });
    resumeNext([] { forms::UnloadDefault<frmDestek>(); });
    resumeNext([] { forms::UnloadDefault<frmGiris>(); });
    resumeNext([] { forms::UnloadDefault<frmHakkinda>(); });
    resumeNext([] { forms::UnloadDefault<frmPop>(); });
    resumeNext([] { forms::UnloadDefault<frmRapor>(); });
    resumeNext([] { forms::UnloadDefault<frmSihirbaz>(); });
    resumeNext([] { forms::UnloadDefault<frmSMS>(); });
    resumeNext([] { forms::UnloadDefault<frmSMS_1>(); });
    resumeNext([] { forms::UnloadDefault<frmSonEkran>(); });
    for (ControlPtr* c : {&mcbSendSMS, &mcbReport, &mcbSettings, &mcbHelp, &mcbSupport, &mfmSendSMS, &mfmReport,
                          &mfmSettings, &mfmHelp, &mfmAbout, &mfmSupport})
        c->reset();
    // Only a host that is shutting down is asked to quit: a user who removes
    // the add-in keeps the spreadsheet open.
    resumeNext([removeMode] {
        if (!ExcelApp)
            vb::Raise(vb::errObjectNotSet);
        if (removeMode == excel::ext_dm_HostShutdown)
            ExcelApp->Quit();
    });
    ExcelApp.reset();
    resumeNext([] {
        if (mdlGenel::ExcelSchema)
            mdlGenel::ExcelSchema->Close();
    });
    resumeNext([] {
        if (mdlGenel::ExcelConnection)
            mdlGenel::ExcelConnection->Close();
    });
    mdlGenel::ExcelSchema.reset();
    mdlGenel::ExcelConnection.reset();
}
