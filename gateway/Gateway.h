#pragma once

#include "platform/vb/variant.h"

#include <QString>
#include <memory>
#include <optional>

namespace ado {
class Recordset;
}

// How a post of a document to the gateway ended.
struct GatewayPost {
    // The gateway's reply text, or "-1" when there is none.
    QString reply;
    // The whole document went out and then the connection ended or a time
    // bound ran out with no answer: the gateway may have acted on it. The
    // reply is "-1" all the same.
    bool replyLost = false;
    // Why there is no reply (the request's error number and text); 0 and
    // empty when the gateway answered.
    int errorNumber = 0;
    QString errorText;
};

// The gateway client. Its request operations never raise: they return the
// gateway's reply text, or "-1" on any local failure; callers interpret the
// codes.
//
// It also carries a message basket, one row per recipient (the text and the
// number), that goes out as one package; it lives as long as the object.
class Gateway {
public:
    Gateway();
    // A client whose requests go to `url` rather than to
    // mdlGenel::GatewayUrl: an account is checked at the gateway chosen for
    // it before that choice is saved and loaded.
    explicit Gateway(const QString& url);
    ~Gateway();
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    QString GetInfo(const QString& UserName, const QString& Password);
    // Empties the basket.
    void clearsmsbasket();
    // Adds one row to the basket; its result is always Empty. A text longer
    // than the basket's field (or a number longer than 20 characters) raises,
    // and the basket stays as it was: the one operation that fails to the
    // caller.
    vb::Variant addtosmsbasket(const QString& MsgBody, const QString& GSMNo);
    // Sends the basket as one package and empties it. "-2" for an empty basket
    // (nothing is posted); "-1" when the post fails, the basket keeping its
    // rows for another try.
    QString sendsms(const QString& UserName, const QString& Password, const QString& Originator,
                    const QString& SDate);
    // sendsms with the whole outcome, for a page that must tell a package
    // that may have been accepted from one that failed.
    GatewayPost sendsmsPost(const QString& UserName, const QString& Password, const QString& Originator,
                            const QString& SDate);
    QString getmsgstatus(const QString& UserName, const QString& Password, const QString& MSGID);
    QString getmsgstatusundelivered(const QString& UserName, const QString& Password, const QString& MSGID);
    QString getmsgstatustodate(const QString& UserName, const QString& Password, const QString& FDate,
                               const QString& LDate);
    QString about();
    QString GetSystemTime(const QString& UserName, const QString& Password);

private:
    QString address() const;

    std::unique_ptr<ado::Recordset> basket_;
    std::optional<QString> url_;
};

namespace mdlGenel {

// Whether a reply counts as a failure code: found anywhere inside the list
// "-2,-1,01,...,13", so the empty reply and fragments such as "1" count too.
bool InGatewayCodeList(const QString& reply);
// Whether the reply is one of the codes of that list, whole ("5" and "1,0"
// are none).
bool IsGatewayCode(const QString& reply);

// Posts a document to mdlGenel::GatewayUrl. Only an answer with a 2xx
// status is a reply: an error status (a server's or a proxy's page) and a
// redirect, which is not followed, are local failures, as are a connection
// that fails, a time bound and a reply past the size bound. A document
// moved in is let go of once its bytes are made, before the post.
GatewayPost PostDocument(QString document);
// The same for a document that is UTF-8 already, posted as its bytes.
GatewayPost PostDocument(const QByteArray& utf8);
// The same to another address (an account checked at a gateway not yet saved).
GatewayPost PostDocumentTo(const QString& url, QString document);
// The reply text of PostDocument, or "-1".
QString PostToGateway(const QString& document);
// Raises for an answer PostDocument would not take as a reply (a status
// outside 2xx), for callers that post with a request of their own and let
// a failure raise into their handler.
void RaiseUnlessReply(int status);

// The client identification: the deliverable's module name followed by its
// major, minor and revision numbers joined by "."; none in an edition that
// does not send it.
std::optional<QString> ClientId();

} // namespace mdlGenel
