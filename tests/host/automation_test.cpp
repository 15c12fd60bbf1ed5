// The automation protocol inside this process: its commands, registered in
// groups, answer as one table.
#include "host/automation.h"
#include "host/commands/commands.h"
#include "host/host.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Every command a client may send.
const char* const kCommands[] = {
    "open",   "new",   "save-as", "sheet", "set-cell", "cell",        "select",    "bars",
    "press",  "forms", "where",   "control", "set",    "type",        "key",       "click",
    "row",    "header", "answer", "save-dialog", "popup", "messages", "shell",     "instances",
    "addins", "connect-addin", "screenshot", "wait",   "quit",
};

QJsonObject reply(host::Automation& protocol, const QByteArray& line) {
    return QJsonDocument::fromJson(protocol.handleLine(line)).object();
}

TEST(AutomationCommands, ANameGivenTwiceIsRefused) {
    host::CommandTable table;
    table.add("forms", [](const QJsonObject&) { return QJsonObject{}; });
    EXPECT_THROW(table.add("forms", [](const QJsonObject&) { return QJsonObject{}; }), std::logic_error);
    EXPECT_NE(table.find(QStringLiteral("forms")), nullptr);
    EXPECT_EQ(table.find(QStringLiteral("Forms")), nullptr) << "names are matched as written";
}

TEST(AutomationCommands, EveryCommandIsInTheTable) {
    host::Host host(host::Host::Options{true, {}, {}});
    host::Automation protocol(host, forms::InstallScriptedServices(), -1);
    for (const char* name : kCommands) {
        // Without its fields a command fails, or does what it does without them.
        const QJsonObject r = reply(protocol, QByteArray(R"({"cmd": ")") + name + R"("})");
        EXPECT_FALSE(r.value(QStringLiteral("error")).toString().contains(QStringLiteral("unknown command")))
            << name << ": " << QJsonDocument(r).toJson(QJsonDocument::Compact).toStdString();
    }
    const QJsonObject unknown = reply(protocol, R"({"cmd": "fly", "id": 7})");
    EXPECT_FALSE(unknown.value(QStringLiteral("ok")).toBool(true));
    EXPECT_EQ(unknown.value(QStringLiteral("error")).toString(), QStringLiteral("unknown command \"fly\""));
    EXPECT_EQ(unknown.value(QStringLiteral("id")).toInt(), 7);
}

} // namespace
