#include "platform/ado/jet.h"

#include "platform/ado/ado.h"
#include "platform/ado/errors.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <unordered_map>

namespace ado::detail {

namespace {

// The send log's dates are kept as the text the windows write, in the
// regional settings (in Turkish "01.02.2026 09:00:00"). Their columns
// compare through this collation so that ORDER BY tarih DESC lists the
// newest first across days, months and years; texts that are no date come
// after the dates, in plain text order.
constexpr char kDateCollation[] = "regional_date";

const char* const kCreateDatabase = R"sql(
CREATE TABLE tbl_ayarlar (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    kullanici_adi VARCHAR(255),
    parola VARCHAR(255),
    ckey VARCHAR(255),
    yedek VARCHAR(255),
    flg_kaydet VARCHAR(255),
    kullanici_adi_i VARCHAR(255),
    parola_i VARCHAR(255),
    flg_kaydet_i VARCHAR(255),
    flg_gw VARCHAR(255),
    url_palvori VARCHAR(255));
INSERT INTO tbl_ayarlar (kullanici_adi, parola, ckey, yedek, flg_kaydet, kullanici_adi_i, parola_i,
                         flg_kaydet_i, flg_gw, url_palvori)
    VALUES ('', '', '', '', '', '', '', '', '0', '');
CREATE TABLE tbl_param (
    parametre VARCHAR(255),
    deger VARCHAR(255));
INSERT INTO tbl_param (parametre, deger) VALUES ('flg_isaret', '0');
CREATE TABLE tbl_giden (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    msgid VARCHAR(255),
    msg_tip VARCHAR(255),
    gateway VARCHAR(255),
    paket_boyut INTEGER,
    mesaj LONGTEXT,
    originator VARCHAR(255),
    tarih VARCHAR(255) COLLATE regional_date,
    gtarih VARCHAR(255) COLLATE regional_date);
CREATE TABLE tbl_sablonlar (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    msgid VARCHAR(255),
    sablon_p1 VARCHAR(255),
    sablon_p2 LONGTEXT);
)sql";

class DateCollation {
public:
    static int compare(void* self, int na, const void* a, int nb, const void* b) {
        auto* c = static_cast<DateCollation*>(self);
        std::optional<qint64> ka = c->key(static_cast<const char*>(a), na);
        std::optional<qint64> kb = c->key(static_cast<const char*>(b), nb);
        if (ka && kb && *ka != *kb)
            return *ka < *kb ? -1 : 1;
        if (ka.has_value() != kb.has_value())
            return ka ? -1 : 1;
        int r = std::memcmp(a, b, std::size_t(std::min(na, nb)));
        return r != 0 ? r : na - nb;
    }

    // The regional settings may change between statements.
    void forget() { keys_.clear(); }

private:
    std::optional<qint64> key(const char* text, int n) {
        std::string raw(text, std::size_t(n));
        auto it = keys_.find(raw);
        if (it != keys_.end())
            return it->second;
        if (keys_.size() > 100000)
            keys_.clear();
        return keys_[raw] = parse(QString::fromUtf8(text, n));
    }

