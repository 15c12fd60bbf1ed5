#pragma once

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A server on 127.0.0.1 that misbehaves on purpose: it refuses, stalls,
// trickles, redirects, answers error pages, garbage, oversized or
// compressed-bomb bodies, or closes the connection once it has read the
// request. It speaks raw bytes, so that nothing in between fixes what it
// sends, and handles one connection at a time on its own thread; stopping
// it ends a stall or a trickle at once.
class FaultServer {
public:
    // One piece of what the server does after it has read a request: send
    // bytes (in pieces of `chunk` bytes, `pauseMs` between pieces), then
    // wait, then hang up or not.
    struct Step {
        std::string bytes;
        int pauseMs = 0;
        std::size_t chunk = 0;  // 0: all at once
    };
    struct Act {
        std::vector<Step> steps;
        bool readRequest = true;  // false: silent before the request is read
        bool stallAfter = false;  // keep the connection open, saying nothing more
    };

    // A complete answer with this status and body, without compression.
    static Act answer(int status, const std::string& body, const std::string& headers = {}) {
        return {{{response(status, body, headers)}}};
    }
    static Act redirect(int status, const std::string& location) {
        return answer(status, "<html>moved</html>", "Location: " + location + "\r\n");
    }
    // The answer, one piece of `chunk` bytes every `gapMs`.
    static Act trickle(const std::string& body, int gapMs, std::size_t chunk = 1) {
        return {{{response(200, body), gapMs, chunk}}};
    }
    // Bytes that are no HTTP at all, then the connection closes.
    static Act raw(const std::string& bytes) { return {{{bytes}}}; }
    // Reads the request, then never says a word.
    static Act stall() { return {{}, true, true}; }
    // Accepts the connection and never reads the request.
    static Act silent() { return {{}, false, true}; }
    // Reads the whole request, then hangs up without an answer.
    static Act closeAfterRequest() { return {}; }
    // The status line, headers and part of the body, then a hang-up.
    static Act closeMidReply(const std::string& body, std::size_t sent) {
        return {{{response(200, body).substr(0, response(200, body).size() - body.size() + sent)}}};
    }
    // A plain body of `size` bytes, declared or sent chunked.
    static Act oversized(qint64 size, bool declared = true) {
        Act act;
        const std::string block(1 << 20, 'x');
        if (declared) {
            act.steps.push_back({"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                                 + std::to_string(size) + "\r\nConnection: close\r\n\r\n"});
            for (qint64 left = size; left > 0; left -= qint64(block.size()))
                act.steps.push_back({block.substr(0, std::size_t(std::min<qint64>(left, qint64(block.size()))))});
        } else {
            act.steps.push_back({"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"});
            for (qint64 left = size; left > 0; left -= qint64(block.size()))
                act.steps.push_back({block.substr(0, std::size_t(std::min<qint64>(left, qint64(block.size()))))});
        }
        return act;
    }
    // A small deflate body that inflates to `inflated` bytes.
    static Act deflateBomb(qint64 inflated) {
        const QByteArray packed = qCompress(QByteArray(qsizetype(inflated), '0'), 9).mid(4);
        return answer(200, packed.toStdString(), "Content-Encoding: deflate\r\n");
    }

    static std::string response(int status, const std::string& body, const std::string& headers = {}) {
        return "HTTP/1.1 " + std::to_string(status) + " " + reason(status)
               + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size())
               + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
    }

    explicit FaultServer(Act act = answer(200, "OK"), bool listening = true) : act_(std::move(act)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        if (!listening)
            return;  // bound but not listening: every connection is refused (FaultServer({}, false))
        ::listen(listener_, 8);
        if (::pipe2(stop_, O_CLOEXEC) != 0)
            stop_[0] = stop_[1] = -1;
        thread_ = std::thread([this] { serve(); });
    }
    ~FaultServer() {
        if (thread_.joinable()) {
            const char byte = 0;
            (void)!::write(stop_[1], &byte, 1);
            thread_.join();
        }
        for (int fd : {stop_[0], stop_[1], listener_})
            if (fd >= 0)
                ::close(fd);
    }
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    QString url(const QString& path = QStringLiteral("/sms/com.orventa")) const { return base() + path; }
    int port() const { return port_; }

    // What the next connections get.
    void act(Act act) {
        std::lock_guard lock(mutex_);
        act_ = std::move(act);
    }
    // The bodies of the requests read so far, and the connections accepted.
    std::vector<std::string> bodies() {
        std::lock_guard lock(mutex_);
        return bodies_;
    }
    int connections() const { return connections_; }
    // Whether the server saw the client hang up (or reset) before it had sent all.
    bool clientLeftEarly() const { return leftEarly_; }

private:
    static const char* reason(int status) {
        switch (status) {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 307: return "Temporary Redirect";
        case 308: return "Permanent Redirect";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        default: return "Status";
        }
    }

    // Waits until the socket is ready for `events` or the server stops;
    // false when it stops or the wait times out.
    bool wait(int fd, short events, int timeoutMs) {
        pollfd fds[2] = {{fd, events, 0}, {stop_[0], POLLIN, 0}};
        const int n = ::poll(fds, 2, timeoutMs);
        return n > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & (events | POLLHUP | POLLERR));
    }
    bool stopped() {
        pollfd fd{stop_[0], POLLIN, 0};
        return ::poll(&fd, 1, 0) > 0;
    }
    // Sleeps, ending early when the server stops.
    bool pause(int ms) {
        pollfd fd{stop_[0], POLLIN, 0};
        return ::poll(&fd, 1, ms) == 0;
    }

