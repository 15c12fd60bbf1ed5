#include "edition2/windows.h"

namespace edition2 {

void UseOwnWindows() {
    forms::UseVariant<frmSMS>();
    forms::UseVariant<frmSMS_1>();
    forms::UseVariant<frmSonEkran>();
}

} // namespace edition2
