#pragma once

#include "ui/common/placeholder.h"

class frmSihirbaz : public PlaceholderForm {
public:
    frmSihirbaz() : PlaceholderForm(QStringLiteral("frmSihirbaz"), QStringLiteral("Quillmere - SMS Gönderim Sihirbazı")) {}
};
