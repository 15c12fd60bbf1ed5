// The binary workbook format (BIFF8 in a compound file), written here since
// no system library writes it.
//
// A globals substream (UTF-16 code page, window, 1900 date system, fonts,
// cell XFs, the Normal style, a palette when the colours need one, one
// BOUNDSHEET a sheet, the shared string table) is followed by a substream a
// sheet (column widths, dimensions, rows in blocks of 32 with their cells,
// window). Texts live in the shared string table and cells name them by
// index (LABELSST); dates are numbers under a built-in date format. INDEX
// and DBCELL, which only speed up the host's own random access, are left
// out, as other writers leave them out. A sheet holds 65,536 rows and 256
// columns at most.

#include "platform/excel/files/biff.h"
#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include "platform/vb/error.h"

#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace excel::files {

namespace {

using namespace biff;

constexpr int kStyleXfs = 15;      // XFs 0-14 are the built-in cell styles
constexpr int kDefaultXf = 15;     // the cell XF of a plain cell
constexpr int kRowBlock = 32;      // rows per block, as the host groups them

// Colours are written as indexes into the palette: an exact match of the
// palette keeps its slot; other colours replace slots from the end, and
// once all are taken a colour is shown as its nearest neighbour.
class PaletteBuilder {
public:
    uint16_t indexOf(unsigned rgb) {
        if (rgb == 0)
            return kAutomaticColor;
        auto found = assigned_.find(rgb);
        if (found != assigned_.end())
            return found->second;
        uint16_t index = place(rgb & 0xFFFFFF);
        assigned_.emplace(rgb, index);
        return index;
    }
    bool changed() const { return changed_; }
    const Palette& colors() const { return palette_; }

private:
    uint16_t place(unsigned rgb) {
        for (size_t i = 0; i < palette_.size(); ++i)
            if (palette_[i] == rgb) {
                claimed_[i] = true;
                return uint16_t(i + 8);
            }
        for (size_t i = palette_.size(); i-- > 0;)
            if (!claimed_[i]) {
                claimed_[i] = true;
                palette_[i] = rgb;
                changed_ = true;
                return uint16_t(i + 8);
            }
        size_t best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < palette_.size(); ++i) {
            long dr = long((palette_[i] >> 16) & 0xFF) - long((rgb >> 16) & 0xFF);
            long dg = long((palette_[i] >> 8) & 0xFF) - long((rgb >> 8) & 0xFF);
            long db = long(palette_[i] & 0xFF) - long(rgb & 0xFF);
            long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return uint16_t(best + 8);
    }

    Palette palette_ = DefaultPalette();
    std::array<bool, 56> claimed_{};
    std::map<unsigned, uint16_t> assigned_;
    bool changed_ = false;
};

// Fonts and cell XFs are made as the cells ask for them.
class StyleTable {
public:
    uint16_t xfFor(const CellData& cell, int numberFormat) { return xfFor(cell.bold, cell.color, numberFormat); }
    uint16_t xfFor(bool bold, unsigned color, int numberFormat) {
        uint16_t font = fontFor(bold, palette_.indexOf(color));
        if (font == 0 && numberFormat == 0)
            return kDefaultXf;
        uint32_t key = (uint32_t(font) << 16) | uint32_t(numberFormat);
        auto found = xfs_.find(key);
        if (found != xfs_.end())
            return found->second;
        uint16_t index = uint16_t(kDefaultXf + 1 + xfOrder_.size());
        xfOrder_.push_back({font, uint16_t(numberFormat)});
        xfs_.emplace(key, index);
        return index;
    }

    void write(RecordWriter& w) const {
        // Font index 4 does not exist in the format: the fifth FONT record
        // is font 5. The first four are the default font.
        for (int i = 0; i < 4; ++i)
            font(w, false, kAutomaticColor);
        for (const auto& f : fontOrder_)
            font(w, f.bold, f.color);
        for (int i = 0; i < kStyleXfs; ++i)
            xf(w, 0, 0, true);
        xf(w, 0, 0, false);
        for (const auto& x : xfOrder_)
            xf(w, x.font, x.format, false);
        qsizetype r = w.begin(kStyle);
        w.u16(0x8000);  // built-in style on XF 0
        w.u8(0);        // "Normal"
        w.u8(0xFF);
        w.end(r);
        if (palette_.changed()) {
            r = w.begin(kPalette);
            w.u16(uint16_t(palette_.colors().size()));
            for (unsigned rgb : palette_.colors()) {
                w.u8(uint8_t(rgb >> 16));
                w.u8(uint8_t(rgb >> 8));
                w.u8(uint8_t(rgb));
                w.u8(0);
            }
            w.end(r);
        }
    }

private:
    struct Font { bool bold; uint16_t color; };
    struct Xf { uint16_t font; uint16_t format; };

