#pragma once

#include "addin/commands.h"
#include "platform/excel/addin.h"

#include <memory>

// The first edition's add-in object, the one the host creates through the
// add-in interface: builds the toolbar and the menu on connection, binds the
// commands to the windows, and removes it all again on disconnection.
class Connect : public excel::AddinConnection {
public:
    Connect();
    ~Connect() override;

    void OnConnection(const std::shared_ptr<excel::Application>& application, int connectMode, void* addInInst,
                      excel::CustomArray& custom) override;
    void OnDisconnection(int removeMode, excel::CustomArray& custom) override;

private:
    quillmere::AddinCommands commands;
};
