#pragma once

#include "ui/common/placeholder.h"

class frmPop : public PlaceholderForm {
public:
    frmPop() : PlaceholderForm(QStringLiteral("frmPop"), QStringLiteral("popup")) {}
};
