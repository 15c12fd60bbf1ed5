#include "platform/win32/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace win32 {

ShellService::~ShellService() = default;

long RecordingShellService::execute(const ShellCall& call) {
    calls_.push_back(call);
    return 42;
}

long DesktopShellService::execute(const ShellCall& call) {
    QUrl url;
    if (call.file.contains(QStringLiteral("://"))) {
        url = QUrl(call.file);
    } else {
        QString path = call.file;
        if (QFileInfo(path).isRelative() && !call.directory.isEmpty())
            path = QDir(call.directory).filePath(path);
        if (!QFileInfo::exists(path))
            return 2;  // ERROR_FILE_NOT_FOUND
        url = QUrl::fromLocalFile(path);
    }
    if (!url.isValid())
        return 2;
    return QDesktopServices::openUrl(url) ? 42 : 31;  // 31: no association
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
