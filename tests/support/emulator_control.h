#pragma once

// Commands to the local gateway emulator's control address, from the tests
// that run it.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <httplib.h>

namespace automation {

// The emulator's answer to one control command (empty when none came).
inline QJsonObject control(int port, const QJsonObject& command) {
    httplib::Client client("127.0.0.1", port);
    const auto reply = client.Post("/control", QJsonDocument(command).toJson(QJsonDocument::Compact).toStdString(),
                                   "application/json");
    if (!reply)
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(reply->body)).object();
}

} // namespace automation
