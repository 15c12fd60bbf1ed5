#pragma once

#include "platform/ado/provider.h"
#include "platform/vb/variant.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

// The rows behind recordsets and their clones, and the orders in which each
// recordset walks them. Nothing here is exported: the recordset is the
// interface.
namespace ado::detail {

class Row;

// A row held: the row counts its holders (the recordsets' orders that walk
// it) and is gone with the last.
class RowPtr {
public:
    RowPtr() = default;
    RowPtr(const RowPtr& other) noexcept;
    RowPtr(RowPtr&& other) noexcept : row_(other.row_) { other.row_ = nullptr; }
    RowPtr& operator=(RowPtr other) noexcept {
        std::swap(row_, other.row_);
        return *this;
    }
    ~RowPtr();

    Row* get() const { return row_; }
    Row& operator*() const { return *row_; }
    Row* operator->() const { return row_; }
    explicit operator bool() const { return row_ != nullptr; }

private:
    friend class Row;
    explicit RowPtr(Row* adopted) : row_(adopted) {}
    Row* row_ = nullptr;
};

// A row. Tables of a million rows hold a million of them: a row counts
// its holders itself rather than through a block of its own.
class Row {
public:
    static RowPtr make();
    Row(const Row&) = delete;
    Row& operator=(const Row&) = delete;

    std::vector<vb::Variant> values;
    std::uint64_t seq = 0;   // order of addition, increasing
    bool deleted = false;

private:
    friend class RowPtr;
    Row() = default;
    ~Row() = default;
    std::atomic<std::uint32_t> refs_{1};
};

// The position of a field by name, letter case ignored; -1 when missing.
int FindField(const std::vector<FieldInfo>& fields, const QString& name);

// Counts of live entries, for the n-th live row and the rank of an entry in
// logarithmic time while rows come and go.
class LiveCounts {
public:
    void reset(std::size_t n);          // n entries, all live
    void push(int value);
    void add(std::size_t index, int delta);
    std::size_t prefix(std::size_t count) const;   // live among the first count
    std::size_t select(std::size_t k) const;       // entry of the k-th live one
private:
    std::vector<int> tree_{0};   // 1-based
};

// Rows in the order one recordset walks them. A deleted row stays as a dead
// entry, so that positions survive deletions made elsewhere; dead entries
// are dropped once they outnumber the live ones.
class RowOrder {
public:
    void assign(std::vector<RowPtr> rows);
    void append(RowPtr row);
    // Marks the entry of a row just deleted; false when it is not here.
    bool kill(const Row* row);

    std::size_t size() const { return rows_.size(); }
    std::size_t live() const { return live_; }
    const RowPtr& at(std::size_t i) const { return rows_[i]; }
    bool alive(std::size_t i) const { return !rows_[i]->deleted; }
    std::size_t rank(std::size_t i) const { return counts_.prefix(i); }
    std::size_t select(std::size_t k) const { return counts_.select(k); }
    // The first live entry at or after i (size() when none), the last at or
    // before i (-1 when none).
    std::ptrdiff_t nextLive(std::size_t i) const;
    std::ptrdiff_t previousLive(std::ptrdiff_t i) const;
    std::vector<RowPtr> liveRows() const;

    bool wantsCompaction() const;
    // Drops the dead entries that keep does not hold on to; the positions
    // (entry indexes, or values outside 0..size-1 that stand for BOF/EOF)
    // follow their entries.
    void compact(const std::function<bool(const Row*)>& keep, const std::vector<std::ptrdiff_t*>& positions);

private:
    std::ptrdiff_t find(const Row* row) const;
    void reindex();

    std::vector<RowPtr> rows_;
    LiveCounts counts_;
    std::size_t live_ = 0;
    // Rows added in order keep increasing seq numbers and are found by
    // bisection; a sorted order needs a map.
    bool bySeq_ = true;
    std::unordered_map<const Row*, std::size_t> where_;
};

} // namespace ado::detail
