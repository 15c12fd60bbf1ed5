// The binary format: large exports, its limits, the shared string table's
// CONTINUE records, colours, and files with records our writer does not
// write, built here record by record.

#include "tests/platform/excel/files_test.h"
#include "tests/platform/excel/files_test_rows.h"

#include "platform/excel/files/biff.h"
#include "platform/excel/files/cfb.h"
#include "platform/excel/files/common.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"

#include <QFile>

namespace excel::testing {
namespace {

using namespace files::biff;
using files::ByteWriter;


using XlsFiles = FilesTest;

TEST_F(XlsFiles, AThreeSheetExportOf150000RecordsReadsBackWithFreexl) {
    // The export the report window makes of 150,000 records.
    const WorkbookData book = ReportRows(150000, 65535);
    ASSERT_EQ(book.sheets.size(), 3u);
    const QString file = path(QStringLiteral("rapor.xls"));
    WriteWorkbookFile(book, file, FileFormat::Xls);

    // freexl alone, as any reader of the format would see it, and through
    // our reader.
    ExpectFreexlReads(file, book);
    ExpectSameWorkbook(book, ReadWorkbookFile(file));
}

TEST_F(XlsFiles, ASheetBeyond65536RowsOr256ColumnsIsRefused) {
    WorkbookData book;
    book.sheets.resize(1);
    SheetData& sheet = book.sheets[0];
    sheet.name = QStringLiteral("Sayfa1");
    sheet.setValue(65535, 255, vb::Variant("son hücre"));
    sheet.set(0, 300, CellData());  // empty cells past the limit take no room
    WriteWorkbookFile(book, path(QStringLiteral("sınırda.xls")), FileFormat::Xls);
    ExpectFreexlReads(path(QStringLiteral("sınırda.xls")), book);
    const SheetData read = ReadWorkbookFile(path(QStringLiteral("sınırda.xls"))).sheets[0];
    ASSERT_TRUE(read.cell(65535, 255).has_value());
    EXPECT_EQ(read.cell(65535, 255)->value, vb::Variant("son hücre"));

    SheetData tooLong = sheet;
    tooLong.setValue(65536, 0, vb::Variant(1));
    SheetData tooWide = sheet;
    tooWide.setBold(0, 256, true);
    for (const SheetData& s : {tooLong, tooWide}) {
        book.sheets[0] = s;
        EXPECT_VB_ERROR(WriteWorkbookFile(book, path(QStringLiteral("büyük.xls")), FileFormat::Xls), errWorkbookFile);
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("büyük.xls"))));
}

int countRecords(const QByteArray& stream, uint16_t type) {
    int count = 0;
    for (qsizetype pos = 0; pos + 4 <= stream.size();) {
        uint16_t t = files::Get16(stream.constData() + pos);
        uint16_t length = files::Get16(stream.constData() + pos + 2);
        if (t == 0 && length == 0)
            break;
        count += t == type;
        pos += 4 + length;
    }
    return count;
}

