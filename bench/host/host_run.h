#pragma once

// The benchmarks that time what a user waits for: sheet-host of the build in
// its automation mode, as its own process, with an edition of the add-in
// and the local gateway emulator. A step is timed from the command written
// to the host to its reply read back (the host replies once the command is
// done and what it set going has been painted), and the host's memory is
// its resident high-water mark, read from /proc, set back to what is
// resident before each step.
#include "platform/excel/files/workbookfile.h"
#include "platform/excel/sheetdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <csignal>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace hostbench {

// A path of the build: the benchmarks run from build/bench.
inline QString buildPath(const QString& relative) {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../") + relative).absolutePath();
}

// A failure of the road: the benchmark says so and skips the rest.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline QJsonObject cmd(const char* name, QJsonObject fields = {}) {
    fields.insert(QStringLiteral("cmd"), QLatin1String(name));
    return fields;
}

// A field of /proc/PID/status in megabytes; -1 when it cannot be read.
inline double statusMegabytes(qint64 pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::string(field).size() + 1)) / 1024.0;
    return -1;
}

// The load of the machine, as uptime gives it (the 1-minute average).
inline double loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = -1;
    in >> one;
    return one;
}

// The local gateway emulator, statuses final at once, on a free port, its
// replies never compressed (what it would spend compressing is no time of
// the host's). The demo account (demo, demo123, DEMO) has credit enough for
// any benchmark.
class Emulator {
public:
    Emulator() {
        QFile accounts(dir_.filePath(QStringLiteral("accounts.json")));
        if (!accounts.open(QIODevice::WriteOnly))
            throw Failure("cannot write the emulator's accounts");
        accounts.write(R"({"accounts":[{"user":"demo","password":"demo123","clientCode":"DEMO",)"
                       R"("credit":100000000,"originators":["QUILLMERE","DEMO FIRMA"]}]})");
        accounts.close();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(buildPath(QStringLiteral("bin/gateway-emulator")),
                       {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--settle-ms"), QStringLiteral("0"),
                        QStringLiteral("--accounts"), accounts.fileName(), QStringLiteral("--compress"), QStringLiteral("no")});
        if (!process_.waitForStarted(10000) || !process_.waitForReadyRead(10000))
            throw Failure("the gateway emulator did not start");
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (!line.startsWith(QStringLiteral("listening 127.0.0.1:")))
            throw Failure("the gateway emulator did not listen");
        port_ = line.section(u':', -1).toInt();
    }
    ~Emulator() {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            process_.kill();
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    int port() const { return port_; }
    qint64 pid() const { return process_.processId(); }

    // A control command (see the emulator's README), answered in JSON.
    QJsonObject control(const QJsonObject& command) const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(600, 0);
        client.set_write_timeout(600, 0);
        const auto reply = client.Post("/control", QJsonDocument(command).toJson(QJsonDocument::Compact).toStdString(),
                                       "application/json");
        if (!reply || reply->status != 200)
            throw Failure("the emulator refused a control command");
        return QJsonDocument::fromJson(QByteArray::fromStdString(reply->body)).object();
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// sheet-host --automation with one edition of the add-in, in a folder of
// its own (its database, registry and documents folder are the run's).
class Host {
public:
    Host(const Emulator& gateway, int edition = 1) : gatewayPid_(gateway.pid()) {
        const QString folder = dir_.filePath(QStringLiteral("addins/edition%1").arg(edition));
        QDir().mkpath(folder);
        QDir().mkpath(dir_.filePath(QStringLiteral("documents")));
        if (!QFile::link(buildPath(QStringLiteral("lib")), dir_.filePath(QStringLiteral("lib"))))
            throw Failure("cannot link the platform libraries");
        for (const char* file : {"quillmere.so", "quillmere.chm"})
            if (!QFile::copy(buildPath(QStringLiteral("addins/edition%1/").arg(edition) + QLatin1String(file)),
                             folder + u'/' + QLatin1String(file)))
                throw Failure("cannot copy the add-in");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
        env.insert(QStringLiteral("QUILLMERE_REGISTRY"), dir_.filePath(QStringLiteral("registry.json")));
        env.insert(QStringLiteral("QUILLMERE_WINDOWS_DRIVE"), dir_.filePath(QStringLiteral("documents")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMERE_SERVICE_URL"), gateway.base());
        process_.setProcessEnvironment(env);
        // What the host says on its standard error (the headless display's
        // warnings among it) goes with a failure only.
        process_.setStandardErrorFile(dir_.filePath(QStringLiteral("stderr.txt")));
        process_.start(buildPath(QStringLiteral("bin/sheet-host")),
                       {QStringLiteral("--automation"), QStringLiteral("--addin"), folder + QStringLiteral("/quillmere.so")});
        if (!process_.waitForStarted(10000))
            throw Failure("sheet-host did not start");
        // The first reply comes once the host and its add-in are up.
        send(cmd("bars"));
    }
    ~Host() {
        if (process_.state() != QProcess::NotRunning) {
            process_.closeWriteChannel();
            if (!process_.waitForFinished(30000))
                process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    QString folder() const { return dir_.path(); }
    std::string errors() const {
        QFile f(dir_.filePath(QStringLiteral("stderr.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray all = f.readAll();
        return all.right(4000).toStdString();
    }

    // One command and its reply; a reply that is not ok is a failure.
    QJsonObject send(const QJsonObject& command) {
        process_.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
        while (!process_.canReadLine()) {
            if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(600000))
                throw Failure("sheet-host gave no reply to " + QJsonDocument(command).toJson(QJsonDocument::Compact).toStdString()
                              + "; its standard error ends:\n" + errors());
        }
        const QJsonObject reply = QJsonDocument::fromJson(process_.readLine()).object();
        if (!reply.value(QStringLiteral("ok")).toBool())
            throw Failure("sheet-host refused " + QJsonDocument(command).toJson(QJsonDocument::Compact).toStdString() + ": "
                          + QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString());
        return reply;
    }

    // One command timed, in seconds; the host's peak of resident memory
    // during it goes into peakMb (the largest of those seen).
    // With HOSTBENCH_PERF=NAME in the environment, a step named NAME is
    // recorded by perf into HOSTBENCH_PERF_FILE (default perf-NAME.data):
    // the host, or the gateway emulator with HOSTBENCH_PERF_GATEWAY set.
    double timed(const QJsonObject& command, QJsonObject* reply = nullptr, const QString& name = {}) {
        std::unique_ptr<QProcess> perf;
        if (!name.isEmpty() && qEnvironmentVariable("HOSTBENCH_PERF") == name) {
            perf = std::make_unique<QProcess>();
            perf->setProcessChannelMode(QProcess::ForwardedChannels);
            perf->start(QStringLiteral("perf"),
                        {QStringLiteral("record"), QStringLiteral("-F"), QStringLiteral("400"), QStringLiteral("--call-graph=dwarf,32768"), QStringLiteral("-o"),
                         qEnvironmentVariable("HOSTBENCH_PERF_FILE", QStringLiteral("perf-%1.data").arg(name)),
                         QStringLiteral("-p"),
                         QString::number(qEnvironmentVariableIsSet("HOSTBENCH_PERF_GATEWAY") ? gatewayPid_
                                                                                            : process_.processId())});
            perf->waitForStarted();
            QThread::msleep(500);
        }
        resetPeak();
        QElapsedTimer clock;
        clock.start();
        QJsonObject r = send(command);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (perf) {
            ::kill(pid_t(perf->processId()), SIGINT);
            perf->waitForFinished(60000);
        }
        lastPeakMb = statusMegabytes(process_.processId(), "VmHWM:");
        peakMb = std::max(peakMb, lastPeakMb);
        if (reply)
            *reply = std::move(r);
        return seconds;
    }
    double residentMb() const { return statusMegabytes(process_.processId(), "VmRSS:"); }

    // A control of a loaded window, a grid's first `rows` rows with it.
    QJsonObject control(const QString& name, int rows = 0) {
        return send(cmd("control", {{"control", name}, {"rows", rows}})).value(QStringLiteral("control")).toObject();
    }
    // The message boxes shown since the last call.
    QJsonArray messages() {
        return send(cmd("messages", {{"clear", true}})).value(QStringLiteral("messages")).toArray();
    }
    // The login window of the first command, with the demo account.
    void signIn() {
        send(cmd("type", {{"control", "frmGiris.txtUserName"}, {"text", "demo"}}));
        send(cmd("type", {{"control", "frmGiris.txtPassWord"}, {"text", "demo123"}}));
        send(cmd("type", {{"control", "frmGiris.txtClientKodu"}, {"text", "DEMO"}}));
        send(cmd("click", {{"control", "frmGiris.btnOturumAc"}}));
    }

    double peakMb = 0;
    double lastPeakMb = 0;

private:
    void resetPeak() const {
        std::ofstream("/proc/" + std::to_string(process_.processId()) + "/clear_refs") << "5";
    }

    qint64 gatewayPid_;
    QTemporaryDir dir_;
    QProcess process_;
};

// Runs one measurement of a benchmark: a failure skips it with its text.
template <class F>
void measure(benchmark::State& state, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// A workbook of one sheet written to path once, its cells as fill writes
// them; the file is kept for the benchmarks after.
inline QString MadeWorkbook(const QString& path, const QString& sheetName,
                            const std::function<void(excel::SheetData&)>& fill) {
    if (QFile::exists(path))
        return path;
    excel::WorkbookData book;
    book.sheets.emplace_back();
    book.sheets.back().name = sheetName;
    fill(book.sheets.back());
    excel::WriteWorkbookFile(book, path, excel::FormatForFileName(path));
    return path;
}

// The main of these benchmarks.
inline int Main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace hostbench
