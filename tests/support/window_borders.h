#pragma once

// The border and title-bar buttons of every window of the add-in, the same
// in both editions (the second edition's windows stand in for the first's
// with their borders): what the window manager is told, and what a person
// is offered. A window whose size is fixed or held offers no maximise
// button and is not sized by the user.
#include "platform/forms/form.h"

#include <QString>

namespace borders {

struct Border {
    const char* name;
    int style;
    bool minimise, maximise, close;
    bool held;  // its size: fixed or held, else only a minimum
    const char* caption;
};

inline constexpr Border kBorders[] = {
    {"frmGiris", forms::vbSizable, false, false, true, true, "Quillmere - Kullanıcı girişi"},
    {"frmBekle", forms::vbFixedDialog, false, false, true, true, ""},
    {"frmSihirbaz", forms::vbSizable, true, false, true, true, "Quillmere - İşlem sihirbazı"},
    {"frmSMS_1", forms::vbSizable, true, false, true, true, "Quillmere - SMS Gönderimi"},
    {"frmSMS", forms::vbSizable, true, true, true, false, "Quillmere - SMS Gönderimi"},
    {"frmPop", forms::vbSizable, true, true, true, false, "popup"},
    {"frmSonEkran", forms::vbSizable, true, true, true, false, "Quillmere - SMS gönderim onayı"},
    {"frmRapor", forms::vbSizable, true, false, true, true, "Quillmere - Rapor görüntüleme"},
    {"frmAyarlar", forms::vbSizable, false, false, true, true, "Quillmere - Ayarlar"},
    {"frmHakkinda", forms::vbFixedDialog, false, false, true, true, ""},
    {"frmDestek", forms::vbBSNone, false, false, false, true, ""},
};

// The border of the window of that class name, or null.
inline const Border* Of(const QString& name) {
    for (const Border& b : kBorders)
        if (name == QLatin1String(b.name))
            return &b;
    return nullptr;
}

} // namespace borders
