#include "host/addins.h"

#include "platform/excel/application.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <cstdio>
#include <dlfcn.h>

namespace host {

void Report(const QString& text) {
    std::fprintf(stderr, "sheet-host: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

bool Guarded(const QString& what, const std::function<void()>& call, QString* error) {
    QString failure;
    try {
        call();
        return true;
    } catch (const vb::Error& e) {
        failure = QStringLiteral("Çalışma zamanı hatası %1: %2").arg(e.number()).arg(e.description());
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("Bilinmeyen bir hata oluştu.");
    }
    Report(QStringLiteral("%1: %2").arg(what, failure));
    if (error)
        *error = failure;
    return false;
}

namespace {

// Libraries are never unloaded: code of theirs (windows deleted later,
// handlers held by the object model) may still run after a disconnection.
QHash<QString, std::shared_ptr<AddinLibrary>>& loadedLibraries() {
    static QHash<QString, std::shared_ptr<AddinLibrary>> libraries;
    return libraries;
}

QHash<QString, std::shared_ptr<AddinLibrary>>& privateCopies() {
    static QHash<QString, std::shared_ptr<AddinLibrary>> copies;
    return copies;
}

QString absolute(const QString& path) {
    QFileInfo f(path);
    return f.exists() ? f.canonicalFilePath() : f.absoluteFilePath();
}

} // namespace

AddinLibrary::~AddinLibrary() = default;

std::shared_ptr<AddinLibrary> AddinLibrary::open(const QString& loadPath, const QString& path, QString* error) {
    if (!QFileInfo::exists(loadPath)) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return nullptr;
    }
    dlerror();
    void* handle = dlopen(QFile::encodeName(loadPath).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        *error = QStringLiteral("%1 does not load: %2").arg(path, QString::fromLocal8Bit(why ? why : "unknown reason"));
        return nullptr;
    }
    auto create = reinterpret_cast<QuillmereAddinCreateFn>(dlsym(handle, QUILLMERE_ADDIN_CREATE));
    auto registration = reinterpret_cast<QuillmereAddinRegistrationFn>(dlsym(handle, QUILLMERE_ADDIN_REGISTRATION));
    if (!create || !registration) {
        *error = QStringLiteral("%1 is no add-in: it lacks the entry point %2")
                     .arg(path, QLatin1String(!create ? QUILLMERE_ADDIN_CREATE : QUILLMERE_ADDIN_REGISTRATION));
        // Not closed: the library's static objects may have registered
        // themselves with the platform when it loaded.
        return nullptr;
    }
    auto library = std::shared_ptr<AddinLibrary>(new AddinLibrary());
    library->path_ = path;
    library->handle_ = handle;
    library->create_ = create;
    library->registration_ = registration;
    return library;
}

std::shared_ptr<AddinLibrary> AddinLibrary::Load(const QString& path, QString* error) {
    const QString key = absolute(path);
    auto& libraries = loadedLibraries();
    if (auto found = libraries.value(key))
        return found;
    auto library = open(key, key, error);
    if (library)
        libraries.insert(key, library);
    return library;
}

std::shared_ptr<AddinLibrary> AddinLibrary::LoadPrivateCopy(const QString& path, QString* error) {
    const QFileInfo original(absolute(path));
    if (auto found = privateCopies().value(original.absoluteFilePath()))
        return found;
    // The original is loaded first: the libraries it needs are then in the
    // process, which the copy, away from the original's $ORIGIN, relies on.
    if (!Load(original.absoluteFilePath(), error))
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sheet-host-instance-XXXXXX"));
    if (!folder->isValid()) {
        *error = QStringLiteral("no private folder for a copy of %1: %2").arg(path, folder->errorString());
        return nullptr;
    }
    const QDir source = original.absoluteDir();
    for (const QFileInfo& entry : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.fileName() == original.fileName())
            continue;
        QFile::link(entry.absoluteFilePath(), folder->filePath(entry.fileName()));
    }
    const QString copy = folder->filePath(original.fileName());
    if (!QFile::copy(original.absoluteFilePath(), copy)) {
        *error = QStringLiteral("cannot copy %1 into %2").arg(path, folder->path());
        return nullptr;
    }
    auto library = open(copy, original.absoluteFilePath(), error);
    if (!library)
        return nullptr;
    library->copyFolder_ = std::move(folder);
    privateCopies().insert(original.absoluteFilePath(), library);
    return library;
}

void AddinLibrary::RemovePrivateCopies() {
    for (const auto& copy : privateCopies())
        if (copy->copyFolder_)
            copy->copyFolder_->remove();
}

AddinInfo AddinLibrary::info() const {
    AddinInfo info;
    const excel::AddinRegistration* r = registration_ ? registration_() : nullptr;
    if (!r)
        return info;
    info.progId = QString::fromUtf8(r->progId ? r->progId : "");
    info.friendlyName = QString::fromUtf8(r->friendlyName ? r->friendlyName : "");
    info.description = QString::fromUtf8(r->description ? r->description : "");
    info.loadBehavior = r->loadBehavior;
    return info;
}

std::unique_ptr<excel::AddinConnection> AddinLibrary::create() const {
    std::unique_ptr<excel::AddinConnection> connection;
    Guarded(QStringLiteral("%1: creating its Connect object").arg(path_),
            [&] { connection.reset(create_()); });
    return connection;
}

// ---- AddinSet

AddinSet::AddinSet(std::shared_ptr<excel::Application> app, int customValue)
    : app_(std::move(app)), customValue_(customValue) {}

AddinSet::~AddinSet() = default;

excel::CustomArray AddinSet::custom() const {
    return excel::CustomArray(1, {vb::Variant(customValue_)});
}

bool AddinSet::has(const QString& path) const {
    const QString key = absolute(path);
    for (const auto& a : addins_)
        if (a->library->path() == key)
            return true;
    return false;
}

LoadedAddin* AddinSet::connect(const std::shared_ptr<AddinLibrary>& library, int connectMode) {
    auto addin = std::make_unique<LoadedAddin>();
    addin->library = library;
    addin->info = library->info();
    addin->connection = library->create();
    const QString name = addin->info.progId.isEmpty() ? library->path() : addin->info.progId;
    if (!addin->connection) {
        Report(QStringLiteral("%1: no Connect object; not loaded").arg(name));
        return nullptr;
    }
    excel::CustomArray array = custom();
    LoadedAddin* instance = addin.get();
    if (!Guarded(QStringLiteral("%1: connection event").arg(name), [&] {
            instance->connection->OnConnection(app_, connectMode, instance, array);
        })) {
        Guarded(QStringLiteral("%1: releasing its Connect object").arg(name), [&] { addin->connection.reset(); });
        return nullptr;
    }
    addins_.push_back(std::move(addin));
    return instance;
}

void AddinSet::startupComplete() {
    for (const auto& a : addins_) {
        excel::CustomArray array = custom();
        Guarded(QStringLiteral("%1: start-up-complete event").arg(a->info.progId),
                [&] { a->connection->OnStartupComplete(array); });
    }
}

void AddinSet::release(std::unique_ptr<LoadedAddin> addin, int removeMode) {
    excel::CustomArray array = custom();
    Guarded(QStringLiteral("%1: disconnection event").arg(addin->info.progId),
            [&] { addin->connection->OnDisconnection(removeMode, array); });
    Guarded(QStringLiteral("%1: releasing its Connect object").arg(addin->info.progId),
            [&] { addin->connection.reset(); });
}

void AddinSet::disconnectAll(int removeMode) {
    // Taken out first, so that an add-in that asks the host to quit from
    // its disconnection finds nothing left to disconnect again.
    auto leaving = std::move(addins_);
    addins_.clear();
    for (const auto& a : leaving) {
        excel::CustomArray array = custom();
        Guarded(QStringLiteral("%1: begin-shutdown event").arg(a->info.progId),
                [&] { a->connection->OnBeginShutdown(array); });
    }
    for (auto& a : leaving)
        release(std::move(a), removeMode);
}

void AddinSet::disconnect(LoadedAddin* addin, int removeMode) {
    auto it = std::find_if(addins_.begin(), addins_.end(), [&](const auto& a) { return a.get() == addin; });
    if (it == addins_.end())
        return;
    auto leaving = std::move(*it);
    addins_.erase(it);
    release(std::move(leaving), removeMode);
    for (const auto& a : addins_) {
        excel::CustomArray array = custom();
        Guarded(QStringLiteral("%1: add-ins-update event").arg(a->info.progId),
                [&] { a->connection->OnAddInsUpdate(array); });
    }
}

} // namespace host
