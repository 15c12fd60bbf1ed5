// Reading the binary workbook format: BIFF8 (Excel 97 to 2003, and what
// LibreOffice, SheetJS and our own writer write) and BIFF5/BIFF7 (Excel 5
// and 95), from the "Workbook" or "Book" stream of the compound file,
// whether that stream lies in the big sectors or in the mini stream.
//
// Every record's length is checked against the stream, every count against
// the record, every offset against the stream: a damaged file is refused or
// read as far as it makes sense, never read outside its bytes.
//
// Texts that do not fit into one record go on in CONTINUE records: the
// shared-string table, a formula's text result (STRING) and long LABEL
// cells. A string's characters may break at a record boundary; the
// continuing record then starts with the string's option byte again
// (characters of one or two bytes may change there).
//
// Values: texts, numbers (NUMBER, RK, MULRK), booleans and errors (BOOLERR),
// the last results of formulas (FORMULA, with the text result in the STRING
// record after it), blank cells that carry a font (BLANK, MULBLANK). Numbers
// under a number format that shows a date or time are dates, in the 1900 or
// the 1904 date system (DATEMODE). Fonts (bold, colour with the file's
// palette), column widths and merged ranges are read too. Formulas keep
// their expression where formula_biff.cpp can put it into words.

#include "platform/excel/files/biff.h"
#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/files/formula.h"

#include "platform/vb/error.h"

#include <QFile>
#include <map>
#include <vector>

namespace excel::files {

namespace {

using namespace biff;

constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kRString = 0x00D6;
constexpr uint16_t kSharedFormula = 0x04BC;
constexpr uint16_t kArray = 0x0221;
constexpr uint16_t kTable = 0x0236;
constexpr uint16_t kExternSheet = 0x0017;
constexpr uint16_t kSupBook = 0x01AE;
constexpr uint16_t kExternName = 0x0023;
constexpr uint16_t kName = 0x0018;
constexpr uint16_t kBiff5 = 0x0500;
constexpr uint16_t kWorksheetType = 0x0010;

// A record and the CONTINUE records after it, as one run of bytes; `breaks`
// are the offsets at which a continuing record began.
struct Record {
    uint16_t type = 0;
    QByteArray data;
    std::vector<qsizetype> breaks;
};

// Reads the records of a stream from an offset on.
class RecordStream {
public:
    RecordStream(const QByteArray& stream, qsizetype at) : s_(stream), pos_(at) {}

    // The next record, with its CONTINUE records joined when `joined` says
    // so for its type; false at the end of the stream or at a record that
    // runs past it.
    template <typename Joined>
    bool next(Record& r, Joined joined) {
        uint16_t length = 0;
        if (!header(r.type, length))
            return false;
        r.data = QByteArray(s_.constData() + pos_ + 4, length);
        r.breaks.clear();
        pos_ += 4 + length;
        if (!joined(r.type))
            return true;
        uint16_t type = 0;
        while (header(type, length) && type == kContinue) {
            r.breaks.push_back(r.data.size());
            r.data.append(s_.constData() + pos_ + 4, length);
            pos_ += 4 + length;
        }
        return true;
    }

private:
    bool header(uint16_t& type, uint16_t& length) const {
        if (pos_ < 0 || pos_ + 4 > s_.size())
            return false;
        type = Get16(s_.constData() + pos_);
        length = Get16(s_.constData() + pos_ + 2);
        return pos_ + 4 + length <= s_.size();
    }

    const QByteArray& s_;
    qsizetype pos_;
};

// Reads a record's fields; reading past its end sets `bad` and gives zeros.
class Cursor {
public:
    explicit Cursor(const Record& r, qsizetype at = 0) : r_(r), pos_(at) {}

    bool bad() const { return bad_; }
    qsizetype left() const { return r_.data.size() - pos_; }
    qsizetype position() const { return pos_; }

    uint8_t u8() { return need(1) ? uint8_t(r_.data[pos_++]) : 0; }
    uint16_t u16() {
        if (!need(2))
            return 0;
        pos_ += 2;
        return Get16(r_.data.constData() + pos_ - 2);
    }
    uint32_t u32() {
        if (!need(4))
            return 0;
        pos_ += 4;
        return Get32(r_.data.constData() + pos_ - 4);
    }
    double f64() {
        if (!need(8))
            return 0;
        pos_ += 8;
        return GetF64(r_.data.constData() + pos_ - 8);
    }
    QByteArray bytes(qsizetype n) {
        if (!need(n))
            return {};
        pos_ += n;
        return r_.data.mid(pos_ - n, n);
    }
    void skip(qsizetype n) {
        if (need(n))
            pos_ += n;
    }

