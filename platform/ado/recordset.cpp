#include "platform/ado/ado.h"

#include "platform/ado/criteria.h"
#include "platform/ado/errors.h"
#include "platform/ado/rowstore.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <QVarLengthArray>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>

namespace ado {

using detail::Fail;
using detail::Row;
using detail::RowOrder;
using detail::RowPtr;

namespace {

// Positions before the first and after the last entry. EOF is not size():
// a row appended elsewhere must not become the current record.
constexpr std::ptrdiff_t kBof = -1;
constexpr std::ptrdiff_t kEof = PTRDIFF_MAX;

bool isText(int type) {
    switch (type) {
    case adBSTR: case adChar: case adWChar: case adVarChar: case adVarWChar: case adLongVarChar: case adLongVarWChar:
        return true;
    default:
        return false;
    }
}

// A value as the field's type keeps it.
vb::Variant convert(const vb::Variant& v, const FieldInfo& field) {
    if (v.isNull() || v.isEmpty())
        return vb::Variant::Null();
    try {
        if (isText(field.type)) {
            QString s = vb::CStr(v);
            if (field.definedSize > 0 && s.size() > field.definedSize)
                Fail(errMultipleStep);
            return s;
        }
        switch (field.type) {
        case adSmallInt: case adTinyInt: case adUnsignedTinyInt: return vb::Variant::Integer(vb::CInt(v));
        case adInteger: return vb::Variant::Long(vb::CLng(v));
        case adBigInt: return vb::Variant(std::round(vb::CDbl(v)));
        case adSingle: case adDouble: case adCurrency: case adDecimal: case adNumeric: return vb::Variant(vb::CDbl(v));
        case adDate: case adDBDate: case adDBTimeStamp: return vb::Variant(vb::CDate(v));
        case adBoolean: return vb::Variant(vb::CBool(v));
        default: return v;
        }
    } catch (const vb::Error& e) {
        if (e.number() == errMultipleStep)
            throw;
        Fail(errMultipleStep);
    }
}

} // namespace

namespace detail {

// The rows that a recordset and its clones share.
struct Store {
    std::vector<FieldInfo> fields;
    vb::NameIndex names;                  // the fields by name
    RowOrder order;                       // every row, in the order of addition
    std::uint64_t nextSeq = 1;
    std::vector<Recordset::Impl*> views;  // the open recordsets over these rows
    std::function<Rowset()> reader;       // reads the source again; empty when made up
    QString source;
    bool madeUp = false;

    RowPtr newRow() {
        RowPtr row = Row::make();
        row->seq = nextSeq++;
        return row;
    }

    void load(Rowset rowset) {
        fields = std::move(rowset.fields);
        names.clear();
        for (std::size_t i = 0; i < fields.size(); ++i)
            names.add(fields[i].name, int(i));
        std::vector<RowPtr> rows;
        rows.reserve(rowset.rows.size());
        for (auto& values : rowset.rows) {
            RowPtr row = newRow();
            values.resize(fields.size(), vb::Variant::Null());
            row->values = std::move(values);
            rows.push_back(std::move(row));
        }
        order.assign(std::move(rows));
    }

    void broadcast(Change change);
};

} // namespace detail

using detail::Store;

struct Recordset::Impl {
    Recordset* self;
    std::shared_ptr<Store> store;         // null while closed
    std::unique_ptr<RowOrder> own;        // this recordset's order under a filter or a sort
    std::ptrdiff_t pos = kBof;
    std::shared_ptr<const detail::Criteria> criteria;
    std::vector<detail::SortKey> sortKeys;
    std::vector<FieldInfo> appended;      // the fields while closed
    vb::NameIndex appendedNames;
    // Held by pointer, so that a listener is kept through its own call
    // without copying it: a list of a million rows tells of a million rows.
    std::map<int, std::shared_ptr<const ChangeListener>> listeners;
    int nextListener = 1;

    explicit Impl(Recordset* owner) : self(owner) {}

