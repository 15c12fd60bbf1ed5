// How sheet-host --automation reads its standard input: a line in pieces, a
// line that comes while a command runs the event loop, the end of input
// while a command runs, and standard input as a pipe, a file and a terminal.
#include "tests/support/automation.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
using namespace automation;

class HostInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QProcessEnvironment env = hostEnvironment(dir_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        host_.setProcessEnvironment(env);
    }
    void TearDown() override {
        if (host_.state() != QProcess::NotRunning) {
            host_.kill();
            host_.waitForFinished(5000);
        }
    }

    void start(const QStringList& args = {}) {
        host_.start(hostProgram(), QStringList{QStringLiteral("--automation")} + args);
        ASSERT_TRUE(host_.waitForStarted(10000));
    }
    // Bytes as they are, at once: no newline is added.
    void write(const QByteArray& bytes) {
        host_.write(bytes);
        host_.waitForBytesWritten(5000);
    }
    // The next reply line; empty when none comes in time.
    QJsonObject reply(int ms = 15000) {
        QElapsedTimer clock;
        clock.start();
        while (!host_.canReadLine()) {
            const int left = ms - int(clock.elapsed());
            if (left <= 0 || !host_.waitForReadyRead(left))
                return {};
        }
        return QJsonDocument::fromJson(host_.readLine()).object();
    }
    static int id(const QJsonObject& reply) {
        EXPECT_OK(reply);
        return reply.value(QStringLiteral("id")).toInt();
    }
    // The exit code once the host has ended (-1: it goes on), with nothing
    // but replies left on standard output.
    int exitCode() {
        if (!host_.waitForFinished(15000))
            return -1;
        EXPECT_EQ(host_.exitStatus(), QProcess::NormalExit);
        EXPECT_TRUE(host_.readAllStandardOutput().trimmed().isEmpty());
        return host_.exitCode();
    }

    QTemporaryDir dir_;
    QProcess host_;
};