TEST_F(XlsFiles, ALargeSharedStringTableContinuesOverManyRecords) {
    WorkbookData book;
    book.sheets.resize(1);
    SheetData& sheet = book.sheets[0];
    sheet.name = QStringLiteral("Metinler");
    int row = 0;
    // Mixed lengths of one-byte and two-byte strings, then runs of equal
    // strings whose sizes put string headers and split characters at the
    // record boundaries: 111 bytes each leave 2 bytes at the end of the SST
    // record, too few for a header; 203 bytes each leave a single byte, too
    // few for one two-byte character.
    for (int i = 0; i < 1500; ++i, ++row) {
        const QString unit = i % 2 ? QStringLiteral("çağrı merkezi şubesi ") : QStringLiteral("abcde fghij ");
        sheet.setValue(row, 0, vb::Variant(QStringLiteral("%1:").arg(i) + unit.repeated(5 + (i * 37) % 70)));
    }
    for (int i = 0; i < 300; ++i, ++row)
        sheet.setValue(row, 1, vb::Variant(QStringLiteral("%1").arg(i, 8, 10, QChar(u'0')) + QString(100, u'x')));
    for (int i = 0; i < 300; ++i, ++row)
        sheet.setValue(row, 2, vb::Variant(QStringLiteral("%1").arg(i, 8, 10, QChar(u'0')) + QString(92, u'ş')));
    const QByteArray file = files::BuildXlsFile(book);
    auto stream = files::ReadCompoundStream(file, {QStringLiteral("Workbook")});
    ASSERT_TRUE(stream);
    EXPECT_GT(countRecords(*stream, kContinue), 100);
    writeBytes(QStringLiteral("metinler.xls"), file);
    ExpectFreexlReads(path(QStringLiteral("metinler.xls")), book);
    ExpectSameWorkbook(book, ReadWorkbookFile(path(QStringLiteral("metinler.xls"))));

    // The same sequence written alone: a workbook whose table starts with the
    // fixed-size runs, so that the boundaries fall where the sizes say.
    for (int column : {1, 2}) {
        WorkbookData runs;
        runs.sheets.resize(1);
        runs.sheets[0].name = QStringLiteral("Sayfa1");
        for (int r = 0, i = 0; r < sheet.rowCount(); ++r)
            if (const std::optional<CellData> c = sheet.cell(r, column))
                runs.sheets[0].set(i++, 0, *c);
        WriteWorkbookFile(runs, path(QStringLiteral("dizi.xls")), FileFormat::Xls);
        ExpectFreexlReads(path(QStringLiteral("dizi.xls")), runs);
        ExpectSameWorkbook(runs, ReadWorkbookFile(path(QStringLiteral("dizi.xls"))));
    }
}

TEST_F(XlsFiles, ColoursOutsideThePaletteReplaceItsSlots) {
    WorkbookData book;
    book.sheets.resize(1);
    SheetData& sheet = book.sheets[0];
    sheet.name = QStringLiteral("Renkler");
    std::vector<unsigned> colors = {0xFF0000, 0x008000, 0xFFFFFF};  // in the palette already
    for (unsigned i = 0; colors.size() < 56; ++i)
        colors.push_back(0x102030 + i * 0x030507);
    for (size_t i = 0; i < colors.size(); ++i)
        sheet.set(int(i), 0, Cell(QStringLiteral("renk %1").arg(i), i % 2 == 0, colors[i]));
    const unsigned extra = 0x0F1F2F;  // no slot left: shown as the nearest colour
    sheet.set(int(colors.size()), 0, Cell("yakın", false, extra));
    WriteWorkbookFile(book, path(QStringLiteral("renkler.xls")), FileFormat::Xls);
    ExpectFreexlReads(path(QStringLiteral("renkler.xls")), book);
    const SheetData read = ReadWorkbookFile(path(QStringLiteral("renkler.xls"))).sheets[0];
    for (size_t i = 0; i < colors.size(); ++i) {
        EXPECT_EQ(read.cell(int(i), 0)->color, colors[i]) << i;
        EXPECT_EQ(read.cell(int(i), 0)->bold, i % 2 == 0) << i;
    }
    auto distance = [](unsigned a, unsigned b) {
        int dr = int(a >> 16) - int(b >> 16), dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF),
            db = int(a & 0xFF) - int(b & 0xFF);
        return dr * dr + dg * dg + db * db;
    };
    unsigned nearest = colors[0];
    for (unsigned c : colors)
        if (distance(c, extra) < distance(nearest, extra))
            nearest = c;
    EXPECT_EQ(read.cell(int(colors.size()), 0)->color, nearest);
}

TEST_F(XlsFiles, ATextLongerThanARecordComesBackWhole) {
    // 9,000 characters of Turkish text: the shared-string table goes on
    // over CONTINUE records in the middle of the text.
    const QString unit = QStringLiteral("Sayın müşterimiz, çağrınız için teşekkür ederiz; İstanbul şubemiz ığdır. ");
    QString text;
    while (text.size() < 9000)
        text += unit;
    text.truncate(9000);
    WorkbookData book;
    book.sheets.resize(1);
    book.sheets[0].name = QStringLiteral("Uzun");
    book.sheets[0].setValue(0, 0, vb::Variant(QStringLiteral("kısa")));
    book.sheets[0].setValue(1, 0, vb::Variant(text));
    book.sheets[0].setValue(1, 1, vb::Variant(QString(20000, u'a')));  // one byte a character
    book.sheets[0].setValue(2, 0, vb::Variant(QStringLiteral("son")));
    WriteWorkbookFile(book, path(QStringLiteral("uzun.xls")), FileFormat::Xls);
    ExpectSameWorkbook(book, ReadWorkbookFile(path(QStringLiteral("uzun.xls"))));
}