    RowOrder& order() const { return own ? *own : store->order; }
    const std::vector<FieldInfo>& fields() const { return store ? store->fields : appended; }
    int findField(const QString& name) const { return store ? store->names.find(name) : appendedNames.find(name); }
    void setAppended(std::vector<FieldInfo> list) {
        appended = std::move(list);
        appendedNames.clear();
        for (std::size_t i = 0; i < appended.size(); ++i)
            appendedNames.add(appended[i].name, int(i));
    }

    void requireOpen() const {
        if (!store)
            Fail(adErrObjectClosed);
    }
    void requireUpdatable() const {
        requireOpen();
        if (self->lockType_ == adLockReadOnly)
            Fail(adErrFeatureNotAvailable);
    }

    bool onEntry() const { return pos >= 0 && pos != kEof; }
    bool bof() const { return !onEntry() && (order().live() == 0 || pos == kBof); }
    bool eof() const { return !onEntry() && (order().live() == 0 || pos == kEof); }

    Row& current() const {
        requireOpen();
        if (!onEntry() || !order().alive(std::size_t(pos)))
            Fail(adErrNoCurrentRecord);
        return *order().at(std::size_t(pos));
    }

    void notify(Change change) {
        if (listeners.empty())
            return;
        // A listener may subscribe or unsubscribe others: the ones there now
        // are told, unless gone meanwhile. Kept off the heap, as every added
        // row and every value set is told.
        QVarLengthArray<int, 8> ids;
        for (const auto& [id, listener] : listeners)
            ids.push_back(id);
        for (int id : ids) {
            auto it = listeners.find(id);
            if (it != listeners.end()) {
                const std::shared_ptr<const ChangeListener> call = it->second;
                (*call)(change);
            }
        }
    }

    void attach(std::shared_ptr<Store> s) {
        store = std::move(s);
        store->views.push_back(this);
    }
    void detach() {
        if (!store)
            return;
        auto& v = store->views;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        store.reset();
        own.reset();
    }

    void toFirst() { pos = order().live() == 0 ? kBof : order().nextLive(0); }
    void moveTo(std::ptrdiff_t p) {
        pos = p;
        notify(Change::Moved);
    }

    // The order that a filter and a sort give; raises without changing
    // anything when either cannot be applied.
    std::unique_ptr<RowOrder> build(const std::shared_ptr<const detail::Criteria>& filter,
                                    const std::vector<detail::SortKey>& keys) const {
        if (!filter && keys.empty())
            return nullptr;
        std::vector<RowPtr> rows = store->order.liveRows();
        if (filter)
            rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const RowPtr& r) { return !filter->matches(*r); }),
                       rows.end());
        if (!keys.empty())
            detail::SortRows(rows, keys, store->fields);
        auto result = std::make_unique<RowOrder>();
        result->assign(std::move(rows));
        return result;
    }

    void applyView(std::shared_ptr<const detail::Criteria> filter, std::vector<detail::SortKey> keys) {
        own = build(filter, keys);
        criteria = std::move(filter);
        sortKeys = std::move(keys);
        toFirst();
    }
};

void detail::Store::broadcast(Change change) {
    if (std::all_of(views.begin(), views.end(), [](const Recordset::Impl* v) { return v->listeners.empty(); }))
        return;
    const QVarLengthArray<Recordset::Impl*, 8> snapshot(views.begin(), views.end());
    for (Recordset::Impl* v : snapshot)
        if (std::find(views.begin(), views.end(), v) != views.end())
            v->notify(change);
}

