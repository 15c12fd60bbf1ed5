#pragma once

#include "ui/common/placeholder.h"

class frmBekle : public PlaceholderForm {
public:
    frmBekle() : PlaceholderForm(QStringLiteral("frmBekle"), QStringLiteral("Quillmere")) {}
};