// A workbook stream of one sheet: the globals, then the sheet's records.
class StreamBuilder {
public:
    explicit StreamBuilder(uint16_t version = kBiff8) : version_(version) {}

    RecordWriter globals;
    RecordWriter sheet;

    void boundSheet(const QString& name) {
        qsizetype r = globals.begin(kBoundSheet);
        offsetAt_ = globals.size();
        globals.u32(0);
        globals.u16(0);
        if (version_ == kBiff8) {
            globals.unicodeString(name, true);
        } else {
            globals.u8(uint8_t(name.size()));
            globals.bytes(name.toLatin1().constData(), name.size());
        }
        globals.end(r);
    }
    QByteArray stream() {
        globals.put32(offsetAt_, uint32_t(globals.size()));
        return globals.data() + sheet.data();
    }
    void bof(RecordWriter& w, uint16_t type) const {
        qsizetype r = w.begin(kBof);
        w.u16(version_);
        w.u16(type);
        w.u16(0x0DBB);
        w.u16(0x07CC);
        if (version_ == kBiff8) {
            w.u32(0);
            w.u32(6);
        }
        w.end(r);
    }

private:
    uint16_t version_;
    qsizetype offsetAt_ = 0;
};

// A cell record's start: its row, column and XF.
qsizetype cellRecord(RecordWriter& w, uint16_t type, uint16_t row, uint16_t column, uint16_t xf) {
    qsizetype at = w.begin(type);
    w.u16(row);
    w.u16(column);
    w.u16(xf);
    return at;
}

void fontRecord(RecordWriter& w, bool bold, uint16_t color) {
    qsizetype r = w.begin(kFont);
    w.u16(200);
    w.u16(0);
    w.u16(color);
    w.u16(bold ? 700 : 400);
    w.u16(0);
    w.u32(0);
    w.unicodeString(QStringLiteral("Arial"), true);
    w.end(r);
}

void xfRecord(RecordWriter& w, uint16_t font, uint16_t format, bool style) {
    qsizetype r = w.begin(kXf);
    w.u16(font);
    w.u16(format);
    w.u16(style ? 0xFFF5 : 0x0001);
    w.u16(0x0020);
    w.u16(style ? 0 : 0xFC00);
    w.zeros(10);
    w.end(r);
}

// The globals of a BIFF8 workbook with fonts 0-3 plain and 5 bold red, XFs
// 0-15 plain, 16 bold red and 17 with the custom date format 164.
void standardGlobals(StreamBuilder& b, const QString& sheetName, const QStringList& strings) {
    RecordWriter& g = b.globals;
    b.bof(g, kGlobalsStream);
    qsizetype r = g.begin(kCodepage);
    g.u16(1200);
    g.end(r);
    for (int i = 0; i < 4; ++i)
        fontRecord(g, false, kAutomaticColor);
    fontRecord(g, true, 10);
    r = g.begin(kFormat);
    g.u16(164);
    g.unicodeString(QStringLiteral("dd/mm/yyyy hh:mm"), false);
    g.end(r);
    for (int i = 0; i < 15; ++i)
        xfRecord(g, 0, 0, true);
    xfRecord(g, 0, 0, false);
    xfRecord(g, 5, 0, false);
    xfRecord(g, 0, 164, false);
    b.boundSheet(sheetName);
    r = g.begin(kSst);
    g.u32(uint32_t(strings.size()));
    g.u32(uint32_t(strings.size()));
    for (const QString& s : strings)
        g.unicodeString(s, false);
    g.end(r);
    g.eof();
}

void dimension(RecordWriter& w, uint32_t rows, uint16_t columns) {
    qsizetype r = w.begin(kDimension);
    w.u32(0);
    w.u32(rows);
    w.u16(0);
    w.u16(columns);
    w.u16(0);
    w.end(r);
}