namespace {

void addRow(Recordset::Impl& by) {
    Store& s = *by.store;
    RowPtr row = s.newRow();
    row->values.assign(s.fields.size(), vb::Variant::Null());
    s.order.append(row);
    for (Recordset::Impl* v : s.views)
        if (v->own)
            v->own->append(row);
    by.pos = std::ptrdiff_t(by.order().size()) - 1;
    s.broadcast(Change::RowAdded);
    by.notify(Change::Moved);
}

void deleteRow(Store& s, Row& row) {
    row.deleted = true;
    row.values = {};
    s.order.kill(&row);
    for (Recordset::Impl* v : s.views)
        if (v->own)
            v->own->kill(&row);
    if (s.order.wantsCompaction()) {
        std::vector<std::ptrdiff_t*> positions;
        std::vector<const Row*> currents;
        for (Recordset::Impl* v : s.views) {
            if (v->own)
                continue;
            positions.push_back(&v->pos);
            if (v->onEntry())
                currents.push_back(s.order.at(std::size_t(v->pos)).get());
        }
        s.order.compact([&](const Row* r) { return std::find(currents.begin(), currents.end(), r) != currents.end(); },
                        positions);
    }
    for (Recordset::Impl* v : s.views) {
        if (!v->own || !v->own->wantsCompaction())
            continue;
        const Row* mine = v->onEntry() ? v->own->at(std::size_t(v->pos)).get() : nullptr;
        v->own->compact([mine](const Row* r) { return r == mine; }, {&v->pos});
    }
    s.broadcast(Change::RowDeleted);
}

} // namespace

// ---- Recordset ----

Recordset::Recordset() : d_(std::make_unique<Impl>(this)) {}

Recordset::~Recordset() { d_->detach(); }

void Recordset::openRowset(Rowset rowset, std::function<Rowset()> reader, const QString& source, int cursorType,
                           int lockType) {
    auto store = std::make_shared<Store>();
    store->load(std::move(rowset));
    store->reader = std::move(reader);
    store->source = source;
    cursorType_ = cursorType == adOpenUnspecified ? adOpenStatic : cursorType;
    lockType_ = lockType;
    d_->attach(std::move(store));
    d_->toFirst();
    d_->notify(Change::Reset);
}

void Recordset::openQuery(const std::shared_ptr<Provider>& provider, const QString& text, const QString& source,
                          int cursorType, int lockType, long* recordsAffected) {
    Rowset rowset = provider->Execute(text, recordsAffected);
    // A statement without rows has run; the recordset stays closed.
    if (rowset.returnsRows())
        openRowset(std::move(rowset), [provider, text] { return provider->Requery(text); }, source, cursorType,
                   lockType == adLockUnspecified ? adLockReadOnly : lockType);
}

void Recordset::Open(const QString& source, const ConnectionPtr& connection, int cursorType, int lockType,
                     int options) {
    if (d_->store)
        Fail(adErrObjectOpen);
    if (!connection || connection->State() != adStateOpen)
        Fail(adErrInvalidConnection);
    QString text = options == adCmdTable ? QStringLiteral("select * from [") + source + u']' : source;
    openQuery(connection->provider(), text, source, cursorType, lockType, nullptr);
}

void Recordset::Open(const QString& source, const QString& connectionString, int cursorType, int lockType,
                     int options) {
    auto connection = std::make_shared<Connection>();
    connection->Open(connectionString);
    Open(source, connection, cursorType, lockType, options);
}

void Recordset::Open(int cursorType, int lockType) {
    if (d_->store)
        Fail(adErrObjectOpen);
    if (d_->appended.empty())
        Fail(adErrInvalidArgument);
    openRowset(Rowset{d_->appended, {}}, nullptr, QString(), cursorType,
               lockType == adLockUnspecified ? adLockBatchOptimistic : lockType);
    d_->store->madeUp = true;
}

void Recordset::Close() {
    d_->requireOpen();
    d_->setAppended(d_->store->madeUp ? d_->store->fields : std::vector<FieldInfo>{});
    d_->detach();
    d_->pos = kBof;
    d_->criteria.reset();
    d_->sortKeys.clear();
    filter_.clear();
    sort_.clear();
    d_->notify(Change::Closed);
}

int Recordset::State() const { return d_->store ? adStateOpen : adStateClosed; }

