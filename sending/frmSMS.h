#pragma once

#include "platform/forms/form.h"

#include <memory>

namespace ado {
class Connection;
class Recordset;
}
namespace excel {
class Application;
}
namespace forms {
class Adodc;
class ComboBox;
class CommandButton;
class DataGrid;
class Frame;
class Label;
class ListBox;
class OptionButton;
class TextBox;
class WebBrowser;
} // namespace forms

// The template page: the active workbook read as a database, the rows of
// one of its tables narrowed by a list of conditions and sorted by a
// column, the column that holds the numbers, and the message template into
// which column placeholders "[##name##]" go from the column menu.
class frmSMS : public forms::Form {
public:
    // What a page is built with. Without the table choice (the second
    // edition's) it has no Frame3, Label6 or cbSayfa, and its Form_Load,
    // which reads the table chosen there, is replaced by one that reads a
    // table itself.
    struct Parts {
        bool tableChoice = true;
    };
    frmSMS();
    explicit frmSMS(Parts parts);

    // The page that opened this one (the welcome page); nothing reads it.
    forms::FormRef OwnerForm;
    // The workbook as the driver is given it: its full name less the
    // extension's four characters.
    QString WorkbookPath;
    // The rows of the chosen table, as filtered and sorted here: what the
    // grid shows and what the list is built from.
    std::shared_ptr<ado::Recordset> rsSheet;
    // The host's Application, held while the page loads its first table.
    std::shared_ptr<excel::Application> xlApp;
    // Set when the workbook cannot be read or the table has no rows: the
    // page closes at its next activation.
    bool CloseOnActivate = false;

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void cbSayfa_Click();
    void cmdAlanEkle_Click();
    void cmdFEkle_Click();
    void cmdFSil_Click();
    void cmdFiltrele_Click();
    void cmdFKaldir_Click();
    void DataGrid1_HeadClick(int colIndex);
    virtual void txtMesaj_Change();
    void txtMesaj_KeyPress(int& keyAscii);
    // "İleri >>": the final screen, and its list merged from the rows in
    // force, one row per number.
    void cmdIleri_Click();
    // "<< Geri": back to the welcome page.
    void cmdGeri_Click();

    forms::Frame* Frame3;
    forms::Label* Label6;
    forms::ComboBox* cbSayfa;
    forms::DataGrid* DataGrid1;
    forms::Adodc* Adodc1;
    forms::Frame* Frame1;
    forms::Label* Label1;
    forms::Label* Label2;
    forms::ComboBox* cbFAlani;
    forms::Label* Label4;
    forms::OptionButton* optFKarakter;
    forms::OptionButton* optFSayi;
    forms::ComboBox* cbFOperator;
    forms::Label* Label3;
    forms::TextBox* txtFDegeri;
    forms::CommandButton* cmdFEkle;
    forms::CommandButton* cmdFSil;
    forms::ListBox* lstFiltreler;
    forms::CommandButton* cmdFiltrele;
    forms::CommandButton* cmdFKaldir;
    forms::Frame* Frame2;
    forms::TextBox* txtMesaj;
    forms::CommandButton* cmdAlanEkle;
    forms::Label* Label5;
    forms::ComboBox* cbGsmNo;
    forms::CommandButton* cmdGeri;
    forms::CommandButton* cmdIleri;
    forms::WebBrowser* WebBrowser1;

protected:
    // The load's first steps, alike in both editions: the page to open
    // afresh, the advertising page, the cancel flag cleared, the host held;
    // raises when no workbook is active, which kNoWorkbook says.
    void beginLoad();
    static const QString kNoWorkbook;
    // The workbook's connection and its table list: the module's, which the
    // final screen closes after a send.
    virtual std::shared_ptr<ado::Connection>& workbookConnection();
    virtual std::shared_ptr<ado::Recordset>& workbookSchema();
    // The column menu and the two column lists, from the columns of rsSheet;
    // every error ignored.
    void fillColumnChoices();

    // The list builder's steps that differ by edition. Whether an empty
    // template stops the builder before it starts.
    virtual bool needsTemplate() const { return true; }
    // Whether a row whose number passed is set aside for the length of its
    // message instead of listed.
    virtual bool setsAside(const QString& merged) const;
    // What a listed row adds to the final screen's total: one recipient.
    virtual qint64 totalOf(const QString& merged) const;

private:
    void layOut();
    void LoadSheet();
    // The load fills the table list itself and then loads the first table
    // once; the list's own change notices meanwhile load nothing.
    bool fillingTables_ = false;
};