void formula(RecordWriter& w, uint16_t row, uint16_t column, uint16_t xf, const char result[8]) {
    qsizetype r = cellRecord(w, kFormula, row, column, xf);
    w.bytes(result, 8);
    w.u16(0);
    w.u32(0);
    w.u16(3);
    w.u8(0x1E);  // the expression: the whole number 1
    w.u16(1);
    w.end(r);
}

void colInfo(RecordWriter& w, uint16_t first, uint16_t last, double width) {
    qsizetype r = w.begin(kColInfo);
    w.u16(first);
    w.u16(last);
    w.u16(uint16_t(std::lround(files::FileColumnWidth(width) * 256)));
    w.u16(15);
    w.u32(0);
    w.end(r);
}

TEST_F(XlsFiles, ReadsRecordsOtherWritersUse) {
    StreamBuilder b;
    standardGlobals(b, QStringLiteral("Formüller"), {QStringLiteral("Merhaba")});
    RecordWriter& s = b.sheet;
    b.bof(s, kSheetStream);
    colInfo(s, 0, 0, 30);
    colInfo(s, 1, 255, 10);  // every other column
    dimension(s, 4, 5);
    qsizetype r = cellRecord(s, kLabelSst, 0, 0, 16);
    s.u32(0);
    s.end(r);
    r = cellRecord(s, kRk, 0, 1, 15);
    s.u32(1234u << 2 | 0x02);  // a whole number
    s.end(r);
    r = s.begin(kMulRk);
    s.u16(0);
    s.u16(2);
    s.u16(15);
    s.u32(0x3FE00000);  // 0.5, the high half of the double
    s.u16(16);
    s.u32(1234u << 2 | 0x03);  // 12.34, a whole number of hundredths
    s.u16(3);
    s.end(r);

    ByteWriter number;
    number.f64(42.5);
    formula(s, 1, 0, 15, number.data().constData());
    ByteWriter date;
    date.f64(45351.5);
    formula(s, 1, 1, 17, date.data().constData());
    const char text[8] = {0, 0, 0, 0, 0, 0, char(0xFF), char(0xFF)};
    formula(s, 1, 2, 16, text);
    r = s.begin(kString);
    s.unicodeString(QStringLiteral("Sonuç ğ"), false);
    s.end(r);
    const char boolean[8] = {1, 0, 1, 0, 0, 0, char(0xFF), char(0xFF)};
    formula(s, 1, 3, 15, boolean);
    const char error[8] = {2, 0, 0x07, 0, 0, 0, char(0xFF), char(0xFF)};
    formula(s, 1, 4, 15, error);

    r = cellRecord(s, kBoolErr, 2, 0, 15);
    s.u8(0x2A);
    s.u8(1);
    s.end(r);
    r = cellRecord(s, kBoolErr, 2, 1, 16);
    s.u8(0);
    s.u8(0);
    s.end(r);
    r = s.begin(kMulBlank);
    s.u16(2);
    s.u16(2);
    s.u16(16);
    s.u16(16);
    s.u16(3);
    s.end(r);
    r = cellRecord(s, kLabel, 3, 1, 15);
    s.unicodeString(QStringLiteral("Etiket ş"), false);
    s.end(r);
    r = cellRecord(s, kNumber, 3, 0, 17);
    s.f64(45351);
    s.end(r);
    s.eof();
    writeBytes(QStringLiteral("diğer.xls"), files::BuildCompoundFile(QStringLiteral("Workbook"), b.stream()));

    const WorkbookData book = ReadWorkbookFile(path(QStringLiteral("diğer.xls")));
    ASSERT_EQ(book.sheets.size(), 1u);
    SheetData expected = SheetData::FromRows(QStringLiteral("Formüller"), {
        {Cell("Merhaba", true, 0xFF0000), Cell(1234.0), Cell(0.5), Cell(12.34, true, 0xFF0000)},
        {Cell(42.5), Cell(QDateTime(QDate(2024, 2, 29), QTime(12, 0))), Cell("Sonuç ğ", true, 0xFF0000), Cell(true),
         Cell(vb::Variant::Error(2007))},
        {Cell(vb::Variant::Error(2042)), Cell(false, true, 0xFF0000), Cell({}, true, 0xFF0000), Cell({}, true, 0xFF0000)},
        {Cell(QDate(2024, 2, 29)), Cell("Etiket ş")},
    });
    for (int c = 0; c < 5; ++c)
        expected.setFormula(1, c, QStringLiteral("=1"));
    expected.columnWidths = {30, 10, 10, 10, 10};
    WorkbookData expectedBook;
    expectedBook.sheets.push_back(expected);
    ExpectSameWorkbook(expectedBook, book);
}

