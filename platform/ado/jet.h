#pragma once

#include "platform/ado/provider.h"

#include <memory>

// The shared database file behind "Provider=Microsoft.Jet.OLEDB.4.0": a
// SQLite file at the Data Source path.
namespace ado::detail {

bool IsJetConnection(const QString& connectionString);
std::unique_ptr<Provider> OpenJet(const QString& connectionString);

} // namespace ado::detail
