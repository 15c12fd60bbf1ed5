#include "tests/platform/excel/files_test.h"

#include "platform/excel/files/common.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"

#include <QFile>
#include <QRandomGenerator>
#include <freexl.h>
#include <zip.h>

namespace excel::testing {

WorkbookData SampleWorkbook() {
    WorkbookData book;
    SheetData customers;
    customers.name = QStringLiteral("Müşteriler");
    customers = SheetData::FromRows(QStringLiteral("Müşteriler"), {
        {Cell("Ad Soyad", true), Cell("Telefon", true), Cell("Tutar", true), Cell("Tarih", true), Cell("Aktif", true)},
        {Cell("Çağrı Işık"), Cell("05321234567"), Cell(-12.75), Cell(QDate(2024, 2, 29)), Cell(true)},
        {Cell("Şükrü Öğüt"), Cell(), Cell(0.5), Cell(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))), Cell(false)},
        {Cell(), Cell("ĞÜŞİÖÇ ğüşıöç"), Cell(1234567.125), Cell(QDateTime(QDate(1899, 12, 30), QTime(8, 30))),
         Cell("Reddedildi", true, 0xFF0000)},
        {},
        {Cell(5321234567.0), Cell(), Cell(), Cell(), Cell("uç", false, 0x0000FF)},
    });
    customers.columnWidths = {20, 15, 0, 12.5};
    book.sheets.push_back(customers);

    SheetData overlong;
    overlong.name = QStringLiteral("Gönderilmeyenler");
    overlong = SheetData::FromRows(QStringLiteral("Gönderilmeyenler"), {
        {Cell("GsmNo", true), Cell("Mesaj", true, 0x123456)},
        {Cell("5051112233"), Cell(QStringLiteral("Sayın müşterimiz, ödemeniz alınmıştır; teşekkür ederiz."))},
        {Cell(), Cell(), Cell(QString(), true)},
        {Cell(-0.001), Cell(1e20)},
        {Cell("iki\r\nsatır"), Cell("_x0041_ olduğu gibi")},
    });
    overlong.columnWidths = {0, 40};
    book.sheets.push_back(overlong);

    SheetData empty;
    empty.name = QStringLiteral("Boş Sayfa");
    book.sheets.push_back(empty);
    return book;
}

void ExpectSameWorkbook(const WorkbookData& expected, const WorkbookData& actual, bool fonts) {
    ASSERT_EQ(expected.sheets.size(), actual.sheets.size());
    for (size_t s = 0; s < expected.sheets.size(); ++s) {
        const SheetData& e = expected.sheets[s];
        const SheetData& a = actual.sheets[s];
        EXPECT_EQ(e.name, a.name);
        const int rows = std::max(e.rowCount(), a.rowCount());
        const int columns = std::max(e.columnCount(), a.columnCount());
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const std::optional<CellData> ec = e.cell(r, c).value_or(CellData());
                const std::optional<CellData> ac = a.cell(r, c).value_or(CellData());
                const vb::Variant ev = ec->value.isString() && ec->value.stringValue().isEmpty() ? vb::Variant()
                                                                                                  : ec->value;
                EXPECT_EQ(ev, ac->value) << e.name.toStdString() << " row " << r << " column " << c << ": "
                                         << vb::CStr(ev).toStdString() << " / " << vb::CStr(ac->value).toStdString();
                EXPECT_EQ(ec->formula, ac->formula) << e.name.toStdString() << " row " << r << " column " << c;
                if (fonts) {
                    EXPECT_EQ(ec->bold, ac->bold) << e.name.toStdString() << " row " << r << " column " << c;
                    EXPECT_EQ(ec->color, ac->color) << e.name.toStdString() << " row " << r << " column " << c;
                }
            }
        }
        if (!fonts)
            continue;
        const size_t widths = std::max(e.columnWidths.size(), a.columnWidths.size());
        for (size_t c = 0; c < widths; ++c) {
            double ew = c < e.columnWidths.size() ? e.columnWidths[c] : 0;
            double aw = c < a.columnWidths.size() ? a.columnWidths[c] : 0;
            EXPECT_NEAR(ew, aw, 1.0 / 14) << e.name.toStdString() << " width of column " << c;
        }
    }
}

