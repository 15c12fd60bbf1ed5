#pragma once

#include "platform/forms/form.h"

class TeskXpButton;

namespace forms {
class Frame;
class Label;
class Picture;
} // namespace forms

// The about box: the account in use, as the module state held it when the
// box was loaded, in the system's highlight colours.
class frmHakkinda : public forms::Form {
public:
    frmHakkinda();

    void Form_Load() override;
    void TeskXpButton1_Click();

    forms::Frame* Frame1;
    forms::Picture* Image1;
    forms::Label* lblKullaniciAdi;
    forms::Label* lblKullanici;
    forms::Label* lblBayiKodu;
    forms::Label* lblBayi;
    TeskXpButton* TeskXpButton1;
};
