#include "platform/msxml/xmlhttp.h"

#include "platform/vb/error.h"
#include "platform/vb/timer.h"

#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <curl/curl.h>
#include <linux/tcp.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace msxml {

namespace {

const QString kSource = QStringLiteral("msxml3.dll");

std::atomic<long long> g_connectMs{Timeouts{}.connect.count()};
std::atomic<long long> g_idleMs{Timeouts{}.idle.count()};
std::atomic<long long> g_totalMs{Timeouts{}.total.count()};
// How often a wait looks at the connection and lets the windows repaint.
constexpr int kPollMs = 10;

void ensureCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};

// The reply as it comes in, held to the bound on its size.
struct Sink {
    QByteArray data;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* target) {
    auto* sink = static_cast<Sink*>(target);
    const qint64 n = qint64(size * count);
    if (sink->data.size() + n > kMaxReplyBytes) {
        sink->tooLarge = true;
        return 0;  // ends the transfer
    }
    sink->data.append(data, qsizetype(n));
    return size * count;
}

// The sockets a request opened (a name may give several addresses to try),
// so that the bytes on them can be counted while the transfer runs.
struct Sockets {
    std::vector<curl_socket_t> open;
};

int sockopen(void* data, curl_socket_t fd, curlsocktype) {
    static_cast<Sockets*>(data)->open.push_back(fd);
    return CURL_SOCKOPT_OK;
}

int sockclose(void* data, curl_socket_t fd) {
    auto& open = static_cast<Sockets*>(data)->open;
    open.erase(std::remove(open.begin(), open.end(), fd), open.end());
    return ::close(fd);
}

// Bytes moved on the connection either way, headers and TLS records
// included: what the kernel counts on the sockets, and what curl counts, so
// that any byte at all shows. curl's own low-speed check averages over
// seconds and counts only body bytes, so a peer trickling its headers would
// look silent.
long long bytesMoved(CURL* h, const Sockets& sockets) {
    long long moved = 0;
    for (curl_socket_t socket : sockets.open) {
        tcp_info info{};
        socklen_t size = sizeof info;
        if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) == 0
            && size >= socklen_t(offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received))
            moved += (long long)(info.tcpi_bytes_received + info.tcpi_bytes_acked);
    }
    curl_off_t down = 0, up = 0;
    long headers = 0;
    curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &down);
    curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &up);
    curl_easy_getinfo(h, CURLINFO_HEADER_SIZE, &headers);
    return moved + down + up + headers;
}

bool connected(CURL* h) {
    curl_off_t at = 0;
    return curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &at) == CURLE_OK && at > 0;
}

// Whether the whole request, head and body, went out.
bool requestWentOut(CURL* h, qsizetype bodySize) {
    long head = 0;
    curl_off_t body = 0;
    curl_easy_getinfo(h, CURLINFO_REQUEST_SIZE, &head);
    curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &body);
    return head > 0 && body >= curl_off_t(bodySize);
}

// The failures that leave a request that went out without its answer: the
// server hung up or reset the connection part way.
bool connectionEnded(CURLcode code) {
    return code == CURLE_GOT_NOTHING || code == CURLE_RECV_ERROR || code == CURLE_PARTIAL_FILE;
}

int errorNumber(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return errUnsupportedScheme;
    case CURLE_URL_MALFORMAT:
        return errInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return errNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return errCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return errTimeout;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return errConnectionAborted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
        return errSecureFailure;
    default:
        return errRequestFailed;
    }
}

// Loopback never goes through a proxy: a proxy set in the environment for the
// outside world must not catch requests meant for a server on this machine.
QByteArray proxyExceptions() {
    QByteArray list = qgetenv("no_proxy");
    if (list.isEmpty())
        list = qgetenv("NO_PROXY");
    if (!list.isEmpty())
        list += ',';
    return list + "localhost,127.0.0.0/8,::1";
}

bool isWebScheme(const QByteArray& scheme) {
    return scheme == "http" || scheme == "https";
}

} // namespace

// The body as curl reads it: bytes that are UTF-8 already, or the UTF-8 of
// a text made a piece at a time, so that a document of a hundred megabytes
// is not held a second time as bytes.
class XMLHTTPRequest::Body {
public:
    explicit Body(QString text) : text_(std::move(text)) {
        // The length goes ahead of the body: the bytes UTF-8 makes of each
        // unit, a half of a pair alone being one "?", as the pieces make it.
        const QChar* u = text_.constData();
        const qsizetype n = text_.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = u[i].unicode();
            if (c < 0x80)
                size_ += 1;
            else if (c < 0x800)
                size_ += 2;
            else if (QChar::isHighSurrogate(c) && i + 1 < n && u[i + 1].isLowSurrogate())
                size_ += 4, ++i;
            else if (QChar::isSurrogate(c))
                size_ += 1;
            else
                size_ += 3;
        }
    }
    explicit Body(const QByteArray& utf8) : bytes_(utf8), size_(utf8.size()) {}
    qint64 size() const { return size_; }

    static size_t read(char* buffer, size_t size, size_t count, void* data) {
        auto* body = static_cast<Body*>(data);
        const size_t room = size * count;
        size_t written = 0;
        while (written < room) {
            if (body->sent_ == body->bytes_.size()) {
                // A body given as bytes has no text to encode.
                if (body->at_ >= body->text_.size())
                    break;
                body->bytes_ = body->piece(body->at_);
                body->sent_ = 0;
            }
            const size_t n = std::min(room - written, size_t(body->bytes_.size() - body->sent_));
            std::memcpy(buffer + written, body->bytes_.constData() + body->sent_, n);
            body->sent_ += qsizetype(n);
            written += n;
        }
        return written;
    }