void FilesTest::writeBytes(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void ExpectFreexlReads(const QString& path, const WorkbookData& expected) {
    const void* xls = nullptr;
    ASSERT_EQ(freexl_open(QFile::encodeName(path).constData(), &xls), FREEXL_OK);
    unsigned info = 0;
    freexl_get_info(xls, FREEXL_BIFF_VERSION, &info);
    EXPECT_EQ(info, unsigned(FREEXL_BIFF_VER_8));
    freexl_get_info(xls, FREEXL_BIFF_CODEPAGE, &info);
    EXPECT_EQ(info, unsigned(FREEXL_BIFF_UTF16LE));
    unsigned sheets = 0;
    freexl_get_info(xls, FREEXL_BIFF_SHEET_COUNT, &sheets);
    ASSERT_EQ(sheets, expected.sheets.size());
    for (unsigned short s = 0; s < sheets; ++s) {
        const SheetData& e = expected.sheets[s];
        const char* name = nullptr;
        unsigned rows = 0;
        unsigned short columns = 0;
        ASSERT_EQ(freexl_get_worksheet_name(xls, s, &name), FREEXL_OK);
        EXPECT_EQ(QString::fromUtf8(name), e.name);
        ASSERT_EQ(freexl_select_active_worksheet(xls, s), FREEXL_OK);
        ASSERT_EQ(freexl_worksheet_dimensions(xls, &rows, &columns), FREEXL_OK);
        const files::Extent extent = files::ExtentOf(e);
        EXPECT_EQ(rows, unsigned(extent.lastRow + 1));
        EXPECT_EQ(columns, extent.lastColumn + 1);
        for (unsigned r = 0; r < rows; ++r)
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                ASSERT_EQ(freexl_get_cell_value(xls, r, c, &cell), FREEXL_OK);
                const std::optional<CellData> ec = e.cell(int(r), c);
                const vb::Variant v = ec ? ec->value : vb::Variant();
                QString got;
                switch (cell.type) {
                case FREEXL_CELL_INT: got = QString::number(cell.value.int_value); break;
                case FREEXL_CELL_DOUBLE: got = QString::number(cell.value.double_value, 'g', 17); break;
                case FREEXL_CELL_NULL: break;
                default: got = QString::fromUtf8(cell.value.text_value); break;
                }
                QString want;
                if (v.isString())
                    want = v.stringValue();
                else if (v.isBoolean())
                    want = v.boolValue() ? QStringLiteral("1") : QStringLiteral("0");
                else if (v.isNumber())
                    want = QString::number(v.doubleValue(), 'g', 17);
                else if (v.isDate())
                    want = v.dateValue().toString(cell.type == FREEXL_CELL_DATE ? QStringLiteral("yyyy-MM-dd")
                                                  : cell.type == FREEXL_CELL_TIME ? QStringLiteral("HH:mm:ss")
                                                                                  : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                EXPECT_EQ(got, want) << e.name.toStdString() << " row " << r << " column " << c;
                if (v.isDate()) {
                    EXPECT_TRUE(cell.type == FREEXL_CELL_DATE || cell.type == FREEXL_CELL_DATETIME
                                || cell.type == FREEXL_CELL_TIME);
                }
            }
    }
    freexl_close(xls);
}

void WriteZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& parts) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& [name, content] : parts)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, content.data(), content.size(), 0), ZIP_FL_ENC_UTF_8);
    ASSERT_EQ(zip_close(z), 0);
}

