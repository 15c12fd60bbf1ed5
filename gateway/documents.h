#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// The gateway's request documents, built by plain concatenation: no XML
// declaration and no whitespace between elements. Every value has "&", "<"
// and ">" escaped, so that a password or an originator holding them cannot
// break the document, and loses the characters XML 1.0 does not allow (the
// control characters but tab, line feed and carriage return, a half of a
// surrogate pair on its own, U+FFFE and U+FFFF), which would make the whole
// document unreadable; any other character keeps its bytes, and message
// texts are folded before they get here, so they read as before.
namespace quillmere::documents {

// The value with "&", "<" and ">" written as XML entities, without the
// characters a document cannot hold.
QString Escape(QStringView value);
// The value without the characters a document cannot hold: the text the
// gateway gets of it.
QString Storable(QStringView value);

// Query actions.
inline constexpr int kAccountInfo = 4;
inline constexpr int kUndelivered = 9;
inline constexpr int kPackageStatus = 11;
inline constexpr int kSystemTime = 12;
inline constexpr int kNumberReport = 14;
inline constexpr int kMessageText = 15;
inline constexpr int kDateRangeStatus = 17;

// Who asks: the account identity, its password and, where the edition sends
// it, the client identification.
struct Credentials {
    QString identity;
    QString password;
    std::optional<QString> clientId;
};

// "<MainReportRoot>" with the account, the action and the given elements in
// order.
QString Query(int action, const Credentials& who,
              const std::vector<std::pair<QString, QString>>& elements = {});

// "<SDate></SDate>" for immediate sending, else "<SDate>" the twelve digits
// "</SDate>".
QString SendDate(const QString& sdate);

// Action 0: one text to a list of numbers, each followed by ",".
QString SendToNumbers(const Credentials& who, const QString& text, const QStringList& numbers,
                      const QString& originator, const QString& sdate);

struct Message {
    QString text;
    QString number;
};

// Action 1 (or the second edition's 41): one message per number.
QString SendMessages(const Credentials& who, const std::vector<Message>& messages, const QString& originator,
                     const QString& sdate, int action = 1);

// The same two documents for a caller that builds the long part itself, in
// a buffer of its own, from these pieces: one "<Message>" element, and one
// number of a number list with the comma that follows it.
QString MessageElement(const Message& message);
QString NumberListItem(QStringView number);
// Action 0 around a number list made of NumberListItem pieces, and action 1
// (or 41) around elements made by MessageElement; the pieces go in as they
// are, having been escaped when they were made.
QString SendToNumberList(const Credentials& who, const QString& text, const QString& numberList,
                         const QString& originator, const QString& sdate);
QString SendMessageElements(const Credentials& who, const QString& elements, const QString& originator,
                            const QString& sdate, int action = 1);
// What these two documents hold before and after their long part, for a
// caller that writes a whole document into one buffer of its own: the
// document is the head, the pieces and the tail, with nothing copied once
// the buffer is full.
QString NumberListHead(const Credentials& who, const QString& text);
QString NumberListTail(const QString& originator, const QString& sdate);
QString MessagesHead(const Credentials& who, int action = 1);
QString MessagesTail(const QString& originator, const QString& sdate);

} // namespace quillmere::documents
