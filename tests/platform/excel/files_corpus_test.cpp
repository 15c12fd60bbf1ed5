// Workbooks written by other programs (tests/platform/excel/corpus, made by
// tools/workbook-corpus/run with LibreOffice and SheetJS): what they hold,
// that every one of them goes through our writers and back unchanged, and
// the files that are refused with what they are.

#include "tests/platform/excel/files_test.h"
#include "tests/support/byte_pieces.h"

#include "platform/excel/files/cfb.h"
#include "platform/excel/files/formats.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFile>

namespace excel::testing {
namespace {

QString corpus(const QString& name) {
    return QDir(QStringLiteral(QM_CORPUS_DIR)).filePath(name);
}

// The fixtures that are workbooks, every one of them.
QStringList workbookFixtures() {
    QStringList names;
    for (const QString& name : QDir(QStringLiteral(QM_CORPUS_DIR)).entryList(QDir::Files, QDir::Name))
        if (!name.startsWith(QLatin1String("lo-web")) && !name.startsWith(QLatin1String("lo-xml"))
            && !name.endsWith(QLatin1String(".ods")))
            names << name;
    return names;
}

vb::Variant valueAt(const WorkbookData& book, int sheet, int row, int column) {
    const std::optional<CellData> c = book.sheets.at(size_t(sheet)).cell(row, column);
    return c ? c->value : vb::Variant();
}

QString longText() {
    const QString unit = QStringLiteral("Sayın müşterimiz, çağrınız için teşekkür ederiz; İstanbul şubemiz ığdır. ");
    QString text;
    while (text.size() < 9000)
        text += unit;
    return text.left(9000);
}

TEST(Corpus, HoldsTheFixturesTheToolMakes) {
    const QStringList names = workbookFixtures();
    for (const char* expected : {"lo-ornek.xls", "lo-ornek.xlsx", "lo-1904.xls", "sheetjs-ornek.xls",
                                 "sheetjs-kucuk.xls", "sheetjs-excel95.xls", "lo-noktali-virgul-1254.csv",
                                 "lo-sekmeli.csv"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(expected))) << expected;
}

// The customers' sheet as each writer wrote it: texts, a number kept as
// text, numbers, dates under Turkish date formats, booleans and errors.
TEST(Corpus, TheCustomersSheetReadsTheSameFromEveryWriter) {
    const QDateTime leapDay(QDate(2024, 2, 29), QTime(0, 0));
    const QDateTime newYearsEve(QDate(2023, 12, 31), QTime(18, 0));
    for (const char* name : {"lo-ornek.xls", "lo-ornek.xlsx", "lo-1904.xls", "lo-1904.xlsx", "sheetjs-ornek.xls",
                             "sheetjs-ornek.xlsx", "sheetjs-1904.xls", "sheetjs-1904.xlsx",
                             "lo-noktali-virgul-1254.csv", "lo-noktali-virgul-utf8.csv", "lo-sekmeli.csv"}) {
        SCOPED_TRACE(name);
        const WorkbookData book = ReadWorkbookFile(corpus(QString::fromLatin1(name)));
        EXPECT_EQ(valueAt(book, 0, 0, 0), vb::Variant("Ad Soyad"));
        EXPECT_EQ(valueAt(book, 0, 1, 0), vb::Variant("Çağrı Işık"));
        EXPECT_EQ(valueAt(book, 0, 1, 1), vb::Variant("05321234567"));
        EXPECT_EQ(valueAt(book, 0, 1, 2), vb::Variant(1234.56));
        EXPECT_EQ(valueAt(book, 0, 1, 3), vb::Variant(leapDay));
        EXPECT_EQ(valueAt(book, 0, 1, 4), vb::Variant(true));
        EXPECT_EQ(valueAt(book, 0, 1, 5), vb::Variant("İletildi"));
        EXPECT_EQ(valueAt(book, 0, 2, 0), vb::Variant("Şükrü Öğütçü"));
        EXPECT_EQ(valueAt(book, 0, 2, 1), vb::Variant(5441234567.0));
        EXPECT_EQ(valueAt(book, 0, 2, 2), vb::Variant(-0.5));
        EXPECT_EQ(valueAt(book, 0, 2, 3), vb::Variant(newYearsEve));
        EXPECT_EQ(valueAt(book, 0, 2, 4), vb::Variant(false));
        EXPECT_EQ(valueAt(book, 0, 3, 2), vb::Variant(1234.06));
        EXPECT_EQ(valueAt(book, 0, 5, 0), vb::Variant("Birleşik başlık"));
        const bool sheetjs = QByteArray(name).startsWith("sheetjs");
        // SheetJS wrote an error value into F3; LibreOffice's formula =1/0
        // left #DIV/0! in F4.
        if (sheetjs)
            EXPECT_EQ(valueAt(book, 0, 2, 5), vb::Variant::Error(2042));
        else
            EXPECT_EQ(valueAt(book, 0, 3, 5), vb::Variant::Error(2007));
    }
}

TEST(Corpus, FormulasMergedRangesAndLongTextsOfTheWorkbookWriters) {
    for (const char* name : {"lo-ornek.xls", "lo-ornek.xlsx", "lo-1904.xls"}) {
        SCOPED_TRACE(name);
        const WorkbookData book = ReadWorkbookFile(corpus(QString::fromLatin1(name)));
        const SheetData& s = book.sheets.at(0);
        EXPECT_EQ(s.cell(3, 2)->formula, QStringLiteral("=SUM(C2:C3)"));
        EXPECT_EQ(s.cell(3, 3)->formula, QStringLiteral("=A2&\"!\""));
        EXPECT_EQ(s.cell(3, 4)->formula, QStringLiteral("=C2>1000"));
        EXPECT_EQ(s.cell(3, 5)->formula, QStringLiteral("=1/0"));
        EXPECT_TRUE(s.cell(0, 0)->bold);
        EXPECT_EQ(s.cell(0, 0)->color, 0xFF0000u);
        ASSERT_EQ(s.merges.size(), 1u);
        EXPECT_EQ(s.merges[0], (MergedRange{5, 0, 5, 2}));
        ASSERT_EQ(book.sheets.size(), 2u);
        EXPECT_EQ(book.sheets[1].name, QStringLiteral("Uzun Metin"));
        EXPECT_EQ(valueAt(book, 1, 1, 0), vb::Variant(longText()));  // 9,000 characters, whole
    }
    for (const char* name : {"sheetjs-ornek.xlsx", "sheetjs-ornek.xls"}) {
        SCOPED_TRACE(name);
        const WorkbookData book = ReadWorkbookFile(corpus(QString::fromLatin1(name)));
        EXPECT_EQ(valueAt(book, 0, 3, 3), vb::Variant("Çağrı Işık!"));
        EXPECT_EQ(valueAt(book, 0, 3, 4), vb::Variant(true));
        EXPECT_EQ(book.sheets[0].merges, (std::vector<MergedRange>{{5, 0, 5, 2}}));
    }
    // SheetJS keeps its formulas in .xlsx; its .xls holds their values only,
    // and texts of at most 255 characters.
    const WorkbookData xlsx = ReadWorkbookFile(corpus(QStringLiteral("sheetjs-ornek.xlsx")));
    EXPECT_EQ(xlsx.sheets[0].cell(3, 2)->formula, QStringLiteral("=SUM(C2:C3)"));
    EXPECT_EQ(valueAt(xlsx, 1, 1, 0), vb::Variant(longText()));
    EXPECT_EQ(valueAt(ReadWorkbookFile(corpus(QStringLiteral("sheetjs-ornek.xls"))), 1, 1, 0),
              vb::Variant(longText().left(255)));
}

TEST(Corpus, SmallAndOldBinaryWorkbooksOpen) {
    // SheetJS's small workbook: its Workbook stream lies in the mini stream.
    const QByteArray small = [] {
        QFile f(corpus(QStringLiteral("sheetjs-kucuk.xls")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const auto stream = files::ReadCompoundStream(small, {QStringLiteral("Workbook")});
    ASSERT_TRUE(stream);
    EXPECT_LT(stream->size(), 4096);
    const WorkbookData book = ReadWorkbookFile(corpus(QStringLiteral("sheetjs-kucuk.xls")));
    EXPECT_EQ(book.sheets.at(0).name, QStringLiteral("Liste"));
    EXPECT_EQ(valueAt(book, 0, 1, 0), vb::Variant("5321234567"));
    EXPECT_EQ(valueAt(book, 0, 1, 1), vb::Variant("Ayşe"));
    EXPECT_EQ(valueAt(book, 0, 2, 0), vb::Variant(5051112233.0));
    // Excel 95's format.
    const WorkbookData old = ReadWorkbookFile(corpus(QStringLiteral("sheetjs-excel95.xls")));
    EXPECT_EQ(old.sheets.at(0).name, QStringLiteral("Eski"));
    EXPECT_EQ(valueAt(old, 0, 1, 0), vb::Variant("Deniz"));
    EXPECT_EQ(valueAt(old, 0, 1, 1), vb::Variant(12.5));
    EXPECT_EQ(valueAt(old, 0, 2, 1), vb::Variant(-3.0));
}

// What saving a fixture in a format keeps: every value, and in the
// workbook formats the fonts, widths and merged ranges too; formulas in
// .xlsx (the .xls writer keeps their values; the host asks first).
WorkbookData keptIn(WorkbookData book, FileFormat format) {
    if (format == FileFormat::Csv) {
        book.sheets.resize(1);
        book.sheets[0].columnWidths.clear();
        book.sheets[0].merges.clear();
    }
    for (SheetData& sheet : book.sheets)
        for (int r = 0; r < sheet.rowCount(); ++r)
            for (int c = 0; c < sheet.rowLength(r); ++c) {
                const CellData cell = *sheet.cell(r, c);
                if (format != FileFormat::Xlsx || cell.formula == CellData::kUnreadFormula)
                    sheet.setFormula(r, c, {});
                if (format == FileFormat::Csv)
                    sheet.setFont(r, c, false, 0);
            }
    return book;
}

class CorpusRoundTrip : public FilesTest, public ::testing::WithParamInterface<FileFormat> {};

TEST_P(CorpusRoundTrip, EveryFixtureIsWrittenAndReadBackWithTheSameValues) {
    const FileFormat format = GetParam();
    const QString suffix = format == FileFormat::Xls ? QStringLiteral(".xls")
                         : format == FileFormat::Xlsx ? QStringLiteral(".xlsx")
                                                      : QStringLiteral(".csv");
    const QStringList fixtures = workbookFixtures();
    ASSERT_FALSE(fixtures.isEmpty());
    for (const QString& name : fixtures) {
        SCOPED_TRACE(name.toStdString());
        const WorkbookData original = ReadWorkbookFile(corpus(name));
        const QString file = path(QFileInfo(name).completeBaseName() + suffix);
        WriteWorkbookFile(original, file, format);
        WorkbookData expected = keptIn(original, format);
        const WorkbookData back = ReadWorkbookFile(file);
        if (format == FileFormat::Csv)
            expected.sheets[0].name = back.sheets.at(0).name;  // a text file's sheet is named after it
        ExpectSameWorkbook(expected, back, format != FileFormat::Csv);
        for (size_t s = 0; s < expected.sheets.size() && s < back.sheets.size(); ++s)
            EXPECT_EQ(expected.sheets[s].merges, back.sheets[s].merges);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusRoundTrip,
                         ::testing::Values(FileFormat::Xls, FileFormat::Xlsx, FileFormat::Csv),
                         [](const auto& test) {
                             return test.param == FileFormat::Xls ? "xls" : test.param == FileFormat::Xlsx ? "xlsx" : "csv";
                         });

using Refusals = FilesTest;

std::string descriptionOf(const QString& file) {
    try {
        ReadWorkbookFile(file);
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), errWorkbookFile);
        return e.description().toStdString();
    }
    ADD_FAILURE() << "no error from " << file.toStdString();
    return {};
}

TEST_F(Refusals, SayWhatTheFileIs) {
    // An Open XML workbook encrypted with a password is a compound file of
    // its encryption data and the encrypted package.
    writeBytes(QStringLiteral("parolalı.xlsx"),
               files::BuildCompoundFile(QStringLiteral("EncryptedPackage"), QByteArray(5000, '\x5A')));
    const struct {
        QString file;
        const char* says;
    } cases[] = {
        {path(QStringLiteral("parolalı.xlsx")), "parolayla korunuyor"},
        {corpus(QStringLiteral("lo-web-sayfasi.xls")), "web sayfası (HTML)"},
        {corpus(QStringLiteral("lo-xml-2003.xls")), "XML Elektronik Tablo 2003"},
        {corpus(QStringLiteral("lo-ornek.ods")), "(.ods) biçimi desteklenmiyor"},
    };
    for (const auto& c : cases) {
        const std::string text = descriptionOf(c.file);
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        // In the host's style: the file's name between apostrophes first.
        EXPECT_EQ(text.rfind("'" + QFileInfo(c.file).fileName().toStdString() + "' dosyası", 0), 0u) << text;
        EXPECT_EQ(text.find("bozuk"), std::string::npos) << text;
    }
}

using CsvSniffing = FilesTest;

TEST_F(CsvSniffing, FindsTheEncodingTheSeparatorAndTheRegionalValues) {
    const QByteArray bom = "\xEF\xBB\xBF";
    const struct {
        const char* name;
        QByteArray content;
        std::vector<vb::Variant> header, firstRow;
    } cases[] = {
        {"noktalı virgül", "Ad;Tutar;Tarih\r\nAyşe;1.234,56;29.02.2024\r\n", {"Ad", "Tutar", "Tarih"},
         {"Ayşe", 1234.56, QDate(2024, 2, 29)}},
        {"sep satırı", bom + "sep=;\r\nAd;Tutar\nAli;12,5\n", {"Ad", "Tutar"}, {"Ali", 12.5}},
        {"sep ile virgül", "sep=,\nAd,Tutar\nAli,\"1,5\"\n", {"Ad", "Tutar"}, {"Ali", "1,5"}},
        {"sekme", "Ad\tGsmNo\tAktif\nCan\t05321234567\tDOĞRU\n", {"Ad", "GsmNo", "Aktif"},
         {"Can", "05321234567", true}},
        {"Windows-1254", "Ad;\xDE" "ehir\r\n\xC7" "a\xF0r\xFD;\xDDstanbul\r\n", {"Ad", "Şehir"}, {"Çağrı", "İstanbul"}},
        {"UTF-16", QByteArray("\xFF\xFE" "A\0;\0B\0\n\0" "1\0;\0\x5E\x01" "2\0\n\0", 20), {"A", "B"}, {1.0, "Ş2"}},
        {"virgül", "Ad,Tutar\nAli,-0.5\n", {"Ad", "Tutar"}, {"Ali", -0.5}},
        {"tırnaklı sayı", "Ad;Tutar\nAli;\"12,5\"\n", {"Ad", "Tutar"}, {"Ali", "12,5"}},
        {"saat ve hata", "A;B;C\n31.12.2023 18:00;#BÖL/0!;YANLIŞ\n", {"A", "B", "C"},
         {QDateTime(QDate(2023, 12, 31), QTime(18, 0)), vb::Variant::Error(2007), false}},
        {"gruplar", "A;B;C;D\n1.234;12.34;1.2345;0,5\n", {"A", "B", "C", "D"}, {1234.0, "12.34", "1.2345", 0.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(QStringLiteral("dosya.csv"), c.content);
        const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("dosya.csv"))).sheets.at(0);
        ASSERT_GE(sheet.rowCount(), 2);
        for (int row : {0, 1}) {
            const std::vector<vb::Variant>& expected = row == 0 ? c.header : c.firstRow;
            for (size_t i = 0; i < expected.size(); ++i) {
                const std::optional<CellData> cell = sheet.cell(row, int(i));
                EXPECT_EQ(cell ? cell->value : vb::Variant(), expected[i]) << "row " << row << ", column " << i;
            }
        }
    }
}

// Read a piece at a time, a text file reads as it does whole, wherever its
// pieces end: inside a character of several bytes, between the CR and the
// LF of a line end, inside quotes or between two doubled quotes, and in a
// file whose bytes turn out not to be UTF-8 only past its first lines.
TEST_F(CsvSniffing, AFileReadAPieceAtATimeReadsAsItDoesWhole) {
    QByteArray lines;
    for (int i = 0; i < 25; ++i) lines += "Çağrı " + QByteArray::number(i) + ";" + QByteArray::number(i) + ",5\r\n";
    const QByteArray rows = "\"Ayşe \"\"İnci\"\"\";\"iki\r\nsatır\";sonra\"x\"y\r\n;;\n\"\"\"\";ş€😀;12.345,67\r\n\"son";
    const struct {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"UTF-8", "\xEF\xBB\xBF" + lines + rows},
        {"sep satırı", "sep=;\r\n" + lines + rows},
        {"Windows-1254 geç", lines + "\xDE" "ehir;\xDDstanbul\r\n" + rows.left(20)},
        {"son satır sonsuz", lines + "a;b\r"},
        // The bytes of a byte order mark inside the text are a character.
        {"ortada işaret", lines + "a\xEF\xBB\xBF" "b;c\n" + rows},
        // Quotes across thirty line ends: the separator's twenty lines go on
        // past them.
        {"tırnak içinde satırlar", "\"" + QByteArray("x\n").repeated(30) + "\",1;2\n" + lines + rows},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WorkbookData whole = ReadWorkbookContent(QStringLiteral("dosya.csv"), c.content);
        for (qsizetype size : {1, 2, 3, 5, 7, 64}) {
            SCOPED_TRACE(size);
            Pieces pieces(c.content, size);
            ExpectSameWorkbook(whole, files::ReadCsv(QStringLiteral("dosya.csv"), pieces));
        }
    }
    const SheetData sheet = ReadWorkbookContent(QStringLiteral("dosya.csv"), cases[0].content).sheets[0];
    EXPECT_EQ(sheet.value(25, 0), vb::Variant("Ayşe \"İnci\""));
    EXPECT_EQ(sheet.value(25, 1), vb::Variant("iki\r\nsatır"));
    EXPECT_EQ(sheet.value(25, 2), vb::Variant("sonra\"x\"y"));
    EXPECT_EQ(sheet.value(27, 0), vb::Variant("\""));
    EXPECT_EQ(sheet.value(27, 1), vb::Variant("ş€😀"));
    EXPECT_EQ(sheet.value(27, 2), vb::Variant(12345.67));
    EXPECT_EQ(sheet.value(28, 0), vb::Variant("son"));
}

// A file larger than the pieces it is read in, from the disk: a character
// across the end of the first look at it, and a doubled quote across the
// end of the piece after it.
TEST_F(CsvSniffing, ALargeFileFromTheDiskReadsAsItDoesWhole) {
    constexpr qsizetype kHead = 65536, kSecond = kHead + (qsizetype(4) << 20);
    QByteArray content = "Ad;Not\n";
    while (content.size() < kHead - 1) content += "a;b\n";
    content.truncate(kHead - 1);
    content += "ş;\n";
    while (content.size() < kSecond - 40) content += "\"x\"\"y\";z\n";
    content += QByteArray(kSecond - 3 - content.size() - 1, 'c') + "\n";
    content += "\"x\"\"y\";son\n";
    ASSERT_EQ(content.mid(kSecond - 1, 2), "\"\"");
    writeBytes(QStringLiteral("büyük.csv"), content);
    const WorkbookData whole = ReadWorkbookContent(path(QStringLiteral("büyük.csv")), content);
    ExpectSameWorkbook(whole, ReadWorkbookFile(path(QStringLiteral("büyük.csv"))));
    const SheetData& sheet = whole.sheets[0];
    EXPECT_EQ(sheet.value(sheet.rowCount() - 1, 0), vb::Variant("x\"y"));
}

TEST_F(CsvSniffing, AFileFromTheDiskFoundToBeWindows1254PastItsFirstPieceIsReadAgainFromItsStart) {
    // The first piece reads as UTF-8; a byte of the Turkish code page far
    // after it sends the reading back to the first byte.
    QByteArray content = "Ad;\xDE" "ehir\n";
    while (content.size() < 200000) content += "a;b\n";
    content += "Ay\xFE" "e;\xDD" "stanbul\n";
    writeBytes(QStringLiteral("eski.csv"), content);
    const WorkbookData whole = ReadWorkbookContent(path(QStringLiteral("eski.csv")), content);
    ExpectSameWorkbook(whole, ReadWorkbookFile(path(QStringLiteral("eski.csv"))));
    const SheetData& sheet = whole.sheets[0];
    EXPECT_EQ(sheet.value(0, 1), vb::Variant(QStringLiteral("Şehir")));
    EXPECT_EQ(sheet.value(sheet.rowCount() - 1, 0), vb::Variant(QStringLiteral("Ayşe")));
    EXPECT_EQ(sheet.value(sheet.rowCount() - 1, 1), vb::Variant(QStringLiteral("İstanbul")));
}

} // namespace
} // namespace excel::testing
