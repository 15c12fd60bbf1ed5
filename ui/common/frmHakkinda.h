#pragma once

#include "ui/common/placeholder.h"

class frmHakkinda : public PlaceholderForm {
public:
    frmHakkinda() : PlaceholderForm(QStringLiteral("frmHakkinda"), QString()) {}
};