QByteArray FilesTest::readBytes(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

TEST(FileFormat, ComesFromTheExtensionAndDefaultsToTheBinaryFormat) {
    const struct {
        const char* name;
        FileFormat format;
    } cases[] = {
        {"rapor.xls", FileFormat::Xls},        {"RAPOR.XLSX", FileFormat::Xlsx},
        {"liste.Csv", FileFormat::Csv},        {"rapor", FileFormat::Xls},
        {"notlar.txt", FileFormat::Xls},       {"/tmp/a.b/rapor", FileFormat::Xls},
        {"/tmp/arşiv.2024.xlsx", FileFormat::Xlsx}, {"C:\\gitmeyen.xls", FileFormat::Xls},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatForFileName(QString::fromUtf8(c.name)), c.format) << c.name;
}

TEST(SheetData, GrowsOnWriteAndAnswersNullOutside) {
    SheetData sheet;
    EXPECT_FALSE(sheet.cell(0, 0).has_value());
    sheet.setValue(2, 3, vb::Variant(7));
    sheet.setBold(0, 1, true);
    EXPECT_EQ(sheet.rowCount(), 3);
    EXPECT_EQ(sheet.columnCount(), 4);
    ASSERT_TRUE(sheet.cell(2, 3).has_value());
    EXPECT_EQ(sheet.cell(2, 3)->value, vb::Variant(7));
    ASSERT_TRUE(sheet.cell(2, 0).has_value());
    EXPECT_TRUE(sheet.cell(2, 0)->isEmpty());
    EXPECT_FALSE(sheet.cell(1, 0).has_value());  // row 1 stayed empty
    EXPECT_FALSE(sheet.cell(0, 2).has_value());
    EXPECT_FALSE(sheet.cell(-1, 0).has_value());
    EXPECT_VB_ERROR(sheet.setValue(-1, 0, vb::Variant(1)), vb::errSubscript);
}

TEST(SheetData, KeepsEveryKindOfValueWithItsFontAndFormula) {
    const QDateTime local(QDate(2024, 2, 29), QTime(18, 30, 15, 250));
    const vb::Variant values[] = {
        vb::Variant(-12.75),
        vb::Variant(QStringLiteral("Çağrı Işık")),
        vb::Variant(QString()),                    // a formula's empty text
        vb::Variant(QString(70000, u'ş')),         // longer than the pool takes
        vb::Variant(true),
        vb::Variant(false),
        vb::Variant(local),
        vb::Variant(QDateTime(QDate(1899, 12, 30), QTime(8, 30))),
        vb::Variant(local.toUTC()),                // kept in its own time spec
        vb::Variant::Error(2007),
        vb::Variant::Long(42),                     // kept as the kind it is
        vb::Variant::Null(),
    };
    SheetData sheet;
    int row = 0;
    for (const vb::Variant& v : values) {
        CellData cell = CellData::make(v, row % 2 == 0, row % 3 == 0 ? 0xFF0000 : 0);
        if (row % 4 == 0)
            cell.formula = QStringLiteral("=A%1").arg(row + 2);
        sheet.set(row++, 1, cell);
    }
    row = 0;
    for (const vb::Variant& v : values) {
        SCOPED_TRACE(row);
        const std::optional<CellData> cell = sheet.cell(row, 1);
        ASSERT_TRUE(cell.has_value());
        EXPECT_EQ(cell->value.type(), v.type());
        EXPECT_EQ(cell->value, v);
        if (v.isDate()) {
            EXPECT_EQ(cell->value.dateValue().timeSpec(), v.dateValue().timeSpec());
        }
        EXPECT_EQ(cell->bold, row % 2 == 0);
        EXPECT_EQ(cell->color, row % 3 == 0 ? 0xFF0000u : 0u);
        EXPECT_EQ(cell->formula, row % 4 == 0 ? QStringLiteral("=A%1").arg(row + 2) : QString());
        ++row;
    }
}

TEST(SheetData, TextsWrittenOverAndOverLeaveTheOthersAsTheyWere) {
    SheetData sheet;
    for (int r = 0; r < 100; ++r)
        sheet.setValue(r, 0, vb::Variant(QStringLiteral("sabit %1").arg(r)));
    // Enough replaced characters to make the pool build itself anew.
    const QString filler(30000, u'x');
    for (int i = 0; i < 400; ++i)
        sheet.setValue(i % 3, 1, vb::Variant(filler + QString::number(i)));
    sheet.setValue(0, 1, vb::Variant(12.5));
    for (int r = 0; r < 100; ++r)
        EXPECT_EQ(sheet.value(r, 0), vb::Variant(QStringLiteral("sabit %1").arg(r)));
    EXPECT_EQ(sheet.value(0, 1), vb::Variant(12.5));
    EXPECT_EQ(sheet.value(1, 1), vb::Variant(filler + QStringLiteral("397")));
    EXPECT_EQ(sheet.value(2, 1), vb::Variant(filler + QStringLiteral("398")));
    // A formula cleared leaves the value; the font stays when the value goes.
    sheet.set(5, 5, CellData::make(vb::Variant(3.0), true));
    sheet.setFormula(5, 5, QStringLiteral("=1+2"));
    sheet.setFormula(5, 5, {});
    sheet.setValue(5, 5, {});
    EXPECT_TRUE(sheet.cell(5, 5)->bold);
    EXPECT_FALSE(sheet.cell(5, 5)->hasFormula());
    EXPECT_FALSE(sheet.isEmpty(5, 5));
    EXPECT_FALSE(sheet.holdsValue(5, 5));
}

class RoundTrip : public FilesTest, public ::testing::WithParamInterface<FileFormat> {};

TEST_P(RoundTrip, KeepsValuesFontsNamesAndWidths) {
    const QString file = path(GetParam() == FileFormat::Xls ? QStringLiteral("örnek.xls") : QStringLiteral("örnek.xlsx"));
    const WorkbookData book = SampleWorkbook();
    WriteWorkbookFile(book, file, GetParam());
    ExpectSameWorkbook(book, ReadWorkbookFile(file));
    if (GetParam() == FileFormat::Xls)
        ExpectFreexlReads(file, book);
}

TEST_P(RoundTrip, ReplacesAnExistingFile) {
    const QString file = path(QStringLiteral("rapor"));
    WriteWorkbookFile(SampleWorkbook(), file, GetParam());
    WorkbookData small;
    small.sheets.resize(1);
    small.sheets[0].name = QStringLiteral("Sayfa1");
    small.sheets[0].setValue(0, 0, vb::Variant("GsmNo"));
    WriteWorkbookFile(small, file, GetParam());
    ExpectSameWorkbook(small, ReadWorkbookFile(file));
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip, ::testing::Values(FileFormat::Xls, FileFormat::Xlsx),
                         [](const auto& test) { return test.param == FileFormat::Xls ? "xls" : "xlsx"; });

using CsvFiles = FilesTest;

TEST_F(CsvFiles, RoundTripKeepsTheFirstSheetsValues) {
    WorkbookData book = SampleWorkbook();
    SheetData& sheet = book.sheets[0];
    sheet.setValue(6, 0, vb::Variant("virgül, \"tırnak\"; noktalı virgül ve\r\nsatır sonu"));
    sheet.setValue(6, 1, vb::Variant("123"));      // texts that look like other values
    sheet.setValue(6, 2, vb::Variant("1.234,5"));
    sheet.setValue(6, 3, vb::Variant("29.02.2024"));
    sheet.setValue(6, 4, vb::Variant("DOĞRU"));
    sheet.setValue(7, 4, vb::Variant(" boşluklu "));
    sheet.setValue(7, 0, vb::Variant(0.1 + 0.2));  // needs all seventeen digits
    sheet.setValue(7, 1, vb::Variant(123456789012345678.0));
    sheet.setValue(7, 2, vb::Variant::Error(2007));
    sheet.setValue(7, 3, vb::Variant("sep=;"));
    sheet.setValue(8, 0, vb::Variant("#YOK"));
    const QString file = path(QStringLiteral("liste.csv"));
    WriteWorkbookFile(book, file, FileFormat::Csv);
    // UTF-8 with its byte order mark and the Turkish list separator.
    const QByteArray bytes = readBytes(QStringLiteral("liste.csv"));
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" "Ad Soyad;Telefon;Tutar;Tarih;Aktif\r\n")) << bytes.left(60).toStdString();
    EXPECT_TRUE(bytes.contains(QStringLiteral("Çağrı Işık;05321234567;-12,75;29.02.2024;DOĞRU\r\n").toUtf8())) << bytes.toStdString();

    // Fonts and widths are gone; every value is back as it was.
    WorkbookData expected;
    expected.sheets.push_back(sheet);
    expected.sheets[0].name = QStringLiteral("liste");
    const WorkbookData read = ReadWorkbookFile(file);
    ExpectSameWorkbook(expected, read, false);
    EXPECT_TRUE(read.sheets[0].cell(1, 1)->value.isString());  // the leading zero stays
}

TEST_F(CsvFiles, TypesFieldsByTheirText) {
    const struct {
        const char* field;
        vb::Variant value;
    } cases[] = {
        {"05321234567", vb::Variant("05321234567")},
        {"5321234567", vb::Variant(5321234567.0)},
        {"-0.5", vb::Variant(-0.5)},
        {"0", vb::Variant(0.0)},
        {"1e3", vb::Variant(1000.0)},
        {"2.5E-2", vb::Variant(0.025)},
        {"\"42\"", vb::Variant("42")},
        {"00", vb::Variant("00")},
        {"+5", vb::Variant("+5")},
        {".5", vb::Variant(".5")},
        {"1.", vb::Variant("1.")},
        {"1,5", vb::Variant(1.0)},  // two fields
        {" 12", vb::Variant(" 12")},
        {"123456789012345", vb::Variant(123456789012345.0)},
        {"8990001234567890123", vb::Variant("8990001234567890123")},
        {"DOĞRU", vb::Variant("DOĞRU")},
        {"\"a\"\"b\"", vb::Variant("a\"b")},
        {"\"\"", vb::Variant()},
    };
    for (const auto& c : cases) {
        writeBytes(QStringLiteral("alan.csv"), QByteArray(c.field) + "\n");
        const WorkbookData book = ReadWorkbookFile(path(QStringLiteral("alan.csv")));
        ASSERT_EQ(book.sheets.size(), 1u);
        const std::optional<CellData> cell = book.sheets[0].cell(0, 0);
        EXPECT_EQ(cell ? cell->value : vb::Variant(), c.value) << c.field;
    }
}

TEST_F(CsvFiles, ReadsLineEndingsByteOrderMarkAndQuotedLineBreaks) {
    writeBytes(QStringLiteral("a.csv"), "\xEF\xBB\xBF" "ad,not\r\n\"Ayşe\",\"iki\nsatır\"\n\nson,\rx");
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("a.csv"))).sheets[0];
    EXPECT_EQ(sheet.name, QStringLiteral("a"));
    ASSERT_EQ(sheet.rowCount(), 5);
    EXPECT_EQ(sheet.cell(0, 0)->value, vb::Variant("ad"));
    EXPECT_EQ(sheet.cell(1, 0)->value, vb::Variant("Ayşe"));
    EXPECT_EQ(sheet.cell(1, 1)->value, vb::Variant("iki\nsatır"));
    EXPECT_EQ(sheet.columnCount(), 2);
    EXPECT_EQ(sheet.rowLength(2), 0);
    EXPECT_EQ(sheet.cell(3, 0)->value, vb::Variant("son"));
    EXPECT_FALSE(sheet.cell(3, 1).has_value());  // a trailing empty field is no cell
    EXPECT_EQ(sheet.cell(4, 0)->value, vb::Variant("x"));

    // The sheet is named after the file, as a valid sheet name.
    writeBytes(QStringLiteral("liste [ocak]:1'.csv"), "a\n");
    EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("liste [ocak]:1'.csv"))).sheets[0].name,
              QStringLiteral("liste _ocak__1_"));
}

