#pragma once

#include "ui/common/placeholder.h"

class frmRapor : public PlaceholderForm {
public:
    frmRapor() : PlaceholderForm(QStringLiteral("frmRapor"), QStringLiteral("Quillmere - Raporlar")) {}
};
