// Reading the binary workbook formats. freexl gives the values of BIFF8 and
// of the older formats it reads; it says nothing of fonts and column widths,
// reports booleans as the numbers 0 and 1 and skips formulas. For BIFF8
// files a scan of our own over the workbook stream adds what is missing:
// bold and coloured fonts, column widths, booleans, error values and the
// last results of formulas.
//
// Dates: freexl turns a date serial into text by counting the days from
// 1900 one at a time, some 35 microseconds a cell at today's dates, which
// alone would take seconds for a long list. So freexl reads a copy of a
// BIFF8 workbook whose cell formats all say General, and the numbers of
// cells whose format shows a date become dates here, by the rule the .xlsx
// reader follows (IsBuiltinDateFormat, IsDateFormatCode). The older formats
// keep freexl's own date cells.

#include "platform/excel/files/biff.h"
#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"

#include <QFile>
#include <QTemporaryFile>
#include <freexl.h>
#include <map>
#include <vector>

namespace excel::files {

namespace {

using namespace biff;

constexpr uint16_t kFilePass = 0x002F;

struct StyledCell {
    uint16_t row, column, xf;
};

struct ValueCell {
    uint16_t row, column, xf;
    vb::Variant value;
};

struct ColumnRange {
    uint16_t first, last;
    double width;  // characters
};

struct ScannedSheet {
    uint32_t offset = 0;
    uint8_t type = 0;
    std::vector<StyledCell> cells;
    std::vector<ValueCell> values;
    std::vector<ColumnRange> widths;
};

struct Font {
    bool bold = false;
    uint16_t color = kAutomaticColor;
};

struct Xf {
    uint16_t font = 0, format = 0;
};

struct ScannedBook {
    bool biff8 = false;
    bool encrypted = false;
    bool date1904 = false;
    std::vector<Font> fonts;  // by font index; index 4 is never used
    std::vector<Xf> xfs;
    std::map<uint16_t, QString> formats;
    Palette palette = DefaultPalette();
    std::vector<ScannedSheet> sheets;
    std::vector<qsizetype> xfFormatFields;  // stream offsets of the XFs' format indexes

    bool isDateXf(uint16_t xf) const {
        if (xf >= xfs.size())
            return false;
        uint16_t f = xfs[xf].format;
        if (IsBuiltinDateFormat(f))
            return true;
        auto it = formats.find(f);
        return it != formats.end() && IsDateFormatCode(it->second);
    }
};

// A BIFF8 string whose characters are one or two bytes each.
QString biffChars(const char* p, const char* end, int count, bool wide) {
    QString s;
    const int size = wide ? 2 : 1;
    count = std::min<int>(count, int((end - p) / size));
    s.reserve(count);
    for (int i = 0; i < count; ++i)
        s += wide ? QChar(Get16(p + 2 * i)) : QChar(uint8_t(p[i]));
    return s;
}

class Scanner {
public:
    explicit Scanner(const QByteArray& stream) : s_(stream) {}

