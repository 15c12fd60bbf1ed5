#pragma once

// Little-endian byte building and reading for the binary formats.

#include <QByteArray>
#include <cstdint>
#include <cstring>

namespace excel::files {

class ByteWriter {
public:
    QByteArray& data() { return data_; }
    const QByteArray& data() const { return data_; }
    qsizetype size() const { return data_.size(); }
    void reserve(qsizetype n) { data_.reserve(n); }

    void u8(uint8_t v) { data_.append(char(v)); }
    void u16(uint16_t v) {
        char b[2] = {char(v & 0xFF), char(v >> 8)};
        data_.append(b, 2);
    }
    void u32(uint32_t v) {
        char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        data_.append(b, 4);
    }
    void f64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u32(uint32_t(bits));
        u32(uint32_t(bits >> 32));
    }
    void bytes(const char* p, qsizetype n) { data_.append(p, n); }
    void zeros(qsizetype n) { data_.append(n, '\0'); }
    void put16(qsizetype at, uint16_t v) {
        data_[at] = char(v & 0xFF);
        data_[at + 1] = char(v >> 8);
    }
    void put32(qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data_[at + i] = char((v >> (8 * i)) & 0xFF);
    }

private:
    QByteArray data_;
};

inline uint16_t Get16(const char* p) {
    return uint16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8));
}
inline uint32_t Get32(const char* p) {
    return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16)
           | (uint32_t(uint8_t(p[3])) << 24);
}
inline double GetF64(const char* p) {
    uint64_t bits = uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

} // namespace excel::files
