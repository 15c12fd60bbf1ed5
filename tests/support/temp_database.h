#pragma once

#include "data/database.h"
#include "platform/ado/ado.h"
#include "state/mdlGenel.h"

#include <QTemporaryDir>

// A fresh shared database of the test's own, open as the add-in's
// connection, with the module state of a freshly loaded add-in.
class TempDatabase {
public:
    TempDatabase() {
        mdlGenel::ResetState();
        mdlGenel::DbConnection = std::make_shared<ado::Connection>();
        mdlGenel::DbConnection->Open(mdlGenel::DatabaseConnectionString(dir_.path()));
    }
    ~TempDatabase() { mdlGenel::ResetState(); }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    QString path() const { return dir_.path(); }
    ado::RecordsetPtr query(const QString& sql) const { return mdlGenel::DbConnection->Execute(sql); }

private:
    QTemporaryDir dir_;
};

// The module state after the demo account signed in at a gateway of the
// Quillmere type.
inline void SignInDemoAccount(const QString& gatewayUrl) {
    mdlGenel::GatewayType = QStringLiteral("Quillmere");
    mdlGenel::UserName = QStringLiteral("demo");
    mdlGenel::ClientCode = QStringLiteral("DEMO");
    mdlGenel::Password = QStringLiteral("demo123");
    mdlGenel::GatewayUrl = gatewayUrl;
}
