#pragma once

#include "platform/vb/export.h"

#include <QString>

// Paths written as on Windows ("C:\gitmeyen.xls", the root folder "\") name
// places on this machine through one folder that stands for the root of
// every drive: $QUILLMERE_WINDOWS_DRIVE when it is set, else the user's
// documents folder. Whatever meets such a path (a file written to a fixed
// name, a dialog's start folder) goes through LocalPath.
namespace win32 {

// A drive letter and a colon ("C:\x", "c:x", "D:"), or a leading backslash
// ("\", "\Raporlar\x.xls").
QM_EXPORT bool IsWindowsPath(const QString& path);

// The folder that stands for the root of a drive, absolute; created when it
// is missing.
QM_EXPORT QString WindowsDriveFolder();

// A Windows path as a path on this machine: the drive's root becomes
// WindowsDriveFolder() and every backslash a folder separator ("C:\a\b.xls"
// is <folder>/a/b.xls, "\" the folder itself). Any other path is returned
// as it is.
QM_EXPORT QString LocalPath(const QString& path);

} // namespace win32