    ScannedBook scan() {
        ScannedBook book;
        qsizetype pos = 0;
        int depth = 0;
        ScannedSheet* sheet = nullptr;
        bool formulaString = false;
        ValueCell pendingFormula{};
        while (pos + 4 <= s_.size()) {
            const char* rec = s_.constData() + pos;
            const uint16_t type = Get16(rec);
            const uint16_t length = Get16(rec + 2);
            const char* d = rec + 4;
            const char* end = d + length;
            if (pos + 4 + length > s_.size())
                break;
            const qsizetype here = pos;
            pos += 4 + length;
            if (type == 0 && length == 0)
                break;  // padding after the last substream

            if (type == kBof) {
                if (length < 4)
                    break;
                if (here == 0) {
                    if (Get16(d) != kBiff8)
                        return book;  // older formats: freexl's values only
                    book.biff8 = true;
                }
                ++depth;
                if (depth == 1 && here != 0) {
                    sheet = nullptr;
                    for (auto& candidate : book.sheets)
                        if (candidate.offset == uint32_t(here))
                            sheet = &candidate;
                }
                continue;
            }
            if (type == kEof) {
                if (--depth <= 0) {
                    depth = 0;
                    sheet = nullptr;
                }
                continue;
            }
            if (depth != 1)
                continue;
            if (formulaString && type != kString && type != kContinue)
                formulaString = false;

            if (!sheet) {
                globalsRecord(book, type, d, end);
                continue;
            }
            switch (type) {
            case kLabelSst:
            case kLabel:
            case kNumber:
            case kRk:
            case kBlank:
                if (length >= 6)
                    sheet->cells.push_back({Get16(d), Get16(d + 2), Get16(d + 4)});
                break;
            case kMulRk:
            case kMulBlank: {
                if (length < 6)
                    break;
                const int step = type == kMulRk ? 6 : 2;
                uint16_t column = Get16(d + 2);
                for (const char* p = d + 4; p + step + 2 <= end; p += step, ++column)
                    sheet->cells.push_back({Get16(d), column, Get16(p)});
                break;
            }
            case kBoolErr:
                if (length >= 8) {
                    ValueCell v{Get16(d), Get16(d + 2), Get16(d + 4), {}};
                    v.value = d[7] ? vb::Variant(ErrorText(uint8_t(d[6]))) : vb::Variant(d[6] != 0);
                    sheet->values.push_back(v);
                }
                break;
            case kFormula:
                if (length >= 20) {
                    ValueCell v{Get16(d), Get16(d + 2), Get16(d + 4), {}};
                    if (Get16(d + 12) != 0xFFFF) {
                        double number = GetF64(d + 6);
                        v.value = book.isDateXf(v.xf) ? vb::Variant(FromHostSerial(number, book.date1904))
                                                      : vb::Variant(number);
                    } else {
                        switch (uint8_t(d[6])) {
                        case 0:  // the text follows in a STRING record
                            formulaString = true;
                            pendingFormula = v;
                            continue;
                        case 1: v.value = vb::Variant(d[8] != 0); break;
                        case 2: v.value = vb::Variant(ErrorText(uint8_t(d[8]))); break;
                        default: break;  // an empty text
                        }
                    }
                    sheet->values.push_back(v);
                }
                break;
            case kString:
                // A formula's text result. Texts longer than one record are
                // cut at the record's end.
                if (formulaString && length >= 3) {
                    pendingFormula.value = vb::Variant(biffChars(d + 3, end, Get16(d), d[2] & 0x01));
                    sheet->values.push_back(pendingFormula);
                    formulaString = false;
                }
                break;
            case kColInfo:
                if (length >= 10 && !(Get16(d + 8) & 0x0001))
                    sheet->widths.push_back({Get16(d), Get16(d + 2), ColumnWidthFromFile(Get16(d + 4) / 256.0)});
                break;
            default:
                break;
            }
        }
        return book;
    }

private:
    void globalsRecord(ScannedBook& book, uint16_t type, const char* d, const char* end) {
        const qsizetype length = end - d;
        switch (type) {
        case kFilePass:
            book.encrypted = true;
            break;
        case kDateMode:
            if (length >= 2)
                book.date1904 = Get16(d) != 0;
            break;
        case kFont:
            if (length >= 8) {
                if (book.fonts.size() == 4)
                    book.fonts.push_back({});  // font index 4 does not exist
                book.fonts.push_back({Get16(d + 6) >= 700, Get16(d + 4)});
            }
            break;
        case kXf:
            if (length >= 4) {
                book.xfs.push_back({Get16(d), Get16(d + 2)});
                book.xfFormatFields.push_back(d + 2 - s_.constData());
            }
            break;
        case kFormat:
            if (length >= 5)
                book.formats[Get16(d)] = biffChars(d + 5, end, Get16(d + 2), d[4] & 0x01);
            break;
        case kPalette:
            if (length >= 2) {
                const int count = std::min<int>(Get16(d), int(book.palette.size()));
                for (int i = 0; i < count && d + 2 + 4 * i + 3 <= end; ++i) {
                    const char* c = d + 2 + 4 * i;
                    book.palette[size_t(i)] = (unsigned(uint8_t(c[0])) << 16) | (unsigned(uint8_t(c[1])) << 8)
                                              | unsigned(uint8_t(c[2]));
                }
            }
            break;
        case kBoundSheet:
            if (length >= 6) {
                ScannedSheet sheet;
                sheet.offset = Get32(d);
                sheet.type = uint8_t(d[5]);
                book.sheets.push_back(std::move(sheet));
            }
            break;
        default:
            break;
        }
    }