// A record whose data runs over CONTINUE records: `first` bytes in the
// record, the rest in continuing records that begin with `option` when it is
// not negative (the option byte of a string whose characters go on).
void continued(RecordWriter& w, uint16_t type, const QByteArray& data, qsizetype first, int option,
               qsizetype step = 1000) {
    qsizetype r = w.begin(type);
    w.bytes(data.constData(), first);
    w.end(r);
    for (qsizetype at = first; at < data.size(); at += step) {
        r = w.begin(kContinue);
        if (option >= 0)
            w.u8(uint8_t(option));
        w.bytes(data.constData() + at, std::min(step, data.size() - at));
        w.end(r);
    }
}

TEST_F(XlsFiles, TextsGoOnOverContinueRecordsInLabelsAndFormulaResults) {
    StreamBuilder b;
    standardGlobals(b, QStringLiteral("Devam"), {});
    RecordWriter& s = b.sheet;
    b.bof(s, kSheetStream);
    dimension(s, 2, 1);
    // A LABEL of 3,000 one-byte characters whose continuing records switch
    // to two-byte characters.
    ByteWriter label;
    label.u16(0);
    label.u16(0);
    label.u16(15);
    label.u16(3000);
    label.u8(0);
    label.bytes(QByteArray(1000, 'x').constData(), 1000);
    ByteWriter rest;
    for (int i = 0; i < 2000; ++i)
        rest.u16(u'ş');
    const QByteArray labelData = label.data() + rest.data();
    continued(s, kLabel, labelData, 9 + 1000, 1, 2000);
    // A formula whose text result, 5,000 two-byte characters, follows in a
    // STRING record and its CONTINUE records.
    const char text[8] = {0, 0, 0, 0, 0, 0, char(0xFF), char(0xFF)};
    formula(s, 1, 0, 15, text);
    ByteWriter str;
    str.u16(5000);
    str.u8(1);
    for (int i = 0; i < 5000; ++i)
        str.u16(u'İ');
    continued(s, kString, str.data(), 3 + 2 * 4000, 1);
    s.eof();
    writeBytes(QStringLiteral("devam.xls"), files::BuildCompoundFile(QStringLiteral("Workbook"), b.stream()));
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("devam.xls"))).sheets.at(0);
    EXPECT_EQ(sheet.cell(0, 0)->value, vb::Variant(QString(1000, u'x') + QString(2000, u'ş')));
    EXPECT_EQ(sheet.cell(1, 0)->value, vb::Variant(QString(5000, u'İ')));
    EXPECT_EQ(sheet.cell(1, 0)->formula, QStringLiteral("=1"));
}

// The format's texts hold up to 65,535 characters, twice what a cell takes.
TEST_F(XlsFiles, TextsLongerThanACellHoldsAreRefusedNamingTheCell) {
    for (const int length : {files::kMaxTextLength, files::kMaxTextLength + 1, 65535}) {
        for (const bool formulaResult : {false, true}) {
            SCOPED_TRACE(std::to_string(length) + (formulaResult ? " STRING" : " LABEL"));
            StreamBuilder b;
            standardGlobals(b, QStringLiteral("Uzun"), {});
            RecordWriter& s = b.sheet;
            b.bof(s, kSheetStream);
            dimension(s, 3, 3);
            ByteWriter text;
            if (formulaResult) {
                const char follows[8] = {0, 0, 0, 0, 0, 0, char(0xFF), char(0xFF)};
                formula(s, 2, 1, 15, follows);
            } else {
                text.u16(2);
                text.u16(1);
                text.u16(15);
            }
            text.u16(uint16_t(length));
            text.u8(0);
            text.bytes(QByteArray(length, 'x').constData(), length);
            continued(s, formulaResult ? kString : kLabel, text.data(), formulaResult ? 3 + 1000 : 9 + 1000, 0, 8000);
            s.eof();
            writeBytes(QStringLiteral("uzun.xls"), files::BuildCompoundFile(QStringLiteral("Workbook"), b.stream()));
            if (length <= files::kMaxTextLength) {
                EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("uzun.xls"))).sheets.at(0).value(2, 1),
                          vb::Variant(QString(length, u'x')));
                continue;
            }
            try {
                ReadWorkbookFile(path(QStringLiteral("uzun.xls")));
                ADD_FAILURE() << "read";
            } catch (const vb::Error& e) {
                EXPECT_EQ(e.number(), errWorkbookFile);
                EXPECT_TRUE(e.description().contains(QStringLiteral("'Uzun' sayfasının B3 hücresindeki metin")))
                    << e.description().toStdString();
            }
        }
    }
}

