#pragma once

#include "platform/forms/form.h"

namespace forms {
class CheckBox;
class CommandButton;
class Frame;
class Label;
class Picture;
class TextBox;
} // namespace forms

// The login window: asks for the account of the current gateway, checks it
// with one account-information request, keeps or clears the stored login,
// and then shows the window the user asked for (TargetForm, set by the
// command gate after it has shown this one).
class frmGiris : public forms::Form {
public:
    frmGiris();

    forms::FormRef TargetForm;

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;

    void btnOturumAc_Click();
    void btnVazgec_Click();

    forms::Frame* Frame1;
    forms::Frame* Frame2;
    forms::Label* lblUserName;
    forms::TextBox* txtUserName;
    forms::Label* lblPassWord;
    forms::TextBox* txtPassWord;
    forms::Label* lblClientKodu;
    forms::TextBox* txtClientKodu;
    forms::CommandButton* btnOturumAc;
    forms::CommandButton* btnVazgec;
    forms::CheckBox* chkKaydet;
    forms::Picture* imgInfo;
    forms::Picture* imgHour;

protected:
    // What a successful login ends with, once the account is saved and in
    // the module state: the window goes and the target window opens.
    virtual void OpenTarget();

private:
    void showWaiting(bool waiting);
};
