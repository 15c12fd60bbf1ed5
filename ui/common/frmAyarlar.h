#pragma once

#include "platform/forms/form.h"

namespace forms {
class CheckBox;
class CommandButton;
class Frame;
class Label;
class OptionButton;
class TabControl;
class TextBox;
} // namespace forms

// The settings window: which gateway sends the messages (the gateway service
// or a Palvori gateway server at a typed address), the account of each,
// checked at that gateway before it is stored, and the marking of empty and
// invalid number cells. It writes only to the database: the module state
// takes the new settings when the next command passes the gate.
class frmAyarlar : public forms::Form {
public:
    frmAyarlar();

    void Form_Load() override;
    void Form_Resize() override;

    void cmdKaydet_Click();
    void cmdVazgec_Click();
    void optAnaHesap_Click();
    void optPalvori_Click();

    // What the five account boxes let through: digits, the unaccented
    // letters and Backspace; every other character is swallowed.
    static void AccountKeyFilter(int& KeyAscii);

    forms::TabControl* SSTab1;
    forms::OptionButton* optAnaHesap;
    forms::OptionButton* optPalvori;
    forms::Label* Label5;
    forms::TextBox* txtPalvoriYolu;
    forms::Label* Label7;
    forms::CheckBox* chkIsaretle;
    forms::Frame* Frame1;
    forms::Label* lblUserName;
    forms::TextBox* txtUserName_m;
    forms::Label* lblPassWord;
    forms::TextBox* txtPassWord_m;
    forms::Label* Label1;
    forms::TextBox* txtClientKodu_m;
    forms::CheckBox* chkKaydet_m;
    forms::Frame* Frame2;
    forms::Label* Label2;
    forms::TextBox* txtUserName_i;
    forms::Label* Label3;
    forms::TextBox* txtPassWord_i;
    forms::CheckBox* chkKaydet_i;
    forms::CommandButton* cmdKaydet;
    forms::CommandButton* cmdVazgec;

private:
    // Enables the gateway service's account group, or the Palvori address
    // and account group, and disables the other.
    void useGroup(bool service);
    // Back to the account that was refused: its tab, the focus in its user name.
    void backToAccount(forms::TextBox* userBox);
};