TEST_F(XlsFiles, DamagedRecordsAreRefusedOrReadAsFarAsTheyGo) {
    auto workbook = [](auto sheetRecords, const QStringList& strings = {}) {
        StreamBuilder b;
        standardGlobals(b, QStringLiteral("Bozuk"), strings);
        b.bof(b.sheet, kSheetStream);
        sheetRecords(b.sheet);
        b.sheet.eof();
        return files::BuildCompoundFile(QStringLiteral("Workbook"), b.stream());
    };
    // A shared string the table does not hold.
    writeBytes(QStringLiteral("sst.xls"), workbook([](RecordWriter& s) {
                   qsizetype r = cellRecord(s, kLabelSst, 0, 0, 15);
                   s.u32(7);
                   s.end(r);
               }));
    EXPECT_VB_ERROR(ReadWorkbookFile(path(QStringLiteral("sst.xls"))), errWorkbookFile);
    // Cell records too short for their fields, a LABEL whose count runs
    // past the record, a column past the format's 256: skipped.
    writeBytes(QStringLiteral("kısa.xls"), workbook([](RecordWriter& s) {
                   qsizetype r = s.begin(kNumber);
                   s.u16(0);
                   s.end(r);
                   r = cellRecord(s, kLabel, 0, 1, 15);
                   s.u16(500);
                   s.u8(0);
                   s.bytes("abc", 3);
                   s.end(r);
                   r = cellRecord(s, kNumber, 0, 300, 15);
                   s.f64(1);
                   s.end(r);
                   r = cellRecord(s, kNumber, 1, 0, 15);
                   s.f64(2.5);
                   s.end(r);
               }));
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("kısa.xls"))).sheets.at(0);
    EXPECT_EQ(sheet.rowCount(), 2);
    EXPECT_EQ(sheet.cell(1, 0)->value, vb::Variant(2.5));
    EXPECT_LE(sheet.columnCount(), 2);
    // A sheet whose offset points outside the stream.
    StreamBuilder b;
    standardGlobals(b, QStringLiteral("Yok"), {});
    QByteArray stream = b.stream();
    const qsizetype bound = stream.indexOf(QByteArray("\x85\x00", 2));
    ASSERT_GT(bound, 0);
    files::ByteWriter offset;
    offset.u32(0x7FFFFFF0);
    stream.replace(bound + 4, 4, offset.data());
    writeBytes(QStringLiteral("yer.xls"), files::BuildCompoundFile(QStringLiteral("Workbook"), stream));
    EXPECT_VB_ERROR(ReadWorkbookFile(path(QStringLiteral("yer.xls"))), errWorkbookFile);
}

TEST_F(XlsFiles, MergedRangesAndErrorValuesRoundTrip) {
    WorkbookData book;
    book.sheets.resize(1);
    SheetData& sheet = book.sheets[0];
    sheet.name = QStringLiteral("Birleşik");
    sheet.set(0, 0, Cell("Başlık", true));
    sheet.set(1, 0, Cell(vb::Variant::Error(2007)));
    sheet.set(1, 1, Cell(vb::Variant::Error(2042)));
    sheet.set(2, 2, Cell(vb::Variant::Error(2000)));
    sheet.merges = {{0, 0, 0, 3}, {2, 2, 5, 4}};
    for (FileFormat format : {FileFormat::Xls, FileFormat::Xlsx}) {
        const QString file = path(format == FileFormat::Xls ? QStringLiteral("b.xls") : QStringLiteral("b.xlsx"));
        WriteWorkbookFile(book, file, format);
        const WorkbookData read = ReadWorkbookFile(file);
        ExpectSameWorkbook(book, read);
        EXPECT_EQ(read.sheets[0].merges, sheet.merges);
    }
}