QString Recordset::Source() const { return d_->store ? d_->store->source : QString(); }

bool Recordset::Bof() const {
    d_->requireOpen();
    return d_->bof();
}

bool Recordset::Eof() const {
    d_->requireOpen();
    return d_->eof();
}

void Recordset::MoveFirst() {
    d_->requireOpen();
    if (d_->order().live() == 0)
        Fail(adErrNoCurrentRecord);
    d_->moveTo(d_->order().nextLive(0));
}

void Recordset::MoveLast() {
    d_->requireOpen();
    if (d_->order().live() == 0)
        Fail(adErrNoCurrentRecord);
    d_->moveTo(d_->order().previousLive(std::ptrdiff_t(d_->order().size()) - 1));
}

void Recordset::MoveNext() {
    d_->requireOpen();
    if (d_->eof())
        Fail(adErrNoCurrentRecord);
    const RowOrder& o = d_->order();
    std::size_t from = d_->pos == kBof ? 0 : std::size_t(d_->pos) + 1;
    std::ptrdiff_t next = o.nextLive(from);
    d_->moveTo(next >= std::ptrdiff_t(o.size()) ? kEof : next);
}

void Recordset::MovePrevious() {
    d_->requireOpen();
    if (d_->bof())
        Fail(adErrNoCurrentRecord);
    const RowOrder& o = d_->order();
    std::ptrdiff_t from = d_->pos == kEof ? std::ptrdiff_t(o.size()) - 1 : d_->pos - 1;
    std::ptrdiff_t previous = o.previousLive(from);
    d_->moveTo(previous < 0 ? kBof : previous);
}

long Recordset::RecordCount() const {
    d_->requireOpen();
    return long(d_->order().live());
}

long Recordset::AbsolutePosition() const {
    d_->requireOpen();
    if (d_->onEntry())
        return d_->order().alive(std::size_t(d_->pos)) ? long(d_->order().rank(std::size_t(d_->pos))) + 1
                                                        : adPosUnknown;
    return d_->pos == kBof ? adPosBOF : adPosEOF;
}

void Recordset::setAbsolutePosition(long position) {
    d_->requireOpen();
    if (position < 1 || position > long(d_->order().live()))
        Fail(adErrInvalidArgument);
    d_->moveTo(std::ptrdiff_t(d_->order().select(std::size_t(position - 1))));
}

void Recordset::AddNew() {
    d_->requireUpdatable();
    addRow(*d_);
}

void Recordset::Update() { d_->requireUpdatable(); }

void Recordset::UpdateBatch(int affectRecords) {
    d_->requireUpdatable();
    if (affectRecords < adAffectCurrent || affectRecords > adAffectAll)
        Fail(adErrInvalidArgument);
}

void Recordset::Delete(int affectRecords) {
    d_->requireUpdatable();
    if (affectRecords != adAffectCurrent)
        Fail(adErrInvalidArgument);
    deleteRow(*d_->store, d_->current());
}

RecordsetPtr Recordset::Clone(int lockType) const {
    d_->requireOpen();
    auto clone = std::make_shared<Recordset>();
    clone->cursorType_ = cursorType_;
    clone->lockType_ = lockType == adLockUnspecified ? lockType_ : lockType;
    clone->d_->attach(d_->store);
    clone->d_->toFirst();
    return clone;
}

void Recordset::setFilter(const QString& criteria) {
    d_->requireOpen();
    auto parsed = detail::Criteria::Parse(criteria, d_->store->fields);
    d_->applyView(std::move(parsed), d_->sortKeys);
    filter_ = criteria;
    d_->notify(Change::Reset);
}

void Recordset::setSort(const QString& order) {
    d_->requireOpen();
    auto keys = detail::ParseSort(order, d_->store->fields);
    d_->applyView(d_->criteria, std::move(keys));
    sort_ = order;
    d_->notify(Change::Reset);
}

