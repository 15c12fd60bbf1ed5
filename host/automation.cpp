#include "host/automation.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "platform/forms/form.h"
#include "platform/vb/error.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <cerrno>
#include <unistd.h>

namespace host {

Automation::Automation(Host& host, const forms::ScriptedServices& services, int replyFd)
    : host_(host), replyFd_(replyFd),
      input_(STDIN_FILENO, [this](std::vector<QByteArray> lines, bool ended) { received(std::move(lines), ended); }) {
    AddWorkbookCommands(commands_, host_);
    AddCommandBarCommands(commands_, host_);
    AddWindowCommands(commands_, host_);
    AddAnswerCommands(commands_, services);
    AddHostCommands(commands_, host_);
    host_.setQuitAction([this] {
        // A quit asked for inside a command ends the run once its reply is
        // out; one asked for between commands ends it now.
        if (!busy_)
            QTimer::singleShot(0, this, [this] { finish(); });
    });
}

Automation::~Automation() {
    host_.setQuitAction(nullptr);
}

void Automation::start() {
    input_.start();
}

void Automation::received(std::vector<QByteArray> lines, bool ended) {
    for (QByteArray& line : lines)
        pending_.push_back(std::move(line));
    inputEnded_ = inputEnded_ || ended;
    // A command that runs the event loop (wait, or an add-in's DoEvents)
    // reads on inside it, but must not have the next one run inside it.
    if (!busy_)
        drain();
}

void Automation::drain() {
    busy_ = true;
    while (!pending_.empty() && !finished_) {
        const QByteArray line = pending_.front();
        pending_.pop_front();
        const QByteArray reply = handleLine(line);
        if (!reply.isNull())
            write(reply);
        if (host_.quitRequested())
            finish();
    }
    busy_ = false;
    if (inputEnded_ && !finished_)
        finish();
}

void Automation::finish() {
    if (finished_)
        return;
    finished_ = true;
    input_.stop();
    host_.shutdown();
    QCoreApplication::exit(0);
}

void Automation::write(const QByteArray& reply) {
    QByteArray out = reply + '\n';
    const char* p = out.constData();
    qsizetype left = out.size();
    while (left > 0) {
        const ssize_t n = ::write(replyFd_, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;   // the reader went away; the run ends at its end of input
        p += n;
        left -= n;
    }
}

QByteArray Automation::handleLine(const QByteArray& line) {
    if (line.trimmed().isEmpty())
        return {};
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QJsonObject reply;
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        reply = {{QStringLiteral("ok"), false},
                 {QStringLiteral("error"), parseError.error != QJsonParseError::NoError
                                               ? QStringLiteral("malformed line: %1").arg(parseError.errorString())
                                               : QStringLiteral("malformed line: not a JSON object")}};
    } else {
        const QJsonObject command = doc.object();
        reply = run(command);
        if (command.contains(QLatin1String("id")))
            reply.insert(QStringLiteral("id"), command.value(QLatin1String("id")));
    }
    // What the command set going (repaints, windows unloaded, deferred
    // work of the add-in) settles before the next one.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    forms::FlushUnloaded();
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QJsonObject Automation::run(const QJsonObject& command) {
    const QJsonValue name = command.value(QLatin1String("cmd"));
    QString failure;
    QJsonObject reply;
    const CommandTable::Handler* handler = commands_.find(name.toString());
    if (!name.isString()) {
        failure = QStringLiteral("the field \"cmd\" is missing");
    } else if (!handler) {
        failure = QStringLiteral("unknown command \"%1\"").arg(name.toString());
    } else {
        try {
            reply = (*handler)(command);
            reply.insert(QStringLiteral("ok"), true);
            return reply;
        } catch (const CommandError& e) {
            failure = e.text();
        } catch (const vb::Error& e) {
            failure = e.description();
            reply.insert(QStringLiteral("number"), e.number());
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("unknown failure");
        }
    }
    reply.insert(QStringLiteral("ok"), false);
    reply.insert(QStringLiteral("error"), failure);
    return reply;
}

} // namespace host