    static std::optional<qint64> parse(const QString& s) {
        QDateTime d;
        try {
            vb::Variant v(s);
            if (vb::IsDate(v))
                d = vb::CDate(v);
        } catch (const vb::Error&) {
        }
        // The scheduled send time is written day first whatever the region.
        if (!d.isValid())
            d = QDateTime::fromString(s.trimmed(), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        if (!d.isValid())
            return std::nullopt;
        return d.date().toJulianDay() * 86400000LL + d.time().msecsSinceStartOfDay();
    }

    std::unordered_map<std::string, std::optional<qint64>> keys_;
};

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

QString messageOf(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

// A failure of the database file in the words the windows show the user;
// any other failure (a statement the database refuses) as the database
// gives it. Only the database's own verdict counts as a damaged file: not
// a database (NOTADB) or a malformed one (CORRUPT).
[[noreturn]] void failFile(int code, const QString& path, int number, const QString& message) {
    const QString file = QDir::toNativeSeparators(path);
    switch (code & 0xFF) {
    case SQLITE_READONLY:
        throw DatabaseError(errDataSource,
                            QStringLiteral("Veri tabanı salt okunur: '%1' dosyasına yazılamıyor. Dosyanın ve "
                                           "bulunduğu klasörün yazma iznini denetleyin.").arg(file),
                            DatabaseFailure::ReadOnly);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw DatabaseError(errDataSource,
                            QStringLiteral("Veri tabanı başka bir program tarafından kilitlenmiş: '%1' şu anda "
                                           "kullanılamıyor. Veri tabanını kullanan programı kapatıp yeniden "
                                           "deneyin.").arg(file),
                            DatabaseFailure::Locked);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        throw DatabaseError(errDataSource,
                            QStringLiteral("'%1' bir veri tabanı değil ya da bozuk.").arg(file),
                            DatabaseFailure::Damaged);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        throw DatabaseError(errDataSource, QStringLiteral("'%1' veri tabanı dosyası açılamıyor.").arg(file),
                            DatabaseFailure::Other);
    case SQLITE_FULL:
        throw DatabaseError(errDataSource,
                            QStringLiteral("Diskte yer kalmadığından '%1' veri tabanına yazılamıyor.").arg(file),
                            DatabaseFailure::Other);
    case SQLITE_IOERR:
        throw DatabaseError(errDataSource,
                            QStringLiteral("'%1' veri tabanı dosyası okunurken ya da yazılırken bir hata oluştu.")
                                .arg(file),
                            DatabaseFailure::Other);
    default:
        Fail(number, message);
    }
}

// A new database file, readable and writable by its owner only: it holds
// the stored logins. False when another program made it meanwhile.
bool createPrivateFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw DatabaseError(errDataSource, QStringLiteral("'%1' veri tabanı dosyası oluşturulamıyor.")
                                               .arg(QDir::toNativeSeparators(path)),
                            DatabaseFailure::Other);
    }
    ::close(fd);
    return true;
}

// How a declared column type reads: its field type and size, and the value
// kind its cells are given back as.
struct ColumnKind {
    int type = adEmpty;   // adEmpty: undeclared, decided by the values
    int size = 0;
};

ColumnKind kindOfDeclared(const char* declared) {
    QString d = QString::fromUtf8(declared ? declared : "").toUpper();
    if (d.isEmpty())
        return {};
    auto sized = [&](int fallback) {
        qsizetype open = d.indexOf(u'(');
        bool ok = false;
        int n = open < 0 ? 0 : d.mid(open + 1, d.indexOf(u')') - open - 1).trimmed().toInt(&ok);
        return ok && n > 0 ? n : fallback;
    };
    if (d.contains(u"LONG") || d.contains(u"MEMO") || d == u"TEXT" || d.contains(u"CLOB"))
        return {adLongVarWChar, 536870910};
    if (d.contains(u"CHAR") || d.contains(u"TEXT"))
        return {adVarWChar, sized(255)};
    if (d.contains(u"BIT") || d.contains(u"BOOL") || d.contains(u"YESNO"))
        return {adBoolean, 2};
    if (d.contains(u"INT") || d.contains(u"COUNTER"))
        return {adInteger, 4};
    if (d.contains(u"DATE") || d.contains(u"TIME"))
        return {adDate, 8};
    if (d.contains(u"REAL") || d.contains(u"FLOA") || d.contains(u"DOUB") || d.contains(u"NUM")
        || d.contains(u"DEC") || d.contains(u"CURRENCY") || d.contains(u"MONEY"))
        return {adDouble, 8};
    return {};
}

vb::Variant wholeNumber(sqlite3_int64 n) {
    if (n >= INT32_MIN && n <= INT32_MAX)
        return vb::Variant::Long(qint32(n));
    return vb::Variant(double(n));
}

QString textOf(sqlite3_stmt* stmt, int column) {
    const void* p = sqlite3_column_text16(stmt, column);
    return QString(reinterpret_cast<const QChar*>(p), sqlite3_column_bytes16(stmt, column) / 2);
}

vb::Variant cell(sqlite3_stmt* stmt, int column, int type) {
    int storage = sqlite3_column_type(stmt, column);
    if (storage == SQLITE_NULL)
        return vb::Variant::Null();
    switch (type) {
    case adVarWChar: case adLongVarWChar:
        return textOf(stmt, column);
    case adBoolean:
        return vb::Variant(sqlite3_column_int64(stmt, column) != 0);
    case adDate:
        if (storage == SQLITE_TEXT) {
            QString t = textOf(stmt, column);
            QDateTime d = QDateTime::fromString(t, Qt::ISODate);
            return d.isValid() ? vb::Variant(d) : vb::Variant(t);
        }
        return vb::Variant(vb::FromSerialDate(sqlite3_column_double(stmt, column)));
    default:
        break;
    }
    switch (storage) {
    case SQLITE_INTEGER: return wholeNumber(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return vb::Variant(sqlite3_column_double(stmt, column));
    default: return textOf(stmt, column);
    }
}

class JetProvider : public Provider {
public:
    explicit JetProvider(const QString& path) : path_(path) {
        // SQLite would make a missing file readable by everyone: it is made
        // here first. An existing file keeps the permissions it has.
        const bool created = !QFileInfo::exists(path) && createPrivateFile(path);
        QByteArray file = QFile::encodeName(path);
        if (const int rc = sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr); rc != SQLITE_OK) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
            if (created)
                QFile::remove(path);
            failFile(rc, path, errDataSource, QStringLiteral("Could not find file '%1'.").arg(path));
        }
        // Another program, or the add-in in another Excel, may be writing:
        // a statement waits for it rather than fail at once.
        sqlite3_busy_timeout(db_, 2000);
        sqlite3_create_collation_v2(db_, kDateCollation, SQLITE_UTF8, &collation_, &DateCollation::compare, nullptr);
        if (!makeTablesIfNone()) {
            const int rc = sqlite3_extended_errcode(db_);
            const QString message = messageOf(db_);
            sqlite3_close_v2(db_);
            db_ = nullptr;
            failFile(rc, path, errDataSource, message);
        }
    }

