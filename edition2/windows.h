#pragma once

// The second edition's windows, in one place. Inside namespace edition2 a
// window's name means the second edition's own variant where it has one
// (its login window, template page, quick-send page and final screen), and
// the window it shares with the first edition otherwise.
#include "addin/windowlist.h"
#include "edition2/frmGiris.h"
#include "edition2/frmSMS.h"
#include "edition2/frmSMS_1.h"
#include "edition2/frmSonEkran.h"
#include "reports/frmRapor.h"
#include "sending/frmPop.h"
#include "sending/frmSihirbaz.h"
#include "ui/common/frmAyarlar.h"
#include "ui/common/frmBekle.h"
#include "ui/common/frmDestek.h"
#include "ui/common/frmHakkinda.h"

namespace edition2 {

using quillmere::WindowList;

// Every window of the second edition.
using Windows = WindowList<frmAyarlar, frmBekle, frmDestek, frmGiris, frmHakkinda, frmPop, frmRapor, frmSihirbaz,
                           frmSMS, frmSMS_1, frmSonEkran>;

// The windows the disconnection unloads, in its order. The about box and the
// template page's column menu are not among them: an about box the user has
// open stays open.
using UnloadedAtDisconnection =
    WindowList<frmBekle, frmSihirbaz, frmRapor, frmSMS, frmSMS_1, frmAyarlar, frmSonEkran, frmGiris, frmDestek>;

// The variants of the sending windows stand in for the windows they vary:
// from then on the code both editions share (the welcome page, the report
// window's resend, the final screen's "Kapat") opens them. Chosen when the
// add-in object is made, before any window loads.
void UseOwnWindows();

} // namespace edition2
