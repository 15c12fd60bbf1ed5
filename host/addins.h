#pragma once

#include "platform/excel/addin.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace excel {
class Application;
}

namespace host {

// Everything the host says about an add-in that misbehaves goes to standard
// error; standard output belongs to the automation protocol.
void Report(const QString& text);

// Runs one call into an add-in: whatever it throws is reported with `what`
// and swallowed, so that a failing add-in never takes the host down.
// Returns false when the call failed; `error`, if given, gets the text.
bool Guarded(const QString& what, const std::function<void()>& call, QString* error = nullptr);

// What an add-in library says about itself for its registration.
struct AddinInfo {
    QString progId;
    QString friendlyName;
    QString description;
    int loadBehavior = 0;
};

// An add-in library loaded into the process. A library stays loaded until
// the process ends: its Connect objects, its windows and its module state
// may outlive any one connection.
class AddinLibrary {
public:
    ~AddinLibrary();

    // The library at `path`, loaded once however often it is asked for.
    // Null, with the reason in `error`, when it does not load or lacks one
    // of the two entry points.
    static std::shared_ptr<AddinLibrary> Load(const QString& path, QString* error);
    // A copy of the library with module state of its own, for the instances
    // created through "Excel.Application": on Windows those are processes of
    // their own, whose add-ins share nothing with the user's Excel. One copy
    // serves every such instance. It sits in a private folder that mirrors
    // the library's folder, so that the files beside the add-in (its
    // database, its help) are the same.
    static std::shared_ptr<AddinLibrary> LoadPrivateCopy(const QString& path, QString* error);
    // Removes the private folders (at exit; the copies stay mapped).
    static void RemovePrivateCopies();

    // The path the library was asked for (for a copy: the original).
    const QString& path() const { return path_; }
    AddinInfo info() const;
    // A new Connect object; null when the add-in failed to make one.
    std::unique_ptr<excel::AddinConnection> create() const;

private:
    AddinLibrary() = default;
    static std::shared_ptr<AddinLibrary> open(const QString& loadPath, const QString& path, QString* error);

    QString path_;
    void* handle_ = nullptr;
    QuillmereAddinCreateFn create_ = nullptr;
    QuillmereAddinRegistrationFn registration_ = nullptr;
    std::unique_ptr<QTemporaryDir> copyFolder_;
};

// One connected add-in: its Connect object and the library behind it. Its
// address is the "add-in instance" the connection event is handed.
struct LoadedAddin {
    std::shared_ptr<AddinLibrary> library;
    std::unique_ptr<excel::AddinConnection> connection;
    AddinInfo info;
};

// The add-ins connected to one Application, in the order they connected.
class AddinSet {
public:
    // customValue: the element with subscript 1 of the custom array handed
    // to every event (1 for the host started from the command line, 3 for
    // an instance created through "Excel.Application").
    AddinSet(std::shared_ptr<excel::Application> app, int customValue);
    ~AddinSet();

    // Creates the library's Connect object and raises its connection event.
    // A failing add-in is reported and not kept (null).
    LoadedAddin* connect(const std::shared_ptr<AddinLibrary>& library, int connectMode);
    // The start-up-complete event, once every add-in loaded at start is in.
    void startupComplete();
    // Begin-shutdown, then the disconnection event of each, in load order,
    // then each Connect object is released. Calling it again does nothing.
    void disconnectAll(int removeMode);
    // Unloads one add-in (the user removed it): its disconnection event,
    // then the add-ins-update event of those left.
    void disconnect(LoadedAddin* addin, int removeMode);

    const std::vector<std::unique_ptr<LoadedAddin>>& addins() const { return addins_; }
    bool has(const QString& path) const;
    const std::shared_ptr<excel::Application>& application() const { return app_; }

private:
    excel::CustomArray custom() const;
    void release(std::unique_ptr<LoadedAddin> addin, int removeMode);

    std::shared_ptr<excel::Application> app_;
    int customValue_;
    std::vector<std::unique_ptr<LoadedAddin>> addins_;
};

} // namespace host
