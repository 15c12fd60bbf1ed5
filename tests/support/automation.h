#pragma once

// Running the programs of the build from a test: sheet-host in its
// automation mode, and the local gateway emulator.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace automation {

inline QString buildPath(const QString& relative) {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../../") + relative).absolutePath();
}

inline QString hostProgram() { return buildPath(QStringLiteral("bin/sheet-host")); }
inline QString addin(const char* name) { return buildPath(QStringLiteral("tests/addins/%1.so").arg(QLatin1String(name))); }

// A copy of an edition's deliverable in a test's folder, so that the
// database beside it is the test's own; the platform libraries are linked
// where it expects them, once for all the editions copied. The copy's
// folder, empty when the copy failed.
inline QString copyAddin(const QTemporaryDir& dir, const QString& edition,
                         const QStringList& files = {QStringLiteral("quillmere.so")}) {
    const QString folder = dir.filePath(QStringLiteral("addins/") + edition);
    const QString lib = dir.filePath(QStringLiteral("lib"));
    if (!QDir().mkpath(folder)) {
        ADD_FAILURE() << "no folder " << folder.toStdString();
        return {};
    }
    if (!QFileInfo(lib).isSymLink() && !QFile::link(buildPath(QStringLiteral("lib")), lib)) {
        ADD_FAILURE() << "no link " << lib.toStdString();
        return {};
    }
    for (const QString& file : files)
        if (!QFile::copy(buildPath(QStringLiteral("addins/%1/%2").arg(edition, file)), folder + u'/' + file)) {
            ADD_FAILURE() << "no copy of " << edition.toStdString() << '/' << file.toStdString();
            return {};
        }
    return folder;
}

// The host keeps its settings, its runtime files and the registry in the
// test's folder, never in the user's.
inline QProcessEnvironment hostEnvironment(const QTemporaryDir& dir,
                                           QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) {
    base.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    base.insert(QStringLiteral("QUILLMERE_REGISTRY"), dir.filePath(QStringLiteral("registry.json")));
    return base;
}

// One run of sheet-host --automation.
class HostProcess {
public:
    HostProcess(const QStringList& args, const QProcessEnvironment& env) {
        process_.setProcessEnvironment(env);
        process_.start(hostProgram(), QStringList{QStringLiteral("--automation")} + args);
        started_ = process_.waitForStarted(10000);
    }
    ~HostProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    bool started() const { return started_; }

    // Writes one line and reads the one reply line; every line on standard
    // output must be a JSON object.
    QJsonObject sendLine(const QByteArray& line) {
        process_.write(line + '\n');
        return readReply();
    }
    QJsonObject send(const QJsonObject& command) {
        return sendLine(QJsonDocument(command).toJson(QJsonDocument::Compact));
    }
    // Writes one command without waiting for its reply (readReply reads it),
    // so that two hosts can be given theirs at once.
    void post(const QJsonObject& command) {
        process_.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
        process_.waitForBytesWritten(5000);
    }
    QJsonObject readReply() {
        while (!process_.canReadLine()) {
            if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(15000)) {
                ADD_FAILURE() << "no reply; standard error:\n" << errors().toStdString();
                return {};
            }
        }
        const QByteArray line = process_.readLine();
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_TRUE(doc.isObject()) << "not a JSON object on standard output: " << line.toStdString();
        return doc.object();
    }

    // Closes standard input and waits for the exit code (-1: still running).
    int finish() {
        process_.closeWriteChannel();
        return waitForExit();
    }
    int waitForExit() {
        if (!process_.waitForFinished(15000))
            return -1;
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        // What is left on standard output must be replies too.
        EXPECT_TRUE(process_.readAllStandardOutput().trimmed().isEmpty());
        return process_.exitCode();
    }
    QString errors() {
        stderr_ += QString::fromLocal8Bit(process_.readAllStandardError());
        return stderr_;
    }

private:
    QProcess process_;
    bool started_ = false;
    QString stderr_;
};

inline QJsonObject cmd(const char* name, QJsonObject fields = {}) {
    fields.insert(QStringLiteral("cmd"), QLatin1String(name));
    return fields;
}

// Every check of a reply first needs it to have succeeded.
#define EXPECT_OK(reply)                                                                                     \
    do {                                                                                                     \
        const QJsonObject r_ = (reply);                                                                      \
        EXPECT_TRUE(r_.value(QStringLiteral("ok")).toBool())                                                 \
            << QJsonDocument(r_).toJson(QJsonDocument::Compact).toStdString();                               \
    } while (0)

inline QJsonObject findByName(const QJsonArray& list, const QString& name) {
    for (const QJsonValue& v : list)
        if (v.toObject().value(QStringLiteral("name")).toString() == name)
            return v.toObject();
    return {};
}

// A window as the host has it now; empty once it is gone.
inline QJsonObject form(HostProcess& host, const QString& name) {
    return findByName(host.send(cmd("forms")).value(QStringLiteral("forms")).toArray(), name);
}
inline QJsonObject control(HostProcess& host, const QString& formName, const QString& name) {
    return form(host, formName).value(QStringLiteral("controls")).toObject().value(name).toObject();
}
// The native window of a window of the host; 0 while it has none.
inline quint64 nativeWindow(HostProcess& host, const QString& name) {
    return quint64(host.send(cmd("where", {{"control", name}})).value(QStringLiteral("window")).toDouble());
}
// The rectangle of a reply to "where", on the screen.
inline QRect rect(const QJsonObject& where) {
    return QRect(where.value(QStringLiteral("x")).toInt(), where.value(QStringLiteral("y")).toInt(),
                 where.value(QStringLiteral("width")).toInt(), where.value(QStringLiteral("height")).toInt());
}
// What the tests' add-ins wrote to their log (QM_TEST_ADDIN_LOG), one event
// a line; empty while they have written nothing.
inline QString addinLog(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

// The requests the emulator received, in order, from its log: the path each
// was posted to and its document.
inline std::vector<std::pair<QString, QString>> receivedRequests(const QString& logFile) {
    std::vector<std::pair<QString, QString>> out;
    QFile f(logFile);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString path = entry.value(QStringLiteral("path")).toString();
        if (!entry.isEmpty() && path != u"/control")
            out.emplace_back(path, entry.value(QStringLiteral("body")).toString());
    }
    return out;
}

// The local gateway emulator on a free loopback port.
class EmulatorProcess {
public:
    explicit EmulatorProcess(const QStringList& args = {}) {
        process_.start(buildPath(QStringLiteral("bin/gateway-emulator")),
                       QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
        if (!process_.waitForStarted(10000) || !process_.waitForReadyRead(10000))
            return;
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("listening 127.0.0.1:")))
            port_ = line.section(u':', -1).toInt();
    }
    ~EmulatorProcess() {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    int port() const { return port_; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

private:
    QProcess process_;
    int port_ = 0;
};

} // namespace automation
