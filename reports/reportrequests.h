#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// The requests the report window makes of the gateway beside those of the
// gateway client (the number report and the texts of a package's
// messages), and what it says to the codes the gateway answers with.
namespace reports {

// Whether the account's gateway type is one the window asks: the gateway
// service or Palvori.
bool KnownGateway();

// A gateway error code in place of a report: the account was refused, and
// the message says so. Only a whole code counts: a reply such as "5" is
// report text.
bool ShowRefusedAccount(const QString& reply);

// The number report (14) and message-text (15) documents, with the
// account's credentials before the given elements; none for a gateway type
// the window does not know.
QString OwnQuery(int action, const std::vector<std::pair<QString, QString>>& elements);

// Posts such a document: a failed post raises, with no "-1" in its place;
// so does an error page or a redirect, which would otherwise read as an
// empty report or go to the parser.
QString PostOwnQuery(const QString& document);

// A reply code and what the window says to it. "-1" stands for a web page
// too: a reply whose first six characters are "<HTML>".
struct CodeMessage {
    QStringList replies;
    QString text;
    int icon;
};

// Shows the message of the first entry the reply is one of; false when it
// is none of them.
bool ShowCodeMessage(const QString& reply, const std::vector<CodeMessage>& table);

// The texts of a message-text reply, in one box: each message numbered
// when there are several. A reply without a text raises.
void ShowMessageTexts(const QString& reply, const QString& packageId, const QString& number);

} // namespace reports
