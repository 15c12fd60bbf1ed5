#pragma once

#include "platform/excel/addin.h"

#include <memory>

namespace excel {
class CommandBar;
class CommandBarControl;
} // namespace excel

// The add-in object the host creates: builds the toolbar and the menu on
// connection, binds the commands to the windows, and removes it all again on
// disconnection.
class Connect : public excel::AddinConnection {
public:
    Connect();
    ~Connect() override;

    void OnConnection(const std::shared_ptr<excel::Application>& application, int connectMode, void* addInInst,
                      excel::CustomArray& custom) override;
    void OnDisconnection(int removeMode, excel::CustomArray& custom) override;

private:
    using ControlPtr = std::shared_ptr<excel::CommandBarControl>;

    void buildUserInterface(const std::shared_ptr<excel::Application>& application);
    void openHelp();

    std::shared_ptr<excel::CommandBar> mcbToolbar;
    ControlPtr mfmPopup;
    ControlPtr mcbSendSMS, mcbReport, mcbSettings, mcbHelp, mcbSupport;
    ControlPtr mfmSendSMS, mfmReport, mfmSettings, mfmHelp, mfmAbout, mfmSupport;
    void* ownerWindow = nullptr;  // never set: the help file opens with no owner
};
