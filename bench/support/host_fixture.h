#pragma once

// The host program in the benchmark's own process, headless, without
// add-ins, with a folder for the files it opens and saves: for the
// benchmarks of opening and saving workbooks in the host.
#include "host/host.h"
#include "host/mainwindow.h"
#include "platform/excel/application.h"
#include "platform/vb/regional.h"

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

class HostFixture {
public:
    HostFixture() {
        qputenv("XDG_CONFIG_HOME", QDir(config_.path()).absolutePath().toLocal8Bit());
        qputenv("QUILLMERE_REGISTRY", config_.filePath(QStringLiteral("registry.json")).toLocal8Bit());
        host_ = std::make_unique<host::Host>(host::Host::Options{true, {}, {}});
        host_->start();
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    host::Host& host() { return *host_; }
    excel::Application& app() { return *host_->application(); }
    // The rows the host's grid shows.
    int shownRows() { return host_->mainWindow()->grid()->model()->rowCount(); }

    // One timed opening of the file, until the grid shows its first sheet;
    // whileOpen and the close after it are not timed.
    void openUntilShown(benchmark::State& state, const QString& file, int rows,
                        const std::function<void()>& whileOpen = {}) {
        app().Workbooks().Open(file);
        QApplication::processEvents();
        state.PauseTiming();
        if (whileOpen)
            whileOpen();
        if (shownRows() < rows)
            state.SkipWithError("the grid does not show the sheet");
        app().ActiveWorkbook()->Close();
        QApplication::processEvents();
        state.ResumeTiming();
    }

    // Made at the first benchmark, gone before the application is.
    static HostFixture& get() {
        if (!instance())
            instance() = std::make_unique<HostFixture>();
        return *instance();
    }
    // The benchmarks' main: headless, Turkish regional settings.
    static int main(int argc, char** argv) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("TZ"))
            qputenv("TZ", ":/etc/localtime");
        QApplication app(argc, argv);
        vb::SetRegional(vb::RegionalSettings::turkish());
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        instance().reset();
        return 0;
    }

private:
    static std::unique_ptr<HostFixture>& instance() {
        static std::unique_ptr<HostFixture> fixture;
        return fixture;
    }

    QTemporaryDir config_;
    QTemporaryDir dir_;
    std::unique_ptr<host::Host> host_;
};
