#pragma once

#include "gateway/Gateway.h"
#include "platform/ado/ado.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What both sending pages (the quick-send page and the final screen of the
// template road) do alike around a send, without their windows.
namespace sending {

// The account as the send documents name it: user name, "-" and client
// code for the gateway service, the user name alone otherwise.
QString GatewayIdentity();

// Credit and originators: the reply to the account request, "" for a
// gateway type that is neither of the two (nothing is asked then).
QString RequestAccountInformation();
// A reply that holds no account information: empty, "01", "-1", or a web
// page ("<HTML>"). Any other is read by quillmere::replies::ParseAccountInfo.
bool AccountRequestFailed(const QString& reply);

// The confirmation asked before a send to that many recipients, now or at
// the scheduled date and time.
QString SendQuestion(long recipients, bool scheduled, const QDateTime& date, const QDateTime& time);
// The checks after the confirmation: the credit shown covers the count of
// recipients (one credit each), and an originator is chosen. When one fails
// the page's message is shown (and, for the originator, focusOriginator
// runs) and the result is false. A credit or count that is no number raises
// "Type mismatch".
bool SendChecksPass(const QString& credit, const QString& recipients, const QString& originator,
                    const std::function<void()>& focusOriginator);

// The scheduled moment as the documents carry it (ddMMyyyyHHmm) and as the
// send log keeps it (dd.MM.yyyy HH:mm:00), from the date and time pickers.
QString ScheduleDigits(const QDateTime& date, const QDateTime& time);
QString ScheduledMoment(const QDateTime& date, const QDateTime& time);

// What became of a send document, the one place where both pages read the
// outcome of a post.
enum class SendReply {
    Lost,           // it went out whole and no answer came: it may be there
    NoConnection,   // "-1", or a web page ("<HTML>", "<html>")
    NotDelivered,   // "04", "05": it did not reach the message centre
    Accepted,       // "ID" and the package id
    Refused,        // anything else
};
SendReply ClassifySendReply(const GatewayPost& post);
// What both pages say of a refused package.
void ShowSendRefused();
// What a page says when its package did not reach the message centre (a
// proxy or a firewall in the way).
void ShowNotDelivered();
// The package id of an accepted reply: from its fourth character, trimmed.
QString PackageId(const QString& reply);

// "Listeden çıkar": asks, then takes the list's current row off the list;
// the cursor goes on to a row still there. Whether a row was removed (not
// after the answer No, with an empty list or with no valid current row);
// `before`, when given, runs on the row just before it goes, and what it
// raises keeps the row.
bool RemoveCurrentRow(const ado::RecordsetPtr& list, const std::function<void()>& before = {});
// The same with the count of recipients shown: the count caption that
// follows (the old count less one, without a leading blank), or nothing
// when no row was removed.
std::optional<QString> RemoveCurrentRecipient(const ado::RecordsetPtr& list, const QString& countCaption);

} // namespace sending
