#include "platform/excel/worksheetprovider.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>

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
// one, and a number after a name met before, as the driver names them.
std::vector<QString> fieldNames(const SheetData& sheet, int columns) {
    std::vector<QString> names;
    QSet<QString> taken;
    for (int c = 0; c < columns; ++c) {
        QString name = textOf(sheet.value(0, c)).trimmed();
        if (name.isEmpty()) name = QStringLiteral("F%1").arg(c + 1);
        if (taken.contains(name.toLower())) {
            int n = 1;
            while (taken.contains((name + QString::number(n)).toLower())) ++n;
            name += QString::number(n);
        }
        taken.insert(name.toLower());
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

class WorksheetProvider : public ado::Provider {
public:
    WorksheetProvider(QString path, int maxScanRows) : path_(std::move(path)), maxScanRows_(maxScanRows) {}

    ado::Rowset Execute(const QString& commandText, long* recordsAffected) override {
        const auto statement = parse(commandText);
        if (!statement)
            driverError(ado::errSqlStatement, QStringLiteral("Syntax error in query: only \"select * from [Sheet$]\" is read."));
        QString table = statement->table.trimmed();
        if (table.size() >= 2 && table.startsWith(u'\'') && table.endsWith(u'\''))
            table = table.mid(1, table.size() - 2);
        const WorkbookData book = ReadWorkbookFile(path_);
        if (table.endsWith(u'$')) {
            const QString name = table.chopped(1);
            for (const SheetData& sheet : book.sheets)
                if (SameSheetName(sheet.name, name)) {
                    if (recordsAffected) *recordsAffected = -1;
                    return SheetTable(sheet, maxScanRows_);
                }
        }
        driverError(ado::errSqlStatement,
                    QStringLiteral("The Microsoft Jet database engine could not find the object '%1'.").arg(table));
    }

    ado::Rowset OpenSchema(int schema) override {
        if (schema != ado::adSchemaTables) vb::Raise(ado::adErrFeatureNotAvailable);
        std::vector<std::pair<QString, QString>> tables;
        for (const SheetData& sheet : ReadWorkbookFile(path_).sheets)
            tables.emplace_back(sheet.name + u'$', QStringLiteral("SYSTEM TABLE"));
        return ado::TablesSchema(tables);
    }

private:
    QString path_;
    int maxScanRows_;
};

std::unique_ptr<ado::Provider> open(const QString& cs) {
    const QString dbq = setting(cs, QStringLiteral("DBQ"));
    const QString path = ResolveWorkbookPath(dbq);
    if (path.isEmpty())
        driverError(ado::errDataSource,
                    QStringLiteral("'%1' is not a valid path. Make sure that the path name is spelled correctly "
                                   "and that you are connected to the server on which the file resides.")
                        .arg(dbq.isEmpty() ? QStringLiteral("(unknown)") : dbq));
    ReadWorkbookFile(path);   // a file the reader refuses fails the opening, as with the driver
    bool ok = false;
    const int scan = setting(cs, QStringLiteral("MaxScanRows")).toInt(&ok);
    return std::make_unique<WorksheetProvider>(path, ok && scan >= 0 ? scan : 8);
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
