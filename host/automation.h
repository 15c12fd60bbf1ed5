#pragma once

#include "host/commands/commands.h"
#include "host/linereader.h"
#include "platform/forms/services.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <deque>
#include <vector>

namespace host {

class Host;

// The automation protocol: one JSON command a line on standard input, one
// JSON reply a line for each, in order, on the descriptor given (the
// process's standard output, which nothing else writes to). Message boxes,
// Save As dialogs, popup menus and the shell are the scripted services. The
// commands are in host/commands/, a file for each group.
class Automation : public QObject {
public:
    Automation(Host& host, const forms::ScriptedServices& services, int replyFd);
    ~Automation() override;

    // Starts reading standard input (a pipe, a file or a terminal) on the
    // event loop; at its end, once the commands before it have answered, the
    // host shuts down and the event loop ends with exit code 0.
    void start();

    // One command line in, its reply out (no newline). Public for tests of
    // the protocol inside one process.
    QByteArray handleLine(const QByteArray& line);

private:
    void received(std::vector<QByteArray> lines, bool ended);
    void drain();
    void finish();
    void write(const QByteArray& reply);
    QJsonObject run(const QJsonObject& command);

    Host& host_;
    int replyFd_;
    CommandTable commands_;
    LineReader input_;
    std::deque<QByteArray> pending_;
    bool busy_ = false;
    bool inputEnded_ = false;
    bool finished_ = false;
};

} // namespace host
