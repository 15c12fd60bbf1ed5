#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <vector>

class QSocketNotifier;

namespace host {

// Lines from a descriptor (a pipe, a file or a terminal), read on the event
// loop as they come, so that no thread outlives the reader. While it is
// watched the descriptor does not block; it is given back blocking, as it
// was, since a terminal or a pipe is shared with whoever started the program.
class LineReader : public QObject {
public:
    // What one read completed: its whole lines, without their newlines, and
    // whether the input ended there (its last line then needs no newline).
    // It may run the event loop, in which the reader goes on reading.
    using Receiver = std::function<void(std::vector<QByteArray> lines, bool ended)>;

    LineReader(int fd, Receiver receiver, QObject* parent = nullptr);
    ~LineReader() override;

    // A descriptor that cannot be read ends at once, from the event loop.
    void start();
    // Nothing more is read or received.
    void stop();

private:
    void readable();

    int fd_;
    Receiver receiver_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray partial_;
    bool madeNonBlocking_ = false;
    bool stopped_ = false;
};

} // namespace host
