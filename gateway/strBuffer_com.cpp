#include "gateway/strBuffer_com.h"

#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace strBuffer_com {

namespace {

struct Slot {
    // The text in use; its reserved room is at least the capacity, so that
    // appends within the capacity copy nothing.
    QString text;
    qint32 capacity = 0;
    bool used = false;
};

// Slots come into being as they are first touched: the pool is numbered to
// 65000 but a session uses a handful of them.
std::vector<Slot>& thePool() {
    static std::vector<Slot> pool;
    return pool;
}

void checkRange(qint32 slot) {
    if (slot < 0 || slot >= kSlotCount)
        vb::Raise(vb::errSubscript);
}

Slot& at(qint32 slot) {
    checkRange(slot);
    std::vector<Slot>& pool = thePool();
    if (std::size_t(slot) >= pool.size())
        pool.resize(std::size_t(slot) + 1);
    return pool[std::size_t(slot)];
}

// A slot never touched reads as a free, empty one.
const Slot& peek(qint32 slot) {
    checkRange(slot);
    static const Slot untouched;
    const std::vector<Slot>& pool = thePool();
    return std::size_t(slot) < pool.size() ? pool[std::size_t(slot)] : untouched;
}

} // namespace

qint32 AllocBuffer() {
    std::vector<Slot>& pool = thePool();
    for (std::size_t i = 0; i < pool.size(); ++i) {
        if (!pool[i].used) {
            pool[i].used = true;
            return qint32(i);
        }
    }
    if (pool.size() == std::size_t(kSlotCount))
        return 0;
    pool.emplace_back().used = true;
    return qint32(pool.size() - 1);
}

void AppendToBuffer(const QString& text, const qint32& slot) {
    Slot& s = at(slot);
    if (vb::Trim(text).isEmpty())
        return;
    const qint64 needed = qint64(s.text.size()) + text.size();
    if (needed > s.capacity) {
        const qint64 steps = (needed - s.capacity + kCapacityStep - 1) / kCapacityStep;
        const qint64 capacity = s.capacity + steps * kCapacityStep;
        if (capacity > qint64(std::numeric_limits<qint32>::max()))
            vb::Raise(vb::errOverflow);
        s.capacity = qint32(capacity);
    }
    // After BufferText handed the text out, the first append detaches it;
    // keep the room so that the appends after it stay in place. The room
    // itself grows by doubling: a document of a hundred megabytes moved at
    // every step of the capacity would be moved thousands of times.
    if (s.text.capacity() < s.capacity)
        s.text.reserve(std::max<qsizetype>(s.capacity, 2 * s.text.capacity()));
    s.text += text;
}

QString BufferText(qint32 slot) { return peek(slot).text; }

void FreeBuffer(qint32 slot) {
    checkRange(slot);
    if (std::size_t(slot) < thePool().size())
        thePool()[std::size_t(slot)] = Slot{};
}

qint32 BufferCapacity(qint32 slot) { return peek(slot).capacity; }

qint32 BufferLength(qint32 slot) { return qint32(peek(slot).text.size()); }

bool BufferUsed(qint32 slot) { return peek(slot).used; }

} // namespace strBuffer_com
