#include "platform/ado/ado.h"

#include "platform/ado/errors.h"
#include "platform/ado/jet.h"

namespace ado {

using detail::Fail;

Provider::~Provider() = default;

namespace {

struct Registration {
    QString name;
    ProviderTest accepts;
    ProviderFactory open;
};

std::vector<Registration>& registry() {
    static std::vector<Registration> providers{
        {QStringLiteral("Microsoft.Jet.OLEDB.4.0"), detail::IsJetConnection, detail::OpenJet},
    };
    return providers;
}

QString unquoted(QString value) {
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

void RegisterProvider(const QString& name, ProviderTest accepts, ProviderFactory open) {
    registry().push_back({name, std::move(accepts), std::move(open)});
}

std::unique_ptr<Provider> OpenProvider(const QString& connectionString) {
    const auto& providers = registry();
    for (auto it = providers.rbegin(); it != providers.rend(); ++it)
        if (it->accepts(connectionString))
            return it->open(connectionString);
    Fail(adErrProviderNotFound);
}

std::vector<std::pair<QString, QString>> ParseConnectionString(const QString& connectionString) {
    std::vector<std::pair<QString, QString>> pairs;
    QString part;
    QChar quote;
    int braces = 0;
    auto flush = [&] {
        qsizetype eq = part.indexOf(u'=');
        QString key = (eq < 0 ? part : part.left(eq)).trimmed();
        if (!key.isEmpty())
            pairs.emplace_back(key, eq < 0 ? QString() : unquoted(part.mid(eq + 1)));
        part.clear();
    };
    for (QChar c : connectionString) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'{') {
            ++braces;
        } else if (c == u'}' && braces > 0) {
            --braces;
        } else if ((c == u'"' || c == u'\'') && braces == 0 && part.contains(u'=')
                   && part.mid(part.indexOf(u'=') + 1).trimmed().isEmpty()) {
            quote = c;
        } else if (c == u';' && braces == 0) {
            flush();
            continue;
        }
        part += c;
    }
    flush();
    return pairs;
}

QString ConnectionStringValue(const QString& connectionString, const QString& key) {
    for (const auto& [k, v] : ParseConnectionString(connectionString))
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}

Rowset TablesSchema(const std::vector<std::pair<QString, QString>>& tables) {
    Rowset r;
    for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE", "DESCRIPTION"})
        r.fields.push_back(FieldInfo{QString::fromLatin1(name), adVarWChar, 255});
    for (const auto& [name, type] : tables)
        r.rows.push_back({vb::Variant::Null(), vb::Variant::Null(), name, type, vb::Variant::Null()});
    return r;
}

// ---- Connection ----

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setConnectionString(const QString& text) {
    if (provider_)
        Fail(adErrObjectOpen);
    connectionString_ = text;
}

void Connection::Open(const QString& connectionString, const QString& /*userId*/, const QString& /*password*/) {
    if (provider_)
        Fail(adErrObjectOpen);
    if (!connectionString.isEmpty())
        connectionString_ = connectionString;
    provider_ = OpenProvider(connectionString_);
}

void Connection::Close() {
    if (!provider_)
        Fail(adErrObjectClosed);
    provider_.reset();
}

std::shared_ptr<Provider> Connection::provider() const {
    if (!provider_)
        Fail(adErrObjectClosed);
    return provider_;
}

RecordsetPtr Connection::Execute(const QString& commandText, long* recordsAffected) {
    std::shared_ptr<Provider> p = provider();
    auto rs = std::make_shared<Recordset>();
    long affected = 0;
    rs->openQuery(p, commandText, commandText, adOpenStatic, adLockReadOnly, &affected);
    if (recordsAffected)
        *recordsAffected = affected;
    return rs;
}

RecordsetPtr Connection::OpenSchema(int schema) {
    std::shared_ptr<Provider> p = provider();
    auto rs = std::make_shared<Recordset>();
    rs->openRowset(p->OpenSchema(schema), [p, schema] { return p->OpenSchema(schema); }, QString(), adOpenStatic,
                   adLockReadOnly);
    return rs;
}

} // namespace ado
