#pragma once

namespace forms {
class Form;
}

namespace mdlGenel {

// Keeps a window above all others, flush with the right edge of the screen;
// any failure is ignored.
void SetFormOnTop(forms::Form& form);

} // namespace mdlGenel