using FileErrors = FilesTest;

TEST_F(FileErrors, AMissingFileRaisesFileNotFound) {
    EXPECT_VB_ERROR(ReadWorkbookFile(path(QStringLiteral("yok.xls"))), vb::errFileNotFound);
}

TEST_F(FileErrors, UnreadableContentRaisesTheWorkbookFileError) {
    QByteArray noise(5000, '\0');
    QRandomGenerator random(20240229);
    for (char& b : noise)
        b = char(random.bounded(256));
    QByteArray compoundNoise = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + noise;
    const struct {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"gürültü.xls", noise},
        {"metin.xls", "Bu bir çalışma kitabı değil.\r\n"},
        {"boş.xlsx", ""},
        {"bozuk.xls", compoundNoise},
        {"gürültü.csv", noise},
    };
    for (const auto& c : cases) {
        writeBytes(QString::fromUtf8(c.name), c.content);
        EXPECT_VB_ERROR(ReadWorkbookFile(path(QString::fromUtf8(c.name))), errWorkbookFile);
    }
    WriteZip(path(QStringLiteral("arşiv.xlsx")), {{"readme.txt", "merhaba"}});
    WriteZip(path(QStringLiteral("yarım.xlsx")), {{"xl/workbook.xml", "<workbook><sheets><sheet name='A' r:id='rId1'"}});
    for (const char* name : {"arşiv.xlsx", "yarım.xlsx"})
        EXPECT_VB_ERROR(ReadWorkbookFile(path(QString::fromUtf8(name))), errWorkbookFile);
}

