#pragma once

#include "addin/gate.h"
#include "platform/forms/form.h"
#include "state/mdlGenel.h"

#include <QString>

// The second edition's module routines: the first edition's mdlGenel, with a
// gate and a stored-login test of its own. Code of the second edition that
// names mdlGenel gets these two here and everything else from the shared
// module.
namespace edition2::mdlGenel {

using namespace ::mdlGenel;

// The command gate: the steps both editions share, then, when a user name
// and a password are stored, the stored-login test; the form opens unless
// the test failed. Handing the form over loads nothing.
void OpenFormWithLogin(forms::FormRef form);

// The stored-login test: the system time, which the second edition's
// gateway client answers itself. An answer that is no time (an error code,
// a web page, nothing) is told to the user and gives "-1"; so does a
// run-time failure, without a message.
QString GetGatewaySystemTime();

} // namespace edition2::mdlGenel
