// Lines read from a descriptor on the event loop, in this process: a pipe
// written in pieces, its end, a descriptor that cannot be read, and the
// blocking mode given back.
#include "host/linereader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class Pipe {
public:
    Pipe() { ok_ = ::pipe(fds_) == 0; }
    ~Pipe() {
        closeWriter();
        if (fds_[0] >= 0)
            ::close(fds_[0]);
    }
    bool ok() const { return ok_; }
    int reader() const { return fds_[0]; }
    void write(const char* text) const { ASSERT_EQ(::write(fds_[1], text, strlen(text)), ssize_t(strlen(text))); }
    void closeWriter() {
        if (fds_[1] >= 0)
            ::close(fds_[1]);
        fds_[1] = -1;
    }

private:
    int fds_[2] = {-1, -1};
    bool ok_ = false;
};

struct Received {
    std::vector<QByteArray> lines;
    std::vector<size_t> batches;   // how many lines each call brought
    bool ended = false;
};

host::LineReader::Receiver into(Received& r) {
    return [&r](std::vector<QByteArray> lines, bool ended) {
        EXPECT_FALSE(r.ended) << "nothing comes after the end";
        r.batches.push_back(lines.size());
        for (QByteArray& l : lines)
            r.lines.push_back(std::move(l));
        r.ended = ended;
    };
}

// Turns the event loop until the condition holds or a second has passed.
template <class Condition>
bool turnUntil(Condition done) {
    const QDeadlineTimer deadline(1000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void turnFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A reader watching a pipe this test writes.
class LineReaderOnAPipe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pipe.ok());
        reader.start();
    }

    Pipe pipe;
    Received r;
    host::LineReader reader{pipe.reader(), into(r)};
};

TEST_F(LineReaderOnAPipe, LinesAreWholeWhateverPiecesTheyComeIn) {
    pipe.write("bir");
    turnFor(50);
    EXPECT_TRUE(r.lines.empty());
    pipe.write("\niki\n\nü");
    ASSERT_TRUE(turnUntil([&] { return r.lines.size() == 3; }));
    EXPECT_EQ(r.lines, (std::vector<QByteArray>{"bir", "iki", ""}));
    EXPECT_EQ(r.batches, (std::vector<size_t>{3}));
    pipe.write("ç\r\n");
    pipe.write("son");
    pipe.closeWriter();
    ASSERT_TRUE(turnUntil([&] { return r.ended; }));
    EXPECT_EQ(r.lines, (std::vector<QByteArray>{"bir", "iki", "", "üç\r", "son"}));
}

TEST(LineReader, ReadsOnWhileItsReceiverRunsTheEventLoop) {
    Pipe pipe;
    ASSERT_TRUE(pipe.ok());
    std::vector<QByteArray> order;
    host::LineReader reader(pipe.reader(), [&](std::vector<QByteArray> lines, bool) {
        for (const QByteArray& l : lines)
            order.push_back(l);
        // The next line comes while this one is still being received.
        if (order.size() == 1) {
            pipe.write("ikinci\n");
            EXPECT_TRUE(turnUntil([&] { return order.size() == 2; }));
        }
    });
    reader.start();
    pipe.write("ilk\n");
    ASSERT_TRUE(turnUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<QByteArray>{"ilk", "ikinci"}));
}

TEST(LineReader, ADescriptorThatCannotBeReadEndsFromTheEventLoop) {
    Received r;
    host::LineReader reader(-1, into(r));
    reader.start();
    EXPECT_FALSE(r.ended) << "not inside start";
    ASSERT_TRUE(turnUntil([&] { return r.ended; }));
    EXPECT_TRUE(r.lines.empty());
}

TEST_F(LineReaderOnAPipe, TheDescriptorBlocksAgainOnceStoppedAndNothingMoreComes) {
    EXPECT_TRUE(::fcntl(pipe.reader(), F_GETFL) & O_NONBLOCK);
    reader.stop();
    EXPECT_FALSE(::fcntl(pipe.reader(), F_GETFL) & O_NONBLOCK);
    pipe.write("geç\n");
    turnFor(50);
    EXPECT_TRUE(r.batches.empty());
}

TEST_F(LineReaderOnAPipe, TheEndGivesTheDescriptorBackBlocking) {
    pipe.closeWriter();
    ASSERT_TRUE(turnUntil([&] { return r.ended; }));
    EXPECT_EQ(r.batches, (std::vector<size_t>{0}));
    EXPECT_FALSE(::fcntl(pipe.reader(), F_GETFL) & O_NONBLOCK);
}

} // namespace
