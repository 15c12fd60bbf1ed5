#pragma once

#include "platform/forms/form.h"

#include <QString>
#include <memory>

namespace excel {
class Application;
class CommandBar;
class CommandBarControl;
} // namespace excel

namespace quillmere {

// Where the add-in's commands lead: the gate every window command passes,
// and the window each command hands to it. Each edition's binding fills it
// with its own gate and windows.
struct CommandTargets {
    void (*gate)(forms::FormRef form) = nullptr;
    forms::FormRef sendSms;    // "SMS Gönder"
    forms::FormRef reports;    // "Raporlar"
    forms::FormRef settings;   // "Ayarlar"
    forms::FormRef support;    // "Web"
    forms::FormRef about;      // "Quillmere Hakkında"
};

// The toolbar "Quillmere" and the popup "&Quillmere" in the worksheet menu
// bar with their eleven command controls, as both editions' bindings build
// and remove them. The help controls open the help file beside the add-in;
// every other control hands its window to the gate.
class AddinCommands {
public:
    // Builds the toolbar and the popup. A failure (the host refusing a
    // toolbar whose name is taken) raises; what was built so far stays.
    void Build(const std::shared_ptr<excel::Application>& application, const CommandTargets& targets);
    // Deletes the toolbar, then the popup; a step that fails is skipped.
    void Delete();
    // Lets go of the bars and the eleven controls.
    void Release();

    // The connection event's failure handling: says so, then resets the
    // worksheet menu bar and deletes the toolbar "Quillmere", so that no
    // half-built command is left. A failure of the reset or the delete
    // raises to the host.
    static void ResetAfterFailure(const std::shared_ptr<excel::Application>& application, const QString& description);

    std::shared_ptr<excel::CommandBar> mcbToolbar;
    std::shared_ptr<excel::CommandBarControl> mfmPopup;
    std::shared_ptr<excel::CommandBarControl> mcbSendSMS, mcbReport, mcbSettings, mcbHelp, mcbSupport;
    std::shared_ptr<excel::CommandBarControl> mfmSendSMS, mfmReport, mfmSettings, mfmHelp, mfmAbout, mfmSupport;

private:
    void openHelp();
};

} // namespace quillmere
