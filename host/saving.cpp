#include "host/saving.h"

#include "platform/excel/application.h"
#include "platform/excel/workbook.h"
#include "platform/vb/msgbox.h"

#include <QFileInfo>

namespace host {

bool ConfirmLosses(const excel::Workbook& book, const QString& fileName, excel::FileFormat format) {
    const QStringList lost = book.LossesIn(format);
    if (lost.isEmpty())
        return true;
    QString prompt = QStringLiteral("'%1' bu dosya biçiminde kaydedilirse şunlar kaybolacak:\n").arg(QFileInfo(fileName).fileName());
    for (const QString& line : lost)
        prompt += QStringLiteral("\n- ") + line;
    prompt += format == excel::FileFormat::Xlsx
                  ? QStringLiteral("\n\nYine de kaydedilsin mi?")
                  : QStringLiteral("\n\nBunları korumak için Excel Çalışma Kitabı (.xlsx) biçiminde kaydedin. "
                                   "Yine de bu biçimde kaydedilsin mi?");
    return vb::MsgBox(prompt, vb::vbYesNo | vb::vbExclamation, excel::Application::Name()) == vb::vbYes;
}

} // namespace host
