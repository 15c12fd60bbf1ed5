#include "platform/excel/worksheetprovider.h"

#include "platform/ado/ado.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>

namespace excel {

namespace {

constexpr int kTextSize = 255;
constexpr int kMemoSize = 536870910;

[[noreturn]] void driverError(int number, const QString& text) {
    vb::Raise(number, QStringLiteral("[Microsoft][ODBC Excel Driver] ") + text);
}

// A key of the connection string, also when it sits inside the extended
// properties ("Extended Properties=DBQ=...").
QString setting(const QString& cs, const QString& key) {
    const QString direct = ado::ConnectionStringValue(cs, key);
    if (!direct.isEmpty()) return direct;
    return ado::ConnectionStringValue(ado::ConnectionStringValue(cs, QStringLiteral("Extended Properties")), key);
}

bool isWorkbookDriver(const QString& cs) {
    return setting(cs, QStringLiteral("Driver")).contains(QStringLiteral("Microsoft Excel"), Qt::CaseInsensitive);
}

enum class Kind { Text, Number, Boolean, Date };

Kind kindOf(const vb::Variant& v) {
    if (v.isNumber()) return Kind::Number;
    if (v.isBoolean()) return Kind::Boolean;
    if (v.isDate()) return Kind::Date;
    return Kind::Text;
}

bool hasValue(const vb::Variant& v) {
    return !v.isEmpty() && !v.isNull();
}

QString textOf(const vb::Variant& v) {
    return hasValue(v) ? CellText(v) : QString();
}

// Field names: the header texts; "F" and the column's number for an empty
// one, and a number after a name met before, as the driver names them. A
// name is met before as every look-up of a field finds it (letter case
// ignored by the Turkish pairs too: "adı" is "ADI"), so that no two fields
// answer to one name. Each name's count goes on from where it stopped:
// thousands of columns of one name are named in one pass.
std::vector<QString> fieldNames(const SheetData& sheet, int columns) {
    std::vector<QString> names;
    names.reserve(std::size_t(columns));
    vb::NameIndex taken;
    QHash<QString, int> nextNumber;
    for (int c = 0; c < columns; ++c) {
        QString name = textOf(sheet.value(0, c)).trimmed();
        if (name.isEmpty()) name = QStringLiteral("F%1").arg(c + 1);
        if (taken.contains(name)) {
            int& n = nextNumber[name];
            n = std::max(n, 1);
            while (taken.contains(name + QString::number(n))) ++n;
            name += QString::number(n++);
        }
        taken.add(name, c);
        names.push_back(name);
    }
    return names;
}

ado::FieldInfo fieldFor(Kind kind, const QString& name) {
    switch (kind) {
    case Kind::Number: return {name, ado::adDouble, 8};
    case Kind::Boolean: return {name, ado::adBoolean, 2};
    case Kind::Date: return {name, ado::adDate, 8};
    case Kind::Text: break;
    }
    return {name, ado::adVarWChar, kTextSize};
}

struct Statement {
    QString table;
};

// "select * from [Name$]", the one statement the pages send; the name may
// also stand bare or between back quotes.
std::optional<Statement> parse(const QString& sql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(?:\\[([^\\]]+)\\]|`([^`]+)`|([^\\s\\[\\]`;]+))\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(sql);
    if (!m.hasMatch()) return std::nullopt;
    for (int i = 1; i <= 3; ++i)
        if (m.capturedLength(i) > 0) return Statement{m.captured(i)};
    return std::nullopt;
}

// What identifies a file's contents as last read: a file replaced, written
// to or truncated since has another stamp.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec
               && modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec
               && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// One reading of a workbook file, with the stamp the file had before it was
// read (a file written to during the reading reads as changed). A sheet's
// cells are let go once a table has been made of them: the recordset holds
// its rows then, and a sheet asked for again is read again.
class Reading {
public:
    Reading(FileStamp read, WorkbookData book) : stamp(read) {
        for (SheetData& sheet : book.sheets) {
            names.push_back(sheet.name);
            sheets_.push_back(std::make_unique<SheetData>(std::move(sheet)));
        }
    }
    // The cells of the sheet at that place, for one table; nothing when a
    // table was made of them already.
    std::unique_ptr<SheetData> take(std::size_t i) const {
        std::lock_guard lock(mutex_);
        return std::move(sheets_[i]);
    }

