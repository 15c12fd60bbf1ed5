#include "host/linereader.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace host {

LineReader::LineReader(int fd, Receiver receiver, QObject* parent)
    : QObject(parent), fd_(fd), receiver_(std::move(receiver)) {}

LineReader::~LineReader() {
    stop();
}

void LineReader::start() {
    if (notifier_ || stopped_)
        return;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0) {
        QTimer::singleShot(0, this, [this] {
            if (!std::exchange(stopped_, true))
                receiver_({}, true);
        });
        return;
    }
    // A read must never hold up the event loop: the notifier can wake for
    // bytes that another reader of the descriptor takes first.
    if (!(flags & O_NONBLOCK))
        madeNonBlocking_ = ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) == 0;
    // Level-triggered: while bytes wait it comes again, so one read a turn.
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readable(); });
}

void LineReader::stop() {
    stopped_ = true;
    // Disabled rather than deleted: stop may come from inside its signal.
    if (notifier_)
        notifier_->setEnabled(false);
    if (std::exchange(madeNonBlocking_, false)) {
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0)
            ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    }
}

void LineReader::readable() {
    if (stopped_)
        return;
    char chunk[4096];
    ssize_t n;
    do
        n = ::read(fd_, chunk, sizeof chunk);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    // Whatever the receiver does, the reader's state is whole before it is
    // called: it may run the event loop, in which this is read again.
    std::vector<QByteArray> lines;
    const bool ended = n <= 0;
    if (ended) {
        if (!partial_.isEmpty())
            lines.push_back(std::exchange(partial_, {}));
        stop();
    } else {
        partial_.append(chunk, qsizetype(n));
        qsizetype from = 0;
        for (qsizetype at; (at = partial_.indexOf('\n', from)) >= 0; from = at + 1)
            lines.push_back(partial_.mid(from, at - from));
        partial_.remove(0, from);
        if (lines.empty())
            return;
    }
    receiver_(std::move(lines), ended);
}

} // namespace host
