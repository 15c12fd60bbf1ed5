#include "platform/win32/filesystem.h"

#include "platform/vb/error.h"
#include "platform/win32/paths.h"

#include <QFile>
#include <QFileInfo>

namespace win32 {

bool FileSystemObject::FileExists(const QString& path) const {
    QFileInfo fi(LocalPath(path));
    return fi.exists() && fi.isFile();
}

void FileSystemObject::DeleteFile(const QString& windowsPath) const {
    const QString path = LocalPath(windowsPath);
    if (!FileExists(path))
        vb::Raise(vb::errFileNotFound);
    // The permission bits, not access(): a read-only file stays read-only
    // for root too, as the attribute does on Windows.
    constexpr auto writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!(QFileInfo(path).permissions() & writable) || !QFile::remove(path))
        vb::Raise(vb::errPermissionDenied);
}

QString FileSystemObject::GetFileVersion(const QString& windowsPath) const {
    const QString path = LocalPath(windowsPath);
    if (!FileExists(path))
        vb::Raise(vb::errFileNotFound);
    QFile sidecar(path + QStringLiteral(".version"));
    if (sidecar.open(QIODevice::ReadOnly))
        return QString::fromUtf8(sidecar.readAll()).trimmed();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        vb::Raise(vb::errPermissionDenied);
    QByteArray bytes = f.readAll();
    // The prefix alone also stands in every module that knows of it; the
    // first occurrence followed by a version is the one that counts.
    const qsizetype prefixLength = qsizetype(sizeof kVersionMarkerPrefix - 1);
    for (qsizetype at = bytes.indexOf(kVersionMarkerPrefix); at >= 0;
         at = bytes.indexOf(kVersionMarkerPrefix, at + 1)) {
        qsizetype start = at + prefixLength;
        qsizetype end = bytes.indexOf('\0', start);
        if (end < 0)
            end = bytes.size();
        if (end > start)
            return QString::fromLatin1(bytes.mid(start, end - start));
    }
    return QString();
}

} // namespace win32
