#pragma once

#include <httplib.h>

#include <QString>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A local gateway on 127.0.0.1 that records each posted document and answers
// with a set reply (and HTTP status), on any path.
class FakeGateway {
public:
    FakeGateway() {
        server_.Post(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            bodies_.push_back(QString::fromUtf8(req.body.data(), qsizetype(req.body.size())));
            res.status = status_;
            res.set_content(reply_, "text/plain; charset=utf-8");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FakeGateway() {
        server_.stop();
        thread_.join();
    }
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    // The gateway service's endpoint on this server.
    QString url() const { return base() + QStringLiteral("/sms/com.orventa"); }
    void answer(const std::string& reply, int status = 200) {
        std::lock_guard lock(mutex_);
        reply_ = reply;
        status_ = status;
    }
    std::vector<QString> bodies() {
        std::lock_guard lock(mutex_);
        return bodies_;
    }
    QString lastBody() {
        std::lock_guard lock(mutex_);
        return bodies_.empty() ? QString() : bodies_.back();
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<QString> bodies_;
    std::string reply_ = "OK";
    int status_ = 200;
};
