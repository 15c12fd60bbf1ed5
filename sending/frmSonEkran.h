#pragma once

#include "ui/common/placeholder.h"

class frmSonEkran : public PlaceholderForm {
public:
    frmSonEkran() : PlaceholderForm(QStringLiteral("frmSonEkran"), QStringLiteral("Quillmere - SMS gönderim onayı")) {}
};
