#pragma once

#include <httplib.h>

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A local gateway on 127.0.0.1 that records each posted document and answers
// with a set reply.
class FakeGateway {
public:
    FakeGateway() {
        server_.Post(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            bodies_.push_back(QString::fromUtf8(req.body.data(), qsizetype(req.body.size())));
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
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    void answer(const std::string& reply) {
        std::lock_guard lock(mutex_);
        reply_ = reply;
    }
    std::vector<QString> bodies() {
        std::lock_guard lock(mutex_);
        return bodies_;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<QString> bodies_;
    std::string reply_;
};
