#pragma once

#include "platform/forms/form.h"

#include <QList>
#include <QStringList>

#include <array>
#include <memory>

namespace ado {
class Recordset;
}
namespace forms {
class Adodc;
class CheckBox;
class CommandButton;
class CommonDialog;
class DataGrid;
class DatePicker;
class Frame;
class Label;
class TabControl;
class TextBox;
class WebBrowser;
} // namespace forms

// The delivery-report window: the logged send requests of the current
// gateway, the report of one of them, the reports between two dates, and the
// requests sent to one number. One report recordset serves the three tabs.
class frmRapor : public forms::Form {
public:
    frmRapor();
    ~frmRapor() override;

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void SSTab1_Click(int previousTab);
    void cmdVazgec_1_Click();
    void cmdVazgec_2_Click();
    void cmdVazgec_3_Click();
    void cmdRaporGoruntule_1_Click();
    void cmdRaporGoruntule_2_Click();
    void cmdRaporGoruntule_3_Click();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    void Check7_Click();
    void Check8_Click();
    void cmdMsgGoster_Click();
    void cmdMesajGoster_Click();
    void cmdExceleGonder_1_Click();
    void cmdExceleGonder_2_Click();
    void cmdExceleGonder_3_Click();
    void cmdRedZaGonder_1_Click();
    void cmdRedZaGonder_2_Click();

    // The workbook to export to, from the Save As dialog; "" when cancelled.
    QString GetExcelFileToSave();

    // The sent list's columns.
    void Grid1Ayar();
    // A new, empty report recordset for the three report grids.
    void CreateFields1();
    // The fetches of tabs 1 and 2, without the wait window's life around them.
    void RaporCek();
    void RaporCek2();

    forms::Adodc* rsRapor1;
    forms::Adodc* rsKopuk1;
    forms::TabControl* SSTab1;

    // Tab 1.
    forms::DataGrid* DataGrid1;
    forms::DataGrid* DataGrid2;
    forms::Frame* Frame2;
    forms::Label* Label1;
    forms::Label* Label2;
    forms::Label* Label3;
    forms::Label* Label4;
    forms::Label* Label5;
    forms::Label* Label11;
    forms::TextBox* Text1;
    forms::TextBox* Text2;
    forms::TextBox* Text3;
    forms::TextBox* Text4;
    forms::TextBox* Text5;
    forms::TextBox* Text11;
    forms::CheckBox* Check1;
    forms::CheckBox* Check2;
    forms::CheckBox* Check3;
    forms::CheckBox* Check4;
    forms::CommandButton* cmdRaporGoruntule_1;
    forms::CommandButton* cmdMsgGoster;
    forms::CommandButton* cmdRedZaGonder_1;
    forms::CommandButton* cmdExceleGonder_1;
    forms::CommandButton* cmdVazgec_1;
    std::unique_ptr<forms::CommonDialog> CommonDialog1;

    // Tab 2.
    forms::Frame* Frame3;
    forms::Label* Label6;
    forms::Label* Label7;
    forms::DatePicker* DTPicker1;
    forms::DatePicker* DTPicker2;
    forms::CommandButton* cmdRaporGoruntule_2;
    forms::DataGrid* DataGrid3;
    forms::Frame* Frame4;
    forms::Label* Label8;
    forms::Label* Label9;
    forms::Label* Label10;
    forms::Label* Label12;
    forms::Label* Label13;
    forms::Label* Label14;
    forms::Label* Label15;
    forms::TextBox* Text6;
    forms::TextBox* Text7;
    forms::TextBox* Text8;
    forms::TextBox* Text9;
    forms::TextBox* Text10;
    forms::TextBox* Text12;
    forms::TextBox* Text13;
    forms::CheckBox* Check5;
    forms::CheckBox* Check6;
    forms::CheckBox* Check7;
    forms::CheckBox* Check8;
    forms::CommandButton* cmdRedZaGonder_2;
    forms::CommandButton* cmdExceleGonder_2;
    forms::CommandButton* cmdVazgec_2;

    // Tab 3.
    forms::Frame* Frame6;
    forms::TextBox* txtGsmNo;
    forms::CommandButton* cmdRaporGoruntule_3;
    forms::Frame* Frame5;
    forms::Label* Label16;
    forms::Label* Label17;
    forms::DatePicker* DTPicker3;
    forms::DatePicker* DTPicker4;
    forms::DataGrid* DataGrid4;
    forms::CommandButton* cmdMesajGoster;
    forms::CommandButton* cmdExceleGonder_3;
    forms::CommandButton* cmdVazgec_3;

    forms::WebBrowser* WebBrowser1;

    // The header row of the last export: the copy's field names and one
    // empty entry after them.
    QStringList ExportHeaders;

private:
    // A fetching tab's summary: a box for each status, in the order of
    // reports::Status, then the total's.
    using SummaryBoxes = std::array<forms::TextBox*, 5>;
    // What sets the three tabs apart.
    struct Tab {
        SummaryBoxes summary = {};  // none on the number tab
        // Pending, delivered, timed out, rejected; none on the number tab,
        // whose report is never filtered by status.
        QList<forms::CheckBox*> statuses = {};
        forms::CommandButton* cancelButton = nullptr;
        // The export's copy yields once a record.
        bool copyYields = false;
        // The export yields once the save dialog is closed.
        bool yieldsAfterSaveDialog = false;
        // A report of packages (the number tab): the export opens the
        // database first and names its two columns MSGID and Tarih.
        bool packages = false;
        // A failed export says so in a sentence of its own rather than
        // with the text armed before the failing step.
        bool ownExportFailure = false;
        // The resend empties the start flag first and adds it to the
        // description of a failure.
        bool resendClearsStartFlag = false;
    };
    std::array<Tab, 3> tabs_;
    // Tab 1, 2 or 3.
    const Tab& tabAt(int number) const { return tabs_[std::size_t(number - 1)]; }

    static inline const QString kTitle = QStringLiteral("Uyarı");
    static inline const QString kFetchFirst = QStringLiteral("Önce Rapor Çekmelisiniz");
    // No report on screen, or one whose filter hides every row.
    static bool noVisibleRow(const std::shared_ptr<ado::Recordset>& rs);

    // The row of the sent list whose report tab 1 shows (its absolute
    // position), 0 before the first: a fetch that brings no report puts the
    // selection back on it, under the report and the summary still shown.
    long shownRequest_ = 0;
    void keepShownRequest(ado::Recordset& sent);
    void cancelOrClose(forms::CommandButton* pressed);
    void freshReport(const SummaryBoxes& boxes);
    void parseInto(const QString& reply, const SummaryBoxes& boxes);

    void ApplyStatusFilter1();
    void ApplyStatusFilter2();
    void applyStatusFilter(const QList<forms::CheckBox*>& boxes);
    void exportReport(int number);
    void resend(int number);
};
