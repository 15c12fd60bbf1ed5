#include "host/commands/commands.h"

#include "host/formsprobe.h"

#include <stdexcept>

namespace host {

void CommandTable::add(const char* name, Handler handler) {
    const QString key = QLatin1String(name);
    // Two groups that both claim a name would leave one of them unreachable.
    if (handlers_.contains(key))
        throw std::logic_error(std::string("the automation command \"") + name + "\" is added twice");
    handlers_.insert(key, std::move(handler));
}

const CommandTable::Handler* CommandTable::find(const QString& name) const {
    const auto it = handlers_.constFind(name);
    return it == handlers_.constEnd() ? nullptr : &*it;
}

QJsonValue Field(const QJsonObject& command, const char* name) {
    const QJsonValue v = command.value(QLatin1String(name));
    if (v.isUndefined())
        throw CommandError(QStringLiteral("the field \"%1\" is missing").arg(QLatin1String(name)));
    return v;
}

QString TextField(const QJsonObject& command, const char* name) {
    const QJsonValue v = Field(command, name);
    if (!v.isString())
        throw CommandError(QStringLiteral("the field \"%1\" must be a text").arg(QLatin1String(name)));
    return v.toString();
}

int NumberField(const QJsonObject& command, const char* name) {
    const QJsonValue v = Field(command, name);
    if (!v.isDouble())
        throw CommandError(QStringLiteral("the field \"%1\" must be a number").arg(QLatin1String(name)));
    return v.toInt();
}

} // namespace host