    // A BIFF8 string: its character count (one byte or two), its option
    // byte, the counts of its formatting runs and phonetic data, the
    // characters (which may break over continuing records), then the runs
    // and the phonetic data, skipped.
    QString unicodeString(bool shortCount) {
        const int count = shortCount ? u8() : u16();
        return unicodeChars(count);
    }
    QString unicodeChars(int count) {
        const uint8_t options = u8();
        const int runs = options & 0x08 ? u16() : 0;
        const uint32_t phonetic = options & 0x04 ? u32() : 0;
        QString text = chars(count, options & 0x01);
        skip(qsizetype(runs) * 4);
        skip(phonetic);
        return text;
    }
    // A BIFF5 string: one or two bytes of count, then bytes in the code page.
    QString byteString(bool shortCount, int codepage) {
        const int count = shortCount ? u8() : u16();
        return DecodeCodePage(bytes(std::min<qsizetype>(count, std::max<qsizetype>(left(), 0))), codepage);
    }

private:
    bool need(qsizetype n) {
        if (n >= 0 && pos_ + n <= r_.data.size())
            return true;
        bad_ = true;
        pos_ = r_.data.size();
        return false;
    }

    qsizetype nextBreak() const {
        for (qsizetype b : r_.breaks)
            if (b > pos_)
                return b;
        return r_.data.size();
    }

    QString chars(int count, bool wide) {
        QString text;
        text.reserve(count);
        while (count > 0 && !bad_) {
            const qsizetype end = nextBreak();
            const int size = wide ? 2 : 1;
            const qsizetype fit = std::min<qsizetype>(count, (end - pos_) / size);
            const char* p = r_.data.constData() + pos_;
            for (qsizetype i = 0; i < fit; ++i)
                text += wide ? QChar(Get16(p + 2 * i)) : QChar(uint8_t(p[i]));
            pos_ += fit * size;
            count -= int(fit);
            if (count == 0)
                break;
            if (pos_ != end || end == r_.data.size()) {
                bad_ = true;  // the characters run past the record, or a two-byte one splits
                break;
            }
            wide = u8() & 0x01;  // a continuing record's option byte
        }
        return text;
    }

    const Record& r_;
    qsizetype pos_;
    bool bad_ = false;
};

struct Font {
    bool bold = false;
    uint16_t color = kAutomaticColor;
};

struct BoundSheet {
    uint32_t offset = 0;
    uint8_t type = 0;
    QString name;
};

struct Globals {
    bool biff8 = true;
    int codepage = 1252;
    bool date1904 = false;
    std::vector<Font> fonts;  // by font index; index 4 is never used
    std::vector<uint16_t> xfFonts, xfFormats;
    std::map<uint16_t, QString> formats;
    Palette palette = DefaultPalette();
    std::vector<BoundSheet> sheets;
    std::vector<QString> strings;
    FormulaNames names;  // what the formulas' names and external references stand for
};

class XlsReader {
public:
    XlsReader(const QString& path, const QByteArray& stream) : path_(path), s_(stream) {}

    WorkbookData read() {
        readGlobals();
        prepareStyles();
        for (const BoundSheet& bound : g_.sheets)
            g_.names.sheets << bound.name;
        WorkbookData workbook;
        for (const BoundSheet& bound : g_.sheets) {
            if (bound.type != 0)
                continue;  // chart, macro and module sheets hold no cells
            SheetData sheet;
            sheet.name = bound.name;
            readSheet(bound, sheet);
            workbook.sheets.push_back(std::move(sheet));
        }
        return workbook;
    }

private:
    static bool joinedInGlobals(uint16_t type) { return type == kSst || type == kFormat || type == kSupBook || type == kExternName || type == kName || type == kExternSheet; }
    static bool joinedInSheet(uint16_t type) { return type == kString || type == kLabel || type == kRString || type == kFormula || type == kSharedFormula || type == kArray; }

    [[noreturn]] void unreadable(const QString& detail = {}) const { RaiseUnreadable(path_, detail); }

