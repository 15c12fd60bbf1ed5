#pragma once

#include "platform/forms/form.h"

namespace forms {
class CommandButton;
class Frame;
class Label;
class OptionButton;
} // namespace forms

// The welcome page of the sending wizard: the two roads of sending.
class frmSihirbaz : public forms::Form {
public:
    frmSihirbaz();

    void Form_Activate() override;
    void Form_Resize() override;
    void cmdIleri_Click();
    void cmdVazgec_Click();

    forms::Frame* Frame1;
    forms::Label* Label1;
    forms::Label* Label2;
    forms::Frame* Frame2;
    forms::OptionButton* optGSM;
    forms::OptionButton* optTumu;
    forms::CommandButton* cmdIleri;
    forms::CommandButton* cmdVazgec;
};