TEST_F(FileErrors, TheContentDecidesTheFormatNotTheName) {
    const WorkbookData book = SampleWorkbook();
    WriteWorkbookFile(book, path(QStringLiteral("aslında.xls")), FileFormat::Xlsx);
    ExpectSameWorkbook(book, ReadWorkbookFile(path(QStringLiteral("aslında.xls"))));
    WriteWorkbookFile(book, path(QStringLiteral("aslında.csv")), FileFormat::Xls);
    ExpectSameWorkbook(book, ReadWorkbookFile(path(QStringLiteral("aslında.csv"))));
}

TEST_F(FileErrors, WorkbooksTheHostCouldNotHoldAreRefused) {
    auto named = [](std::vector<QString> names) {
        WorkbookData book;
        for (const QString& n : names) {
            book.sheets.emplace_back();
            book.sheets.back().name = n;
        }
        return book;
    };
    const WorkbookData refused[] = {
        named({}),
        named({QString()}),
        named({QString(32, u'a')}),
        named({QStringLiteral("Ocak/Şubat")}),
        named({QStringLiteral("[rapor]")}),
        named({QStringLiteral("'rapor'")}),
        named({QStringLiteral("Rapor"), QStringLiteral("RAPOR")}),
    };
    for (FileFormat format : {FileFormat::Xls, FileFormat::Xlsx, FileFormat::Csv})
        for (const WorkbookData& book : refused)
            EXPECT_VB_ERROR(WriteWorkbookFile(book, path(QStringLiteral("x")), format), errWorkbookFile);

    WorkbookData longText = named({QStringLiteral("Sayfa1")});
    longText.sheets[0].setValue(0, 0, vb::Variant(QString(files::kMaxTextLength + 1, u'ş')));
    for (FileFormat format : {FileFormat::Xls, FileFormat::Xlsx})
        EXPECT_VB_ERROR(WriteWorkbookFile(longText, path(QStringLiteral("uzun")), format), errWorkbookFile);
}

