#pragma once

#include <QString>

// The send log: every package the gateway accepted, as one row of tbl_giden
// and one row of tbl_sablonlar (the template that produced it), in the
// database shared with the desktop client.
namespace sending {

// One accepted package, in the order of tbl_giden's columns.
struct SendLogRow {
    QString msgid;        // the package id from the gateway's reply
    QString msgTip;       // how the list was made (mdlGenel::SendMode)
    QString gateway;      // the gateway type at send time
    long paketBoyut = 0;  // rows of the recipient list
    QString mesaj;        // "İlk Kayıt :" and the first message
    QString originator;
    QString tarih;        // when the reply came
    QString gtarih;       // when the messages go out
};

// The templates' column holds 255 characters; the rest goes to a second one.
// Every value is stored as the gateway's documents hold it, without the
// characters they cannot hold.
inline constexpr int kTemplatePartLength = 255;

// The two statements. Every value is quoted, the package id too: it comes
// from the gateway's reply and must not be able to end the literal.
QString PackageStatement(const SendLogRow& row);
QString TemplateStatement(const QString& msgid, const QString& templateText);

// Writes the package row, then the template row, each text no longer than
// its column declares (the rest is not stored); the first failure raises
// (a package row already written stays). After a failed package row the
// template row is not tried: it would log a template for a package the log
// does not know.
void WriteSendLog(const SendLogRow& row, const QString& templateText);

// What a sending page tells the user when its package went out whole and no
// answer came back: the gateway may have accepted it, so it is neither a
// failure nor in the log, and the date-range report shows whether it went.
extern const QString kReplyLostNotice;
void ShowReplyLost(const QString& title);

// What a page says in place of its success notices when the log cannot be
// written: the package went out all the same and is not sent again.
QString LogNotWrittenNotice();

} // namespace sending
