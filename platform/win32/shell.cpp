#include "platform/win32/shell.h"

#include "platform/vb/msgbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>
#include <utility>

namespace win32 {

namespace {

constexpr long kOpened = 42;
constexpr long kFileNotFound = 2;   // ERROR_FILE_NOT_FOUND
constexpr long kNoAssociation = 31; // SE_ERR_NOASSOC

// An opener that ends with an error this soon after its start could not
// open the target; one that ends later was a viewer the person closed.
constexpr int kQuickFailureMs = 5000;
// How long the forwarding page stays: long enough for a browser that starts
// slowly to read it.
constexpr int kForwardPageMs = 120000;

// Viewers of compiled help files, for a desktop that names none.
const char* const kHelpViewers[] = {"xchm", "kchmviewer"};
// Browsers tried where there is no desktop opener, after $BROWSER.
const char* const kBrowsers[] = {"x-www-browser", "firefox", "chromium", "google-chrome"};

QString program(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

// The desktop's default application for a type, as xdg-mime knows it.
bool desktopNamesOpener(const QString& mimeType) {
    const QString xdgMime = program(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess p;
    p.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitCode() == 0 && !p.readAllStandardOutput().trimmed().isEmpty();
}

// The address as it may be shown: without the account in its query.
QString shownAddress(const QUrl& url) {
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).toDisplayString();
}

void tell(const QString& message) {
    vb::MsgBox(message, vb::vbExclamation);
}

QString noProgramForFile(const QString& path) {
    return QStringLiteral("'%1' açılamadı: bu tür dosyaları açacak bir program bulunamadı.")
        .arg(QDir::toNativeSeparators(path));
}

QString noBrowser(const QUrl& url) {
    return QStringLiteral("'%1' adresi açılamadı: bu bilgisayarda bir web tarayıcısı bulunamadı.").arg(shownAddress(url));
}

// Starts the opener, which may live as long as the viewer it runs; if it
// fails at once, the person is told with `failure`.
// The program and arguments that open a target; empty when no program can.
struct Opener {
    QString program;
    QStringList arguments;
};

void start(const Opener& opener, const QString& failure) {
    auto* process = new QProcess(QCoreApplication::instance());
    // Nothing of the host is held by the viewer: it goes on when the host
    // ends.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    struct Run {
        QElapsedTimer since;
        bool over = false;
    };
    auto run = std::make_shared<Run>();
    run->since.start();
    auto over = [process, run, failure](bool failed) {
        if (std::exchange(run->over, true))
            return;
        if (failed && run->since.elapsed() < kQuickFailureMs)
            tell(failure);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [over](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            over(true);
    });
    QObject::connect(process, &QProcess::finished, process, [over](int code, QProcess::ExitStatus status) {
        over(status == QProcess::NormalExit && code != 0);
    });
    process->start(opener.program, opener.arguments);
}

Opener openerForFile(const QString& path) {
    const QString xdgOpen = program(QStringLiteral("xdg-open"));
    const bool help = QFileInfo(path).suffix().compare(QStringLiteral("chm"), Qt::CaseInsensitive) == 0;
    if (help && !desktopNamesOpener(QMimeDatabase().mimeTypeForFile(path).name()))
        for (const char* viewer : kHelpViewers)
            if (const QString found = program(QLatin1String(viewer)); !found.isEmpty())
                return {found, {path}};
    if (!xdgOpen.isEmpty())
        return {xdgOpen, {path}};
    return {};
}

Opener openerForPage(const QString& page) {
    if (const QString xdgOpen = program(QStringLiteral("xdg-open")); !xdgOpen.isEmpty())
        return {xdgOpen, {page}};
    QStringList candidates = qEnvironmentVariable("BROWSER").split(u':', Qt::SkipEmptyParts);
    for (const char* browser : kBrowsers)
        candidates << QLatin1String(browser);
    for (const QString& candidate : candidates)
        if (const QString found = program(candidate); !found.isEmpty())
            return {found, {page}};
    return {};
}

// The page that sends a browser on to `address`: readable by its owner
// only, removed a while after it was opened.
QString writeForwardPage(const QString& address) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    // Created readable and writable by its owner only.
    QTemporaryFile file(folder + QStringLiteral("/quillmere-XXXXXX.html"));
    if (!file.open())
        return {};
    // The script's string may not end the script early.
    QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{address}).toJson(QJsonDocument::Compact));
    quoted = quoted.mid(1, quoted.size() - 2).replace(QStringLiteral("</"), QStringLiteral("<\\/"));
    const QString attribute = address.toHtmlEscaped();
    const QString page = QStringLiteral(
                             "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                             "<meta http-equiv=\"refresh\" content=\"0; url=%1\">"
                             "<script>location.replace(%2);</script></head>"
                             "<body><a href=\"%1\">%3</a></body></html>\n")
                             .arg(attribute, quoted, shownAddress(QUrl(address)).toHtmlEscaped());
    const QByteArray bytes = page.toUtf8();
    // A page written in part (it holds the account) goes with the object.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return {};
    file.setAutoRemove(false);
    const QString path = file.fileName();
    file.close();
    QTimer::singleShot(kForwardPageMs, QCoreApplication::instance(), [path] { QFile::remove(path); });
    return path;
}

} // namespace

ShellService::~ShellService() = default;

long RecordingShellService::execute(const ShellCall& call) {
    calls_.push_back(call);
    return kOpened;
}

long DesktopShellService::execute(const ShellCall& call) {
    if (call.file.contains(QStringLiteral("://"))) {
        const QUrl url(call.file);
        if (!url.isValid()) {
            tell(noBrowser(url));
            return kFileNotFound;
        }
        const bool web = url.scheme() == u"http" || url.scheme() == u"https";
        const QString target = web ? writeForwardPage(call.file) : call.file;
        const Opener opener = target.isEmpty() ? Opener{} : web ? openerForPage(target) : openerForFile(target);
        if (opener.program.isEmpty()) {
            tell(noBrowser(url));
            return kNoAssociation;
        }
        start(opener, noBrowser(url));
        return kOpened;
    }
    QString path = call.file;
    if (QFileInfo(path).isRelative() && !call.directory.isEmpty())
        path = QDir(call.directory).filePath(path);
    if (!QFileInfo::exists(path)) {
        tell(QStringLiteral("'%1' dosyası bulunamadı.").arg(QDir::toNativeSeparators(path)));
        return kFileNotFound;
    }
    const Opener opener = openerForFile(path);
    if (opener.program.isEmpty()) {
        tell(noProgramForFile(path));
        return kNoAssociation;
    }
    start(opener, noProgramForFile(path));
    return kOpened;
}

namespace {
std::shared_ptr<ShellService>& current() {
    static std::shared_ptr<ShellService> service = std::make_shared<RecordingShellService>();
    return service;
}
} // namespace

ShellService& Shell() { return *current(); }

void SetShellService(std::shared_ptr<ShellService> service) {
    current() = service ? std::move(service) : std::make_shared<RecordingShellService>();
}

long ShellExecute(void*, const QString& verb, const QString& file, const QString& parameters,
                  const QString& directory, int show) {
    return Shell().execute({verb, file, parameters, directory, show});
}

} // namespace win32