TEST_F(FileErrors, AFolderThatIsNotThereCannotBeWritten) {
    for (FileFormat format : {FileFormat::Xls, FileFormat::Xlsx, FileFormat::Csv})
        EXPECT_VB_ERROR(WriteWorkbookFile(SampleWorkbook(), path(QStringLiteral("yok/rapor")), format), errWorkbookFile);
}

// A workbook as other programs write it: namespace prefixes, shared rich
// text, inline strings, custom and built-in date formats, the 1904 date
// system, theme and indexed colours, cells without references, formulas,
// errors and a chart sheet.
TEST_F(FilesTest, ReadsWorkbooksOfOtherWriters) {
    const char* ns = "xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    WriteZip(path(QStringLiteral("başka.xlsx")), {
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", std::string("<x:workbook ") + ns + "><x:workbookPr date1904=\"1\"/><x:sheets>"
                            "<x:sheet name=\"Veri\" sheetId=\"2\" r:id=\"rId2\"/>"
                            "<x:sheet name=\"Grafik\" sheetId=\"3\" r:id=\"rId5\"/>"
                            "<x:sheet name=\"İkinci\" sheetId=\"1\" r:id=\"rId1\"/></x:sheets></x:workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships>"
         "<Relationship Id=\"rId1\" Type=\"" + rel + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + rel + "worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"" + rel + "sharedStrings\" Target=\"sharedStrings.xml\"/>"
         "<Relationship Id=\"rId4\" Type=\"" + rel + "styles\" Target=\"styles.xml\"/>"
         "<Relationship Id=\"rId5\" Type=\"" + rel + "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
         "</Relationships>"},
        {"xl/sharedStrings.xml", std::string("<x:sst ") + ns + "><x:si><x:t>Merhaba</x:t></x:si>"
                                 "<x:si><x:r><x:rPr><x:b/></x:rPr><x:t>Çok </x:t></x:r>"
                                 "<x:r><x:t xml:space=\"preserve\">parçalı </x:t></x:r><x:rPh><x:t>ふりがな</x:t></x:rPh></x:si>"
                                 "<x:si><x:t xml:space=\"preserve\"> </x:t></x:si>"
                                 "<x:si><x:t>bir_x000D_\niki _x005F_x0041_</x:t></x:si></x:sst>"},
        {"xl/styles.xml", std::string("<x:styleSheet ") + ns + "><x:numFmts>"
                          "<x:numFmt numFmtId=\"164\" formatCode=\"[$-41F]dd.mm.yyyy;@\"/>"
                          "<x:numFmt numFmtId=\"165\" formatCode=\"0\\d\"/>"
                          "<x:numFmt numFmtId=\"166\" formatCode=\"&quot;gün&quot; 0\"/></x:numFmts>"
                          "<x:fonts><x:font><x:color theme=\"1\"/></x:font>"
                          "<x:font><x:b/><x:color rgb=\"FFFF0000\"/></x:font>"
                          "<x:font><x:b val=\"0\"/><x:color indexed=\"12\"/></x:font></x:fonts><x:cellXfs>"
                          "<x:xf numFmtId=\"0\" fontId=\"0\"/><x:xf numFmtId=\"164\" fontId=\"0\"/>"
                          "<x:xf numFmtId=\"165\" fontId=\"0\"/><x:xf numFmtId=\"166\" fontId=\"0\"/>"
                          "<x:xf numFmtId=\"0\" fontId=\"1\"/><x:xf numFmtId=\"0\" fontId=\"2\"/>"
                          "<x:xf numFmtId=\"14\" fontId=\"1\"/><x:xf numFmtId=\"22\" fontId=\"0\"/>"
                          "</x:cellXfs></x:styleSheet>"},
        {"xl/worksheets/sheet2.xml",
         std::string("<x:worksheet ") + ns + "><x:cols><x:col min=\"1\" max=\"2\" width=\"20.7109375\" customWidth=\"1\"/>"
         "<x:col min=\"3\" max=\"16384\" width=\"5.7109375\"/></x:cols><x:sheetData>"
         "<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c><x:c r=\"B1\" t=\"s\" s=\"4\"><x:v>1</x:v></x:c>"
         "<x:c r=\"D1\" t=\"s\"><x:v>2</x:v></x:c><x:c r=\"E1\" t=\"s\"><x:v>3</x:v></x:c></x:row>"
         "<x:row r=\"3\"><x:c r=\"A3\" s=\"1\"><x:v>45000</x:v></x:c><x:c s=\"2\"><x:v>5</x:v></x:c>"
         "<x:c s=\"3\"><x:v>7</x:v></x:c><x:c r=\"E3\" t=\"b\"><x:v>1</x:v></x:c></x:row>"
         "<x:row><x:c r=\"A4\" t=\"inlineStr\" s=\"5\"><x:is><x:t>satır içi</x:t></x:is></x:c>"
         "<x:c r=\"B4\" t=\"e\"><x:v>#N/A</x:v></x:c>"
         "<x:c r=\"C4\" t=\"str\"><x:f>A1&amp;\"!\"</x:f><x:v>Merhaba!</x:v></x:c><x:c r=\"D4\" s=\"4\"/>"
         "<x:c r=\"E4\" s=\"6\"><x:v>0</x:v></x:c><x:c r=\"F4\" s=\"7\"><x:v>1.5</x:v></x:c>"
         "<x:c r=\"AA4\"><x:v>-2.5E-3</x:v></x:c></x:row></x:sheetData></x:worksheet>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"2\"><c r=\"B2\"><v>3</v></c></row></sheetData></worksheet>"},
    });
    const WorkbookData book = ReadWorkbookFile(path(QStringLiteral("başka.xlsx")));
    ASSERT_EQ(book.sheets.size(), 2u);
    const SheetData& s = book.sheets[0];
    EXPECT_EQ(s.name, QStringLiteral("Veri"));
    auto value = [&](int r, int c) { return s.cell(r, c) ? s.cell(r, c)->value : vb::Variant(); };
    const QDate epoch1904(1904, 1, 1);
    EXPECT_EQ(value(0, 0), vb::Variant("Merhaba"));
    EXPECT_EQ(s.cell(0, 0)->color, 0u);
    EXPECT_EQ(value(0, 1), vb::Variant("Çok parçalı "));
    EXPECT_TRUE(s.cell(0, 1)->bold);
    EXPECT_EQ(s.cell(0, 1)->color, 0xFF0000u);
    EXPECT_EQ(value(0, 3), vb::Variant(" "));
    EXPECT_EQ(value(0, 4), vb::Variant("bir\r\niki _x0041_"));
    EXPECT_EQ(s.rowLength(1), 0);
    EXPECT_EQ(value(2, 0), vb::Variant(epoch1904.addDays(45000)));
    EXPECT_EQ(value(2, 1), vb::Variant(5.0));
    EXPECT_EQ(value(2, 2), vb::Variant(7.0));
    EXPECT_EQ(value(2, 4), vb::Variant(true));
    EXPECT_EQ(value(3, 0), vb::Variant("satır içi"));
    EXPECT_FALSE(s.cell(3, 0)->bold);
    EXPECT_EQ(s.cell(3, 0)->color, 0x0000FFu);
    EXPECT_EQ(value(3, 1), vb::Variant::Error(2042));
    EXPECT_EQ(value(3, 2), vb::Variant("Merhaba!"));
    EXPECT_EQ(s.cell(3, 2)->formula, QStringLiteral("=A1&\"!\""));
    EXPECT_TRUE(value(3, 3).isEmpty());
    EXPECT_TRUE(s.cell(3, 3)->bold);
    EXPECT_EQ(value(3, 4), vb::Variant(epoch1904));
    EXPECT_TRUE(s.cell(3, 4)->bold);
    EXPECT_EQ(value(3, 5), vb::Variant(QDateTime(epoch1904.addDays(1), QTime(12, 0))));
    EXPECT_EQ(value(3, 26), vb::Variant(-0.0025));
    ASSERT_EQ(s.columnWidths.size(), 27u);
    EXPECT_DOUBLE_EQ(s.columnWidths[0], 20);
    EXPECT_DOUBLE_EQ(s.columnWidths[1], 20);
    EXPECT_DOUBLE_EQ(s.columnWidths[26], 5);
    EXPECT_EQ(book.sheets[1].name, QStringLiteral("İkinci"));
    ASSERT_TRUE(book.sheets[1].cell(1, 1).has_value());
    EXPECT_EQ(book.sheets[1].cell(1, 1)->value, vb::Variant(3.0));
}

