#include "platform/win32/registry.h"

#include "platform/vb/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace win32 {

namespace {

// Keys are stored by their canonical path in upper case, with the path as
// first written kept for listing.
QString canonicalKey(const QString& key) {
    QString k = key;
    k.replace(u'/', u'\\');
    while (k.endsWith(u'\\')) k.chop(1);
    QStringList parts = k.split(u'\\', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        vb::Raise(vb::errInvalidCall, QStringLiteral("Invalid root in registry key \"%1\".").arg(key));
    QString hive = parts[0].toUpper();
    if (hive == u"HKCR") hive = QStringLiteral("HKEY_CLASSES_ROOT");
    else if (hive == u"HKCU") hive = QStringLiteral("HKEY_CURRENT_USER");
    else if (hive == u"HKLM") hive = QStringLiteral("HKEY_LOCAL_MACHINE");
    if (hive != u"HKEY_CLASSES_ROOT" && hive != u"HKEY_CURRENT_USER" && hive != u"HKEY_LOCAL_MACHINE")
        vb::Raise(vb::errInvalidCall, QStringLiteral("Invalid root in registry key \"%1\".").arg(key));
    parts[0] = hive;
    return parts.join(u'\\');
}

QString lookupKey(const QString& canonical) { return canonical.toUpper(); }

QJsonObject load() {
    QFile f(Registry::filePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

void save(const QJsonObject& root) {
    QString path = Registry::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        vb::Raise(vb::errPermissionDenied, QStringLiteral("Unable to write the registry file %1.").arg(path));
    f.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!f.commit())
        vb::Raise(vb::errPermissionDenied, QStringLiteral("Unable to write the registry file %1.").arg(path));
}

// root: { "<KEY UPPER>": { "path": "<as written>", "values": { name: value } } }
QJsonObject keyEntry(const QJsonObject& root, const QString& canonical) {
    return root.value(lookupKey(canonical)).toObject();
}

} // namespace

QString Registry::filePath() {
    QByteArray explicitPath = qgetenv("QUILLMERE_REGISTRY");
    if (!explicitPath.isEmpty())
        return QString::fromLocal8Bit(explicitPath);
    QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    QString base = xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(xdg);
    return base + QStringLiteral("/quillmere/registry.json");
}

std::optional<QVariant> Registry::value(const QString& key, const QString& name) {
    QJsonObject root = load();
    QString c = canonicalKey(key);
    if (!root.contains(lookupKey(c)))
        return std::nullopt;
    QJsonObject values = keyEntry(root, c).value(QStringLiteral("values")).toObject();
    for (auto it = values.begin(); it != values.end(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value().toVariant();
    return std::nullopt;
}

void Registry::setValue(const QString& key, const QString& name, const QVariant& value) {
    QJsonObject root = load();
    QString c = canonicalKey(key);
    // Creating a key creates its parents, as the registry does.
    QStringList parts = c.split(u'\\');
    for (int i = 1; i <= parts.size(); ++i) {
        QString k = parts.mid(0, i).join(u'\\');
        if (!root.contains(lookupKey(k)))
            root.insert(lookupKey(k), QJsonObject{{QStringLiteral("path"), k}, {QStringLiteral("values"), QJsonObject{}}});
    }
    QJsonObject entry = keyEntry(root, c);
    QJsonObject values = entry.value(QStringLiteral("values")).toObject();
    for (const QString& existing : values.keys())
        if (existing.compare(name, Qt::CaseInsensitive) == 0)
            values.remove(existing);
    values.insert(name, QJsonValue::fromVariant(value));
    entry.insert(QStringLiteral("values"), values);
    root.insert(lookupKey(c), entry);
    save(root);
}

bool Registry::deleteValue(const QString& key, const QString& name) {
    QJsonObject root = load();
    QString c = canonicalKey(key);
    if (!root.contains(lookupKey(c)))
        return false;
    QJsonObject entry = keyEntry(root, c);
    QJsonObject values = entry.value(QStringLiteral("values")).toObject();
    bool found = false;
    for (const QString& existing : values.keys())
        if (existing.compare(name, Qt::CaseInsensitive) == 0) {
            values.remove(existing);
            found = true;
        }
    if (!found)
        return false;
    entry.insert(QStringLiteral("values"), values);
    root.insert(lookupKey(c), entry);
    save(root);
    return true;
}

bool Registry::deleteKey(const QString& key) {
    QJsonObject root = load();
    QString k = lookupKey(canonicalKey(key));
    bool found = false;
    for (const QString& existing : root.keys())
        if (existing == k || existing.startsWith(k + u'\\')) {
            root.remove(existing);
            found = true;
        }
    if (found)
        save(root);
    return found;
}

bool Registry::keyExists(const QString& key) { return load().contains(lookupKey(canonicalKey(key))); }

QStringList Registry::subKeys(const QString& key) {
    QJsonObject root = load();
    QString k = lookupKey(canonicalKey(key)) + u'\\';
    QStringList out;
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key().startsWith(k) && !it.key().mid(k.size()).contains(u'\\'))
            out << it.value().toObject().value(QStringLiteral("path")).toString().section(u'\\', -1);
    }
    return out;
}

QStringList Registry::valueNames(const QString& key) {
    return keyEntry(load(), canonicalKey(key)).value(QStringLiteral("values")).toObject().keys();
}

namespace {
void splitPath(const QString& path, QString& key, QString& name) {
    QString p = path;
    p.replace(u'/', u'\\');
    if (p.endsWith(u'\\')) {
        key = p;
        name.clear();
    } else {
        int at = int(p.lastIndexOf(u'\\'));
        key = p.left(at);
        name = p.mid(at + 1);
    }
}

[[noreturn]] void notFound(const QString& path) {
    vb::Raise(-2147024894, QStringLiteral("Unable to open registry key \"%1\" for reading.").arg(path),
              QStringLiteral("WshShell.RegRead"));
}
} // namespace

QVariant RegRead(const QString& path) {
    QString key, name;
    splitPath(path, key, name);
    if (key.isEmpty())
        notFound(path);
    auto v = Registry::value(key, name);
    if (!v)
        notFound(path);
    return *v;
}

void RegWrite(const QString& path, const QVariant& value) {
    QString key, name;
    splitPath(path, key, name);
    Registry::setValue(key, name, value);
}

void RegDelete(const QString& path) {
    QString key, name;
    splitPath(path, key, name);
    bool ok = name.isEmpty() ? Registry::deleteKey(key) : Registry::deleteValue(key, name);
    if (!ok)
        notFound(path);
}

} // namespace win32
