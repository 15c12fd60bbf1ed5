#pragma once

#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// What a data source has to offer the data objects: the rows of a statement
// and the list of its tables. A connection string picks the provider; every
// provider registers itself with a test on the connection string, so that a
// library adding one (the workbook reader, for instance) needs nothing here
// to change.
namespace ado {

// Field types, as the data objects number them.
enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adNumeric = 131,
    adChar = 129,
    adWChar = 130,
    adDBDate = 133,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
};

enum SchemaEnum : int { adSchemaTables = 20 };

// One column of a rowset.
struct QM_EXPORT FieldInfo {
    QString name;
    int type = adVarWChar;
    int definedSize = 255;   // characters for text, bytes for the others
};

// The result of one statement. A statement that returns no rows (an UPDATE,
// say) gives a rowset without fields.
struct QM_EXPORT Rowset {
    std::vector<FieldInfo> fields;
    std::vector<std::vector<vb::Variant>> rows;   // Null for a NULL value
    bool returnsRows() const { return !fields.empty(); }
};

class QM_EXPORT Provider {
public:
    virtual ~Provider();
    // Runs exactly one statement. recordsAffected (may be null) receives the
    // rows a change touched, -1 for a query. Failures raise vb::Error.
    virtual Rowset Execute(const QString& commandText, long* recordsAffected) = 0;
    // Runs a query again for a requery: a provider that keeps what it read
    // of its source reads the source anew. Execute by default.
    virtual Rowset Requery(const QString& commandText) { return Execute(commandText, nullptr); }
    // A schema rowset; adSchemaTables must give at least TABLE_NAME and
    // TABLE_TYPE (see TablesSchema).
    virtual Rowset OpenSchema(int schema) = 0;
};

using ProviderTest = std::function<bool(const QString& connectionString)>;
// Opens the data source the connection string names; raises when it cannot.
using ProviderFactory = std::function<std::unique_ptr<Provider>(const QString& connectionString)>;

// Adds a provider. The most recently registered provider whose test accepts
// a connection string opens it.
QM_EXPORT void RegisterProvider(const QString& name, ProviderTest accepts, ProviderFactory open);

// Opens a provider for a connection string; raises 3706 when none accepts it.
QM_EXPORT std::unique_ptr<Provider> OpenProvider(const QString& connectionString);

// The "key=value;" pairs of a connection string, keys trimmed, values
// unquoted ("..." or '...') and braces kept ({Driver name}). A value that
// itself holds "=" (Extended Properties=DBQ=...) is kept whole.
QM_EXPORT std::vector<std::pair<QString, QString>> ParseConnectionString(const QString& connectionString);
// The value of a key (letter case ignored); empty when missing.
QM_EXPORT QString ConnectionStringValue(const QString& connectionString, const QString& key);

// The table schema rowset (TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME,
// TABLE_TYPE, DESCRIPTION) for tables given as (name, type) pairs, the type
// being "TABLE", "VIEW", "SYSTEM TABLE" and so on.
QM_EXPORT Rowset TablesSchema(const std::vector<std::pair<QString, QString>>& tables);

} // namespace ado