TEST(DateFormats, DatesAreTheFormatsWithDateOrTimeCodesOutsideTextAndBrackets) {
    const struct {
        const char* code;
        bool date;
    } cases[] = {
        {"dd.mm.yyyy", true},  {"[$-41F]d mmmm yyyy;@", true}, {"hh:mm:ss", true},
        {"[h]:mm", true},      {"General", false},             {"0.00", false},
        {"#,##0 \"TL\"", false}, {"\"day\" 0", false},         {"0\\d", false},
        {"[Red]0.00", false},  {"_-* #,##0_-", false},         {"@", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files::IsDateFormatCode(QString::fromUtf8(c.code)), c.date) << c.code;
}

TEST(HostSerials, AgreeWithTheLanguageFromMarch1900AndCountTheMissingLeapDayBefore) {
    EXPECT_EQ(files::HostSerial(QDateTime(QDate(2024, 2, 29), QTime(12, 0))), 45351.5);
    EXPECT_EQ(files::HostSerial(QDateTime(QDate(1900, 3, 1), QTime(0, 0))), 61);
    EXPECT_EQ(files::HostSerial(QDateTime(QDate(1900, 1, 1), QTime(0, 0))), 1);
    EXPECT_EQ(files::HostSerial(QDateTime(QDate(1899, 12, 30), QTime(6, 0))), 0.25);
    EXPECT_EQ(files::FromHostSerial(1), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    EXPECT_EQ(files::FromHostSerial(59), QDateTime(QDate(1900, 2, 28), QTime(0, 0)));
    EXPECT_EQ(files::FromHostSerial(45351.75), QDateTime(QDate(2024, 2, 29), QTime(18, 0)));
    EXPECT_EQ(files::FromHostSerial(0, true), QDateTime(QDate(1904, 1, 1), QTime(0, 0)));
}

} // namespace
} // namespace excel::testing
