#include "host/registration.h"

#include "host/addins.h"
#include "platform/vb/error.h"
#include "platform/win32/registry.h"

#include <QFileInfo>
#include <QUuid>

namespace host {

namespace {

using win32::Registry;

// The namespace our ProgID-based class ids are made in.
const QUuid kClassIdNamespace(QStringLiteral("{6b1f7d52-3c0e-4c8a-9a57-51e2f0c4d9a3}"));

QString addinKey(const QString& progId) { return kExcelAddinsKey + u'\\' + progId; }
QString progIdClassKey(const QString& progId) { return QStringLiteral("HKCR\\%1\\CLSID").arg(progId); }
QString classKey(const QString& classId) { return QStringLiteral("HKCR\\CLSID\\") + classId; }
QString serverKey(const QString& classId) { return classKey(classId) + QStringLiteral("\\InprocServer32"); }

QString absolutePath(const QString& path) {
    QFileInfo f(path);
    return f.exists() ? f.canonicalFilePath() : f.absoluteFilePath();
}

void registerClass(const QString& progId, const QString& classId, const QString& serverPath) {
    Registry::setValue(progIdClassKey(progId), QString(), classId);
    Registry::setValue(serverKey(classId), QString(), serverPath);
    Registry::setValue(classKey(classId) + QStringLiteral("\\ProgID"), QString(), progId);
}

QString classIdOf(const QString& progId) {
    auto v = Registry::value(progIdClassKey(progId));
    return v ? v->toString() : QString();
}

QString serverPathOf(const QString& progId) {
    const QString classId = classIdOf(progId);
    if (classId.isEmpty())
        return {};
    auto v = Registry::value(serverKey(classId));
    return v ? v->toString() : QString();
}

void removeAddin(const QString& progId) {
    const QString classId = classIdOf(progId);
    Registry::deleteKey(addinKey(progId));
    Registry::deleteKey(QStringLiteral("HKCR\\") + progId);
    if (!classId.isEmpty())
        Registry::deleteKey(classKey(classId));
}

} // namespace

QString ClassIdFor(const QString& progId) {
    // The registry takes a ProgID without regard to letter case, and so does
    // its class: "Quillmere.Connect" and "quillmere.Connect" are one.
    return QUuid::createUuidV5(kClassIdNamespace, progId.toLower().toUtf8()).toString(QUuid::WithBraces).toUpper();
}

void RegisterAddin(const QString& libraryPath, const QString& adoLibraryPath) {
    QString error;
    auto library = AddinLibrary::Load(libraryPath, &error);
    if (!library)
        vb::Raise(vb::errFileNotFound, error);
    const AddinInfo info = library->info();
    if (info.progId.isEmpty())
        vb::Raise(vb::errInvalidCall, QStringLiteral("%1 gives no ProgID").arg(libraryPath));
    const QString key = addinKey(info.progId);
    Registry::setValue(key, QStringLiteral("FriendlyName"), info.friendlyName);
    Registry::setValue(key, QStringLiteral("Description"), info.description);
    Registry::setValue(key, QStringLiteral("LoadBehavior"), info.loadBehavior);
    // A class the ProgID named before (another edition's, or one registered
    // under a class id of another making) would be left with no ProgID
    // naming it, and no unregistering would ever find it.
    const QString classId = ClassIdFor(info.progId);
    if (const QString previous = classIdOf(info.progId); !previous.isEmpty() && previous != classId)
        Registry::deleteKey(classKey(previous));
    registerClass(info.progId, classId, library->path());
    registerClass(kAdoProgId, kAdoClassId, absolutePath(adoLibraryPath));
}

QStringList UnregisterAddin(const QString& libraryPath) {
    QStringList progIds;
    QString error;
    const QString path = absolutePath(libraryPath);
    if (auto library = AddinLibrary::Load(libraryPath, &error)) {
        const QString progId = library->info().progId;
        // ProgIDs are matched without regard to letter case, so another
        // library (the other edition) may have taken this one's over since:
        // its registration is not this library's to remove.
        const QString server = serverPathOf(progId);
        if (!progId.isEmpty() && Registry::keyExists(addinKey(progId)) && (server.isEmpty() || server == path))
            progIds << progId;
    }
    // The library may be gone or rebuilt under another ProgID: its path
    // still names its registrations.
    for (const RegisteredAddin& r : RegisteredAddins())
        if (r.path == path && !progIds.contains(r.progId))
            progIds << r.progId;
    for (const QString& progId : progIds)
        removeAddin(progId);
    return progIds;
}

std::vector<RegisteredAddin> RegisteredAddins() {
    std::vector<RegisteredAddin> out;
    for (const QString& progId : Registry::subKeys(kExcelAddinsKey)) {
        RegisteredAddin r;
        r.progId = progId;
        auto behaviour = Registry::value(addinKey(progId), QStringLiteral("LoadBehavior"));
        r.loadBehavior = behaviour ? behaviour->toInt() : 0;
        r.path = serverPathOf(progId);
        out.push_back(r);
    }
    return out;
}

} // namespace host
