#pragma once

#include "ui/common/placeholder.h"

#include <QPointer>

// The login window. It shows TargetForm, which the command gate sets after
// showing it, once the user has signed in.
class frmGiris : public PlaceholderForm {
public:
    frmGiris() : PlaceholderForm(QStringLiteral("frmGiris"), QStringLiteral("Quillmere - Kullanıcı girişi")) {}
    QPointer<forms::Form> TargetForm;
};
