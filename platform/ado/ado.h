#pragma once

#include "platform/ado/provider.h"
#include "platform/vb/export.h"
#include "platform/vb/variant.h"

#include <QString>
#include <functional>
#include <memory>

// The data objects the windows use: a connection to a provider, recordsets
// that hold a static snapshot of a query or rows made up in memory, their
// clones, filters, sort orders and pages. Objects are handed around by
// shared pointer, as the language hands object references around.
//
// Failures raise vb::Error with the numbers below; a provider's own failure
// carries the provider's message as its description.
namespace ado {

enum CursorTypeEnum : int {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3,
};

enum LockTypeEnum : int {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4,
};

enum AffectEnum : int { adAffectCurrent = 1, adAffectGroup = 2, adAffectAll = 3 };
enum ObjectStateEnum : int { adStateClosed = 0, adStateOpen = 1 };
enum CommandTypeEnum : int { adCmdText = 1, adCmdTable = 2, adCmdUnknown = 8 };
// AbsolutePosition and AbsolutePage when there is no current record.
enum PositionEnum : long { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };

enum ErrorValueEnum : int {
    adErrInvalidArgument = 3001,     // wrong type, out of range or in conflict
    adErrNoCurrentRecord = 3021,     // BOF or EOF, or the current record deleted
    adErrIllegalOperation = 3219,    // not allowed in this context
    adErrFeatureNotAvailable = 3251, // the recordset does not allow updating
    adErrItemNotFound = 3265,
    adErrObjectInCollection = 3367,
    adErrObjectClosed = 3704,
    adErrObjectOpen = 3705,
    adErrProviderNotFound = 3706,
    adErrInvalidConnection = 3709,
};
// The providers' own failures, numbered as the data objects report them.
inline constexpr int errSqlStatement = -2147217900;   // syntax, missing table or column
inline constexpr int errMultipleStep = -2147217887;   // a value the field cannot take
inline constexpr int errDataSource = -2147467259;     // the data source cannot be used

// What a failure of a database file was, where the provider can tell: the
// file could not be written to, another program held it locked, or it is
// no database or a damaged one (the provider said so itself). Anything
// else, and every failure that is no database's, is Other.
enum class DatabaseFailure { Other, ReadOnly, Locked, Damaged };
QM_EXPORT DatabaseFailure DatabaseFailureOf(const std::exception& failure);

class Recordset;
class Connection;
using RecordsetPtr = std::shared_ptr<Recordset>;
using ConnectionPtr = std::shared_ptr<Connection>;

class QM_EXPORT Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString ConnectionString() const { return connectionString_; }
    void setConnectionString(const QString& text);   // raises while open
    // Opens the provider the connection string names (the argument, when
    // given, replaces the connection string first).
    void Open(const QString& connectionString = {}, const QString& userId = {}, const QString& password = {});
    int State() const { return provider_ ? adStateOpen : adStateClosed; }
    void Close();

    // Runs one statement. A query gives an open, read-only recordset of its
    // rows; any other statement a closed one. An UPDATE that matches no row
    // succeeds with recordsAffected 0.
    RecordsetPtr Execute(const QString& commandText, long* recordsAffected = nullptr);
    RecordsetPtr OpenSchema(int schema);

    // The open provider, shared with the recordsets read through it, so that
    // they can read their source again.
    std::shared_ptr<Provider> provider() const;

private:
    QString connectionString_;
    std::shared_ptr<Provider> provider_;
};

// A field of the current record. Cheap to copy; valid while its recordset is.
class QM_EXPORT Field {
public:
    QString Name() const;
    int Type() const;
    int DefinedSize() const;
    // The value of the current record: Null for NULL. Raises 3021 without a
    // current record.
    vb::Variant Value() const;
    // Converts to the field's type; a text longer than the defined size, or a
    // value the type cannot take, raises errMultipleStep.
    void setValue(const vb::Variant& value) const;

private:
    friend class Recordset;
    friend class Fields;
    Field(const Recordset* rs, int index) : rs_(rs), index_(index) {}
    const FieldInfo& info() const;
    const Recordset* rs_;
    int index_;
};

class QM_EXPORT Fields {
public:
    int Count() const;
    // Raises 3265 for a position or name (letter case ignored) not there.
    Field Item(int index) const;
    Field Item(const QString& name) const;
    // Adds a field to a closed recordset; raises 3367 for a name already
    // there and 3219 on an open recordset.
    void Append(const QString& name, int type, int definedSize = 0) const;

private:
    friend class Recordset;
    explicit Fields(const Recordset* rs) : rs_(rs) {}
    const Recordset* rs_;
};