private:
    // The UTF-8 of the units from at on, a surrogate pair never cut; at
    // moves past them.
    QByteArray piece(qsizetype& at) const {
        constexpr qsizetype kUnits = 1 << 16;
        qsizetype n = std::min(kUnits, text_.size() - at);
        if (at + n < text_.size() && text_.at(at + n - 1).isHighSurrogate() && text_.at(at + n).isLowSurrogate())
            --n;
        QByteArray out = QStringView(text_).mid(at, n).toUtf8();
        at += n;
        return out;
    }

    const QString text_;
    QByteArray bytes_;
    qint64 size_ = 0;
    qsizetype at_ = 0;
    qsizetype sent_ = 0;
};

XMLHTTPRequest::XMLHTTPRequest() = default;
XMLHTTPRequest::~XMLHTTPRequest() = default;

void XMLHTTPRequest::open(const QString& method, const QString& url, bool async) {
    if (async)
        vb::Raise(vb::errInvalidCall, QStringLiteral("Asynchronous requests are not supported"), kSource);
    const QByteArray verb = method.trimmed().toUpper().toLatin1();
    if (verb != "GET" && verb != "POST")
        vb::Raise(vb::errInvalidCall, QStringLiteral("Unsupported request method: %1").arg(method), kSource);

    ensureCurl();
    const QByteArray target = url.trimmed().toUtf8();
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed)
        vb::Raise(errRequestFailed, QStringLiteral("Out of memory"), kSource);
    if (CURLUcode rc = curl_url_set(parsed.get(), CURLUPART_URL, target.constData(), 0); rc != CURLUE_OK)
        vb::Raise(errInvalidUrl,
                  QStringLiteral("Invalid URL \"%1\": %2").arg(url, QString::fromUtf8(curl_url_strerror(rc))),
                  kSource);
    char* scheme = nullptr;
    curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0);
    const QByteArray schemeText = scheme ? QByteArray(scheme).toLower() : QByteArray();
    curl_free(scheme);
    if (!isWebScheme(schemeText))
        vb::Raise(errUnsupportedScheme, QStringLiteral("Unsupported URL scheme: %1").arg(url), kSource);

    method_ = verb;
    url_ = target;
    headers_.clear();
    reply_.clear();
    status_ = 0;
    answered_ = false;
    opened_ = true;
}

