#pragma once

#include "ui/common/placeholder.h"

class frmDestek : public PlaceholderForm {
public:
    frmDestek() : PlaceholderForm(QStringLiteral("frmDestek"), QString()) {}
};
