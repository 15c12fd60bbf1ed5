#pragma once

#include "sending/frmSMS.h"

namespace edition2 {

// The second edition's template page: the first table of the active
// workbook, read through a connection the page keeps itself; a template of
// up to 612 characters counted in SMS parts; and a list builder that sets
// no row aside and totals the parts of the messages it lists.
class frmSMS : public ::frmSMS {
public:
    using StandsFor = ::frmSMS;
    frmSMS();

    // The workbook's connection and its table list: the page's own, closed
    // by "<< Geri" and released when the page unloads.
    std::shared_ptr<ado::Connection> ExcelConnection;
    std::shared_ptr<ado::Recordset> ExcelSchema;

    void Form_Load() override;
    void txtMesaj_Change() override;

protected:
    std::shared_ptr<ado::Connection>& workbookConnection() override { return ExcelConnection; }
    std::shared_ptr<ado::Recordset>& workbookSchema() override { return ExcelSchema; }
    bool needsTemplate() const override { return false; }
    bool setsAside(const QString&) const override { return false; }
    qint64 totalOf(const QString& merged) const override;
};

} // namespace edition2