    const FileStamp stamp;
    std::vector<QString> names;

private:
    mutable std::mutex mutex_;
    mutable std::vector<std::unique_ptr<SheetData>> sheets_;
};

// The readings the open connections hold, by file: a second connection on
// a file not changed since takes the first one's reading. Once no
// connection holds a reading it is gone.
class Readings {
public:
    static std::shared_ptr<const Reading> current(const QString& path, bool fresh) {
        static Readings readings;
        return readings.get(path, fresh);
    }

private:
    std::shared_ptr<const Reading> get(const QString& path, bool fresh) {
        std::optional<FileStamp> before = stampOf(path);
        {
            std::lock_guard lock(mutex_);
            if (auto it = held_.find(path); it != held_.end()) {
                std::shared_ptr<const Reading> held = it->second.lock();
                if (!fresh && held && before && held->stamp == *before)
                    return held;
                if (!held)
                    held_.erase(it);
            }
        }
        WorkbookData book = ReadWorkbookFile(path);
        const std::optional<FileStamp> after = stampOf(path);
        // Changed while it was read: the next use reads it again.
        auto reading = std::make_shared<const Reading>(before && after && *before == *after ? *before : FileStamp{},
                                                       std::move(book));
        std::lock_guard lock(mutex_);
        held_[path] = reading;
        return reading;
    }

    std::mutex mutex_;
    std::unordered_map<QString, std::weak_ptr<const Reading>> held_;
};

// A connection reads its file once and answers the schema and the queries
// from that reading while the file stays as it was read; a file changed on
// disk since is read again, as the driver does. A requery reads the file
// again whatever its stamp.
class WorksheetProvider : public ado::Provider {
public:
    WorksheetProvider(QString path, int maxScanRows, std::shared_ptr<const Reading> reading)
        : path_(std::move(path)), maxScanRows_(maxScanRows), reading_(std::move(reading)) {}

    ado::Rowset Execute(const QString& commandText, long* recordsAffected) override {
        return select(commandText, recordsAffected, false);
    }

    ado::Rowset Requery(const QString& commandText) override { return select(commandText, nullptr, true); }

    ado::Rowset OpenSchema(int schema) override {
        if (schema != ado::adSchemaTables) vb::Raise(ado::adErrFeatureNotAvailable);
        std::vector<std::pair<QString, QString>> tables;
        for (const QString& name : reading(false).names)
            tables.emplace_back(name + u'$', QStringLiteral("SYSTEM TABLE"));
        return ado::TablesSchema(tables);
    }

private:
    const Reading& reading(bool fresh) {
        const std::optional<FileStamp> now = fresh ? std::nullopt : stampOf(path_);
        if (fresh || !now || !(reading_->stamp == *now))
            reading_ = Readings::current(path_, fresh);
        return *reading_;
    }

    ado::Rowset select(const QString& commandText, long* recordsAffected, bool fresh) {
        const auto statement = parse(commandText);
        if (!statement)
            driverError(ado::errSqlStatement, QStringLiteral("Syntax error in query: only \"select * from [Sheet$]\" is read."));
        QString table = statement->table.trimmed();
        if (table.size() >= 2 && table.startsWith(u'\'') && table.endsWith(u'\''))
            table = table.mid(1, table.size() - 2);
        if (table.endsWith(u'$')) {
            const QString name = table.chopped(1);
            std::optional<std::unique_ptr<SheetData>> sheet = find(reading(fresh), name);
            // A table was made of it already: the file as it is now.
            if (sheet && !*sheet)
                sheet = find(reading(true), name);
            if (sheet && *sheet) {
                if (recordsAffected) *recordsAffected = -1;
                return SheetTable(**sheet, maxScanRows_);
            }
        }
        driverError(ado::errSqlStatement,
                    QStringLiteral("The Microsoft Jet database engine could not find the object '%1'.").arg(table));
    }

