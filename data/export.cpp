#include "data/export.h"

#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/range.h"
#include "platform/excel/workbook.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "platform/vb/timer.h"
#include "platform/win32/filesystem.h"
#include "platform/win32/paths.h"
#include "state/mdlGenel.h"

namespace mdlGenel {

namespace {

constexpr long kPageSize = 65535;

} // namespace

void ExportRecordsetToExcel(std::shared_ptr<ado::Recordset>& rs, QString& fileName, QStringList& headers,
                            ExportSink& progress) {
    std::shared_ptr<ado::Recordset> page;
    std::shared_ptr<excel::Worksheet> sheet;
    std::shared_ptr<excel::Application> xl;
    try {
        vb::DoEvents();
        LastErrorText = QStringLiteral("Mevcut Excel dosyası silinemiyor");
        const QString path = win32::LocalPath(fileName);
        win32::FileSystemObject fso;
        if (fso.FileExists(path))
            fso.DeleteFile(path);
        vb::DoEvents();

        LastErrorText = QStringLiteral("Bilgisayarınızda, uygulmayı destekleyen Excel programı kurulu olmadığından "
                                       "veri aktarım işlemi yapılamıyor");
        if (!rs)
            vb::Raise(vb::errObjectNotSet);
        progress.copyStarts(qint32(rs->RecordCount()));

        xl = excel::CreateObject(QStringLiteral("Excel.Application"));
        xl->Workbooks().Add();
        std::shared_ptr<excel::Workbook> book = xl->ActiveWorkbook();
        // A new workbook has three sheets; one is kept.
        book->Sheets().Item(1)->Delete();
        book->Sheets().Item(2)->Delete();

        rs->setPageSize(kPageSize);
        const long pages = rs->PageCount();
        for (long added = 1; added < pages; ++added)
            book->Sheets().Add();

        page = std::make_shared<ado::Recordset>();
        const int fields = rs->Fields().Count();
        for (int f = 0; f < fields; ++f) {
            const ado::Field field = rs->Fields(f);
            page->Fields().Append(field.Name(), field.Type(), field.DefinedSize());
        }

        // The yields of the records: the wait window's figures and the
        // windows behind stay alive without a turn of the event loop for
        // every record.
        vb::PacedYield yield;
        for (long p = 1; p <= pages; ++p) {
            rs->setAbsolutePage(p);
            if (page->State() == ado::adStateClosed)
                page->Open();
            progress.status(QStringLiteral("Sayfa ") + QString::number(p) + QStringLiteral(" kayıtları oluşturuluyor..."));
            vb::DoEvents();
            for (long n = 0; n < kPageSize; ++n) {
                page->AddNew();
                for (int f = 0; f < fields; ++f)
                    page->Fields(f).setValue(rs->Fields(f).Value());
                page->UpdateBatch(ado::adAffectAll);
                yield();
                progress.recordCopied();
                yield();
                rs->MoveNext();
                if (rs->Eof())
                    break;
            }
            progress.status(QStringLiteral("Sayfa ") + QString::number(p) + QStringLiteral(" kaydediliyor..."));
            vb::DoEvents();
            page->MoveFirst();
            sheet = book->Sheets().Item(int(p));
            sheet->Range(QStringLiteral("A2")).CopyFromRecordset(*page);
            page->MoveFirst();
            while (!page->Eof()) {
                page->Delete();
                page->UpdateBatch(ado::adAffectAll);
                page->MoveNext();
                yield();
            }
        }

        progress.copyEnds();
        vb::DoEvents();
        progress.status(QStringLiteral("Sayfa adları oluşturuluyor..."));
        vb::DoEvents();
        for (int i = 1, n = book->Sheets().Count(); i <= n; ++i)
            book->Sheets().Item(i)->setName(QStringLiteral("Sayfa") + QString::number(-i));
        for (int i = 1, n = book->Sheets().Count(); i <= n; ++i)
            book->Sheets().Item(i)->setName(QStringLiteral("Sayfa") + QString::number(i));

        progress.status(QStringLiteral("Sayfa başlık bilgileri ekleniyor..."));
        LastErrorText = QStringLiteral("Başlık bilgileri oluşturulamadı");
        const int labelled = int(headers.size()) - 1;
        for (int s = 1, n = book->Sheets().Count(); s <= n; ++s) {
            sheet = book->Sheets().Item(s);
            for (int c = 1; c <= labelled; ++c)
                sheet->Cells(1, c).setValue(headers[c - 1]);
        }
        book->SaveAs(path);

        LastErrorText = QStringLiteral("Excel dosyası okunamıyor. Dosya bozulmuş ya da silinmiş olabilir");
        progress.saved();
        vb::MsgBox(QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"), vb::vbInformation,
                   QStringLiteral("Vellmar Yöneticisi"));
        LastErrorText = QStringLiteral("Excel dosyası okunamıyor. Dosya bozulmuş ya da silinmiş olabilir");
        // Fitted after the save: the file keeps the standard widths, the
        // user sees the fitted ones.
        for (int i = 1, n = book->Worksheets().Count(); i <= n; ++i) {
            sheet = book->Worksheets().Item(i);
            sheet->Columns().AutoFit();
            sheet->Rows().AutoFit();
        }

        LastErrorText = QStringLiteral("Oluşturulan Excel dosyası görüntülenemiyor");
        xl->setVisible(true);
    } catch (const std::exception& e) {
        vb::MsgBox(vb::ErrorDescription(e) + vb::vbCrLf + LastErrorText, vb::vbCritical, QStringLiteral("Uyarı"));
    }
}

} // namespace mdlGenel