// A compound file whose Workbook stream, shorter than the cut-off, lives
// in the mini stream: sector 0 the FAT, 1 the directory, 2 the mini FAT,
// 3 on the mini stream.
QByteArray miniStreamFile(const QByteArray& stream) {
    const uint32_t end = 0xFFFFFFFE, free = 0xFFFFFFFF;
    const uint32_t miniSectors = uint32_t((stream.size() + 63) / 64);
    const uint32_t containerSectors = (miniSectors * 64 + 511) / 512;
    ByteWriter w;
    w.bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    w.zeros(16);
    w.u16(0x3E);
    w.u16(3);
    w.u16(0xFFFE);
    w.u16(9);
    w.u16(6);
    w.zeros(10);
    w.u32(1);     // FAT sectors
    w.u32(1);     // directory
    w.u32(0);
    w.u32(4096);
    w.u32(2);     // mini FAT
    w.u32(1);
    w.u32(end);
    w.u32(0);
    w.u32(0);
    for (int i = 1; i < 109; ++i)
        w.u32(free);
    std::vector<uint32_t> fat(128, free);
    fat[0] = 0xFFFFFFFD;
    fat[1] = end;
    fat[2] = end;
    for (uint32_t i = 0; i < containerSectors; ++i)
        fat[3 + i] = i + 1 < containerSectors ? 4 + i : end;
    for (uint32_t e : fat)
        w.u32(e);
    auto entry = [&w](const QString& name, uint8_t type, uint32_t child, uint32_t start, uint32_t size) {
        qsizetype at = w.size();
        for (QChar c : name)
            w.u16(c.unicode());
        w.zeros(64 - (w.size() - at));
        w.u16(uint16_t(name.isEmpty() ? 0 : (name.size() + 1) * 2));
        w.u8(type);
        w.u8(1);
        w.u32(free);
        w.u32(free);
        w.u32(child);
        w.zeros(36);
        w.u32(start);
        w.u32(size);
        w.u32(0);
    };
    entry(QStringLiteral("Root Entry"), 5, 1, 3, miniSectors * 64);
    entry(QStringLiteral("Workbook"), 2, free, 0, uint32_t(stream.size()));
    entry({}, 0, free, 0, 0);
    entry({}, 0, free, 0, 0);
    for (uint32_t i = 0; i < 128; ++i)
        w.u32(i < miniSectors ? (i + 1 < miniSectors ? i + 1 : end) : free);
    w.bytes(stream.constData(), stream.size());
    w.zeros(qsizetype(containerSectors) * 512 - stream.size());
    return w.data();
}

TEST_F(XlsFiles, ReadsAShortWorkbookStreamFromTheMiniStream) {
    StreamBuilder b;
    standardGlobals(b, QStringLiteral("Kısa"), {QStringLiteral("kalın kırmızı")});
    b.bof(b.sheet, kSheetStream);
    dimension(b.sheet, 1, 1);
    qsizetype r = cellRecord(b.sheet, kLabelSst, 0, 0, 16);
    b.sheet.u32(0);
    b.sheet.end(r);
    b.sheet.eof();
    const QByteArray stream = b.stream();
    ASSERT_LT(stream.size(), 4096);
    writeBytes(QStringLiteral("kısa.xls"), miniStreamFile(stream));
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("kısa.xls"))).sheets.at(0);
    EXPECT_EQ(sheet.name, QStringLiteral("Kısa"));
    ASSERT_TRUE(sheet.cell(0, 0).has_value());
    EXPECT_EQ(sheet.cell(0, 0)->value, vb::Variant("kalın kırmızı"));
    EXPECT_TRUE(sheet.cell(0, 0)->bold);
    EXPECT_EQ(sheet.cell(0, 0)->color, 0xFF0000u);
}

