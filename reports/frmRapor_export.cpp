// The report window's export of the report on screen to a new workbook,
// and its resend to the numbers that were rejected or timed out.
#include "reports/frmRapor.h"

#include "data/database.h"
#include "data/export.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/services.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "sending/frmSMS_1.h"
#include "state/mdlGenel.h"
#include "ui/common/frmBekle.h"

#include <algorithm>

namespace {

const QString kFailedStatuses = QStringLiteral("Durum = 'Reddedildi' OR Durum = 'Zaman Aşımı'");

} // namespace

QString frmRapor::GetExcelFileToSave() {
    CommonDialog1->DialogTitle = QStringLiteral("Save As");
    CommonDialog1->DefaultExt = QStringLiteral("xls");
    CommonDialog1->InitDir = QStringLiteral("\\");
    CommonDialog1->FileName = QString();
    CommonDialog1->Filter = QStringLiteral("Microsoft Excel Dosyaları (*.xls)|*.xls");
    CommonDialog1->Flags = forms::cdlOFNOverwritePrompt | forms::cdlOFNCreatePrompt;
    CommonDialog1->ShowSave();
    return CommonDialog1->FileName;
}

void frmRapor::cmdExceleGonder_1_Click() { exportReport(1); }
void frmRapor::cmdExceleGonder_2_Click() { exportReport(2); }
void frmRapor::cmdExceleGonder_3_Click() { exportReport(3); }

void frmRapor::exportReport(int number) {
    const Tab& tab = tabAt(number);
    try {
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            vb::MsgBox(kFetchFirst, vb::vbInformation, kTitle);
            return;
        }
        // A tab without status boxes has none to test.
        const QList<forms::CheckBox*>& boxes = tab.statuses;
        if (!boxes.isEmpty() && std::all_of(boxes.begin(), boxes.end(), [](forms::CheckBox* b) { return b->Value() == 0; })) {
            vb::MsgBox(QStringLiteral("Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin"),
                       vb::vbInformation, QStringLiteral("Merivox"));
            return;
        }
        if (vb::MsgBox(QStringLiteral("Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz"),
                       vb::vbYesNo + vb::vbQuestion, kTitle)
            == vb::vbNo)
            return;
        QString fileName = GetExcelFileToSave();
        if (tab.yieldsAfterSaveDialog)
            vb::DoEvents();
        if (fileName.isEmpty())
            return;
        mdlGenel::LastErrorText = QStringLiteral("Veritabanı bağlantısı kurulamıyor");
        if (tab.packages)
            mdlGenel::OpenDatabase();
        if (noVisibleRow(report)) {
            vb::MsgBox(QStringLiteral("Aktarılacak Hiç Kayıt Yok"), vb::vbInformation, kTitle);
            return;
        }

        auto copy = std::make_shared<ado::Recordset>();
        for (int f = 0; f < report->Fields().Count(); ++f) {
            const ado::Field field = report->Fields(f);
            QString name = field.Name();
            if (tab.packages)
                name = f == 0 ? QStringLiteral("MSGID") : QStringLiteral("Tarih");
            copy->Fields().Append(name, field.Type(), field.DefinedSize());
        }
        copy->Open();

        // A "Vazgeç" pressed during an earlier fetch does not stop this copy.
        mdlGenel::CancelRequested = false;
        vb::PacedYield yield;
        const int fields = copy->Fields().Count();
        report->MoveFirst();
        while (!report->Eof() && !mdlGenel::CancelRequested) {
            copy->AddNew();
            if (tab.copyYields)
                yield();
            for (int f = 0; f < fields; ++f)
                copy->Fields(f).setValue(report->Fields(f).Value());
            copy->UpdateBatch(ado::adAffectAll);
            report->MoveNext();
        }
        if (!mdlGenel::CancelRequested) {
            ExportHeaders.clear();
            for (int f = 0; f < fields; ++f)
                ExportHeaders << copy->Fields(f).Name();
            ExportHeaders << QString();
            forms::Get<frmBekle>().Show();
            vb::DoEvents();
            frmBekle::ExportProgress progress;
            mdlGenel::ExportRecordsetToExcel(copy, fileName, ExportHeaders, progress);
            vb::DoEvents();
        }
        forms::UnloadDefault<frmBekle>();
        if (const ado::RecordsetPtr shown = rsKopuk1->Recordset(); shown && shown->State() != ado::adStateClosed)
            shown->Close();
        copy->Close();
        forms::Unload(*this);
    } catch (const std::exception& e) {
        if (tab.ownExportFailure)
            vb::MsgBox(vb::UnexpectedErrorText(vb::ErrorDescription(e)), vb::vbCritical, kTitle);
        else
            vb::MsgBox(mdlGenel::LastErrorText + vb::ErrorDescription(e), vb::vbCritical, kTitle);
    }
}

void frmRapor::cmdRedZaGonder_1_Click() { resend(1); }
void frmRapor::cmdRedZaGonder_2_Click() { resend(2); }

void frmRapor::resend(int number) {
    const Tab& tab = tabAt(number);
    forms::CommandButton* cancel = tab.cancelButton;
    try {
        cancel->setEnabled(false);
        if (tab.resendClearsStartFlag)
            mdlGenel::StartFlag.clear();
        const ado::RecordsetPtr report = rsKopuk1->Recordset();
        if (noVisibleRow(report)) {
            cancel->setEnabled(true);
            return;
        }
        // In place of the boxes' filter, until a box changes.
        report->setFilter(kFailedStatuses);
        if (noVisibleRow(report)) {
            cancel->setEnabled(true);
            return;
        }
        report->setSort(QStringLiteral("GsmNo ASC"));

        auto numbers = std::make_shared<ado::Recordset>();
        numbers->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 10);
        numbers->Open();
        auto add = [&numbers](const vb::Variant& gsm) {
            numbers->AddNew();
            numbers->Fields(0).setValue(gsm);
            numbers->UpdateBatch(ado::adAffectAll);
        };
        // Sorted, so each number once: a number rejected in one package and
        // timed out in another is sent to once.
        report->MoveFirst();
        QString previous = vb::CStr(report->Fields(0).Value());
        add(report->Fields(0).Value());
        for (report->MoveNext(); !report->Eof(); report->MoveNext()) {
            const QString gsm = vb::CStr(report->Fields(0).Value());
            if (gsm != previous) {
                add(report->Fields(0).Value());
                previous = gsm;
            }
        }
        cancel->setEnabled(true);

        frmSMS_1& page = forms::Get<frmSMS_1>();
        page.CallerForm = forms::FormRef(this);
        page.SourceRecordset = numbers;
        page.Show();
        forms::Unload(*this);
    } catch (const std::exception& e) {
        // With the start flag it has just emptied, where it empties it.
        vb::MsgBox(tab.resendClearsStartFlag ? vb::ErrorDescription(e) + mdlGenel::StartFlag : vb::ErrorDescription(e));
        cancel->setEnabled(true);
    }
}

