#pragma once

#include "ui/common/frmGiris.h"

namespace edition2 {

// The second edition's login window: the first edition's, whose client-code
// row is laid out hidden, and which runs the stored-login test after a
// successful login before it opens the target window.
class frmGiris : public ::frmGiris {
public:
    void Form_Load() override;

protected:
    void OpenTarget() override;
};

} // namespace edition2
