// sheet-host: the spreadsheet host program. It stands in for Excel: a person
// uses the add-ins through its window, tests drive it through --automation.
#include "host/addins.h"
#include "host/automation.h"
#include "host/host.h"
#include "host/mainwindow.h"
#include "host/registration.h"
#include "platform/forms/browser.h"
#include "platform/forms/desktop.h"
#include "platform/forms/form.h"
#include "platform/forms/services.h"
#include "platform/vb/error.h"
#include "platform/vb/regional.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const char* const kUsage =
    "usage: sheet-host [--automation] [--addin LIBRARY]... [FILE]...\n"
    "       sheet-host --register LIBRARY\n"
    "       sheet-host --unregister LIBRARY\n"
    "\n"
    "  FILE               workbooks to open (.xls, .xlsx, .csv)\n"
    "  --addin LIBRARY    connect an add-in that is not registered\n"
    "  --automation       read JSON commands from standard input, one a line,\n"
    "                     and answer each with one JSON line on standard output\n"
    "  --register LIBRARY     register an add-in for the user (load at start)\n"
    "  --unregister LIBRARY   remove an add-in's registration\n"
    "\n"
    "QUILLMERE_SCREENSHOT=PATH saves a picture of the screen (or of the window)\n"
    "a moment after start; QUILLMERE_SCREENSHOT_DELAY sets the moment in ms.\n";

void messageToStderr(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "sheet-host: %s\n", message.toLocal8Bit().constData());
}

// The data-access library that --register records, next to the host's own
// libraries: <bin>/../lib.
QString adoLibraryPath(const char* argv0) {
    QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (self.isEmpty())
        self = QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
    return QDir(QFileInfo(self).absolutePath() + QStringLiteral("/../lib/libqm_ado.so")).absolutePath();
}

int registration(const QString& option, const QString& library, const char* argv0) {
    try {
        if (option == u"--register") {
            host::RegisterAddin(library, adoLibraryPath(argv0));
            std::fprintf(stderr, "sheet-host: registered %s\n", library.toLocal8Bit().constData());
        } else {
            const QStringList removed = host::UnregisterAddin(library);
            if (removed.isEmpty()) {
                std::fprintf(stderr, "sheet-host: %s is not registered\n", library.toLocal8Bit().constData());
                return 1;
            }
            std::fprintf(stderr, "sheet-host: unregistered %s\n", removed.join(u", ").toLocal8Bit().constData());
        }
        return 0;
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "sheet-host: %s\n", e.description().toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sheet-host: %s\n", e.what());
    }
    return 1;
}

void scheduleScreenshot(host::Host& host) {
    const QString path = qEnvironmentVariable("QUILLMERE_SCREENSHOT");
    if (path.isEmpty())
        return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("QUILLMERE_SCREENSHOT_DELAY", &ok);
    QTimer::singleShot(ok ? delay : 1500, qApp, [&host, path] {
        if (!host.picture().save(path))
            host::Report(QStringLiteral("the screenshot could not be saved to %1").arg(path));
    });
}

// The end of a run. Add-ins keep static state (database connections, window
// pointers, the host's Application) that would be torn down after the
// platform it points into; like a host process whose add-ins are COM
// servers, the process just ends once its own work is flushed.
[[noreturn]] void end(int code) {
    host::AddinLibrary::RemovePrivateCopies();
    std::fflush(nullptr);
    _exit(code);
}

} // namespace

int main(int argc, char** argv) {
    // Registration needs no window system.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--register") == 0 || std::strcmp(argv[i], "--unregister") == 0) {
            if (i + 1 >= argc) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            QCoreApplication core(argc, argv);
            return registration(QString::fromLocal8Bit(argv[i]), QString::fromLocal8Bit(argv[i + 1]), argv[0]);
        }
    }

    bool automation = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--automation") == 0)
            automation = true;

    int replyFd = STDOUT_FILENO;
    if (automation) {
        // The replies get standard output to themselves: whatever else would
        // print there (a library, a stray message) lands on standard error.
        replyFd = dup(STDOUT_FILENO);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        // Nothing is shown to anyone; no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(messageToStderr);

    forms::UseTurkishSystemLocale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sheet-host"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The add-ins were written for a Turkish desktop; its regional settings
    // hold whatever the machine's locale.
    vb::SetRegional(vb::RegionalSettings::turkish());
    // And its dialogs and standard buttons speak Turkish, the host's own too.
    if (!forms::InstallTurkishTranslations())
        host::Report(QStringLiteral("Qt's Turkish translations were not found (package qt6-translations-l10n)"));

    host::Host::Options options;
    options.automation = automation;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--automation")
            continue;
        if (a == u"--addin") {
            if (i + 1 >= args.size()) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.addins << args[++i];
        } else if (a.startsWith(u"--")) {
            std::fprintf(stderr, "sheet-host: unknown option %s\n%s", a.toLocal8Bit().constData(), kUsage);
            return 2;
        } else {
            options.files << a;
        }
    }

    forms::ScriptedServices scripted;
    if (automation) {
        scripted = forms::InstallScriptedServices();
        forms::WebBrowser::setRemoteAllowed(false);
    } else {
        forms::InstallInteractiveServices();
    }

    auto host = std::make_unique<host::Host>(options);
    std::unique_ptr<host::Automation> protocol;
    if (automation)
        protocol = std::make_unique<host::Automation>(*host, scripted, replyFd);
    host->start();
    scheduleScreenshot(*host);
    if (protocol)
        protocol->start();
    const int code = app.exec();
    host->shutdown();
    forms::FlushUnloaded();
    end(code);
}
