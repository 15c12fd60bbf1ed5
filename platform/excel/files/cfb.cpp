#include "platform/excel/files/cfb.h"

#include "platform/excel/files/bytes.h"

#include <limits>
#include <vector>

namespace excel::files {

namespace {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr int kSector = 512;
constexpr uint32_t kMiniCutoff = 4096;
constexpr int kHeaderDifat = 109;
const char kSignature[8] = {char(0xD0), char(0xCF), char(0x11), char(0xE0),
                            char(0xA1), char(0xB1), char(0x1A), char(0xE1)};

void directoryEntry(ByteWriter& w, const QString& name, uint8_t type, uint32_t child, uint32_t start,
                    uint32_t size) {
    qsizetype begin = w.size();
    if (!name.isEmpty()) {
        for (QChar c : name.left(31))
            w.u16(c.unicode());
        w.u16(0);
    }
    w.zeros(64 - (w.size() - begin));
    w.u16(name.isEmpty() ? 0 : uint16_t((std::min<qsizetype>(name.size(), 31) + 1) * 2));
    w.u8(type);
    w.u8(1);  // black: a tree of one node per level needs no balancing
    w.u32(kNoStream);
    w.u32(kNoStream);
    w.u32(child);
    w.zeros(16 + 4 + 8 + 8);  // class id, state bits, creation and modification times
    w.u32(start);
    w.u32(size);
    w.u32(0);
}

} // namespace

bool IsCompoundFile(const QByteArray& head) {
    return head.size() >= 8 && std::memcmp(head.constData(), kSignature, 8) == 0;
}

QByteArray BuildCompoundFile(const QString& streamName, const QByteArray& stream) {
    QByteArray content = stream;
    if (content.size() < qsizetype(kMiniCutoff))
        content.append(kMiniCutoff - content.size(), '\0');
    const uint32_t streamSectors = uint32_t((content.size() + kSector - 1) / kSector);
    const uint32_t entriesPerSector = kSector / 4;

    // The FAT covers every sector, its own and the DIFAT's included.
    uint32_t fatSectors = 1;
    uint32_t difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > kHeaderDifat ? (fatSectors - kHeaderDifat + 126) / 127 : 0;
        if (fatSectors * entriesPerSector >= streamSectors + 1 + fatSectors + difatSectors)
            break;
        ++fatSectors;
    }
    const uint32_t directorySector = streamSectors;
    const uint32_t firstFat = directorySector + 1;
    const uint32_t firstDifat = firstFat + fatSectors;

    std::vector<uint32_t> fat(size_t(fatSectors) * entriesPerSector, kFree);
    for (uint32_t s = 0; s < streamSectors; ++s)
        fat[s] = s + 1 < streamSectors ? s + 1 : kEndOfChain;
    fat[directorySector] = kEndOfChain;
    for (uint32_t s = 0; s < fatSectors; ++s)
        fat[firstFat + s] = kFatSector;
    for (uint32_t s = 0; s < difatSectors; ++s)
        fat[firstDifat + s] = kDifatSector;

    ByteWriter w;
    w.reserve(qsizetype(firstDifat + difatSectors + 1) * kSector);
    w.bytes(kSignature, 8);
    w.zeros(16);
    w.u16(0x003E);  // minor version
    w.u16(0x0003);  // major version: 512-byte sectors
    w.u16(0xFFFE);  // little-endian
    w.u16(9);       // sector size 2^9
    w.u16(6);       // mini sector size 2^6
    w.zeros(6);
    w.u32(0);  // directory sectors (always 0 in version 3)
    w.u32(fatSectors);
    w.u32(directorySector);
    w.u32(0);  // transaction signature
    w.u32(kMiniCutoff);
    w.u32(kEndOfChain);  // no mini FAT
    w.u32(0);
    w.u32(difatSectors ? firstDifat : kEndOfChain);
    w.u32(difatSectors);
    for (uint32_t i = 0; i < kHeaderDifat; ++i)
        w.u32(i < fatSectors ? firstFat + i : kFree);

    w.bytes(content.constData(), content.size());
    w.zeros(qsizetype(streamSectors) * kSector - content.size());

