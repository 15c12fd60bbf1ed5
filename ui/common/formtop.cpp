#include "ui/common/formtop.h"

#include "platform/forms/form.h"
#include "platform/vb/error.h"

namespace mdlGenel {

void SetFormOnTop(forms::Form& form) {
    try {
        form.setTopmost(true);
        form.moveFlushRight();
    } catch (...) {
        vb::LogSwallowed();
        // A window that cannot be placed stays where it is.
    }
}

} // namespace mdlGenel
