#include "platform/msxml/xmlhttp.h"
#include "platform/vb/error.h"
#include "tests/support/fault_server.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using msxml::XMLHTTPRequest;

namespace {

// An HTTP(S) server on an ephemeral loopback port, answering from its own thread.
class LocalServer {
public:
    explicit LocalServer(std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>())
        : server_(std::move(server)) {}
    ~LocalServer() {
        server_->stop();
        if (thread_.joinable())
            thread_.join();
    }
    httplib::Server& routes() { return *server_; }
    // The socket listens once bound, so requests made right after start queue up.
    void start(const char* scheme = "http") {
        ASSERT_TRUE(server_->is_valid());
        port_ = server_->bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        scheme_ = QString::fromLatin1(scheme);
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    QString url(const QString& path) const {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme_).arg(port_).arg(path);
    }

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    QString scheme_;
    int port_ = 0;
};

// A bare loopback TCP socket. Bound but not listening, it refuses every
// connection; listening, it completes the handshake and then never answers.
class RawSocket {
public:
    explicit RawSocket(bool listening) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), size), 0);
        if (listening) {
            EXPECT_EQ(::listen(fd_, 4), 0);
        }
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~RawSocket() { close(); }
    // Closing a listener resets the connections it never accepted.
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/sms").arg(port_); }

private:
    int fd_;
    int port_ = 0;
};

QString post(const QString& url, const QString& body) {
    XMLHTTPRequest request;
    request.open(QStringLiteral("POST"), url, false);
    request.send(body);
    return request.responseText();
}

// The number of the error the call raised; nothing when it went through.
std::optional<int> raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        EXPECT_FALSE(e.description().isEmpty());
        return e.number();
    }
    return std::nullopt;
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class XmlHttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = XMLHTTPRequest::timeouts();
        XMLHTTPRequest::setTimeouts({5s, 1s});
    }
    void TearDown() override { XMLHTTPRequest::setTimeouts(saved_); }
    msxml::Timeouts saved_;
};

TEST_F(XmlHttpTest, TheReplyTextComesBackWhateverTheStatus) {
    LocalServer server;
    server.routes().Post(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.status = std::stoi(req.matches[1]);
        res.set_content(req.get_header_value("X-Reply"), "text/plain; charset=utf-8");
    });
    server.start();

    const struct {
        int status;
        QString body;
    } cases[] = {
        {200, QStringLiteral("ID 4711")},
        {200, QString()},
        {404, QStringLiteral("<HTML><body>Bulunamadı</body></HTML>")},
        {500, QStringLiteral("<html>Sunucu hatası</html>")},
        {503, QStringLiteral("100")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        XMLHTTPRequest request;
        request.open(QStringLiteral("POST"), server.url(QStringLiteral("/status/%1").arg(c.status)));
        request.setRequestHeader(QStringLiteral("X-Reply"), c.body);
        request.send(QStringLiteral("<MainReportRoot/>"));
        EXPECT_EQ(request.status(), c.status);
        EXPECT_EQ(request.responseText(), c.body);
    }
}

TEST_F(XmlHttpTest, TheBodyGoesOutAsUtf8XmlUnlessAnotherTypeIsSet) {
    LocalServer server;
    // The server answers with what it received: the content type and the body's bytes in hex.
    server.routes().Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("Content-Type") + "\n" + hex(req.body), "text/plain");
    });
    server.start();

    const QString text = QStringLiteral("<Mesgbody>Şğüİıöç</Mesgbody>");
    const std::string expected = hex(text.toUtf8().toStdString());
    EXPECT_EQ(post(server.url(QStringLiteral("/echo")), text),
              QStringLiteral("text/xml; charset=utf-8\n") + QString::fromStdString(expected));

    XMLHTTPRequest request;
    request.open(QStringLiteral("post"), server.url(QStringLiteral("/echo")));
    request.setRequestHeader(QStringLiteral("content-type"), QStringLiteral("application/xml"));
    request.send(text);
    EXPECT_EQ(request.responseText(), QStringLiteral("application/xml\n") + QString::fromStdString(expected));

    // Long enough that curl would otherwise pause for an interim answer.
    const QString longText = QString(5000, QChar(0x015F));
    EXPECT_EQ(post(server.url(QStringLiteral("/echo")), longText),
              QStringLiteral("text/xml; charset=utf-8\n") + QString::fromStdString(hex(longText.toUtf8().toStdString())));
}