TEST_F(XlsFiles, ReadsTheValuesOfTheOlderFormatFreexlReads) {
    // BIFF5: a "Book" stream with code page text.
    StreamBuilder b(0x0500);
    RecordWriter& g = b.globals;
    b.bof(g, kGlobalsStream);
    qsizetype r = g.begin(kCodepage);
    g.u16(1254);
    g.end(r);
    for (uint16_t format : {14, 22, 21}) {  // XFs 0-2: date, date and time, time
        r = g.begin(kXf);
        g.u16(0);
        g.u16(format);
        g.zeros(12);
        g.end(r);
    }
    b.boundSheet(QStringLiteral("Eski"));
    g.eof();
    RecordWriter& s = b.sheet;
    b.bof(s, kSheetStream);
    r = s.begin(kDimension);
    s.u16(0);
    s.u16(2);
    s.u16(0);
    s.u16(3);
    s.u16(0);
    s.end(r);
    r = cellRecord(s, kLabel, 0, 0, 15);
    s.u16(5);
    s.bytes("\xDE\xFCkr\xFC", 5);  // "Şükrü" in Windows-1254
    s.end(r);
    r = cellRecord(s, kNumber, 0, 1, 15);
    s.f64(-3.5);
    s.end(r);
    const double serials[] = {45351, 45351.75, 0.25};
    for (uint16_t c = 0; c < 3; ++c) {
        r = cellRecord(s, kNumber, 1, c, c);
        s.f64(serials[c]);
        s.end(r);
    }
    s.eof();
    writeBytes(QStringLiteral("eski.xls"), files::BuildCompoundFile(QStringLiteral("Book"), b.stream()));
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("eski.xls"))).sheets.at(0);
    EXPECT_EQ(sheet.name, QStringLiteral("Eski"));
    EXPECT_EQ(sheet.cell(0, 0)->value, vb::Variant("Şükrü"));
    EXPECT_EQ(sheet.cell(0, 1)->value, vb::Variant(-3.5));
    // Dates as freexl sees them in the older formats.
    EXPECT_EQ(sheet.cell(1, 0)->value, vb::Variant(QDate(2024, 2, 29)));
    EXPECT_EQ(sheet.cell(1, 1)->value, vb::Variant(QDateTime(QDate(2024, 2, 29), QTime(18, 0))));
    EXPECT_EQ(sheet.cell(1, 2)->value, vb::Variant(QDateTime(QDate(1899, 12, 30), QTime(6, 0))));
}

TEST_F(XlsFiles, AnEncryptedWorkbookIsRefused) {
    StreamBuilder b;
    RecordWriter& g = b.globals;
    b.bof(g, kGlobalsStream);
    qsizetype r = g.begin(0x002F);  // FILEPASS
    g.u16(0);
    g.u16(0x1234);
    g.u16(0x5678);
    g.end(r);
    b.boundSheet(QStringLiteral("Gizli"));
    g.eof();
    b.bof(b.sheet, kSheetStream);
    dimension(b.sheet, 0, 0);
    b.sheet.eof();
    writeBytes(QStringLiteral("gizli.xls"), files::BuildCompoundFile(QStringLiteral("Workbook"), b.stream()));
    EXPECT_VB_ERROR(ReadWorkbookFile(path(QStringLiteral("gizli.xls"))), errWorkbookFile);
}

TEST(CompoundFiles, LargeStreamsNeedTheDoubleIndirectFatAndReadBack) {
    // Past 109 FAT sectors (about 7 MB) the header's FAT list runs out.
    QByteArray stream(9 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < stream.size(); i += 4093)
        stream[i] = char(i / 4093);
    const QByteArray file = files::BuildCompoundFile(QStringLiteral("Workbook"), stream);
    EXPECT_GT(files::Get32(file.constData() + 72), 0u);  // DIFAT sectors
    auto back = files::ReadCompoundStream(file, {QStringLiteral("workbook")});
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, stream);
    EXPECT_FALSE(files::ReadCompoundStream(file, {QStringLiteral("Book")}));
    EXPECT_FALSE(files::ReadCompoundStream(file.left(4096), {QStringLiteral("Workbook")}));
}

} // namespace
} // namespace excel::testing