    uint16_t fontFor(bool bold, uint16_t color) {
        if (!bold && color == kAutomaticColor)
            return 0;
        uint32_t key = (uint32_t(bold) << 16) | color;
        auto found = fonts_.find(key);
        if (found != fonts_.end())
            return found->second;
        uint16_t index = uint16_t(5 + fontOrder_.size());
        fontOrder_.push_back({bold, color});
        fonts_.emplace(key, index);
        return index;
    }

    static void font(RecordWriter& w, bool bold, uint16_t color) {
        qsizetype r = w.begin(kFont);
        w.u16(200);  // 10 points in twips
        w.u16(0);    // not italic, not struck out
        w.u16(color);
        w.u16(bold ? 700 : 400);
        w.u16(0);  // no super- or subscript
        w.u8(0);   // not underlined
        w.u8(2);   // swiss family
        w.u8(0);   // character set: the text is Unicode anyway
        w.u8(0);
        w.unicodeString(QStringLiteral("Arial"), true);
        w.end(r);
    }

    static void xf(RecordWriter& w, uint16_t font, uint16_t format, bool style) {
        qsizetype r = w.begin(kXf);
        w.u16(font);
        w.u16(format);
        w.u16(style ? 0xFFF5 : 0x0001);  // locked; a style has no parent, a cell has Normal
        w.u8(0x20);                      // bottom-aligned
        w.u8(0);
        w.u8(0);
        // A cell XF marks the attributes it sets itself, which readers must
        // not take from the parent style (font and number format among them).
        w.u8(style ? 0 : 0xFC);
        w.u32(0);
        w.u32(0);
        w.u16(0x20C0);  // pattern colours: system foreground and background
        w.end(r);
    }

    PaletteBuilder palette_;
    std::map<uint32_t, uint16_t> fonts_;
    std::vector<Font> fontOrder_;
    std::map<uint32_t, uint16_t> xfs_;
    std::vector<Xf> xfOrder_;
};

// The shared string table, in order of first use; a hash keeps the lookup
// constant whatever the number of strings. Its strings are the sheets' own
// characters, which stay where they are while the workbook is written: a
// sheet of a hundred thousand texts is not copied to be written.
class SharedStrings {
public:
    // A text that lasts while the table does (a sheet's pooled text).
    uint32_t indexOf(QStringView text) {
        ++total_;
        const auto [it, added] = index_.try_emplace(key(text), uint32_t(order_.size()));
        if (added)
            order_.push_back(text);
        return it->second;
    }
    // Any other text: kept here when it is new.
    uint32_t indexOfCopy(const QString& text) {
        if (const auto it = index_.find(key(text)); it != index_.end()) {
            ++total_;
            return it->second;
        }
        kept_.push_back(text);
        return indexOf(kept_.back());
    }

    // SST, continued in CONTINUE records. A string's header never splits;
    // its characters may, and the continuing record then starts with the
    // string's option byte again.
    void write(RecordWriter& w) const {
        qsizetype record = w.begin(kSst);
        int used = 8;
        w.u32(total_);
        w.u32(uint32_t(order_.size()));
        auto next = [&]() {
            w.end(record);
            record = w.begin(kContinue);
            used = 0;
        };
        for (const QStringView s : order_) {
            const bool wide = RecordWriter::needsWide(s);
            const int charSize = wide ? 2 : 1;
            const qsizetype n = s.size();
            if (kMaxRecordData - used < 3 + (n > 0 ? charSize : 0))
                next();
            w.u16(uint16_t(n));
            w.u8(wide ? 1 : 0);
            used += 3;
            qsizetype done = 0;
            while (done < n) {
                qsizetype fit = (kMaxRecordData - used) / charSize;
                if (fit == 0) {
                    next();
                    w.u8(wide ? 1 : 0);
                    used = 1;
                    continue;
                }
                qsizetype part = std::min(fit, n - done);
                w.chars(s.constData() + done, part, wide);
                used += int(part * charSize);
                done += part;
            }
        }
        w.end(record);
    }

private:
    static std::u16string_view key(QStringView text) {
        return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())};
    }

    std::unordered_map<std::u16string_view, uint32_t> index_;
    std::vector<QStringView> order_;
    std::vector<QString> kept_;   // their characters stay put as the list grows
    uint32_t total_ = 0;
};