    bool readRequest(int fd) {
        std::string data;
        char buffer[65536];
        std::size_t headEnd = std::string::npos, total = std::string::npos;
        while (total == std::string::npos || data.size() < total) {
            if (!wait(fd, POLLIN, -1))
                return false;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            data.append(buffer, std::size_t(n));
            if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
                std::size_t length = 0;
                std::string head = data.substr(0, headEnd);
                for (char& c : head) c = char(std::tolower(static_cast<unsigned char>(c)));
                if (std::size_t at = head.find("content-length:"); at != std::string::npos)
                    length = std::stoul(head.substr(at + 15));
                total = headEnd + 4 + length;
            }
        }
        std::lock_guard lock(mutex_);
        bodies_.push_back(data.substr(headEnd + 4));
        return true;
    }

    bool sendAll(int fd, const char* p, std::size_t size) {
        while (size > 0) {
            if (!wait(fd, POLLOUT, -1))
                return false;
            const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            p += n;
            size -= std::size_t(n);
        }
        return true;
    }

    void handle(int fd, const Act& act) {
        if (act.readRequest && !readRequest(fd))
            return;
        for (const Step& step : act.steps) {
            const std::size_t chunk = step.chunk ? step.chunk : std::max<std::size_t>(1, step.bytes.size());
            for (std::size_t at = 0; at < step.bytes.size(); at += chunk) {
                if (at > 0 && step.pauseMs > 0 && !pause(step.pauseMs))
                    return;
                if (!sendAll(fd, step.bytes.data() + at, std::min(chunk, step.bytes.size() - at))) {
                    leftEarly_ = true;
                    return;
                }
            }
        }
        if (act.stallAfter) {
            // Until the client gives up or the server stops.
            char byte;
            while (wait(fd, POLLIN, -1) && ::recv(fd, &byte, 1, 0) > 0) {
            }
        }
    }

    void serve() {
        while (!stopped()) {
            if (!wait(listener_, POLLIN, -1))
                return;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ++connections_;
            Act act;
            {
                std::lock_guard lock(mutex_);
                act = act_;
            }
            handle(fd, act);
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }

    int listener_ = -1;
    int stop_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    Act act_;
    std::vector<std::string> bodies_;
    std::atomic<int> connections_{0};
    std::atomic<bool> leftEarly_{false};
};
