#include "sending/sendlog.h"

#include "data/database.h"
#include "gateway/documents.h"
#include "platform/ado/ado.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/strings.h"
#include "state/mdlGenel.h"

#include <iterator>
#include <utility>
#include <vector>

namespace sending {

namespace {

// Every value as the gateway got it: a character a document cannot hold (a
// NUL, say) went nowhere, and in a statement it would end the text and fail
// the log of a package the gateway accepted.
QString q(const QString& value) { return mdlGenel::SqlQuote(quillmere::documents::Storable(value)); }

void execute(const QString& statement) {
    mdlGenel::OpenDatabase();
    mdlGenel::DbConnection->Execute(statement);
}

// The longest text each column takes, as the database declares it.
std::vector<int> declaredSizes(const QString& table, const QStringList& columns) {
    mdlGenel::OpenDatabase();
    const ado::RecordsetPtr none = mdlGenel::DbConnection->Execute(
        QStringLiteral("SELECT ") + columns.join(u',') + QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE 1 = 0"));
    std::vector<int> sizes;
    for (int i = 0; i < columns.size(); ++i)
        sizes.push_back(none->Fields(i).DefinedSize());
    return sizes;
}

// A value as its column can hold it: no longer than the column declares
// (never cut between the halves of a pair). The gateway's reply is not to
// be trusted with the size of a package id, and the desktop client that
// shares the database reads the columns at their declared sizes.
void bound(QString& value, int size) {
    value = quillmere::documents::Storable(value);
    if (size > 0)
        value = vb::LeftWhole(value, size);
}

} // namespace

QString PackageStatement(const SendLogRow& row) {
    return QStringLiteral("INSERT INTO tbl_giden(msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih) ")
           + QStringLiteral("VALUES('") + q(row.msgid) + QStringLiteral("','") + q(row.msgTip)
           + QStringLiteral("','") + q(row.gateway) + QStringLiteral("',") + QString::number(row.paketBoyut)
           + QStringLiteral(",'") + q(row.mesaj) + QStringLiteral("','") + q(row.originator)
           + QStringLiteral("','") + q(row.tarih) + QStringLiteral("','") + q(row.gtarih) + QStringLiteral("')");
}

QString TemplateStatement(const QString& msgid, const QString& templateText) {
    // The split counts the characters as typed, before the quotes are
    // doubled, and never parts the halves of a pair.
    const QString text = quillmere::documents::Storable(templateText);
    const QString first = vb::LeftWhole(text, kTemplatePartLength);
    const QString second = text.mid(first.size());
    return QStringLiteral("INSERT INTO tbl_sablonlar (msgid,sablon_p1,sablon_p2) ") + QStringLiteral("VALUES('")
           + q(msgid) + QStringLiteral("','") + q(first) + QStringLiteral("','") + q(second) + QStringLiteral("')");
}

const QString kReplyLostNotice =
    QStringLiteral("Mesajınız mesaj merkezine gönderildi ancak mesaj merkezinden yanıt alınamadı.") + vb::vbCrLf
    + QStringLiteral("Mesajınız mesaj merkezi tarafından kabul edilmiş olabilir.") + vb::vbCrLf
    + QStringLiteral("Tekrar göndermeden önce Raporlar penceresindeki \"İki tarih arasındaki SMS raporları\" "
                     "bölümünden gönderiminizi kontrol ediniz.");

void ShowReplyLost(const QString& title) { vb::MsgBox(kReplyLostNotice, vb::vbInformation, title); }

void WriteSendLog(const SendLogRow& row, const QString& templateText) {
    // The package's texts and the columns that hold them.
    static const std::pair<QString, QString SendLogRow::*> kTexts[] = {
        {QStringLiteral("msgid"), &SendLogRow::msgid},           {QStringLiteral("msg_tip"), &SendLogRow::msgTip},
        {QStringLiteral("gateway"), &SendLogRow::gateway},       {QStringLiteral("mesaj"), &SendLogRow::mesaj},
        {QStringLiteral("originator"), &SendLogRow::originator}, {QStringLiteral("tarih"), &SendLogRow::tarih},
        {QStringLiteral("gtarih"), &SendLogRow::gtarih},
    };
    QStringList columns;
    for (const auto& text : kTexts)
        columns << text.first;
    const std::vector<int> sizes = declaredSizes(QStringLiteral("tbl_giden"), columns);
    SendLogRow stored = row;
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        bound(stored.*kTexts[i].second, sizes[i]);
    execute(PackageStatement(stored));

    // The template's parts are its own; its package id is the one logged.
    QString msgid = row.msgid;
    bound(msgid, declaredSizes(QStringLiteral("tbl_sablonlar"), {QStringLiteral("msgid")})[0]);
    execute(TemplateStatement(msgid, templateText));
}

QString LogNotWrittenNotice() {
    return QStringLiteral("Mesaj Başarı İle Gönderildi.") + vb::vbCrLf
           + QStringLiteral("Ancak bilgisayarınız üzerindeki bir program veri tabanına veri girişine izin vermiyor")
           + vb::vbCrLf + QStringLiteral("Bu sebeple gönderim raporu veri tabanına yazılamadı");
}

} // namespace sending
