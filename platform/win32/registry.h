#pragma once

#include "platform/vb/export.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace win32 {

// The registry stand-in: HKEY_CLASSES_ROOT and HKEY_CURRENT_USER keys with
// named values, kept in a file under $XDG_CONFIG_HOME (or ~/.config) so that
// registrations outlive the process and tests can isolate them. Every call
// reads the file afresh, so two processes see each other's writes.
class QM_EXPORT Registry {
public:
    // The file in use: $QUILLMERE_REGISTRY if set, else
    // $XDG_CONFIG_HOME/quillmere/registry.json.
    static QString filePath();

    // A key such as "HKCU\Software\Microsoft" (hive abbreviations HKCR, HKCU,
    // HKLM or their full names; letter case ignored). The empty value name is
    // the key's default value.
    static std::optional<QVariant> value(const QString& key, const QString& name = {});
    static void setValue(const QString& key, const QString& name, const QVariant& value);
    static bool deleteValue(const QString& key, const QString& name);
    // Removes the key, its values and every key below it.
    static bool deleteKey(const QString& key);
    static bool keyExists(const QString& key);
    static QStringList subKeys(const QString& key);
    static QStringList valueNames(const QString& key);
};

// WScript.Shell's RegRead and RegWrite: a path ending in "\" names the key's
// default value, otherwise the last part is the value name. Reading what is
// not there raises.
QM_EXPORT QVariant RegRead(const QString& path);
QM_EXPORT void RegWrite(const QString& path, const QVariant& value);
QM_EXPORT void RegDelete(const QString& path);

} // namespace win32
