#include "platform/ado/rowstore.h"

#include "platform/vb/strings.h"

#include <algorithm>

namespace ado::detail {

RowPtr::RowPtr(const RowPtr& other) noexcept : row_(other.row_) {
    if (row_)
        row_->refs_.fetch_add(1, std::memory_order_relaxed);
}

RowPtr::~RowPtr() {
    if (row_ && row_->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete row_;
}

RowPtr Row::make() { return RowPtr(new Row); }

int FindField(const std::vector<FieldInfo>& fields, const QString& name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (vb::SameName(fields[i].name, name))
            return int(i);
    return -1;
}

namespace {
std::size_t lowBit(std::size_t i) { return i & (~i + 1); }
} // namespace

void LiveCounts::reset(std::size_t n) {
    tree_.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        tree_[i] += 1;
        std::size_t parent = i + lowBit(i);
        if (parent <= n)
            tree_[parent] += tree_[i];
    }
}

void LiveCounts::push(int value) {
    std::size_t i = tree_.size();
    tree_.push_back(int(value + prefix(i - 1) - prefix(i - lowBit(i))));
}

void LiveCounts::add(std::size_t index, int delta) {
    for (std::size_t i = index + 1; i < tree_.size(); i += lowBit(i))
        tree_[i] += delta;
}

std::size_t LiveCounts::prefix(std::size_t count) const {
    std::size_t sum = 0;
    for (std::size_t i = count; i > 0; i -= lowBit(i))
        sum += std::size_t(tree_[i]);
    return sum;
}

std::size_t LiveCounts::select(std::size_t k) const {
    std::size_t n = tree_.size() - 1, pos = 0, step = 1;
    while (step * 2 <= n)
        step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step <= n && std::size_t(tree_[pos + step]) <= k) {
            pos += step;
            k -= std::size_t(tree_[pos]);
        }
    }
    return pos;
}

void RowOrder::assign(std::vector<RowPtr> rows) {
    rows_ = std::move(rows);
    reindex();
}

void RowOrder::reindex() {
    counts_.reset(rows_.size());
    live_ = rows_.size();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i]->deleted) {
            counts_.add(i, -1);
            --live_;
        }
    }
    bySeq_ = std::is_sorted(rows_.begin(), rows_.end(),
                            [](const RowPtr& a, const RowPtr& b) { return a->seq < b->seq; });
    where_.clear();
    if (!bySeq_)
        for (std::size_t i = 0; i < rows_.size(); ++i)
            where_[rows_[i].get()] = i;
}

void RowOrder::append(RowPtr row) {
    bool inSeq = bySeq_ && (rows_.empty() || rows_.back()->seq < row->seq);
    if (!bySeq_)
        where_[row.get()] = rows_.size();
    rows_.push_back(std::move(row));
    counts_.push(1);
    ++live_;
    if (bySeq_ && !inSeq)
        reindex();
}

std::ptrdiff_t RowOrder::find(const Row* row) const {
    if (bySeq_) {
        auto it = std::lower_bound(rows_.begin(), rows_.end(), row->seq,
                                   [](const RowPtr& r, std::uint64_t seq) { return r->seq < seq; });
        return it != rows_.end() && it->get() == row ? it - rows_.begin() : -1;
    }
    auto it = where_.find(row);
    return it == where_.end() ? -1 : std::ptrdiff_t(it->second);
}

bool RowOrder::kill(const Row* row) {
    std::ptrdiff_t i = find(row);
    if (i < 0)
        return false;
    counts_.add(std::size_t(i), -1);
    --live_;
    return true;
}

std::ptrdiff_t RowOrder::nextLive(std::size_t i) const {
    if (i < rows_.size() && alive(i))
        return std::ptrdiff_t(i);
    std::size_t before = rank(std::min(i, rows_.size()));
    return before >= live_ ? std::ptrdiff_t(rows_.size()) : std::ptrdiff_t(select(before));
}

std::ptrdiff_t RowOrder::previousLive(std::ptrdiff_t i) const {
    if (i < 0)
        return -1;
    if (std::size_t(i) < rows_.size() && alive(std::size_t(i)))
        return i;
    std::size_t before = rank(std::min(std::size_t(i), rows_.size()));
    return before == 0 ? -1 : std::ptrdiff_t(select(before - 1));
}

std::vector<RowPtr> RowOrder::liveRows() const {
    std::vector<RowPtr> out;
    out.reserve(live_);
    for (const RowPtr& r : rows_)
        if (!r->deleted)
            out.push_back(r);
    return out;
}

bool RowOrder::wantsCompaction() const {
    std::size_t dead = rows_.size() - live_;
    return dead > 1024 && dead > live_;
}

void RowOrder::compact(const std::function<bool(const Row*)>& keep, const std::vector<std::ptrdiff_t*>& positions) {
    std::vector<std::ptrdiff_t> old;
    old.reserve(positions.size());
    for (std::ptrdiff_t* p : positions)
        old.push_back(*p);
    std::vector<RowPtr> kept;
    kept.reserve(live_ + positions.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        for (std::size_t p = 0; p < positions.size(); ++p)
            if (old[p] == std::ptrdiff_t(i))
                *positions[p] = std::ptrdiff_t(kept.size());
        if (alive(i) || keep(rows_[i].get()))
            kept.push_back(rows_[i]);
    }
    assign(std::move(kept));
}

} // namespace ado::detail
