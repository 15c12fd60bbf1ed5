#pragma once

#include "ui/common/placeholder.h"

class frmAyarlar : public PlaceholderForm {
public:
    frmAyarlar() : PlaceholderForm(QStringLiteral("frmAyarlar"), QStringLiteral("Quillmere - Ayarlar")) {}
};