// What a recordset tells those who watch it (a bound grid): a row added or
// deleted through any recordset sharing its rows, a value changed, its rows
// replaced (filter, sort, requery, reopening), the current record moved, the
// recordset closed.
enum class Change { RowAdded, RowDeleted, ValueChanged, Reset, Moved, Closed };
using ChangeListener = std::function<void(Change)>;

class QM_EXPORT Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // A static snapshot of a query (or adCmdTable: a table's rows) through an
    // open connection. The lock type decides whether rows may be added,
    // changed and deleted in memory (read-only by default).
    void Open(const QString& source, const ConnectionPtr& connection, int cursorType = adOpenUnspecified,
              int lockType = adLockUnspecified, int options = adCmdUnknown);
    // The same through a connection of its own, opened on a connection string.
    void Open(const QString& source, const QString& connectionString, int cursorType = adOpenUnspecified,
              int lockType = adLockUnspecified, int options = adCmdUnknown);
    // Made up in memory: no source, no connection; the appended fields, no
    // rows. Rows may be added unless the lock type is read-only.
    void Open(int cursorType = adOpenUnspecified, int lockType = adLockUnspecified);
    // Closing keeps the appended fields of a made-up recordset; clones stay
    // open.
    void Close();
    int State() const;
    QString Source() const;
    int CursorType() const { return cursorType_; }
    int LockType() const { return lockType_; }

    ado::Fields Fields() const { return ado::Fields(this); }
    Field Fields(int index) const { return ado::Fields(this).Item(index); }
    Field Fields(const QString& name) const { return ado::Fields(this).Item(name); }

    // Position among the rows the filter lets through, in the sort order.
    // (EOF is the C library's macro, hence Bof/Eof.)
    bool Bof() const;
    bool Eof() const;
    void MoveFirst();      // raises 3021 when there are no rows
    void MoveLast();
    void MoveNext();       // raises 3021 at EOF
    void MovePrevious();   // raises 3021 at BOF
    long RecordCount() const;
    long AbsolutePosition() const;   // 1-based, or a PositionEnum value
    void setAbsolutePosition(long position);

    // A new row, empty (Null), made the current record and seen at once by
    // every clone. Values are kept as they are assigned; UpdateBatch and
    // Update have nothing left to write.
    void AddNew();
    void Update();
    void UpdateBatch(int affectRecords = adAffectAll);
    // Deletes the current record for every clone. It stays the current
    // record, deleted, until the next move.
    void Delete(int affectRecords = adAffectCurrent);

    // Another recordset over the same rows: additions and deletions through
    // either are seen by both; each has its own position, filter and sort.
    RecordsetPtr Clone(int lockType = adLockUnspecified) const;

    // Criteria as "field op value" clauses (= < > <= >= <> LIKE) joined with
    // AND and OR; text in single quotes, numbers bare, dates between #.
    // The empty text removes the filter. Malformed criteria raise and leave
    // the filter in force as it was. Moves to the first record.
    QString Filter() const { return filter_; }
    void setFilter(const QString& criteria);
    // "field [ASC|DESC][, ...]"; a field whose values are of different kinds
    // raises and keeps the order as it was.
    QString Sort() const { return sort_; }
    void setSort(const QString& order);
    // Reads the source again, for this recordset and its clones.
    void Requery();

    long PageSize() const { return pageSize_; }
    void setPageSize(long size);
    long PageCount() const;
    long AbsolutePage() const;   // 1-based, or a PositionEnum value
    void setAbsolutePage(long page);   // moves to the page's first record

    // The value of a row the filter lets through, by its 0-based place in
    // the order (for grids, which show rows other than the current one).
    vb::Variant ValueAt(long row, int field) const;

    int Subscribe(ChangeListener listener);
    void Unsubscribe(int id);

    struct Impl;

private:
    friend class Field;
    friend class Fields;
    friend class Connection;
    void openQuery(const std::shared_ptr<Provider>& provider, const QString& text, const QString& source,
                   int cursorType, int lockType, long* recordsAffected);
    void openRowset(Rowset rowset, std::function<Rowset()> reader, const QString& source, int cursorType,
                    int lockType);

    std::unique_ptr<Impl> d_;
    QString filter_;
    QString sort_;
    long pageSize_ = 10;
    int cursorType_ = adOpenUnspecified;
    int lockType_ = adLockUnspecified;
};

} // namespace ado
