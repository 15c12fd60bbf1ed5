#include "addin/commands.h"

#include "gateway/endpoints.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/win32/app.h"
#include "platform/win32/shell.h"

namespace quillmere {

namespace {

constexpr int kButton = 1;
constexpr int kPopup = 10;
constexpr int kIconAndCaption = 3;
constexpr int kDockedTop = 1;
constexpr int kShowNormal = 5;

using ControlPtr = std::shared_ptr<excel::CommandBarControl>;

// A click hands the command's window to the gate, which loads it only when
// it shows it.
excel::CommandBarControl::ClickHandler opens(void (*gate)(forms::FormRef), const forms::FormRef& window) {
    return [gate, window](ControlPtr, bool&) { gate(window); };
}

struct Control {
    ControlPtr* member;
    const char* caption;
    int faceId;
    bool tooltip;
    excel::CommandBarControl::ClickHandler click;
};

} // namespace

void AddinCommands::Build(const std::shared_ptr<excel::Application>& application, const CommandTargets& t) {
    auto help = [this](ControlPtr, bool&) { openHelp(); };

    mcbToolbar = application->CommandBars().Add(QStringLiteral("Quillmere"));
    const Control toolbar[] = {
        {&mcbSendSMS, "SMS Gönder", 24, false, opens(t.gate, t.sendSms)},
        {&mcbReport, "Raporlar", 17, false, opens(t.gate, t.reports)},
        {&mcbSettings, "Ayarlar", 548, false, opens(t.gate, t.settings)},
        {&mcbHelp, "Yardım", 984, false, help},
        {&mcbSupport, "Web", 1445, true, opens(t.gate, t.support)},
    };
    for (const Control& b : toolbar) {
        ControlPtr c = mcbToolbar->Controls().Add(kButton);
        *b.member = c;
        c->Click = b.click;
        c->setCaption(QString::fromUtf8(b.caption));
        c->setFaceId(b.faceId);
        if (b.tooltip)
            c->setTooltipText(endpoints::ProductDomain());
        c->setStyle(kIconAndCaption);
    }
    mcbToolbar->setVisible(true);
    mcbToolbar->setPosition(kDockedTop);

    mfmPopup = application->CommandBars().Item(QStringLiteral("Worksheet Menu Bar"))->Controls().Add(kPopup, 8);
    mfmPopup->setCaption(QStringLiteral("&Quillmere"));
    const Control menu[] = {
        {&mfmSendSMS, "SMS Gönder", 24, false, opens(t.gate, t.sendSms)},
        {&mfmReport, "Raporlar", 17, false, opens(t.gate, t.reports)},
        {&mfmSettings, "Ayarlar", 548, false, opens(t.gate, t.settings)},
        {&mfmHelp, "Quillmere Yardımı", 984, false, help},
        {&mfmSupport, "Web", 1445, true, opens(t.gate, t.support)},
        {&mfmAbout, "Quillmere Hakkında", 0, false, opens(t.gate, t.about)},
    };
    for (const Control& b : menu) {
        ControlPtr c = mfmPopup->Controls().Add(kButton);
        *b.member = c;
        c->Click = b.click;
        c->setCaption(QString::fromUtf8(b.caption));
        if (b.faceId)
            c->setFaceId(b.faceId);
        if (b.tooltip)
            c->setTooltipText(endpoints::ProductDomain());
    }
}

void AddinCommands::Delete() {
    // Without a connection that built them there is nothing to delete.
    vb::ResumeNext([&] {
        if (mcbToolbar)
            mcbToolbar->Delete();
    });
    vb::ResumeNext([&] {
        if (mfmPopup)
            mfmPopup->Delete();
    });
}

void AddinCommands::Release() {
    mcbToolbar.reset();
    for (ControlPtr* c : {&mfmPopup, &mcbSendSMS, &mcbReport, &mcbSettings, &mcbHelp, &mcbSupport, &mfmSendSMS,
                          &mfmReport, &mfmSettings, &mfmHelp, &mfmAbout, &mfmSupport})
        c->reset();
}

void AddinCommands::ResetAfterFailure(const std::shared_ptr<excel::Application>& application,
                                      const QString& description) {
    vb::MsgBox(QStringLiteral("Quillmere uygulaması bir hatayla karşılaştı.") + vb::vbCrLf
                   + QStringLiteral("Sistemin ürettiği hata mesajı : ") + description + vb::vbCrLf
                   + QStringLiteral("Şimdi Excel uygulamanızın varsayılan ayarları yüklenecek..."),
               vb::vbInformation, QStringLiteral("Quillmere"));
    application->CommandBars().Item(QStringLiteral("Worksheet Menu Bar"))->Reset();
    application->CommandBars().Item(QStringLiteral("Quillmere"))->Delete();
}

void AddinCommands::openHelp() {
    // No window owns the help viewer: it opens as a window of its own.
    win32::ShellExecute(nullptr, QStringLiteral("open"), win32::AppPath() + QStringLiteral("/quillmere.chm"),
                        QString(), QString(), kShowNormal);
}

} // namespace quillmere