// A body far longer than the pieces it goes out in, with characters of
// every width, a pair across the seam of two pieces and halves of pairs
// alone: the bytes are those of the whole text, as long as announced.
TEST_F(XmlHttpTest, ALongBodyGoesOutWholeWhateverItsCharacters) {
    QString text = QString(65535, u'a') + QString::fromUcs4(U"😀");
    text += QChar(0xD800);
    text += QStringLiteral("b");
    text += QChar(0xDC00);
    while (text.size() < 300000) text += QStringLiteral("<Mesgbody>Şğü €‰ x</Mesgbody>");
    text += QChar(0xD83D);
    const std::string expected = text.toUtf8().toStdString();
    LocalServer server;
    server.routes().Post("/echo", [expected](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.body == expected && req.get_header_value("Content-Length") == std::to_string(expected.size())
                            ? "same"
                            : "differs: " + std::to_string(req.body.size()) + " bytes",
                        "text/plain");
    });
    server.start();
    EXPECT_EQ(post(server.url(QStringLiteral("/echo")), text), QStringLiteral("same"));
}

TEST_F(XmlHttpTest, RepliesAreDecodedAsUtf8AndBadBytesAreReplaced) {
    const struct {
        std::string sent;
        QString read;
    } cases[] = {
        {"G\xc3\xb6nderildi", QStringLiteral("Gönderildi")},
        {"\xef\xbb\xbfID 12", QStringLiteral("ID 12")},
        {"ab\xff" "cd", QStringLiteral("ab\uFFFDcd")},
        {"Mesaj \xfe\xfd", QStringLiteral("Mesaj \uFFFD\uFFFD")},
        {"yar\xc4", QStringLiteral("yar\uFFFD")},
        {std::string("a\0b", 3), QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
    };
    LocalServer server;
    // The charset named is not UTF-8: the reply is read as UTF-8 all the same.
    server.routes().Post(R"(/bytes/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        res.set_content(cases[std::stoi(req.matches[1])].sent, "text/plain; charset=iso-8859-9");
    });
    server.start();

    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(post(server.url(QStringLiteral("/bytes/%1").arg(i)), QString()), cases[i].read);
    }
}

TEST_F(XmlHttpTest, APostIsNeverSentOnToTheAddressOfARedirect) {
    for (int code : {301, 302, 307, 308}) {
        SCOPED_TRACE(code);
        FaultServer target(FaultServer::answer(200, "moved"));
        FaultServer server(FaultServer::redirect(code, target.url().toStdString()));
        XMLHTTPRequest request;
        request.open(QStringLiteral("POST"), server.url());
        request.send(QStringLiteral("<MainReportRoot/>"));
        EXPECT_EQ(request.status(), code);
        EXPECT_EQ(target.connections(), 0);
    }
}

TEST_F(XmlHttpTest, LoopbackNeverGoesThroughAProxy) {
    LocalServer server;
    server.routes().Post("/sms", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("direct", "text/plain");
    });
    server.start();
    // A proxy that refuses everything: any request routed to it would fail.
    RawSocket proxy(false);
    const char* names[] = {"http_proxy", "https_proxy", "all_proxy", "no_proxy"};
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : names)
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    const QByteArray proxyUrl = proxy.url().toLatin1();
    qputenv("http_proxy", proxyUrl);
    qputenv("https_proxy", proxyUrl);
    qputenv("all_proxy", proxyUrl);
    qputenv("no_proxy", "intranet.example");

    const std::optional<int> failure = raised([&] {
        EXPECT_EQ(post(server.url(QStringLiteral("/sms")), QStringLiteral("x")), QStringLiteral("direct"));
    });
    for (size_t i = 0; i < std::size(names); ++i) {
        if (saved[i])
            qputenv(names[i], *saved[i]);
        else
            qunsetenv(names[i]);
    }
    EXPECT_EQ(failure, std::nullopt);
}