void XMLHTTPRequest::setRequestHeader(const QString& name, const QString& value) {
    if (!opened_)
        vb::Raise(errRequestFailed, QStringLiteral("The request has not been opened"), kSource);
    const QByteArray key = name.trimmed().toLatin1();
    if (key.isEmpty() || key.contains(':') || key.contains('\n') || key.contains('\r') ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        vb::Raise(vb::errInvalidCall, QStringLiteral("Invalid request header: %1").arg(name), kSource);
    headers_.removeIf([&](const auto& h) { return h.first.compare(key, Qt::CaseInsensitive) == 0; });
    headers_.append({key, value.toUtf8()});
}

void XMLHTTPRequest::send(QString body) {
    Body payload(std::move(body));
    sendBody(payload);
}

void XMLHTTPRequest::send(const QByteArray& utf8) {
    Body payload(utf8);
    sendBody(payload);
}

void XMLHTTPRequest::sendBody(Body& payload) {
    if (!opened_)
        vb::Raise(errRequestFailed, QStringLiteral("The request has not been opened"), kSource);
    answered_ = false;
    replyLost_ = false;
    reply_.clear();
    status_ = 0;

    // Before the handles: curl writes to the first and closes its sockets
    // through the second until the handles are cleaned up.
    Sink sink;
    Sockets sockets;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi)
        vb::Raise(errRequestFailed, QStringLiteral("Out of memory"), kSource);
    CURL* h = easy.get();
    char message[CURL_ERROR_SIZE] = {};
    const QByteArray noProxy = proxyExceptions();

    std::unique_ptr<curl_slist, SlistDeleter> list;
    auto addHeader = [&](const QByteArray& line) {
        // The head stays the same once there is one; a failed append leaves the list as it was.
        if (curl_slist* head = curl_slist_append(list.get(), line.constData()); head != list.get()) {
            (void)list.release();
            list.reset(head);
        }
    };
    bool typeGiven = false;
    for (const auto& [key, value] : headers_) {
        typeGiven = typeGiven || key.compare("Content-Type", Qt::CaseInsensitive) == 0;
        addHeader(key + ": " + value);
    }
    if (method_ == "POST" && !typeGiven)
        addHeader("Content-Type: text/xml; charset=utf-8");
    // Without this curl holds back a body over 1 KiB for an interim answer
    // that a plain server never sends, and the request stalls a second.
    addHeader("Expect:");

    const Timeouts bounds = timeouts();
    curl_easy_setopt(h, CURLOPT_URL, url_.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // A POST is never sent on to another address, least of all from https
    // to plain http: the document carries the account's password.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, method_ == "POST" ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.constData());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxReplyBytes));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(bounds.connect.count()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_SOCKOPTFUNCTION, sockopen);
    curl_easy_setopt(h, CURLOPT_SOCKOPTDATA, &sockets);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, sockclose);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &sockets);
    if (method_ == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(payload.size()));
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &Body::read);
        curl_easy_setopt(h, CURLOPT_READDATA, &payload);
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }

    // The caller waits, as a synchronous request does, while its windows repaint.
    enum class Bound { None, Idle, Total };
    Bound hit = Bound::None;
    CURLcode rc = CURLE_OK;
    {
        vb::WaitScope waiting;
        curl_multi_add_handle(multi.get(), h);
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        Clock::time_point lastMove = start;
        long long moved = -1;
        for (;;) {
            int running = 0;
            if (CURLMcode mc = curl_multi_perform(multi.get(), &running); mc != CURLM_OK) {
                rc = CURLE_FAILED_INIT;
                qstrncpy(message, curl_multi_strerror(mc), sizeof message);
                break;
            }
            if (running == 0) {
                int left = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left))
                    if (msg->msg == CURLMSG_DONE && msg->easy_handle == h)
                        rc = msg->data.result;
                break;
            }
            const Clock::time_point now = Clock::now();
            if (const long long m = bytesMoved(h, sockets); m != moved) {
                moved = m;
                lastMove = now;
            } else if (connected(h) && now - lastMove >= bounds.idle) {
                hit = Bound::Idle;
                break;
            }
            if (now - start >= bounds.total) {
                hit = Bound::Total;
                break;
            }
            vb::PaintWhileWaiting();
            curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
        }
        curl_multi_remove_handle(multi.get(), h);
    }

    if (hit != Bound::None || rc != CURLE_OK) {
        sink.data.clear();
        const bool wentOut = requestWentOut(h, payload.size());
        if (hit == Bound::Idle) {
            replyLost_ = wentOut;
            vb::Raise(errTimeout,
                      QStringLiteral("No byte moved for %1 ms, the bound on a silent server").arg(bounds.idle.count()),
                      kSource);
        }
        if (hit == Bound::Total) {
            replyLost_ = wentOut;
            vb::Raise(errTimeout,
                      QStringLiteral("The exchange went on for %1 ms, the bound on a whole exchange")
                          .arg(bounds.total.count()),
                      kSource);
        }
        if (sink.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
            vb::Raise(errReplyTooLarge,
                      QStringLiteral("The reply is larger than %1 bytes, the bound on a reply").arg(kMaxReplyBytes),
                      kSource);
        if (rc == CURLE_OPERATION_TIMEDOUT && !connected(h))
            vb::Raise(errTimeout,
                      QStringLiteral("No connection within %1 ms, the bound on connecting").arg(bounds.connect.count()),
                      kSource);
        replyLost_ = wentOut && connectionEnded(rc);
        const QString text = message[0] ? QString::fromUtf8(message).trimmed()
                                        : QString::fromUtf8(curl_easy_strerror(rc));
        vb::Raise(errorNumber(rc), text, kSource);
    }
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    reply_ = std::move(sink.data);
    status_ = int(code);
    answered_ = true;
}

int XMLHTTPRequest::status() const {
    if (!answered_)
        vb::Raise(errDataNotAvailable, QStringLiteral("No reply has arrived yet"), kSource);
    return status_;
}

QString XMLHTTPRequest::responseText() const {
    if (!answered_)
        vb::Raise(errDataNotAvailable, QStringLiteral("No reply has arrived yet"), kSource);
    // Stateless, so that a sequence cut off at the end is replaced, not held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return utf8(reply_);
}

void XMLHTTPRequest::setTimeouts(const Timeouts& timeouts) {
    // Zero would mean "no limit" to curl, which is the very fault the bounds exist for.
    g_connectMs = std::max<long long>(1, timeouts.connect.count());
    g_idleMs = std::max<long long>(1, timeouts.idle.count());
    g_totalMs = std::max<long long>(1, timeouts.total.count());
}

Timeouts XMLHTTPRequest::timeouts() {
    return {std::chrono::milliseconds(g_connectMs.load()), std::chrono::milliseconds(g_idleMs.load()),
            std::chrono::milliseconds(g_totalMs.load())};
}

} // namespace msxml
