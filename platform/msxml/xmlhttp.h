#pragma once

#include "platform/vb/export.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <chrono>

namespace msxml {

// Run-time error numbers a failed request raises: the numbers the original
// component's users saw, so that logs and error boxes read the same.
enum RequestError : int {
    errRequestFailed = -2147467259,     // anything without a closer number
    errDataNotAvailable = -2147483638,  // the reply was read before one came
    errTimeout = -2147012894,           // a time bound ran out (the text names which)
    errConnectionAborted = -2147012866, // the server hung up before its reply was whole
    errReplyTooLarge = -2147024882,     // the reply passed the bound on its size
    errInvalidUrl = -2147012891,
    errUnsupportedScheme = -2147012890,
    errNameNotResolved = -2147012889,
    errCannotConnect = -2147012867,
    errSecureFailure = -2147012721,     // TLS handshake or certificate check failed
};

// How long a request waits before it gives up. Nothing above a request ever
// sets a time-out of its own, so without these a peer that accepts the
// connection and then stays silent would hold the calling window for good.
struct Timeouts {
    std::chrono::milliseconds connect{30000};
    // An exchange in which not a byte moves either way for this long is
    // abandoned; every byte, of the headers too, starts the wait afresh.
    std::chrono::milliseconds idle{120000};
    // However the bytes trickle, an exchange ends after this long.
    std::chrono::milliseconds total{600000};
};

// The most a reply body may hold once decompressed: far beyond any real
// report, and a compressed bomb cannot take the program's memory.
inline constexpr qint64 kMaxReplyBytes = qint64(64) << 20;

// A synchronous HTTP request: open, send, then read the reply.
//
// The reply text is whatever the server sent, whatever the HTTP status; only
// a failure of the exchange itself (no server, a bad URL, a TLS failure, a
// time bound, a reply past kMaxReplyBytes) raises vb::Error. A redirect of a
// POST is not followed: it comes back as the reply, with its status, since
// following it would post the document again to another address. Certificates
// of HTTPS servers are always verified against the system's trust store.
//
// While send() waits, the program's windows keep repainting (vb::WaitScope).
class QM_EXPORT XMLHTTPRequest {
public:
    XMLHTTPRequest();
    ~XMLHTTPRequest();
    XMLHTTPRequest(const XMLHTTPRequest&) = delete;
    XMLHTTPRequest& operator=(const XMLHTTPRequest&) = delete;

    // Only synchronous GET and POST are carried out; anything else raises.
    // A malformed URL or a scheme other than http and https raises here.
    void open(const QString& method, const QString& url, bool async = false);
    // A header set here replaces the request's default of the same name.
    void setRequestHeader(const QString& name, const QString& value);
    // Blocks until the whole reply is in. The body goes out as UTF-8, as
    // "text/xml; charset=utf-8" unless a Content-Type header was set. Its
    // UTF-8 is made a piece at a time as the request goes out, never whole
    // beside the text.
    void send(QString body = {});
    // The same for a body that is UTF-8 already: its bytes go out as they are.
    void send(const QByteArray& utf8);
    // After a send that raised: the whole request had gone out, and then the
    // server hung up or a time bound ran out before the reply was whole. The
    // server may have acted on the request.
    bool replyLost() const { return replyLost_; }

    // Both raise until a reply has arrived.
    int status() const;
    // The reply body decoded as UTF-8; invalid bytes become U+FFFD.
    QString responseText() const;

    static void setTimeouts(const Timeouts& timeouts);
    static Timeouts timeouts();

private:
    class Body;
    void sendBody(Body& body);

    QByteArray method_;
    QByteArray url_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray reply_;
    int status_ = 0;
    bool opened_ = false;
    bool answered_ = false;
    bool replyLost_ = false;
};

} // namespace msxml
