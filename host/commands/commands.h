#pragma once

// The commands of the automation protocol (host/automation.h), in groups of
// a file each. A group adds its commands to the table when the protocol
// is made; a new command goes into its group's file and nowhere else.
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <functional>

namespace forms {
struct ScriptedServices;
}

namespace host {

class Host;

// Every command by its "cmd". A handler's reply gets "ok" (and "id") added
// by the protocol; it raises CommandError, or any error of the platform,
// when the command cannot be carried out.
class CommandTable {
public:
    using Handler = std::function<QJsonObject(const QJsonObject& command)>;

    // A name given twice is a fault of the program: std::logic_error.
    void add(const char* name, Handler handler);
    // Null when no command has that name.
    const Handler* find(const QString& name) const;

private:
    QHash<QString, Handler> handlers_;
};

// The groups. The handlers keep the host by reference: it outlives the
// protocol and its table.
void AddWorkbookCommands(CommandTable& table, Host& host);
void AddCommandBarCommands(CommandTable& table, Host& host);
void AddWindowCommands(CommandTable& table, Host& host);
void AddAnswerCommands(CommandTable& table, const forms::ScriptedServices& services);
void AddHostCommands(CommandTable& table, Host& host);

// A command's fields, each raising CommandError when it is missing or of
// another JSON type.
QJsonValue Field(const QJsonObject& command, const char* name);
QString TextField(const QJsonObject& command, const char* name);
int NumberField(const QJsonObject& command, const char* name);

} // namespace host
