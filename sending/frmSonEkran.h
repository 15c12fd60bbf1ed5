#pragma once

#include "platform/forms/form.h"
#include "platform/vb/variant.h"

#include <QStringList>
#include <exception>
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
class WebBrowser;
} // namespace forms
namespace vb {
class Timer;
}

// The last page of the template road: the merged list (one number and one
// message a row) with the account's credit and originators, an optional
// schedule, and the send of the whole list in one request, as one text to a
// number list when every message is the same and as one message per number
// otherwise. After an accepted request: the send log, the rows whose message
// was too long in a workbook of their own, and the report window.
class frmSonEkran : public forms::Form {
public:
    // What a screen is built with. Without the status frame (the second
    // edition's) the list is built and sent in view.
    struct Parts {
        bool statusFrame = true;
    };
    frmSonEkran();
    explicit frmSonEkran(Parts parts);

    // The page that opened this one: "Kapat" goes back to it.
    forms::FormRef CallerForm;
    // Column headers of the workbook of set-aside rows: the field names and
    // one slot more.
    QStringList FieldNames;

    // The list's column widths (1200 and 6500 twips); every error ignored.
    vb::Variant Grid1Ayar();

    // The list as the template page builds it. Begun: the list to add the
    // rows to, with the remove button off and the grid detached under the
    // status frame meanwhile. The total so far, written as the rows come.
    // Ended: the grid back with its columns set, and the remove button on.
    std::shared_ptr<ado::Recordset> beginListBuild();
    void showListTotal(qint64 total);
    void endListBuild();

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void Timer1_Timer();
    virtual void cmdGonder_Click();
    virtual void cmdLstCikart_Click();
    void cmdVazgec_Click();

    forms::DataGrid* DataGrid1;
    forms::Adodc* Adodc1;
    forms::Frame* Frame3;
    forms::Label* Label6;
    forms::CommandButton* cmdLstCikart;
    forms::Frame* Frame2;
    forms::Frame* Frame1;
    forms::Label* Label1;
    forms::ComboBox* cbGonderen;
    forms::Label* Label2;
    forms::Label* lblToplam;
    forms::Label* Label3;
    forms::Label* lblKontor;
    forms::Label* Label4;
    forms::Label* Label5;
    forms::CheckBox* chkIleriTarih;
    forms::DatePicker* DTPicker1;
    forms::DatePicker* DTPicker2;
    forms::Label* lblNet;
    forms::CommandButton* cmdGonder;
    forms::CommandButton* cmdVazgec;
    vb::Timer* Timer1;
    forms::WebBrowser* WebBrowser1;

protected:
    std::shared_ptr<ado::Recordset> list() const;
    // The confirmation asked, then the checks of credit and originator:
    // whether the send goes on.
    bool confirmedAndChecked(const QString& question);
    // The accepted package in the send log; then the notices (and the rows
    // set aside written to their workbook), the wizard closed and the
    // report window shown. A log that cannot be written is told instead.
    void recordAccepted(ado::Recordset& rs, const QString& reply, const QString& tarih, const QString& gtarih);
    void layOut();
    // The screen's notices of a package without a connection, and of an
    // error the send did not foresee; after the latter the list goes back
    // to its first row.
    static void ShowNoConnection();
    void showSendError(const std::exception& e);

    // Defined sizes of the list's two fields, number and message.
    int listNumberSize_ = 10;
    int listMessageSize_ = 255;

private:
    void resetPickers();
    // The send document of the list, as the UTF-8 it is posted as.
    QByteArray buildPackage(ado::Recordset& rs, const QString& sdate);
    // The status frame's text; nothing on a screen without the frame.
    void setStatusText(const QString& text);
    void exportSetAsideRows();

    // The recipient list made at loading; the window works on its clone in
    // Adodc1.
    std::shared_ptr<ado::Recordset> list_;
    // The page "Kapat" went back to: closing this window leaves it open.
    forms::FormRef returningTo_;
};
