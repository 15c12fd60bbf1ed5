#pragma once

#include <QString>

#include "platform/forms/form.h"

namespace mdlGenel {

// The command gate every toolbar and menu command passes: checks the
// data-access components, opens the shared database, loads the settings into
// the module state, tests a stored login, then shows the form, the login
// window, or a message.
// Handing the form over loads nothing: it is loaded when the gate shows it.
void OpenFormWithLogin(forms::FormRef form);

// The data-access probe: sets MdacFound and MdacVersion; never fails.
void CheckMdacVersion();

// The stored-login test: the gateway's reply to the system-time request, ""
// for an unknown gateway type, "-1" on a failure.
QString GetGatewaySystemTime();

} // namespace mdlGenel
