#include "ui/common/formtop.h"

#include "platform/forms/form.h"

namespace mdlGenel {

void SetFormOnTop(forms::Form& form) {
    try {
        form.setTopmost(true);
        form.moveFlushRight();
    } catch (...) {
        // A window that cannot be placed stays where it is.
    }
}

} // namespace mdlGenel
