#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Readers of the gateway's plain-text answers, each one pass over the reply.
namespace quillmere::replies {

// The account-information answer: the remaining credit on the first line,
// then one originator per line; every line ends with a line feed (a carriage
// return before it is dropped), and text after the last line feed is not
// used.
struct AccountInfo {
    QString credit;
    QStringList originators;
};

// A reply without any line feed cannot be read and raises "Invalid
// procedure call or argument", as cutting it at a missing line end does.
AccountInfo ParseAccountInfo(QStringView reply);

} // namespace quillmere::replies