TEST_F(HostInput, ALineThatComesInPiecesRunsOnceItIsWhole) {
    start();
    write(R"({"cmd": "fo)");
    EXPECT_TRUE(reply(300).isEmpty()) << "half a line is no command";
    write(R"(rms", "id": 1})" "\n" R"({"cmd": "bars", "id": 2})" "\n" R"({"cmd": "addins", )");
    EXPECT_EQ(id(reply()), 1);
    EXPECT_EQ(id(reply()), 2);
    EXPECT_TRUE(reply(200).isEmpty());
    write(R"("id": 3})" "\n\n" R"({"cmd": "forms", "id": 4})");
    EXPECT_EQ(id(reply()), 3);
    // The last line needs no newline: the end of input ends it.
    host_.closeWriteChannel();
    EXPECT_EQ(id(reply()), 4);
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, LinesThatComeWhileACommandRunsTheEventLoopRunAfterIt) {
    start();
    // Once the host answers, the wait below begins as soon as it is written.
    write(R"({"cmd": "forms", "id": 0})" "\n");
    EXPECT_EQ(id(reply()), 0);
    write(R"({"cmd": "wait", "ms": 600, "id": 1})" "\n");
    QThread::msleep(150);
    write(R"({"cmd": "new", "id": 2})" "\n");
    QThread::msleep(100);
    write(R"({"cmd": "set-cell", "address": "A1", "value": "x", "id": 3})" "\n"
          R"({"cmd": "cell", "address": "A1", "id": 4})" "\n");
    // Run inside the wait, they would have answered before it.
    EXPECT_EQ(id(reply()), 1);
    EXPECT_EQ(id(reply()), 2);
    EXPECT_EQ(id(reply()), 3);
    const QJsonObject cell = reply();
    EXPECT_EQ(id(cell), 4);
    EXPECT_EQ(cell.value(QStringLiteral("value")).toString(), QStringLiteral("x"));
    host_.closeWriteChannel();
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, LinesThatComeWhileAnAddinCallsDoEventsRunAfterItsCommand) {
    start({QStringLiteral("--addin"), addin("hosttest_a")});
    write(R"({"cmd": "new", "id": 0})" "\n");
    EXPECT_EQ(id(reply()), 0);
    write(R"({"cmd": "press", "bar": "DenemeA", "caption": "Bekle", "id": 1})" "\n");
    QThread::msleep(150);
    write(R"({"cmd": "set-cell", "address": "A1", "value": "sonra", "id": 2})" "\n"
          R"({"cmd": "cell", "address": "A1", "id": 3})" "\n");
    EXPECT_EQ(id(reply()), 1);
    EXPECT_EQ(id(reply()), 2);
    const QJsonObject cell = reply();
    EXPECT_EQ(id(cell), 3);
    EXPECT_EQ(cell.value(QStringLiteral("value")).toString(), QStringLiteral("sonra"))
        << "run inside the add-in's wait, the cell would have been written before its mark";
    host_.closeWriteChannel();
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, TheEndOfInputWhileACommandRunsComesAfterWhatIsQueued) {
    start();
    write(R"({"cmd": "wait", "ms": 400, "id": 1})" "\n" R"({"cmd": "wait", "ms": 100, "id": 2})" "\n"
          R"({"cmd": "forms", "id": 3})");
    host_.closeWriteChannel();
    EXPECT_EQ(id(reply()), 1);
    EXPECT_EQ(id(reply()), 2);
    EXPECT_EQ(id(reply()), 3);
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, StandardInputMayBeAFile) {
    const QString commands = dir_.filePath(QStringLiteral("commands.jsonl"));
    {
        QFile f(commands);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"cmd": "new", "id": 1})" "\n"
                R"({"cmd": "wait", "ms": 50, "id": 2})" "\n\n"
                R"({"cmd": "set-cell", "address": "B2", "value": 5, "id": 3})" "\n"
                R"({"cmd": "cell", "address": "B2", "id": 4})");
    }
    host_.setStandardInputFile(commands);
    start();
    for (int expected = 1; expected <= 3; ++expected)
        EXPECT_EQ(id(reply()), expected);
    const QJsonObject cell = reply();
    EXPECT_EQ(id(cell), 4);
    EXPECT_EQ(cell.value(QStringLiteral("value")).toDouble(), 5);
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, AnEmptyStandardInputEndsTheRunAtOnce) {
    host_.setStandardInputFile(QProcess::nullDevice());
    start();
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(HostInput, StandardInputMayBeATerminalWhichIsLeftAsItWas) {
    int master = -1, terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    const int flags = ::fcntl(terminal, F_GETFL);
    host_.setChildProcessModifier([terminal] { ::dup2(terminal, STDIN_FILENO); });
    start();
    // What the terminal echoes is read away, so that it never fills.
    auto type = [master](const QByteArray& bytes) {
        EXPECT_EQ(::write(master, bytes.constData(), size_t(bytes.size())), bytes.size());
    };
    auto dropEcho = [master] {
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        char buffer[4096];
        while (::read(master, buffer, sizeof buffer) > 0) {
        }
    };
    type(R"({"cmd": "new", "id": 1})" "\n");
    EXPECT_EQ(id(reply()), 1);
    type(R"({"cmd": "wait", "ms": 200, "id": 2})" "\n" R"({"cmd": "forms", "id": 3})" "\n");
    EXPECT_EQ(id(reply()), 2);
    EXPECT_EQ(id(reply()), 3);
    dropEcho();
    // The end-of-file character at the start of a line: the terminal's end of input.
    struct termios modes {};
    ASSERT_EQ(::tcgetattr(terminal, &modes), 0);
    type(QByteArray(1, char(modes.c_cc[VEOF])));
    EXPECT_EQ(exitCode(), 0);
    EXPECT_EQ(::fcntl(terminal, F_GETFL), flags) << "the terminal is shared with whoever started the host";
    ::close(master);
    ::close(terminal);
}

} // namespace
