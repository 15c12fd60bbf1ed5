#pragma once

#include "platform/vb/variant.h"

#include <QString>

namespace mdlGenel {

// Opens the shared database beside the add-in on first use; an open
// connection is left as it is.
void OpenDatabase();

// Closes the first edition's workbook connection and its table list, kept
// in the module state from the template page's load, and lets them go; a
// close that fails is passed over.
void CloseWorkbookConnection();

// The value as text with every single quote doubled. Null raises.
QString SqlQuote(const vb::Variant& value);
// "" for Null, else the value as text.
QString NullToEmpty(const vb::Variant& value);

// tbl_param: the value of a key ("" when the key is not there), and its update
// (a missing key inserts nothing).
QString GetParam(const QString& key);
void SetParam(const QString& key, const QString& value);

// Adds the settings row, empty and with the gateway service selected, to a
// database that has none; a failure leaves the database as it was.
void AddSettingsRow();

// Writes the login of one gateway type into the settings row and selects that
// gateway.
void SaveLoginSettings(const QString& user, const QString& password, const QString& clientCode,
                       const QString& saveFlag, const QString& gatewayType, const QString& url);

// The connection string of the shared database in a folder.
QString DatabaseConnectionString(const QString& folder);

} // namespace mdlGenel
