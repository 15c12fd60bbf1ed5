#include "platform/win32/paths.h"

#include <QDir>
#include <QStandardPaths>

namespace win32 {

namespace {

bool hasDrive(const QString& path) {
    return path.size() >= 2 && path[1] == u':' && path[0].unicode() < 128 && path[0].isLetter();
}

} // namespace

bool IsWindowsPath(const QString& path) { return hasDrive(path) || path.startsWith(u'\\'); }

QString WindowsDriveFolder() {
    QString folder = qEnvironmentVariable("QUILLMERE_WINDOWS_DRIVE").trimmed();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    folder = QDir(folder).absolutePath();
    QDir().mkpath(folder);
    return folder;
}

QString LocalPath(const QString& path) {
    if (!IsWindowsPath(path))
        return path;
    // As on Windows, ".." at the root of a drive stays at the root: no
    // Windows path leads out of the folder.
    QString rest = hasDrive(path) ? path.mid(2) : path;
    rest.replace(u'/', u'\\');
    QStringList kept;
    for (const QString& part : rest.split(u'\\')) {
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept << part;
    }
    const QString root = WindowsDriveFolder();
    return kept.isEmpty() ? root : root + u'/' + kept.join(u'/');
}

} // namespace win32
