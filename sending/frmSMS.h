#pragma once

#include "ui/common/placeholder.h"

// The template page (one message per worksheet row).
class frmSMS : public PlaceholderForm {
public:
    frmSMS() : PlaceholderForm(QStringLiteral("frmSMS"), QStringLiteral("Quillmere - SMS Gönderimi")) {}
    // The page that opened this one (the welcome page).
    forms::FormRef OwnerForm;
};
