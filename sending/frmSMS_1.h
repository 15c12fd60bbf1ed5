#pragma once

#include "ui/common/placeholder.h"

#include <QPointer>
#include <memory>

namespace ado {
class Recordset;
}

// The quick-send page (one text to the numbers in the selected cells).
class frmSMS_1 : public PlaceholderForm {
public:
    frmSMS_1() : PlaceholderForm(QStringLiteral("frmSMS_1"), QStringLiteral("Quillmere - SMS Gönderimi")) {}
    // The window that opened this page: its class name chooses the list source.
    QPointer<forms::Form> CallerForm;
    // The numbers to send to, when the report window opens this page.
    std::shared_ptr<ado::Recordset> SourceRecordset;
};
