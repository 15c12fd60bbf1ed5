#pragma once

#include "platform/vb/export.h"

#include <QByteArray>
#include <QString>

namespace win32 {

// Scripting.FileSystemObject, as far as the add-in uses it. Windows paths
// ("C:\x.xls") name files through LocalPath (paths.h).
class QM_EXPORT FileSystemObject {
public:
    bool FileExists(const QString& path) const;
    // Raises "File not found" when there is no such file, and "Permission
    // denied" for a read-only file (no write permission for anyone) or one
    // that cannot be removed, as without the force argument.
    void DeleteFile(const QString& path) const;
    // The version text a file carries, empty when it carries none; raises
    // "File not found" when there is no such file. Linux files have no
    // version resource: a version is read from a sidecar "<file>.version" or
    // from a marker that a library embeds (see VersionMarker).
    QString GetFileVersion(const QString& path) const;
};

// The bytes a library embeds so that GetFileVersion finds its version:
// "QMFILEVERSION:" followed by the version and a NUL.
inline constexpr char kVersionMarkerPrefix[] = "QMFILEVERSION:";

} // namespace win32
