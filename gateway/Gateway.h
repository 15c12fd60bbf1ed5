#pragma once

#include <QString>
#include <optional>

// The gateway client. Its request operations never raise: they return the
// gateway's reply text, or "-1" on any local failure; callers interpret the
// codes.
class Gateway {
public:
    Gateway();
    ~Gateway();

    QString GetInfo(const QString& UserName, const QString& Password);
    QString getmsgstatus(const QString& UserName, const QString& Password, const QString& MSGID);
    QString getmsgstatusundelivered(const QString& UserName, const QString& Password, const QString& MSGID);
    QString getmsgstatustodate(const QString& UserName, const QString& Password, const QString& FDate,
                               const QString& LDate);
    QString about();
    QString GetSystemTime(const QString& UserName, const QString& Password);
};

namespace mdlGenel {

// Posts a document to mdlGenel::GatewayUrl and returns the reply text, or
// "-1" on any local failure.
QString PostToGateway(const QString& document);

// The client identification: the deliverable's module name followed by its
// major, minor and revision numbers joined by "."; none in an edition that
// does not send it.
std::optional<QString> ClientId();

} // namespace mdlGenel
