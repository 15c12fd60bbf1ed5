#include "platform/msxml/xmlhttp.h"

#include "platform/vb/error.h"

#include <QStringDecoder>
#include <atomic>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace msxml {

namespace {

const QString kSource = QStringLiteral("msxml3.dll");

std::atomic<long long> g_connectMs{Timeouts{}.connect.count()};
std::atomic<long long> g_idleMs{Timeouts{}.idle.count()};

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

// curl's own low-speed check averages over several seconds, so a peer that
// goes quiet right after the request was sent would be given seconds more
// than the bound; counting the bytes moved gives up on time.
struct Stall {
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds limit;
    Clock::time_point lastMove = Clock::now();
    curl_off_t moved = 0;
    bool hit = false;
};

int watchStall(void* data, curl_off_t dlNow, curl_off_t, curl_off_t ulNow, curl_off_t) {
    auto* stall = static_cast<Stall*>(data);
    const auto now = Stall::Clock::now();
    if (dlNow + ulNow != stall->moved) {
        stall->moved = dlNow + ulNow;
        stall->lastMove = now;
    } else if (now - stall->lastMove >= stall->limit) {
        stall->hit = true;
        return 1;
    }
    return 0;
}

size_t collect(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
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

void XMLHTTPRequest::send(const QString& body) {
    if (!opened_)
        vb::Raise(errRequestFailed, QStringLiteral("The request has not been opened"), kSource);
    answered_ = false;
    reply_.clear();
    status_ = 0;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        vb::Raise(errRequestFailed, QStringLiteral("Out of memory"), kSource);
    CURL* h = easy.get();
    char message[CURL_ERROR_SIZE] = {};
    const QByteArray payload = body.toUtf8();
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

    curl_easy_setopt(h, CURLOPT_URL, url_.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.constData());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(g_connectMs.load()));
    Stall stall{std::chrono::milliseconds(g_idleMs.load())};
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, watchStall);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stall);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply_);
    if (method_ == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(payload.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, payload.constData());
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }

    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) {
        reply_.clear();
        if (stall.hit)
            vb::Raise(errTimeout,
                      QStringLiteral("No data moved for %1 ms; the server did not answer").arg(stall.limit.count()),
                      kSource);
        const QString text = message[0] ? QString::fromUtf8(message).trimmed()
                                        : QString::fromUtf8(curl_easy_strerror(rc));
        vb::Raise(errorNumber(rc), text, kSource);
    }
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
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
}

Timeouts XMLHTTPRequest::timeouts() {
    return {std::chrono::milliseconds(g_connectMs.load()), std::chrono::milliseconds(g_idleMs.load())};
}

} // namespace msxml