TEST_F(XmlHttpTest, ARefusedConnectionRaises) {
    RawSocket closed(false);
    EXPECT_EQ(raised([&] { post(closed.url(), QStringLiteral("<MainReportRoot/>")); }), msxml::errCannotConnect);
}

TEST_F(XmlHttpTest, ASilentPeerEndsInAnErrorWithinTheBound) {
    RawSocket silent(true);
    QElapsedTimer clock;
    clock.start();
    auto outcome = std::async(std::launch::async, [&] {
        return raised([&] { post(silent.url(), QStringLiteral("<MainReportRoot/>")); });
    });
    const bool ended = outcome.wait_for(30s) == std::future_status::ready;
    // Should the bound not hold, the reset this sends frees the request.
    silent.close();
    EXPECT_TRUE(ended);
    EXPECT_EQ(outcome.get(), msxml::errTimeout);
    EXPECT_GE(clock.elapsed(), 900);
}

TEST_F(XmlHttpTest, BadUrlsRaise) {
    const struct {
        const char* url;
        int number;
    } cases[] = {
        {"", msxml::errInvalidUrl},
        {"gateway/sms", msxml::errInvalidUrl},
        {"http://", msxml::errInvalidUrl},
        {"http://127.0.0.1:99999/sms", msxml::errInvalidUrl},
        {"http://[::1/sms", msxml::errInvalidUrl},
        {"ftp://127.0.0.1/sms", msxml::errUnsupportedScheme},
        {"file:///etc/hostname", msxml::errUnsupportedScheme},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(raised([&] { post(QString::fromLatin1(c.url), QStringLiteral("x")); }), c.number);
    }
}