void Recordset::Requery() {
    d_->requireOpen();
    Store& s = *d_->store;
    if (!s.reader)
        Fail(adErrIllegalOperation);
    s.load(s.reader());
    // Every recordset over these rows takes its filter and sort to the new
    // rows; one that no longer applies is dropped.
    std::optional<vb::Error> failure;
    for (Impl* v : s.views) {
        try {
            v->applyView(detail::Criteria::Parse(v->self->filter_, s.fields), detail::ParseSort(v->self->sort_, s.fields));
        } catch (const vb::Error& e) {
            v->applyView(nullptr, {});
            v->self->filter_.clear();
            v->self->sort_.clear();
            if (v == d_.get())
                failure = e;
        }
    }
    s.broadcast(Change::Reset);
    if (failure)
        throw *failure;
}

void Recordset::setPageSize(long size) {
    if (size < 1)
        Fail(adErrInvalidArgument);
    pageSize_ = size;
}

long Recordset::PageCount() const {
    d_->requireOpen();
    long n = long(d_->order().live());
    return (n + pageSize_ - 1) / pageSize_;
}

long Recordset::AbsolutePage() const {
    long position = AbsolutePosition();
    return position > 0 ? (position - 1) / pageSize_ + 1 : position;
}

void Recordset::setAbsolutePage(long page) {
    d_->requireOpen();
    if (page < 1 || page > PageCount())
        Fail(adErrInvalidArgument);
    setAbsolutePosition((page - 1) * pageSize_ + 1);
}

vb::Variant Recordset::ValueAt(long row, int field) const {
    d_->requireOpen();
    const RowOrder& o = d_->order();
    if (row < 0 || row >= long(o.live()))
        Fail(adErrInvalidArgument);
    if (field < 0 || field >= int(d_->store->fields.size()))
        Fail(adErrItemNotFound);
    return o.at(o.select(std::size_t(row)))->values[std::size_t(field)];
}

int Recordset::Subscribe(ChangeListener listener) {
    int id = d_->nextListener++;
    d_->listeners[id] = std::make_shared<const ChangeListener>(std::move(listener));
    return id;
}

void Recordset::Unsubscribe(int id) { d_->listeners.erase(id); }

// ---- Fields ----

int Fields::Count() const { return int(rs_->d_->fields().size()); }

Field Fields::Item(int index) const {
    if (index < 0 || index >= Count())
        Fail(adErrItemNotFound);
    return Field(rs_, index);
}

Field Fields::Item(const QString& name) const {
    int index = rs_->d_->findField(name);
    if (index < 0)
        Fail(adErrItemNotFound);
    return Field(rs_, index);
}

void Fields::Append(const QString& name, int type, int definedSize) const {
    Recordset::Impl& d = *rs_->d_;
    if (d.store)
        Fail(adErrIllegalOperation);
    if (name.isEmpty() || definedSize < 0)
        Fail(adErrInvalidArgument);
    if (d.appendedNames.contains(name))
        Fail(adErrObjectInCollection);
    d.appendedNames.add(name, int(d.appended.size()));
    d.appended.push_back(FieldInfo{name, type, definedSize});
}

// A field taken before the recordset was read again may be gone.
const FieldInfo& Field::info() const {
    const auto& fields = rs_->d_->fields();
    if (index_ >= int(fields.size()))
        Fail(adErrItemNotFound);
    return fields[std::size_t(index_)];
}

QString Field::Name() const { return info().name; }

int Field::Type() const { return info().type; }

int Field::DefinedSize() const { return info().definedSize; }

vb::Variant Field::Value() const {
    const Row& row = rs_->d_->current();
    info();
    return row.values[std::size_t(index_)];
}

void Field::setValue(const vb::Variant& value) const {
    Recordset::Impl& d = *rs_->d_;
    d.requireUpdatable();
    Row& row = d.current();
    row.values[std::size_t(index_)] = convert(value, info());
    d.store->broadcast(Change::ValueChanged);
}

} // namespace ado
