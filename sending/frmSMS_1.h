#pragma once

#include "ui/common/placeholder.h"

class frmSMS_1 : public PlaceholderForm {
public:
    frmSMS_1() : PlaceholderForm(QStringLiteral("frmSMS_1"), QStringLiteral("Quillmere - SMS Gönderimi")) {}
};
