#pragma once

#include "platform/forms/form.h"

#include <memory>

namespace ado {
class Recordset;
}
namespace forms {
class Adodc;
class CheckBox;
class ComboBox;
class CommandButton;
class DataGrid;
class DatePicker;
class Frame;
class Label;
class TextBox;
class WebBrowser;
} // namespace forms
namespace vb {
class Timer;
}

// The quick-send page: one text to the numbers in the selected cells (or to
// the numbers the report window hands over), in one gateway request.
class frmSMS_1 : public forms::Form {
public:
    // What a page is built with. Without the reading notice (the second
    // edition's) the list is read and sent in view.
    struct Parts {
        bool readingNotice = true;
    };
    frmSMS_1();
    explicit frmSMS_1(Parts parts);

    // The window that opened this page: its class name chooses the list source.
    forms::FormRef CallerForm;
    // The numbers to send to, when the report window opens this page.
    std::shared_ptr<ado::Recordset> SourceRecordset;
    // The number list of the last build; the page works on its clone in rsKopukA.
    std::shared_ptr<ado::Recordset> ListRecordset;

    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Resize() override;
    void Timer1_Timer();
    virtual void txtMesaj_Change();
    void txtMesaj_KeyPress(int& keyAscii);
    virtual void cmdListeCikart_Click();
    void cmdVazgec_Click();
    virtual void cmdIleri_Click();

    forms::Frame* Frame1;
    forms::DataGrid* DataGrid1;
    forms::Adodc* rsKopukA;
    forms::CommandButton* cmdListeCikart;
    forms::Frame* Frame3;
    forms::Label* Label5;
    forms::Frame* Frame2;
    forms::Label* Label1;
    forms::TextBox* txtMesaj;
    forms::Label* lblKalanKrk;
    forms::Label* Label2;
    forms::Label* lblToplam;
    forms::Label* Label3;
    forms::Label* lblKontor;
    forms::Label* Label4;
    forms::ComboBox* cbGonderen;
    forms::CheckBox* chkIleriTarih;
    forms::DatePicker* DTPicker1;
    forms::DatePicker* DTPicker2;
    forms::Label* Label6;
    forms::Label* lblSimdi;
    vb::Timer* Timer1;
    forms::CommandButton* cmdIleri;
    forms::CommandButton* cmdVazgec;
    forms::WebBrowser* WebBrowser1;

protected:
    std::shared_ptr<ado::Recordset> list() const;
    // The first steps of a send: a text is typed (else the page asks for
    // one) and the list holds a row. The list, or null when the send ends
    // there.
    std::shared_ptr<ado::Recordset> listToSend();
    void resetPickers();
    // The accepted package in the send log, the success or not-logged
    // notice, and the page closed.
    void recordAccepted(const QString& packageId, const QString& tarih, const QString& gtarih);

    // The steps of the activation that differ by edition. The list was made
    // and opened, before any number is read into it.
    virtual void listOpened() {}
    // The walk of the selection begins: the list counts as loaded, so that
    // a later activation builds nothing.
    virtual void selectionWalkStarts();
    // The activation ended with the account known and the pickers reset.
    virtual void activationComplete() {}

private:
    // The notice over the list while it is read, shown or gone; nothing on
    // a page without one.
    void showReadingNotice(bool shown);
    void activate();
    void buildList();
    bool fetchAccountInformation();

    bool activating_ = false;
};
