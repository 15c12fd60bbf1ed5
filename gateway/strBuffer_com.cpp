#include "gateway/strBuffer_com.h"

#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace strBuffer_com {

namespace {

struct Slot {
    // The text in use, as its UTF-8 while every piece was whole; as UTF-16
    // once a piece held a half of a surrogate pair alone, which UTF-8
    // cannot keep. Either holds room for at least the capacity's
    // characters, so that appends within the capacity copy nothing.
    QByteArray bytes;
    QString text;
    bool wide = false;
    qint32 length = 0;
    qint32 capacity = 0;
    bool used = false;
};

// Appends the UTF-8 of a text; false, with nothing appended, for a text
// holding a half of a surrogate pair alone.
bool appendUtf8(QByteArray& bytes, QStringView text) {
    const qsizetype start = bytes.size();
    bytes.resize(start + 3 * text.size());
    char* out = bytes.data() + start;
    const QChar* in = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c < 0x80) {
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && in[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, in[++i].unicode());
            *out++ = char(0xF0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3F));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        } else {
            bytes.truncate(start);
            return false;
        }
    }
    bytes.truncate(out - bytes.constData());
    return true;
}

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
    const qint64 needed = qint64(s.length) + text.size();
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
    if (!s.wide) {
        const qsizetype room = qsizetype(s.capacity) + s.bytes.size() - s.length;
        if (s.bytes.capacity() < room)
            s.bytes.reserve(std::max<qsizetype>(room, 2 * s.bytes.capacity()));
        if (appendUtf8(s.bytes, text)) {
            s.length += qint32(text.size());
            return;
        }
        s.text = QString::fromUtf8(s.bytes);
        s.bytes = QByteArray();
        s.wide = true;
    }
    if (s.text.capacity() < s.capacity)
        s.text.reserve(std::max<qsizetype>(s.capacity, 2 * s.text.capacity()));
    s.text += text;
    s.length += qint32(text.size());
}

QString BufferText(qint32 slot) {
    const Slot& s = peek(slot);
    return s.wide ? s.text : QString::fromUtf8(s.bytes);
}

QByteArray BufferUtf8(qint32 slot) {
    const Slot& s = peek(slot);
    return s.wide ? s.text.toUtf8() : s.bytes;
}

void FreeBuffer(qint32 slot) {
    checkRange(slot);
    if (std::size_t(slot) < thePool().size())
        thePool()[std::size_t(slot)] = Slot{};
}

qint32 BufferCapacity(qint32 slot) { return peek(slot).capacity; }

qint32 BufferLength(qint32 slot) { return peek(slot).length; }

bool BufferUsed(qint32 slot) { return peek(slot).used; }

} // namespace strBuffer_com
