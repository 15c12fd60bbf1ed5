#pragma once

#include <QString>
#include <exception>

#include "platform/forms/form.h"

namespace mdlGenel {

// The first edition's command gate, which every toolbar and menu command
// passes: checks the data-access components, opens the shared database,
// loads the settings into the module state, tests a stored login with the
// gateway, then shows the form, the login window, or a message.
// Handing the form over loads nothing: it is loaded when the gate shows it.
void OpenFormWithLogin(forms::FormRef form);

// The first edition's stored-login test: the gateway's reply to the
// system-time request, "" for an unknown gateway type, "-1" on a failure.
QString GetGatewaySystemTime();

// The data-access probe: sets MdacFound and MdacVersion; never fails.
void CheckMdacVersion();

// The gate's steps before its look at a stored login, the same in both
// editions: the data-access probe, the shared database, and the settings row
// loaded into the module state (account, gateway type and address, the
// advertising page). False when there is no settings row; an empty one is
// added then, so that the login saved next is kept. A failure raises, with
// LastErrorText prepared for the gate's handler.
bool LoadGateSettings();

// The gate's handler: LastErrorText as prepared when the failure came; for a
// database file that is damaged, that it is.
void ShowGateFailure(const std::exception& failure);

// Shows the edition's login window, then hands it the command's window.
template <class Login>
void ShowLoginFor(const forms::FormRef& target) {
    forms::Get<Login>().Show();
    forms::Get<Login>().TargetForm = target;
}

// The system-time request for the account in the module state, as both
// editions' stored-login tests make it: the answer of the gateway client,
// "" for a gateway type that is neither of the two. A failure raises.
QString AskSystemTime();

// The gate as both editions run it: the shared steps, then the edition's
// step with the account loaded, which opens the form or says why not and
// returns true, or returns false for the login window to open with the form;
// the gate's handler shows any failure.
template <class Login, class StoredLoginStep>
void RunGate(const forms::FormRef& form, StoredLoginStep&& storedLogin) {
    try {
        if (LoadGateSettings() && storedLogin(form))
            return;
        ShowLoginFor<Login>(form);
    } catch (const std::exception& e) {
        ShowGateFailure(e);
    }
}

// Whether an answer to the system-time request is no time: it holds "HTML"
// or "html" (a web page), or is found in the gateway's code list (the empty
// answer and fragments such as "1" included).
bool SystemTimeFailed(const QString& answer);

} // namespace mdlGenel