    void readGlobals() {
        RecordStream records(s_, 0);
        Record r;
        if (!records.next(r, joinedInGlobals) || r.type != kBof || r.data.size() < 4)
            unreadable();
        const uint16_t version = Get16(r.data.constData());
        if (version == kBiff5)
            g_.biff8 = false;
        else if (version != kBiff8)
            unreadable(QStringLiteral("BIFF sürümü %1").arg(version, 4, 16, QChar(u'0')));
        g_.names.biff8 = g_.biff8;
        while (records.next(r, joinedInGlobals)) {
            if (r.type == kEof)
                return;
            globalsRecord(r);
        }
    }

    void globalsRecord(const Record& r) {
        Cursor c(r);
        switch (r.type) {
        case kFilePass:
            RaisePasswordProtected(path_);
        case kCodepage:
            g_.codepage = c.u16();
            break;
        case kDateMode:
            g_.date1904 = c.u16() != 0;
            break;
        case kFont: {
            c.skip(4);
            const uint16_t color = c.u16();
            const uint16_t weight = c.u16();
            if (c.bad())
                break;
            if (g_.fonts.size() == 4)
                g_.fonts.push_back({});  // font index 4 does not exist
            g_.fonts.push_back({weight >= 700, color});
            break;
        }
        case kXf: {
            const uint16_t font = c.u16();
            const uint16_t format = c.u16();
            if (c.bad())
                break;
            g_.xfFonts.push_back(font);
            g_.xfFormats.push_back(format);
            break;
        }
        case kFormat: {
            const uint16_t id = c.u16();
            const QString code = g_.biff8 ? c.unicodeString(false) : c.byteString(true, g_.codepage);
            if (!c.bad())
                g_.formats[id] = code;
            break;
        }
        case kPalette: {
            const int count = std::min<int>(c.u16(), int(g_.palette.size()));
            for (int i = 0; i < count; ++i) {
                const uint32_t rgb = c.u32();
                if (c.bad())
                    break;
                g_.palette[size_t(i)] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
            }
            break;
        }
        case kBoundSheet: {
            BoundSheet sheet;
            sheet.offset = c.u32();
            c.u8();  // visibility: hidden sheets are read as well
            sheet.type = c.u8();
            sheet.name = g_.biff8 ? c.unicodeString(true) : c.byteString(true, g_.codepage);
            if (c.bad() || sheet.offset >= uint32_t(s_.size()))
                unreadable(QStringLiteral("BOUNDSHEET"));
            g_.sheets.push_back(std::move(sheet));
            break;
        }
        case kSst: {
            if (!g_.biff8)
                break;
            c.u32();  // the number of cells that name a string
            const uint32_t count = c.u32();
            // A count the record cannot hold (a string takes three bytes at
            // least) is a damaged table; read what is there.
            g_.strings.reserve(std::min<size_t>(count, size_t(r.data.size() / 3)));
            for (uint32_t i = 0; i < count && c.left() > 0; ++i) {
                QString text = c.unicodeString(false);
                if (c.bad())
                    unreadable(QStringLiteral("SST"));
                g_.strings.push_back(std::move(text));
            }
            break;
        }
        case kSupBook:
        case kExternSheet:
        case kExternName:
        case kName:
            g_.names.add(r.type, r.data);
            break;
        default:
            break;
        }
    }

    void prepareStyles() {
        dateXf_.resize(g_.xfFormats.size());
        for (size_t i = 0; i < g_.xfFormats.size(); ++i) {
            const uint16_t f = g_.xfFormats[i];
            auto custom = g_.formats.find(f);
            dateXf_[i] = custom != g_.formats.end() ? IsDateFormatCode(custom->second) : IsBuiltinDateFormat(f);
        }
    }

    void style(uint16_t xf, CellData& cell) const {
        if (xf >= g_.xfFonts.size() || g_.xfFonts[xf] >= g_.fonts.size())
            return;
        const Font& font = g_.fonts[g_.xfFonts[xf]];
        cell.bold = font.bold;
        cell.color = IndexedColor(font.color, g_.palette);
    }

    bool isDate(uint16_t xf) const { return xf < dateXf_.size() && dateXf_[xf]; }

    vb::Variant number(double v, uint16_t xf) const {
        return isDate(xf) ? NumberOrDate(v, g_.date1904) : CellNumber(v);
    }

