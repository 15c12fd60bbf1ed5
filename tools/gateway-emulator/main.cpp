// gateway-emulator: a stand-in for the SMS gateway on the loopback interface,
// for the tests and the demo. It answers the add-in's request documents on
// every path but /control (the gateway service's paths and whatever address a
// Palvori server is given), and takes test commands as JSON on POST /control.
//
//   gateway-emulator [--port N] [--accounts FILE] [--log FILE] [--settle-ms MS] [--first-id N] [--compress yes|no]
//
// The first line on stdout is "listening 127.0.0.1:PORT" (--port 0, the
// default, takes a free port). SIGINT, SIGTERM and {"cmd":"shutdown"} stop it
// with exit code 0. See README.md beside this file for the replies.
#include "emulator.h"

#include <httplib.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kHost = "127.0.0.1";

struct Options {
    int port = 0;
    std::string accounts;
    std::string log;
    qint64 settleMs = 3000;
    qint64 firstId = 100001;
    bool compress = true;
};

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--port N] [--accounts FILE] [--log FILE] [--settle-ms MS] [--first-id N] [--compress yes|no]\n",
                 program);
    return 2;
}

bool parseNumber(const std::string& text, qint64 low, qint64 high, qint64* out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    *out = v;
    return true;
}

// Options as "--name value" or "--name=value".
std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return std::nullopt;
        }
        qint64 n = 0;
        if (name == "--port" && parseNumber(value, 0, 65535, &n))
            o.port = int(n);
        else if (name == "--settle-ms" && parseNumber(value, 0, qint64(1) << 40, &n))
            o.settleMs = n;
        else if (name == "--first-id" && parseNumber(value, 1, qint64(1) << 50, &n))
            o.firstId = n;
        else if (name == "--accounts" && !value.empty())
            o.accounts = value;
        else if (name == "--log" && !value.empty())
            o.log = value;
        else if (name == "--compress" && (value == "yes" || value == "no"))
            o.compress = value == "yes";
        else
            return std::nullopt;
    }
    return o;
}

// One JSON object per request, flushed at once so that a test can read the
// file while the emulator runs.
class RequestLog {
public:
    bool open(const std::string& path) {
        out_.open(path, std::ios::out | std::ios::app | std::ios::binary);
        return bool(out_);
    }
    void write(const std::string& path, const std::string& body, const std::string& reply) {
        if (!out_.is_open())
            return;
        const QJsonObject line{
            {QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)},
            {QStringLiteral("path"), QString::fromStdString(path)},
            {QStringLiteral("body"), QString::fromUtf8(body.data(), qsizetype(body.size()))},
            {QStringLiteral("reply"), QString::fromUtf8(reply.data(), qsizetype(reply.size()))}};
        const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact);
        std::lock_guard lock(mutex_);
        out_.write(text.constData(), text.size());
        out_.put('\n');
        out_.flush();
    }

private:
    std::mutex mutex_;
    std::ofstream out_;
};

} // namespace

int main(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options)
        return usage(argv[0]);

    std::vector<gwemu::Account> accounts = gwemu::DemoAccounts();
    if (!options->accounts.empty()) {
        QString error;
        auto loaded = gwemu::LoadAccounts(QString::fromStdString(options->accounts), &error);
        if (!loaded) {
            std::fprintf(stderr, "gateway-emulator: %s\n", qPrintable(error));
            return 1;
        }
        accounts = std::move(*loaded);
    }
    RequestLog log;
    if (!options->log.empty() && !log.open(options->log)) {
        std::fprintf(stderr, "gateway-emulator: cannot write %s: %s\n", options->log.c_str(), std::strerror(errno));
        return 1;
    }
    gwemu::Emulator emulator(std::move(accounts), options->settleMs, options->firstId);

    // The stop signals are taken by sigwait below, never by a handler: every
    // thread the server starts inherits this mask. A signal the parent had
    // ignored (a background job's SIGINT) would never reach sigwait: take the
    // default back first, which the mask then holds off.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM}) {
        std::signal(s, SIG_DFL);
        sigaddset(&stopSignals, s);
    }
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    // Without the library's SO_REUSEPORT, so that a second emulator on a port
    // in use fails instead of silently sharing the requests with the first.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    server.Post("/control", [&](const httplib::Request& req, httplib::Response& res) {
        const auto reply = emulator.Control(QByteArray::fromStdString(req.body));
        const std::string text = QJsonDocument(reply.body).toJson(QJsonDocument::Compact).toStdString();
        res.status = reply.status;
        res.set_content(text, "application/json");
        log.write(req.path, req.body, text);
        if (reply.shutdown)
            kill(getpid(), SIGTERM);  // the response is still written: stop waits for the workers
    });
    // Every path but the control's: the library tries the handlers that read
    // their own bodies before the others.
    server.Post("^(?!/control$).*", [&](const httplib::Request& req, httplib::Response& res,
                                        const httplib::ContentReader& read) {
        // The body read into room for the length it announces, and handed on
        // without a copy: a package can be a hundred megabytes.
        std::string body;
        if (req.has_header("Content-Length"))
            body.reserve(std::min<size_t>(std::stoull(req.get_header_value("Content-Length")), size_t(1) << 30));
        read([&](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        const auto reply = emulator.Answer(QByteArray::fromRawData(body.data(), qsizetype(body.size())));
        if (options->compress) {
            res.set_content(reply.body, reply.contentType.c_str());
        } else {
            // Written as it is: the library compresses a body, never what a
            // provider of a known length writes.
            auto content = std::make_shared<std::string>(reply.body);
            res.set_content_provider(content->size(), reply.contentType.c_str(),
                                     [content](size_t offset, size_t length, httplib::DataSink& sink) {
                                         sink.write(content->data() + offset, length);
                                         return true;
                                     });
        }
        log.write(req.path, body, reply.body);
    });

    int port = options->port;
    if (port == 0)
        port = server.bind_to_any_port(kHost);
    else if (!server.bind_to_port(kHost, port))
        port = -1;
    if (port < 0) {
        std::fprintf(stderr, "gateway-emulator: cannot listen on %s:%d\n", kHost, options->port);
        return 1;
    }
    std::atomic<bool> stopping = false;
    std::atomic<bool> failed = false;
    std::thread listener([&] {
        if (!server.listen_after_bind() && !stopping) {
            failed = true;
            kill(getpid(), SIGTERM);  // the server gave up by itself: let main return
        }
    });
    // A stop before the server's loop has begun would be lost, so the port is
    // announced only once it serves.
    while (!server.is_running() && !failed)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!failed) {
        std::printf("listening %s:%d\n", kHost, port);
        std::fflush(stdout);
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    stopping = true;
    server.stop();
    listener.join();
    return failed ? 1 : 0;
}