    // The cells of the sheet of that name (null when taken already), or
    // nothing when the workbook has no such sheet.
    static std::optional<std::unique_ptr<SheetData>> find(const Reading& reading, const QString& name) {
        for (std::size_t i = 0; i < reading.names.size(); ++i)
            if (SameSheetName(reading.names[i], name))
                return reading.take(i);
        return std::nullopt;
    }

    QString path_;
    int maxScanRows_;
    std::shared_ptr<const Reading> reading_;
};

std::unique_ptr<ado::Provider> open(const QString& cs) {
    const QString dbq = setting(cs, QStringLiteral("DBQ"));
    const QString path = ResolveWorkbookPath(dbq);
    if (path.isEmpty())
        driverError(ado::errDataSource,
                    QStringLiteral("'%1' is not a valid path. Make sure that the path name is spelled correctly "
                                   "and that you are connected to the server on which the file resides.")
                        .arg(dbq.isEmpty() ? QStringLiteral("(unknown)") : dbq));
    // A file the reader refuses fails the opening, as with the driver.
    std::shared_ptr<const Reading> reading = Readings::current(path, false);
    bool ok = false;
    const int scan = setting(cs, QStringLiteral("MaxScanRows")).toInt(&ok);
    return std::make_unique<WorksheetProvider>(path, ok && scan >= 0 ? scan : 8, std::move(reading));
}

const bool registeredOnLoad = (RegisterWorksheetProvider(), true);

} // namespace

void RegisterWorksheetProvider() {
    static bool done = false;
    if (done) return;
    done = true;
    ado::RegisterProvider(QStringLiteral("Microsoft Excel Driver"), isWorkbookDriver, open);
}

QString ResolveWorkbookPath(const QString& dbq) {
    if (dbq.trimmed().isEmpty()) return {};
    QStringList bases{dbq};
    if (dbq.contains(u'\\')) bases << QString(dbq).replace(u'\\', u'/');
    for (const QString& base : bases) {
        QStringList candidates{base};
        if (base.endsWith(u'.')) candidates << base + QStringLiteral("xlsx");
        candidates << base + QStringLiteral(".xls");
        for (const QString& c : candidates)
            if (QFileInfo(c).isFile()) return QFileInfo(c).absoluteFilePath();
    }
    return {};
}

ado::Rowset SheetTable(const SheetData& sheet, int maxScanRows) {
    // The table reaches as far as values do; fonts alone do not count.
    const CellExtent values = sheet.valueExtent();
    const int rows = values.lastRow + 1, columns = values.lastColumn + 1;
    ado::Rowset table;
    const std::vector<QString> names = fieldNames(sheet, std::max(columns, 1));
    const int scanEnd = maxScanRows > 0 ? std::min(rows, 1 + maxScanRows) : rows;
    std::vector<Kind> kinds;
    for (int c = 0; c < int(names.size()); ++c) {
        std::array<int, 4> seen{};
        for (int r = 1; r < scanEnd; ++r)
            if (const vb::Variant v = sheet.value(r, c); hasValue(v)) ++seen[int(kindOf(v))];
        // Most values win; text wins a tie, as it holds every value.
        Kind kind = Kind::Text;
        for (Kind k : {Kind::Number, Kind::Boolean, Kind::Date})
            if (seen[int(k)] > seen[int(kind)]) kind = k;
        kinds.push_back(kind);
        table.fields.push_back(fieldFor(kind, names[c]));
    }
    table.rows.reserve(std::max(0, rows - 1));
    for (int r = 1; r < rows; ++r) {
        std::vector<vb::Variant> record(table.fields.size(), vb::Variant::Null());
        for (int c = 0; c < int(record.size()); ++c) {
            vb::Variant v = sheet.value(r, c);
            if (!hasValue(v)) continue;
            if (kinds[c] != Kind::Text && kindOf(v) == kinds[c]) {
                record[c] = std::move(v);
                continue;
            }
            ado::FieldInfo& field = table.fields[c];
            const QString text = CellText(v);
            // A long text makes the column a memo, rather than lose its end.
            if (text.size() > kTextSize && field.type == ado::adVarWChar) {
                field.type = ado::adLongVarWChar;
                field.definedSize = kMemoSize;
            }
            record[c] = vb::Variant(text);
        }
        table.rows.push_back(std::move(record));
    }
    return table;
}

} // namespace excel
