#pragma once

#include <QString>
#include <QStringList>

namespace sending {

// The account-information reply: lines ended by a line feed, the first the
// remaining credit, each further line one originator; a last piece without
// a line feed is dropped. A reply with no line feed at all cannot be read
// and raises "Invalid procedure call".
struct AccountInformation {
    QString credit;
    QStringList originators;
};
AccountInformation ParseAccountInformation(const QString& reply);

} // namespace sending
