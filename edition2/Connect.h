#pragma once

#include "addin/commands.h"
#include "platform/excel/addin.h"

#include <memory>

namespace edition2 {

// The second edition's add-in object, bound through the add-in designer's
// connection and disconnection events: it acts at every connection, however
// the host was started.
class Connect : public excel::AddinConnection {
public:
    // The second edition's windows are chosen with the add-in object.
    Connect();

    void AddinInstance_OnConnection(const std::shared_ptr<excel::Application>& Application, int ConnectMode,
                                    void* AddInInst, excel::CustomArray& custom);
    void AddinInstance_OnDisconnection(int RemoveMode, excel::CustomArray& custom);

    // The host reaches the designer's events through its add-in interface.
    void OnConnection(const std::shared_ptr<excel::Application>& application, int connectMode, void* addInInst,
                      excel::CustomArray& custom) override {
        AddinInstance_OnConnection(application, connectMode, addInInst, custom);
    }
    void OnDisconnection(int removeMode, excel::CustomArray& custom) override {
        AddinInstance_OnDisconnection(removeMode, custom);
    }

private:
    quillmere::AddinCommands commands;
};

} // namespace edition2