class SheetWriter {
public:
    SheetWriter(StyleTable& styles, SharedStrings& strings) : styles_(styles), strings_(strings) {}

    QByteArray build(const SheetData& sheet, bool active) {
        const Extent extent = ExtentOf(sheet);
        if (extent.lastRow >= kMaxRows || extent.lastColumn >= kMaxColumns)
            RaiseTooLarge(sheet.name, kMaxRows, kMaxColumns);
        RecordWriter w;
        w.reserve(qsizetype(extent.lastRow + 1) * 96 + 512);
        w.bof(kSheetStream);
        qsizetype r = w.begin(kDefColWidth);
        w.u16(8);
        w.end(r);
        columnWidths(w, sheet.columnWidths);

        r = w.begin(kDimension);
        w.u32(extent.empty() ? 0 : uint32_t(extent.firstRow));
        w.u32(extent.empty() ? 0 : uint32_t(extent.lastRow + 1));
        w.u16(extent.empty() ? 0 : uint16_t(extent.firstColumn));
        w.u16(extent.empty() ? 0 : uint16_t(extent.lastColumn + 1));
        w.u16(0);
        w.end(r);

        if (!extent.empty())
            for (int block = extent.firstRow / kRowBlock; block <= extent.lastRow / kRowBlock; ++block)
                rowBlock(w, sheet, block * kRowBlock, std::min(block * kRowBlock + kRowBlock, sheet.rowCount()));

        r = w.begin(kWindow2);
        w.u16(active ? 0x06B6 : 0x00B6);  // grid, headers, zeros, outline; the active sheet selected
        w.u16(0);
        w.u16(0);
        w.u16(0x40);
        w.u16(0);
        w.u16(0);
        w.u16(0);
        w.u16(0);
        w.u16(0);
        w.end(r);
        mergedCells(w, sheet.merges);
        w.eof();
        return w.data();
    }

private:
    // MERGEDCELLS, at most 1026 ranges a record, as the host writes them.
    static void mergedCells(RecordWriter& w, const std::vector<MergedRange>& merges) {
        std::vector<MergedRange> fitting;
        for (const MergedRange& m : merges)
            if (m.lastRow < kMaxRows && m.lastColumn < kMaxColumns)
                fitting.push_back(m);
        for (size_t at = 0; at < fitting.size(); at += 1026) {
            const size_t count = std::min<size_t>(1026, fitting.size() - at);
            qsizetype r = w.begin(kMergedCells);
            w.u16(uint16_t(count));
            for (size_t i = at; i < at + count; ++i) {
                w.u16(uint16_t(fitting[i].firstRow));
                w.u16(uint16_t(fitting[i].lastRow));
                w.u16(uint16_t(fitting[i].firstColumn));
                w.u16(uint16_t(fitting[i].lastColumn));
            }
            w.end(r);
        }
    }

    static void columnWidths(RecordWriter& w, const std::vector<double>& widths) {
        for (const WidthRun& run : ColumnWidthRuns(widths, kMaxColumns)) {
            qsizetype r = w.begin(kColInfo);
            w.u16(uint16_t(run.first));
            w.u16(uint16_t(run.last));
            w.u16(uint16_t(std::lround(FileColumnWidth(run.width) * 256)));
            w.u16(kDefaultXf);
            w.u16(0);
            w.u16(0);
            w.end(r);
        }
    }

    void rowBlock(RecordWriter& w, const SheetData& sheet, int from, int to) {
        for (int r = from; r < to; ++r) {
            const int length = sheet.rowLength(r);
            int first = -1, last = -1;
            for (int c = 0; c < length; ++c)
                if (!sheet.isEmpty(r, c)) {
                    if (first < 0)
                        first = c;
                    last = c;
                }
            if (first < 0)
                continue;
            qsizetype rec = w.begin(kRow);
            w.u16(uint16_t(r));
            w.u16(uint16_t(first));
            w.u16(uint16_t(last + 1));
            w.u16(0x00FF);  // default height
            w.u16(0);
            w.u16(0);
            w.u32(0x000F0100);  // default XF, the one bit the format always sets
            w.end(rec);
        }
        for (int r = from; r < to; ++r) {
            const int length = sheet.rowLength(r);
            for (int c = 0; c < length; ++c) {
                if (sheet.isEmpty(r, c))
                    continue;
                const std::optional<QStringView> text = sheet.pooledText(r, c);
                if (text && !text->isEmpty())
                    textCell(w, *text, sheet.font(r, c), r, c);
                else
                    cell(w, *sheet.cell(r, c), r, c);
            }
        }
    }

