#include "edition2/frmSMS.h"

#include "edition2/mdlGenel.h"
#include "edition2/sendsteps.h"
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/workbook.h"
#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"

namespace edition2 {

namespace {
const QString kTitle = QStringLiteral("Quillmere SMS Gönderimi");
}

// One table, the first: there is nothing to choose.
frmSMS::frmSMS() : ::frmSMS({.tableChoice = false}) {}

void frmSMS::Form_Load() {
    QString failure = kNoWorkbook;
    try {
        beginLoad();
        // The whole name, extension included; a workbook never saved has none.
        WorkbookPath = xlApp->ActiveWorkbook()->Path() + u'\\' + xlApp->ActiveWorkbook()->Name();
        if (WorkbookPath == u"\\Kitap1" || WorkbookPath == u"\\Book1")
            WorkbookPath.clear();

        rsSheet = std::make_shared<ado::Recordset>();
        ExcelConnection = std::make_shared<ado::Connection>();
        ExcelSchema = std::make_shared<ado::Recordset>();
        failure = QStringLiteral("Bilgisayarınızda kayıtlı olmayan bir dosya üzerinde çalışıyorsunuz.") + vb::vbCrLf
                  + QStringLiteral("Lütfen öncelikle dosyayı kaydedin.");

        ExcelConnection->Open(QStringLiteral("DBQ=") + WorkbookPath
                                  + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};"),
                              QString(), QString());
        ExcelSchema = ExcelConnection->OpenSchema(ado::adSchemaTables);
        // A workbook without tables fails here.
        ExcelSchema->MoveFirst();
        const QString table = vb::CStr(ExcelSchema->Fields(QStringLiteral("TABLE_NAME")).Value());

        auto rows = std::make_shared<ado::Recordset>();
        rows->Open(QStringLiteral("select * from [") + table + u']', ExcelConnection, ado::adOpenStatic,
                   ado::adLockBatchOptimistic);
        if (rows->Bof() && rows->Eof()) {
            vb::MsgBox(QStringLiteral("Excel dosyanızda hiç kayıt yok"), vb::vbInformation, kTitle);
            CloseOnActivate = true;
            return;
        }
        rsSheet = rows->Clone();
        DataGrid1->setDataSource(rsSheet);
        DataGrid1->setCaption(QStringLiteral("Toplam kayıt : ") + QString::number(rsSheet->RecordCount()));
        rows->Close();
        xlApp.reset();
        fillColumnChoices();
        if (!mdlGenel::MessageText.isEmpty())
            txtMesaj->setText(mdlGenel::MessageText);
    } catch (const std::exception&) {
        vb::MsgBox(failure, vb::vbCritical, kTitle);
        CloseOnActivate = true;
    }
}

void frmSMS::txtMesaj_Change() {
    const int length = vb::Len(txtMesaj->Text());
    Frame2->setCaption(QString::number(length) + QStringLiteral(" / ") + QString::number(SmsParts(length))
                       + QStringLiteral(" SMS"));
}

qint64 frmSMS::totalOf(const QString& merged) const { return SmsParts(vb::Len(merged)); }

} // namespace edition2
