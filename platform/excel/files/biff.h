#pragma once

// Records of the binary workbook format (BIFF8) as the writer builds them
// and the reader scans them.

#include "platform/excel/files/bytes.h"

#include <QString>

namespace excel::files::biff {

enum Record : uint16_t {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodepage = 0x0042,
    kWindow1 = 0x003D,
    kDateMode = 0x0022,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kPalette = 0x0092,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimension = 0x0200,
    kRow = 0x0208,
    kLabelSst = 0x00FD,
    kLabel = 0x0204,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kBlank = 0x0201,
    kMulBlank = 0x00BE,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kString = 0x0207,
    kWindow2 = 0x023E,
    kMergedCells = 0x00E5,
};

constexpr int kMaxRecordData = 8224;
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsStream = 0x0005;
constexpr uint16_t kSheetStream = 0x0010;
constexpr uint16_t kAutomaticColor = 0x7FFF;

// Records are written as a header whose length is filled in when the record
// ends.
class RecordWriter : public ByteWriter {
public:
    qsizetype begin(uint16_t type) {
        qsizetype at = size();
        u16(type);
        u16(0);
        return at;
    }
    void end(qsizetype at) { put16(at + 2, uint16_t(size() - at - 4)); }

    // A BOF record opening a globals or sheet substream.
    void bof(uint16_t streamType) {
        qsizetype r = begin(kBof);
        u16(kBiff8);
        u16(streamType);
        u16(0x0DBB);  // build
        u16(0x07CC);  // year
        u32(0);
        u32(0x06);  // lowest version that can read the file: BIFF8
        end(r);
    }
    void eof() { end(begin(kEof)); }

    // Characters of a string, one byte each when every one fits into Latin-1.
    static bool needsWide(QStringView text) {
        for (QChar c : text)
            if (c.unicode() > 0xFF)
                return true;
        return false;
    }
    void chars(const QChar* p, qsizetype n, bool wide) {
        if (wide) {
            for (qsizetype i = 0; i < n; ++i)
                u16(p[i].unicode());
        } else {
            QByteArray narrow(n, Qt::Uninitialized);
            for (qsizetype i = 0; i < n; ++i)
                narrow[i] = char(p[i].unicode());
            bytes(narrow.constData(), n);
        }
    }
    // A string with a one-byte (short) or two-byte character count.
    void unicodeString(const QString& text, bool shortCount) {
        bool wide = needsWide(text);
        if (shortCount)
            u8(uint8_t(text.size()));
        else
            u16(uint16_t(text.size()));
        u8(wide ? 1 : 0);
        chars(text.constData(), text.size(), wide);
    }
};

} // namespace excel::files::biff