// A self-signed certificate for 127.0.0.1, made afresh so nothing on the
// machine can already trust it.
struct SelfSigned {
    SelfSigned() {
        key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
        cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509_sign(cert, key, EVP_sha256());
    }
    ~SelfSigned() {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

TEST_F(XmlHttpTest, AnUntrustedCertificateRaises) {
    SelfSigned identity;
    ASSERT_NE(identity.cert, nullptr);
    LocalServer server(std::make_unique<httplib::SSLServer>(identity.cert, identity.key));
    server.routes().Post("/sms", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("ID 1", "text/plain");
    });
    server.start("https");
    EXPECT_EQ(raised([&] { post(server.url(QStringLiteral("/sms")), QStringLiteral("x")); }),
              msxml::errSecureFailure);
}

TEST_F(XmlHttpTest, MisuseRaises) {
    XMLHTTPRequest request;
    EXPECT_NE(raised([&] { request.send(QStringLiteral("x")); }), std::nullopt);
    EXPECT_EQ(raised([&] { request.open(QStringLiteral("POST"), QStringLiteral("http://127.0.0.1/"), true); }),
              vb::errInvalidCall);
    EXPECT_EQ(raised([&] { request.open(QStringLiteral("DELETE"), QStringLiteral("http://127.0.0.1/")); }),
              vb::errInvalidCall);
    request.open(QStringLiteral("POST"), QStringLiteral("http://127.0.0.1/"));
    EXPECT_EQ(raised([&] { request.responseText(); }), msxml::errDataNotAvailable);
    EXPECT_EQ(raised([&] { request.status(); }), msxml::errDataNotAvailable);
}

// The number and the text of the error the call raised.
std::pair<int, QString> failure(const std::function<void()>& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

TEST_F(XmlHttpTest, EveryByteStartsTheSilentWaitAfreshHeadersIncluded) {
    // One header line in pieces of 6 bytes 250 ms apart: for 2 s, twice the
    // bound on silence, bytes come but no line is whole.
    FaultServer::Act act;
    act.steps = {{"HTTP/1.1 200 OK\r\n"},
                 {"X-Bekle: " + std::string(40, '.') + "\r\n", 250, 6},
                 {"Content-Length: 7\r\nConnection: close\r\n\r\nID 4711"}};
    FaultServer server(act);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(post(server.url(), QStringLiteral("<MainmsgBody/>")), QStringLiteral("ID 4711"));
    EXPECT_GT(clock.elapsed(), 1800);
    // The body trickles as well.
    FaultServer body(FaultServer::trickle("ID 4711", 300, 32));
    EXPECT_EQ(post(body.url(), QStringLiteral("<MainmsgBody/>")), QStringLiteral("ID 4711"));
}

TEST_F(XmlHttpTest, EachBoundNamesItselfWhenItEndsTheExchange) {
    XMLHTTPRequest::setTimeouts({5s, 1s, 2s});
    FaultServer endless(FaultServer::trickle(std::string(100000, 'x'), 200, 8));
    FaultServer stalling(FaultServer::stall());
    struct {
        FaultServer* server;
        const char* bound;
    } cases[] = {{&endless, "the bound on a whole exchange"}, {&stalling, "the bound on a silent server"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bound);
        QElapsedTimer clock;
        clock.start();
        const auto [number, text] = failure([&] { post(c.server->url(), QStringLiteral("<a/>")); });
        EXPECT_EQ(number, msxml::errTimeout);
        EXPECT_TRUE(text.contains(QLatin1String(c.bound))) << text.toStdString();
        EXPECT_LT(clock.elapsed(), 4000);
    }
}

TEST_F(XmlHttpTest, ARepliesBodyIsBoundAfterDecompression) {
    const FaultServer::Act acts[] = {
        FaultServer::oversized(msxml::kMaxReplyBytes + 1),
        FaultServer::oversized(msxml::kMaxReplyBytes + (1 << 20), false),
        FaultServer::deflateBomb(msxml::kMaxReplyBytes + 1),
    };
    for (const auto& act : acts) {
        FaultServer server(act);
        XMLHTTPRequest request;
        request.open(QStringLiteral("POST"), server.url());
        const auto [number, text] = failure([&] { request.send(QStringLiteral("<a/>")); });
        EXPECT_EQ(number, msxml::errReplyTooLarge) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String("the bound on a reply")));
        EXPECT_FALSE(request.replyLost());
    }
    // Up to the bound, a compressed reply is read whole.
    FaultServer server(FaultServer::deflateBomb(1 << 20));
    EXPECT_EQ(post(server.url(), QStringLiteral("<a/>")), QString(1 << 20, u'0'));
}

TEST_F(XmlHttpTest, AReplyLostAfterTheWholeRequestWentOutIsToldApart) {
    const std::string body = "ID 4711";
    const struct {
        const char* what;
        FaultServer::Act act;
        bool listening;
        bool lost;
    } cases[] = {
        {"hang-up after the request", FaultServer::closeAfterRequest(), true, true},
        {"hang-up in the reply", FaultServer::closeMidReply(body, 3), true, true},
        {"silence after the request", FaultServer::stall(), true, true},
        {"refused", {}, false, false},
        {"garbage", FaultServer::raw("\x01\x02 not http\r\n\r\n"), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultServer server(c.act, c.listening);
        XMLHTTPRequest request;
        request.open(QStringLiteral("POST"), server.url());
        EXPECT_NE(failure([&] { request.send(QStringLiteral("<MainmsgBody/>")); }).first, 0);
        EXPECT_EQ(request.replyLost(), c.lost);
        if (c.lost) {
            EXPECT_EQ(server.bodies(), std::vector<std::string>{"<MainmsgBody/>"});
        }
    }
}

} // namespace
