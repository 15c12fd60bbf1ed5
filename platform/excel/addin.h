#pragma once

#include "platform/vb/error.h"
#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <memory>
#include <vector>

namespace excel {

class Application;

// How the host started the add-in (the connect mode of the connection event).
enum ConnectMode : int {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3,
};

// Why the host lets the add-in go (the remove mode of the disconnection event).
enum DisconnectMode : int {
    ext_dm_HostShutdown = 0,
    ext_dm_UserClosed = 1,
};

// The connection events' "custom" array: a 1-based array as the host passes
// it. Reading a subscript outside it raises "Subscript out of range".
class QM_EXPORT CustomArray {
public:
    CustomArray() = default;
    CustomArray(int lowerBound, std::vector<vb::Variant> items)
        : lowerBound_(lowerBound), items_(std::move(items)) {}

    const vb::Variant& operator()(int subscript) const {
        int i = subscript - lowerBound_;
        if (i < 0 || i >= int(items_.size()))
            vb::Raise(vb::errSubscript);
        return items_[size_t(i)];
    }
    int LBound() const { return lowerBound_; }
    int UBound() const { return lowerBound_ + int(items_.size()) - 1; }

private:
    int lowerBound_ = 1;
    std::vector<vb::Variant> items_;
};

// The events a host raises on an add-in. Both editions' bindings (the add-in
// interface of the first, the add-in designer's events of the second) are
// reached through this one interface.
class QM_EXPORT AddinConnection {
public:
    virtual ~AddinConnection();
    virtual void OnConnection(const std::shared_ptr<Application>& application, int connectMode, void* addInInst,
                              CustomArray& custom) = 0;
    virtual void OnDisconnection(int removeMode, CustomArray& custom) = 0;
    virtual void OnAddInsUpdate(CustomArray&) {}
    virtual void OnStartupComplete(CustomArray&) {}
    virtual void OnBeginShutdown(CustomArray&) {}
};

// What registering an add-in writes for the host.
struct AddinRegistration {
    const char* progId;          // "Quillmere.Connect"
    const char* friendlyName;
    const char* description;
    int loadBehavior;            // 3: loaded when the host starts
};

} // namespace excel

// The two plain C entry points every add-in library exports, and nothing else.
extern "C" {
// A new Connect object, owned by the caller (delete it through the interface).
using QuillmereAddinCreateFn = excel::AddinConnection* (*)();
// The add-in's registration; the texts live as long as the library is loaded.
using QuillmereAddinRegistrationFn = const excel::AddinRegistration* (*)();
}

#define QUILLMERE_ADDIN_CREATE "quillmere_addin_create"
#define QUILLMERE_ADDIN_REGISTRATION "quillmere_addin_registration"
#define QUILLMERE_ADDIN_EXPORT extern "C" __attribute__((visibility("default")))
