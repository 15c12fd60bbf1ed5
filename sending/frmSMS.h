#pragma once

#include "ui/common/placeholder.h"

class frmSMS : public PlaceholderForm {
public:
    frmSMS() : PlaceholderForm(QStringLiteral("frmSMS"), QStringLiteral("Quillmere - SMS Gönderimi")) {}
};