    ~JetProvider() override { sqlite3_close_v2(db_); }

    Rowset Execute(const QString& commandText, long* recordsAffected) override {
        collation_.forget();
        Statement s;
        prepareOne(commandText, s);
        Rowset result;
        int columns = sqlite3_column_count(s.stmt);
        std::vector<ColumnKind> kinds;
        for (int c = 0; c < columns; ++c) {
            ColumnKind k = kindOfDeclared(sqlite3_column_decltype(s.stmt, c));
            kinds.push_back(k);
            auto name = static_cast<const QChar*>(sqlite3_column_name16(s.stmt, c));
            result.fields.push_back(FieldInfo{QString(name), k.type, k.size});
        }
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            std::vector<vb::Variant> row;
            row.reserve(std::size_t(columns));
            for (int c = 0; c < columns; ++c)
                row.push_back(cell(s.stmt, c, kinds[std::size_t(c)].type));
            result.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            failFile(sqlite3_extended_errcode(db_), path_, errDataSource, messageOf(db_));
        settleUndeclared(result);
        if (recordsAffected)
            *recordsAffected = columns > 0 ? -1 : long(sqlite3_changes(db_));
        return result;
    }

    Rowset OpenSchema(int schema) override {
        if (schema != adSchemaTables)
            Fail(adErrFeatureNotAvailable,
                 QStringLiteral("Object or provider is not capable of performing requested operation."));
        Rowset names = Execute(QStringLiteral("SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
                                              "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' ORDER BY name"),
                               nullptr);
        std::vector<std::pair<QString, QString>> tables;
        for (const auto& r : names.rows)
            tables.emplace_back(vb::CStr(r[0]), vb::CStr(r[1]).toUpper());
        return TablesSchema(tables);
    }

private:
    bool run(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // The number of schema entries of the file (tables, views, indexes,
    // triggers), or -1 when it cannot be read (no database, a damaged one, a
    // lock held too long).
    int tableCount() {
        Statement s;
        if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &s.stmt, nullptr) != SQLITE_OK
            || sqlite3_step(s.stmt) != SQLITE_ROW)
            return -1;
        return sqlite3_column_int(s.stmt, 0);
    }

    // A file without any table is a database not made yet: one just created,
    // here or by another process, or one left empty by a first use that was
    // ended before its tables were in. They are made in one transaction
    // under the write lock, so that the file holds all of them or none, and
    // a second process waits for the first and then finds them made.
    // False, with the database's error still to be read, on a failure.
    bool makeTablesIfNone() {
        const int tables = tableCount();
        if (tables != 0)
            return tables > 0;
        if (!run("BEGIN IMMEDIATE"))
            return false;
        const int now = tableCount();
        if (now > 0 || (now == 0 && run(kCreateDatabase)))
            return run("COMMIT");
        // Undone by closing the connection, so that the failure stays the
        // one reported.
        return false;
    }

    // Exactly one statement: anything after it but blanks, semicolons and
    // comments fails the whole text before any of it runs, so that a value
    // breaking out of its quotes can never start a second statement.
    void prepareOne(const QString& text, Statement& s) {
        const char16_t* begin = reinterpret_cast<const char16_t*>(text.utf16());
        const char16_t* end = begin + text.size();
        const void* tail = nullptr;
        if (sqlite3_prepare16_v2(db_, begin, int((end - begin) * 2), &s.stmt, &tail) != SQLITE_OK)
            failFile(sqlite3_extended_errcode(db_), path_, errSqlStatement, messageOf(db_));
        if (!s.stmt)
            Fail(errSqlStatement, QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
                                                 "'SELECT', or 'UPDATE'."));
        auto rest = static_cast<const char16_t*>(tail);
        while (rest && rest < end) {
            Statement extra;
            const void* next = nullptr;
            int rc = sqlite3_prepare16_v2(db_, rest, int((end - rest) * 2), &extra.stmt, &next);
            if (rc != SQLITE_OK || extra.stmt)
                Fail(errSqlStatement, QStringLiteral("Characters found after end of SQL statement."));
            if (next == rest)
                break;
            rest = static_cast<const char16_t*>(next);
        }
    }

    // Columns without a declared type (expressions) take the type of their
    // first value.
    static void settleUndeclared(Rowset& r) {
        for (std::size_t c = 0; c < r.fields.size(); ++c) {
            FieldInfo& f = r.fields[c];
            if (f.type != adEmpty)
                continue;
            f.type = adVarWChar;
            f.definedSize = 255;
            for (const auto& row : r.rows) {
                const vb::Variant& v = row[c];
                if (v.isNull())
                    continue;
                if (v.isNumber())
                    f = FieldInfo{f.name, v.type() == vb::vbDouble ? int(adDouble) : int(adInteger),
                                  v.type() == vb::vbDouble ? 8 : 4};
                break;
            }
        }
    }

    QString path_;
    sqlite3* db_ = nullptr;
    DateCollation collation_;
};

} // namespace

bool IsJetConnection(const QString& connectionString) {
    return ConnectionStringValue(connectionString, QStringLiteral("Provider"))
        .startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive);
}

std::unique_ptr<Provider> OpenJet(const QString& connectionString) {
    QString path = ConnectionStringValue(connectionString, QStringLiteral("Data Source"));
    // The windows write the folder and the file name with the separator
    // they were written for.
    path.replace(u'\\', u'/');
    if (path.isEmpty())
        Fail(errDataSource, QStringLiteral("Could not find file ''."));
    return std::make_unique<JetProvider>(path);
}

} // namespace ado::detail