    directoryEntry(w, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    directoryEntry(w, streamName, 2, kNoStream, 0, uint32_t(content.size()));
    directoryEntry(w, {}, 0, kNoStream, 0, 0);
    directoryEntry(w, {}, 0, kNoStream, 0, 0);

    for (uint32_t entry : fat)
        w.u32(entry);

    uint32_t nextFat = kHeaderDifat;
    for (uint32_t d = 0; d < difatSectors; ++d) {
        for (uint32_t i = 0; i < 127; ++i, ++nextFat)
            w.u32(nextFat < fatSectors ? firstFat + nextFat : kFree);
        w.u32(d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }
    return w.data();
}

namespace {

class CompoundReader {
public:
    explicit CompoundReader(const QByteArray& file) : file_(file) {}

    bool open() {
        if (file_.size() < 512 || !IsCompoundFile(file_))
            return false;
        const char* h = file_.constData();
        const uint16_t shift = Get16(h + 30);
        const uint16_t miniShift = Get16(h + 32);
        if ((shift != 9 && shift != 12) || miniShift != 6)
            return false;
        sectorSize_ = 1 << shift;
        miniSectorSize_ = 1 << miniShift;
        if (file_.size() < sectorSize_ * 2)
            return false;
        const uint32_t fatCount = Get32(h + 44);
        directoryStart_ = Get32(h + 48);
        miniCutoff_ = Get32(h + 56);
        miniFatStart_ = Get32(h + 60);
        uint32_t difat = Get32(h + 68);
        const uint32_t difatCount = Get32(h + 72);
        if (fatCount == 0 || fatCount > sectorCount() || difatCount > sectorCount())
            return false;

        std::vector<uint32_t> fatSectors;
        for (int i = 0; i < kHeaderDifat && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(Get32(h + 76 + 4 * i));
        const uint32_t perSector = uint32_t(sectorSize_ / 4);
        for (uint32_t d = 0; d < difatCount && fatSectors.size() < fatCount; ++d) {
            const char* s = sector(difat);
            if (!s)
                return false;
            for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(Get32(s + 4 * i));
            difat = Get32(s + 4 * (perSector - 1));
        }
        if (fatSectors.size() < fatCount)
            return false;
        fat_.reserve(size_t(fatSectors.size()) * perSector);
        for (uint32_t fs : fatSectors) {
            const char* s = sector(fs);
            if (!s)
                return false;
            for (uint32_t i = 0; i < perSector; ++i)
                fat_.push_back(Get32(s + 4 * i));
        }
        auto directory = bigChain(directoryStart_, std::numeric_limits<qsizetype>::max());
        if (!directory || directory->size() < 128 || uint8_t((*directory)[66]) != 5)
            return false;
        directory_ = std::move(*directory);
        return true;
    }

    QStringList names() const {
        QStringList out;
        for (qsizetype at = 128; at + 128 <= directory_.size(); at += 128)
            if (uint8_t(directory_[at + 66]) == 2)
                out << entryName(directory_.constData() + at);
        return out;
    }

    std::optional<QByteArray> stream(const QStringList& names) {
        const uint32_t rootStart = Get32(directory_.constData() + 116);
        const uint32_t rootSize = Get32(directory_.constData() + 120);
        for (const QString& wanted : names) {
            for (qsizetype at = 128; at + 128 <= directory_.size(); at += 128) {
                const char* e = directory_.constData() + at;
                if (uint8_t(e[66]) != 2 || entryName(e).compare(wanted, Qt::CaseInsensitive) != 0)
                    continue;
                const uint32_t start = Get32(e + 116);
                const uint32_t size = Get32(e + 120);
                std::optional<QByteArray> data = size < miniCutoff_ ? miniStream(rootStart, rootSize, start, size)
                                                                    : bigChain(start, size);
                if (!data || data->size() < qsizetype(size))
                    return std::nullopt;
                data->truncate(size);
                return data;
            }
        }
        return std::nullopt;
    }

private:
    static QString entryName(const char* e) {
        const int length = std::min<int>(Get16(e + 64) / 2, 32) - 1;
        QString name;
        for (int i = 0; i < length; ++i)
            name += QChar(Get16(e + 2 * i));
        return name;
    }

    uint32_t sectorCount() const { return uint32_t(file_.size() / sectorSize_ - 1); }

    const char* sector(uint32_t index) const {
        if (index >= sectorCount())
            return nullptr;
        return file_.constData() + qsizetype(index + 1) * sectorSize_;
    }

    // Follows a chain of a FAT until it ends or has given `wanted` bytes. A
    // chain longer than the sectors there are loops, and fails.
    template <typename SectorOf>
    static std::optional<QByteArray> chain(uint32_t start, const std::vector<uint32_t>& table, size_t sectors,
                                           SectorOf sectorOf, int size, qsizetype wanted) {
        QByteArray out;
        uint32_t s = start;
        for (size_t steps = 0; s != kEndOfChain && out.size() < wanted; ++steps) {
            if (steps >= sectors || s >= table.size())
                return std::nullopt;
            const char* p = sectorOf(s);
            if (!p)
                return std::nullopt;
            out.append(p, size);
            s = table[s];
        }
        return out;
    }

    std::optional<QByteArray> bigChain(uint32_t start, qsizetype wanted) const {
        return chain(start, fat_, sectorCount(), [this](uint32_t s) { return sector(s); }, sectorSize_, wanted);
    }

    std::optional<QByteArray> miniStream(uint32_t rootStart, uint32_t rootSize, uint32_t start, uint32_t size) {
        if (size == 0)
            return QByteArray();
        auto container = bigChain(rootStart, rootSize);
        auto miniFatBytes = bigChain(miniFatStart_, std::numeric_limits<qsizetype>::max());
        if (!container || !miniFatBytes)
            return std::nullopt;
        container->truncate(std::min<qsizetype>(container->size(), rootSize));
        std::vector<uint32_t> miniFat;
        miniFat.reserve(size_t(miniFatBytes->size() / 4));
        for (qsizetype i = 0; i + 4 <= miniFatBytes->size(); i += 4)
            miniFat.push_back(Get32(miniFatBytes->constData() + i));
        const QByteArray& mini = *container;
        const int unit = miniSectorSize_;
        return chain(start, miniFat, size_t(mini.size() / unit),
                     [&mini, unit](uint32_t s) -> const char* {
                         qsizetype at = qsizetype(s) * unit;
                         return at + unit <= mini.size() ? mini.constData() + at : nullptr;
                     },
                     unit, size);
    }

    const QByteArray& file_;
    int sectorSize_ = 512;
    int miniSectorSize_ = 64;
    uint32_t directoryStart_ = 0;
    uint32_t miniCutoff_ = kMiniCutoff;
    uint32_t miniFatStart_ = kEndOfChain;
    std::vector<uint32_t> fat_;
    QByteArray directory_;
};

} // namespace

std::optional<QByteArray> ReadCompoundStream(const QByteArray& file, const QStringList& names) {
    CompoundReader reader(file);
    if (!reader.open())
        return std::nullopt;
    return reader.stream(names);
}

std::optional<QStringList> CompoundStreamNames(const QByteArray& file) {
    CompoundReader reader(file);
    if (!reader.open())
        return std::nullopt;
    return reader.names();
}

} // namespace excel::files