    // Writes the cell a record names with its font; a column the format
    // cannot have is left out.
    bool put(SheetData& sheet, uint16_t row, uint16_t column, uint16_t xf, vb::Variant value) const {
        if (column >= kMaxColumns)
            return false;
        CellData c;
        style(xf, c);
        c.value = std::move(value);
        sheet.set(row, column, c);
        return true;
    }

    // The format holds texts of up to 65,535 characters; a cell, half that.
    void checkLength(const QString& text, const SheetData& sheet, int row, int column) const {
        if (text.size() > kMaxTextLength)
            RaiseCellTextTooLong(path_, sheet.name, row, column);
    }

    // A blank cell is kept only for the font it shows.
    void blank(SheetData& sheet, uint16_t row, uint16_t column, uint16_t xf) const {
        CellData probe;
        style(xf, probe);
        if (probe.bold || probe.color)
            put(sheet, row, column, xf, {});
    }

    void readSheet(const BoundSheet& bound, SheetData& sheet) {
        RecordStream records(s_, bound.offset);
        Record r;
        if (!records.next(r, joinedInSheet) || r.type != kBof || r.data.size() < 4)
            unreadable(QStringLiteral("'%1'").arg(bound.name));
        if (Get16(r.data.constData() + 2) != kWorksheetType)
            return;
        SheetFormulas formulas(g_.names);
        bool pendingString = false;  // a formula whose text result comes next
        std::pair<uint16_t, uint16_t> pendingAt;
        std::vector<std::pair<uint16_t, uint16_t>> formulaCells;
        int depth = 1;
        while (depth > 0 && records.next(r, joinedInSheet)) {
            Cursor c(r);
            switch (r.type) {
            case kBof:
                ++depth;  // an embedded chart's substream
                continue;
            case kEof:
                --depth;
                continue;
            default:
                break;
            }
            if (depth != 1)
                continue;
            if (pendingString && r.type != kString && r.type != kSharedFormula && r.type != kArray
                && r.type != kTable)
                pendingString = false;  // no STRING came: an empty text
            switch (r.type) {
            case kLabelSst: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const uint32_t index = c.u32();
                if (c.bad())
                    break;
                if (index >= g_.strings.size())
                    unreadable(QStringLiteral("SST %1").arg(index));
                checkLength(g_.strings[index], sheet, row, column);
                put(sheet, row, column, xf, vb::Variant(g_.strings[index]));
                break;
            }
            case kLabel:
            case kRString: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const QString text = g_.biff8 ? c.unicodeString(false) : c.byteString(false, g_.codepage);
                if (c.bad())
                    break;
                checkLength(text, sheet, row, column);
                put(sheet, row, column, xf, vb::Variant(text));
                break;
            }
            case kNumber: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const double v = c.f64();
                if (c.bad())
                    break;
                put(sheet, row, column, xf, number(v, xf));
                break;
            }
            case kRk: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const uint32_t rk = c.u32();
                if (c.bad())
                    break;
                put(sheet, row, column, xf, number(RkValue(rk), xf));
                break;
            }
            case kMulRk: {
                const uint16_t row = c.u16(), first = c.u16();
                for (uint16_t column = first; c.left() >= 8; ++column) {
                    const uint16_t xf = c.u16();
                    const uint32_t rk = c.u32();
                    put(sheet, row, column, xf, number(RkValue(rk), xf));
                }
                break;
            }
            case kBlank: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                if (!c.bad())
                    blank(sheet, row, column, xf);
                break;
            }
            case kMulBlank: {
                const uint16_t row = c.u16(), first = c.u16();
                for (uint16_t column = first; c.left() >= 4; ++column)
                    blank(sheet, row, column, c.u16());
                break;
            }
            case kBoolErr: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const uint8_t value = c.u8(), isError = c.u8();
                if (c.bad())
                    break;
                put(sheet, row, column, xf, isError ? ErrorValue(value) : vb::Variant(value != 0));
                break;
            }
            case kFormula: {
                const uint16_t row = c.u16(), column = c.u16(), xf = c.u16();
                const QByteArray result = c.bytes(8);
                c.skip(6);  // options, and a field the format leaves unused
                const uint16_t size = c.u16();
                const QByteArray tokens = c.bytes(std::min<qsizetype>(size, std::max<qsizetype>(c.left(), 0)));
                if (result.size() != 8)
                    break;
                const char* d = result.constData();
                vb::Variant value;
                bool textFollows = false;
                if (uint8_t(d[6]) == 0xFF && uint8_t(d[7]) == 0xFF) {
                    switch (uint8_t(d[0])) {
                    case 0:  // the text follows in a STRING record
                        value = vb::Variant(QString());
                        textFollows = true;
                        break;
                    case 1: value = vb::Variant(d[2] != 0); break;
                    case 2: value = ErrorValue(uint8_t(d[2])); break;
                    default: value = vb::Variant(QString()); break;  // an empty text
                    }
                } else {
                    value = number(GetF64(d), xf);
                }
                if (!put(sheet, row, column, xf, std::move(value)))
                    break;
                if (textFollows) {
                    pendingString = true;
                    pendingAt = {row, column};
                }
                sheet.setFormula(row, column, formulas.cellFormula(tokens, row, column));
                formulaCells.push_back({row, column});
                break;
            }
            case kString:
                if (pendingString) {
                    const QString text = g_.biff8 ? c.unicodeString(false) : c.byteString(false, g_.codepage);
                    if (!c.bad()) {
                        checkLength(text, sheet, pendingAt.first, pendingAt.second);
                        sheet.setValue(pendingAt.first, pendingAt.second, vb::Variant(text));
                    }
                    pendingString = false;
                }
                break;
            case kSharedFormula:
                formulas.addShared(r.data);
                break;
            case kArray:
            case kTable:
                formulas.addArrayOrTable(r.type, r.data);
                break;
            case kColInfo: {
                const uint16_t first = c.u16(), last = c.u16(), width = c.u16();
                c.u16();
                const uint16_t options = c.u16();
                if (c.bad() || (options & 0x0001) || first > last || first >= kMaxColumns)
                    break;
                columnRanges_.push_back({first, last, ColumnWidthFromFile(width / 256.0)});
                break;
            }
            case kMergedCells: {
                const uint16_t count = c.u16();
                for (uint16_t i = 0; i < count && c.left() >= 8; ++i) {
                    MergedRange m;
                    m.firstRow = c.u16();
                    m.lastRow = c.u16();
                    m.firstColumn = c.u16();
                    m.lastColumn = c.u16();
                    if (m.firstRow <= m.lastRow && m.firstColumn <= m.lastColumn && m.lastColumn < kMaxColumns
                        && (m.lastRow > m.firstRow || m.lastColumn > m.firstColumn))
                        sheet.merges.push_back(m);
                }
                break;
            }
            default:
                break;
            }
        }
        // Shared and array formulas are known once their records were read.
        for (const auto& [row, column] : formulaCells)
            if (const auto cd = sheet.cell(row, column); cd && cd->formula == FormulaText::kPending)
                sheet.setFormula(row, column, formulas.resolve(row, column));
        applyWidths(sheet);
    }

    void applyWidths(SheetData& sheet) {
        const int columns = sheet.columnCount();
        for (const ColumnRange& range : columnRanges_) {
            // A range to the last column stands for "every other column": it
            // sizes the columns in use only.
            const int last = range.last >= kMaxColumns - 1 ? std::max<int>(range.first, columns - 1) : range.last;
            if (last >= int(sheet.columnWidths.size()))
                sheet.columnWidths.resize(size_t(last + 1), 0);
            for (int c = range.first; c <= last; ++c)
                sheet.columnWidths[size_t(c)] = range.width;
        }
        columnRanges_.clear();
    }

    struct ColumnRange {
        uint16_t first, last;
        double width;  // characters
    };

    QString path_;
    const QByteArray& s_;
    Globals g_;
    std::vector<bool> dateXf_;
    std::vector<ColumnRange> columnRanges_;
};

} // namespace

double RkValue(uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return rk & 0x01 ? v / 100 : v;
}

WorkbookData ReadXls(const QString& path, const QByteArray& content) {
    const auto streams = CompoundStreamNames(content);
    if (!streams)
        RaiseUnreadable(path);
    if (streams->contains(QStringLiteral("EncryptedPackage"), Qt::CaseInsensitive))
        RaisePasswordProtected(path);  // an Open XML workbook encrypted with a password
    const auto stream = ReadCompoundStream(content, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!stream)
        RaiseUnreadable(path);
    WorkbookData workbook = XlsReader(path, *stream).read();
    if (workbook.sheets.empty())
        RaiseUnreadable(path, QStringLiteral("sayfa yok"));
    return workbook;
}

} // namespace excel::files