    const QByteArray& s_;
};

// freexl's text for its date, date-time and time cells.
int digits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

vb::Variant freexlValue(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return vb::Variant(double(cell.value.int_value));
    case FREEXL_CELL_DOUBLE:
        return vb::Variant(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return vb::Variant(QString::fromUtf8(cell.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
        const char* t = cell.value.text_value;
        const size_t n = std::strlen(t);
        if (n < 10)
            return {};
        QDate date(digits(t, 4), digits(t + 5, 2), digits(t + 8, 2));
        QTime time(0, 0);
        if (n >= 19)
            time = QTime(digits(t + 11, 2), digits(t + 14, 2), digits(t + 17, 2));
        return vb::Variant(QDateTime(date, time));
    }
    case FREEXL_CELL_TIME: {
        const char* t = cell.value.text_value;
        if (std::strlen(t) < 8)
            return {};
        return vb::Variant(QDateTime(QDate(1899, 12, 30), QTime(digits(t, 2), digits(t + 3, 2), digits(t + 6, 2))));
    }
    default:
        return {};
    }
}

class FreexlHandle {
public:
    ~FreexlHandle() {
        if (handle)
            freexl_close(handle);
    }
    const void* handle = nullptr;
};

void applyScan(SheetData& sheet, const ScannedSheet& scanned, const ScannedBook& book) {
    std::vector<bool> dateXf(book.xfs.size());
    for (size_t i = 0; i < dateXf.size(); ++i)
        dateXf[i] = book.isDateXf(uint16_t(i));
    auto styleOf = [&](uint16_t xf, CellData& cell) {
        if (xf >= book.xfs.size())
            return;
        uint16_t font = book.xfs[xf].font;
        if (font >= book.fonts.size())
            return;
        cell.bold = book.fonts[font].bold;
        cell.color = IndexedColor(book.fonts[font].color, book.palette);
    };
    for (const StyledCell& c : scanned.cells) {
        const bool date = c.xf < dateXf.size() && dateXf[c.xf];
        CellData probe;
        styleOf(c.xf, probe);
        if (!date && !probe.bold && !probe.color)
            continue;
        CellData& cell = sheet.at(c.row, c.column);
        styleOf(c.xf, cell);
        if (date && cell.value.isNumber())
            cell.value = vb::Variant(FromHostSerial(cell.value.doubleValue(), book.date1904));
    }
    for (const ValueCell& v : scanned.values) {
        CellData& cell = sheet.at(v.row, v.column);
        cell.value = v.value;
        styleOf(v.xf, cell);
    }
    const int columns = sheet.columnCount();
    for (const ColumnRange& range : scanned.widths) {
        // A range to the last column stands for "every other column": it
        // sizes the columns in use only.
        int last = range.last >= kMaxColumns - 1 ? std::max<int>(range.first, columns - 1) : range.last;
        if (last >= int(sheet.columnWidths.size()))
            sheet.columnWidths.resize(size_t(last + 1), 0);
        for (int c = range.first; c <= last; ++c)
            sheet.columnWidths[size_t(c)] = range.width;
    }
}

// freexl's copy of a BIFF8 workbook, every cell format General (see above).
bool writeGeneralCopy(const QByteArray& stream, const ScannedBook& book, QTemporaryFile& copy) {
    QByteArray general = stream;
    for (qsizetype at : book.xfFormatFields) {
        general[at] = 0;
        general[at + 1] = 0;
    }
    const QByteArray file = BuildCompoundFile(QStringLiteral("Workbook"), general);
    return copy.open() && copy.write(file) == file.size() && copy.flush();
}

} // namespace

WorkbookData ReadXls(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        RaiseUnreadable(path, file.errorString());
    const QByteArray content = file.readAll();
    file.close();

    ScannedBook book;
    const auto stream = ReadCompoundStream(content, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (stream)
        book = Scanner(*stream).scan();
    if (book.encrypted)
        RaiseUnreadable(path, QStringLiteral("parola korumalı"));
    QTemporaryFile general;
    if (book.biff8 && !writeGeneralCopy(*stream, book, general))
        RaiseUnreadable(path, general.errorString());

    FreexlHandle xls;
    const QString freexlPath = book.biff8 ? general.fileName() : path;
    int rc = freexl_open(QFile::encodeName(freexlPath).constData(), &xls.handle);
    if (rc != FREEXL_OK)
        RaiseUnreadable(path, QStringLiteral("freexl %1").arg(rc));
    unsigned sheetCount = 0;
    freexl_get_info(xls.handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    if (book.biff8 && book.sheets.size() != sheetCount)
        RaiseUnreadable(path);

    WorkbookData workbook;
    for (unsigned i = 0; i < sheetCount; ++i) {
        if (book.biff8 && book.sheets[i].type != 0)
            continue;  // chart and macro sheets hold no cells
        const char* name = nullptr;
        unsigned rows = 0;
        unsigned short columns = 0;
        if (freexl_get_worksheet_name(xls.handle, uint16_t(i), &name) != FREEXL_OK
            || freexl_select_active_worksheet(xls.handle, uint16_t(i)) != FREEXL_OK
            || freexl_worksheet_dimensions(xls.handle, &rows, &columns) != FREEXL_OK)
            RaiseUnreadable(path);
        SheetData sheet;
        sheet.name = QString::fromUtf8(name);
        sheet.rows.reserve(rows);
        for (unsigned r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(xls.handle, r, c, &cell) != FREEXL_OK || cell.type == FREEXL_CELL_NULL)
                    continue;
                sheet.at(int(r), c).value = freexlValue(cell);
            }
        }
        if (book.biff8)
            applyScan(sheet, book.sheets[i], book);
        workbook.sheets.push_back(std::move(sheet));
    }
    return workbook;
}

} // namespace excel::files
