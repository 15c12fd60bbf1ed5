#pragma once

#include "platform/forms/form.h"

namespace forms {
class Label;
}

// The support window: a strip that says the product's web site is being
// opened, opens it in the user's browser when it is activated (for a
// gateway-service account on the site's login page with the account filled
// in) and closes itself at once.
class frmDestek : public forms::Form {
public:
    frmDestek();

    void Form_Activate() override;

    // The address opened for the account in the module state.
    static QString SupportAddress();

    forms::Label* Label1;
};