    // A text the sheet keeps, written without making a value of it.
    void textCell(RecordWriter& w, QStringView text, std::pair<bool, unsigned> font, int row, int column) {
        if (text.size() > kMaxTextLength)
            RaiseTextTooLong();
        labelSst(w, row, column, styles_.xfFor(font.first, font.second, 0), strings_.indexOf(text));
    }

    static void labelSst(RecordWriter& w, int row, int column, uint16_t xf, uint32_t text) {
        const qsizetype r = w.begin(kLabelSst);
        w.u16(uint16_t(row));
        w.u16(uint16_t(column));
        w.u16(xf);
        w.u32(text);
        w.end(r);
    }

    void cell(RecordWriter& w, const CellData& cell, int row, int column) {
        if (cell.isEmpty())
            return;
        const vb::Variant& v = cell.value;
        const int format = v.isDate() ? BuiltinDateFormat(v.dateValue()) : 0;
        const uint16_t xf = styles_.xfFor(cell, format);
        if (v.isString() && !v.stringValue().isEmpty()) {
            if (v.stringValue().size() > kMaxTextLength)
                RaiseTextTooLong();
            labelSst(w, row, column, xf, strings_.indexOfCopy(v.stringValue()));
            return;
        }
        auto header = [&](uint16_t type) {
            qsizetype at = w.begin(type);
            w.u16(uint16_t(row));
            w.u16(uint16_t(column));
            w.u16(xf);
            return at;
        };
        qsizetype r;
        if (v.isNumber()) {
            r = header(kNumber);
            w.f64(v.doubleValue());
        } else if (v.isDate()) {
            r = header(kNumber);
            w.f64(HostSerial(v.dateValue()));
        } else if (v.isBoolean()) {
            r = header(kBoolErr);
            w.u8(v.boolValue() ? 1 : 0);
            w.u8(0);
        } else if (v.isError()) {
            r = header(kBoolErr);
            w.u8(uint8_t(ErrorCode(v)));
            w.u8(1);
        } else {
            // Empty, Null or "": only the font is left to keep.
            r = header(kBlank);
        }
        w.end(r);
    }

    StyleTable& styles_;
    SharedStrings& strings_;
};

} // namespace

QByteArray BuildXlsFile(const WorkbookData& workbook) {
    StyleTable styles;
    SharedStrings strings;
    std::vector<QByteArray> sheets;
    sheets.reserve(workbook.sheets.size());
    for (size_t i = 0; i < workbook.sheets.size(); ++i)
        sheets.push_back(SheetWriter(styles, strings).build(workbook.sheets[i], i == 0));

    RecordWriter w;
    w.bof(kGlobalsStream);
    qsizetype r = w.begin(kCodepage);
    w.u16(1200);  // UTF-16
    w.end(r);
    r = w.begin(kWindow1);
    w.u16(0x0168);
    w.u16(0x001E);
    w.u16(0x3A5C);
    w.u16(0x2328);
    w.u16(0x0038);  // horizontal and vertical scroll bars, sheet tabs
    w.u16(0);       // active sheet
    w.u16(0);       // first visible tab
    w.u16(1);       // selected sheets
    w.u16(0x0258);  // tab bar width ratio
    w.end(r);
    r = w.begin(kDateMode);
    w.u16(0);  // 1900 date system
    w.end(r);
    styles.write(w);

    std::vector<qsizetype> offsetFields;
    for (const SheetData& sheet : workbook.sheets) {
        r = w.begin(kBoundSheet);
        offsetFields.push_back(w.size());
        w.u32(0);
        w.u8(0);  // visible
        w.u8(0);  // worksheet
        w.unicodeString(sheet.name, true);
        w.end(r);
    }
    strings.write(w);
    w.eof();

    qsizetype offset = w.size();
    for (size_t i = 0; i < sheets.size(); ++i) {
        w.put32(offsetFields[i], uint32_t(offset));
        offset += sheets[i].size();
    }
    QByteArray stream = w.data();
    stream.reserve(offset);
    for (const QByteArray& sheet : sheets)
        stream.append(sheet);
    return BuildCompoundFile(QStringLiteral("Workbook"), stream);
}

void WriteXls(const WorkbookData& workbook, const QString& path) {
    WriteWholeFile(path, BuildXlsFile(workbook));
}

} // namespace excel::files
