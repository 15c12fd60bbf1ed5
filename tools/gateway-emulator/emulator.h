#pragma once

#include "document.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The state and the answers of the local stand-in for the SMS gateway: the
// accounts, the packages they sent with a status per number, and the raw
// replies a test has queued. Thread-safe: the HTTP server calls it from its
// worker threads.
//
// Reply codes of its own (the add-in's readers take "01" and "03" as a wrong
// login, "04"/"05" as a proxy problem, "08" as nothing found, "17"/"18" as the
// date-range answers; every other code as a plain failure):
//   "01" unknown user name, or wrong password
//   "02" the body is not a request document, or an action in the wrong root
//   "03" user name and password right, but the client code is not the user's
//   "06" not enough credit for the package (nothing is charged)
//   "07" the originator is not one of the account's
//   "08" actions 14 and 15: nothing sent to that number in the range / package
//   "09" actions 9 and 11: no such package of the account
//   "10" a send without recipients (or a message without its number)
//   "11" a send date that is neither empty nor twelve digits of a real time
//   "12" an action the gateway does not know
//   "13" a message text that is empty or longer than 612 characters
//   "17" action 17: a date that is not yyyy-mm-dd, or the first after the last
//   "18" action 17: no package between the dates
// "04", "05", "19" and "100" are never produced on their own: a test queues
// them with the control request "next-reply".
namespace gwemu {

struct Account {
    QString user;
    QString password;
    QString clientCode;  // empty: the account answers to its user name alone
    qint64 credit = 0;
    QStringList originators;
};

// The built-in demo account: "demo" / "demo123", client code "DEMO" (identity
// "demo-DEMO" for the gateway service, "demo" for a Palvori server), credit
// 1000, originators "QUILLMERE" and "DEMO FIRMA".
std::vector<Account> DemoAccounts();

// Accounts from a JSON file: {"accounts": [{"user", "password", "clientCode",
// "credit", "originators": [...]}, ...]} or the bare array. Null, with the
// reason in *error, when the file cannot be read or holds no account.
std::optional<std::vector<Account>> LoadAccounts(const QString& path, QString* error);

// SMS parts a text costs: 1 up to 160 characters, 2 up to 306, 3 up to 459,
// 4 beyond.
int SmsParts(qsizetype length);

// Status code of a number once it has left the pending state: numbers ending
// in 0 are rejected (2), ending in 9 time out (5), all others are delivered (3).
char FinalStatus(const QString& number);

class Emulator {
public:
    // Package ids count up from firstId (a demo that restarts the emulator
    // passes a new one, so ids already in the send log are not given again).
    Emulator(std::vector<Account> accounts, qint64 settleMs, qint64 firstId = 100001);

    struct Reply {
        std::string body;
        std::string contentType;
    };
    // The answer to one request document.
    Reply Answer(const QByteArray& body);

    struct ControlReply {
        int status = 200;
        QJsonObject body;
        bool shutdown = false;
    };
    // One command of the control path (a JSON object with "cmd").
    ControlReply Control(const QByteArray& body);

private:
    struct Recipient {
        QString number;
        QString text;
    };
    struct Package {
        qint64 id = 0;
        size_t account = 0;
        int action = 0;
        QString originator;
        QDateTime accepted;
        std::optional<QDateTime> scheduled;
        QDateTime sendAt;  // the scheduled time, else the time of acceptance
        bool settled = false;
        qint64 charged = 0;
        std::vector<Recipient> recipients;
    };

    // Which account an identity names: the account, or the login code.
    struct Login {
        std::optional<size_t> account;
        const char* code = "01";
    };
    std::optional<size_t> findAccount(const QString& identity) const;
    Login login(const QString& identity, const QString& password) const;

    QString answer(const Document& doc, int action, std::string* contentType);
    QString send(const Document& doc, size_t account, int action);
    QString packageStatus(const Document& doc, size_t account, bool undeliveredOnly);
    QString dateRangeStatus(const Document& doc, size_t account);
    QString numberReport(const Document& doc, size_t account);
    QString messageText(const Document& doc, size_t account);

    char status(const Package& p, const Recipient& r, const QDateTime& now) const;
    const Package* package(size_t account, const QString& id) const;
    QJsonObject state(bool numbers) const;

    mutable std::mutex mutex_;
    const std::vector<Account> initialAccounts_;
    std::vector<Account> accounts_;
    const qint64 settleMs_;
    std::vector<Package> packages_;
    qint64 firstId_;
    qint64 nextId_;
    // Raw replies queued by a test, per action and for any action ("any").
    std::map<QString, std::deque<std::string>> queued_;
};

} // namespace gwemu
