// Files made to hurt a reader, or merely too big for a workbook: texts
// longer than a cell holds, zip entries that claim more than they could
// inflate to, things that are no files, sheets past the formats' grid.

#include "tests/platform/excel/files_test.h"

#include "platform/excel/files/common.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace excel::testing {
namespace {

const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A workbook of one sheet "Sayfa1" with the given sheet data and shared
// strings, as other writers lay it out.
void WriteSheetXlsx(const QString& path, const std::string& sheetData, const std::string& sharedStrings = {}) {
    WriteZip(path, {
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + kRel +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook><sheets><sheet name=\"Sayfa1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + kRel + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + kRel + "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", "<sst>" + sharedStrings + "</sst>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"},
    });
}

std::string repeated(const std::string& unit, int times) {
    std::string out;
    out.reserve(unit.size() * size_t(times));
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

QString errorOf(const QString& file) {
    try {
        ReadWorkbookFile(file);
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), errWorkbookFile) << e.description().toStdString();
        return e.description();
    }
    ADD_FAILURE() << file.toStdString() << " was read";
    return {};
}

using HostileFiles = FilesTest;

TEST_F(HostileFiles, TextsLongerThanACellHoldsAreRefusedNamingTheCell) {
    const int most = files::kMaxTextLength;
    const std::string sh = "\xC5\x9F";  // ş, two bytes in UTF-8
    const struct {
        const char* name;
        int length;          // characters of the text in B2
        bool refused;
    } cases[] = {
        {"paylaşılan", most, false}, {"paylaşılan", most + 1, true},
        {"satır içi", most, false},  {"satır içi", most + 1, true},
        {"formül", most + 1, true},  {"csv", most, false},
        {"csv", most + 1, true},     {"csv tırnaklı", 10 * most, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.length));
        const std::string name = c.name;
        const std::string text = repeated(sh, c.length);
        QString file;
        if (name == "paylaşılan") {
            file = path(QStringLiteral("paylaşılan.xlsx"));
            WriteSheetXlsx(file, "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>1</v></c></row>",
                           "<si><t>kısa</t></si><si><r><t>" + text.substr(0, 10) + "</t></r><r><t>" + text.substr(10) +
                               "</t></r></si>");
        } else if (name == "satır içi") {
            file = path(QStringLiteral("satır.xlsx"));
            WriteSheetXlsx(file, "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>");
        } else if (name == "formül") {
            file = path(QStringLiteral("formül.xlsx"));
            WriteSheetXlsx(file, "<row r=\"2\"><c r=\"B2\" t=\"str\"><f>A1</f><v>" + text + "</v></c></row>");
        } else {
            file = path(QStringLiteral("uzun.csv"));
            const std::string field = name == "csv" ? text : "\"" + text + "\"";
            writeBytes(QStringLiteral("uzun.csv"), QByteArray::fromStdString("a;b\n1;" + field + "\n"));
        }
        if (!c.refused) {
            const WorkbookData book = ReadWorkbookFile(file);
            EXPECT_EQ(book.sheets.at(0).value(1, 1), vb::Variant(QString(c.length, u'ş')));
            continue;
        }
        const QString error = errorOf(file);
        EXPECT_TRUE(error.contains(QStringLiteral("B2 hücresindeki metin 32.767 karakterden uzun"))) << error.toStdString();
        EXPECT_TRUE(error.contains(name == "csv" || name == "csv tırnaklı" ? QStringLiteral("'uzun'")
                                                                          : QStringLiteral("'Sayfa1'")))
            << error.toStdString();
    }
}

// The entry's uncompressed size, in its local header and in the central
// directory, set to what a hostile file would claim.
QByteArray claimingSize(QByteArray zip, const QByteArray& entry, uint32_t size) {
    auto put32 = [&zip](qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            zip[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    int patched = 0;
    for (qsizetype at = zip.indexOf("PK\x03\x04"); at >= 0; at = zip.indexOf("PK\x03\x04", at + 4)) {
        const int nameLength = uint8_t(zip[at + 26]) | (uint8_t(zip[at + 27]) << 8);
        if (zip.mid(at + 30, nameLength) == entry) {
            put32(at + 22, size);
            ++patched;
        }
    }
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4)) {
        const int nameLength = uint8_t(zip[at + 28]) | (uint8_t(zip[at + 29]) << 8);
        if (zip.mid(at + 46, nameLength) == entry) {
            put32(at + 24, size);
            ++patched;
        }
    }
    EXPECT_EQ(patched, 2);
    return zip;
}

TEST_F(HostileFiles, AnEntryClaimingMoreThanItCouldHoldIsRefusedBeforeItIsInflated) {
    WorkbookData book = SampleWorkbook();
    WriteWorkbookFile(book, path(QStringLiteral("örnek.xlsx")), FileFormat::Xlsx);
    const QByteArray honest = readBytes(QStringLiteral("örnek.xlsx"));
    ASSERT_LT(honest.size(), 8000);
    for (const QByteArray& entry : {QByteArray("xl/worksheets/sheet1.xml"), QByteArray("xl/sharedStrings.xml"),
                                   QByteArray("xl/styles.xml")}) {
        SCOPED_TRACE(entry.toStdString());
        writeBytes(QStringLiteral("bomba.xlsx"), claimingSize(honest, entry, 0xFFFFFF00u));
        const QString error = errorOf(path(QStringLiteral("bomba.xlsx")));
        EXPECT_TRUE(error.contains(QString::fromLatin1(entry) + QStringLiteral(": 4294967040 baytlık bir parça olamaz")))
            << error.toStdString();
    }
    // A claim a little short of the truth ends the part early: its XML is
    // cut off, and the file is refused rather than read in part.
    writeBytes(QStringLiteral("kısa.xlsx"), claimingSize(honest, "xl/worksheets/sheet1.xml", 100));
    EXPECT_TRUE(errorOf(path(QStringLiteral("kısa.xlsx"))).contains(QStringLiteral("sheet1.xml")));
}

TEST_F(HostileFiles, OnlyRegularFilesAreOpenedAndNothingElseIsWaitedFor) {
    writeBytes(QStringLiteral("gerçek.csv"), "GsmNo\n5321234567\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("kanal.csv"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("sıfır.csv"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/urandom"), path(QStringLiteral("rastgele.xlsx"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("gerçek.csv")), path(QStringLiteral("bağlantı.csv"))));
    ASSERT_TRUE(QDir(path(QString())).mkdir(QStringLiteral("klasör.xls")));
    for (const char* name : {"kanal.csv", "sıfır.csv", "rastgele.xlsx", "klasör.xls"}) {
        SCOPED_TRACE(name);
        const QString error = errorOf(path(QString::fromUtf8(name)));
        EXPECT_TRUE(error.contains(QStringLiteral("bu bir dosya değil"))) << error.toStdString();
    }
    // A link to a file is the file.
    EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("bağlantı.csv"))).sheets.at(0).value(1, 0),
              vb::Variant(5321234567.0));
}

TEST_F(HostileFiles, SheetsPastTheFormatsGridAreRefused) {
    QByteArray rows;
    rows.reserve(2 * files::kGridRows + 2);
    for (int r = 0; r < files::kGridRows; ++r)
        rows += "1\n";
    writeBytes(QStringLiteral("tam.csv"), rows);
    EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("tam.csv"))).sheets.at(0).rowCount(), files::kGridRows);
    writeBytes(QStringLiteral("fazla.csv"), rows + "1\n");

    QByteArray wide = "1";
    for (int c = 1; c < files::kGridColumns; ++c)
        wide += ";1";
    writeBytes(QStringLiteral("geniş.csv"), wide + "\n");
    EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("geniş.csv"))).sheets.at(0).columnCount(), files::kGridColumns);
    writeBytes(QStringLiteral("daha geniş.csv"), wide + ";1\n");
    // Empty fields past the grid hold nothing: the row is as wide as before.
    writeBytes(QStringLiteral("boşluklu.csv"), wide + QByteArray(100000, ';') + "\n");
    EXPECT_EQ(ReadWorkbookFile(path(QStringLiteral("boşluklu.csv"))).sheets.at(0).columnCount(), files::kGridColumns);

    WriteSheetXlsx(path(QStringLiteral("satır.xlsx")), "<row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row>");
    WriteSheetXlsx(path(QStringLiteral("sütun.xlsx")), "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>");
    WriteSheetXlsx(path(QStringLiteral("sıradaki.xlsx")),
                   "<row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>");
    for (const char* name : {"fazla.csv", "daha geniş.csv", "satır.xlsx", "sütun.xlsx", "sıradaki.xlsx"}) {
        SCOPED_TRACE(name);
        const QString error = errorOf(path(QString::fromUtf8(name)));
        EXPECT_TRUE(error.contains(QStringLiteral("en çok 1.048.576 satır ve 16.384 sütun"))) << error.toStdString();
    }
}

// A compound file SheetJS wrote, each time with one field of its header or
// directory made what a damaged or hostile file holds (fuzz/make-seeds).
// Every field is checked before use: the file is refused, never read
// outside its bytes (the fuzz step runs the same files under the
// sanitizers).
TEST_F(HostileFiles, CompoundFilesWithDamagedHeadersAreRefused) {
    const struct {
        const char* file;
        const char* damage;
    } cases[] = {
        {"kaydirma-218.xls", "a sector size of 2^218"},
        {"mini-kaydirma-218.xls", "a mini sector size of 2^218"},
        {"kaydirma-12.xls", "4096-byte sectors in a file of 512-byte ones"},
        {"fat-sayisi.xls", "4,294,967,295 FAT sectors"},
        {"fat-disarida.xls", "a FAT sector past the end"},
        {"fat-dongu.xls", "a directory chain that loops"},
        {"difat-dongu.xls", "a DIFAT chain that loops"},
        {"dizin-disarida.xls", "a directory past the end"},
        {"minifat-dizinde.xls", "a mini FAT that is the directory"},
        {"mini-sinir-0.xls", "a mini stream cut-off of 0"},
        {"akis-boyu.xls", "a stream of 4 GB"},
        {"akis-baslangic.xls", "a stream starting past the end"},
        {"ad-uzunlugu.xls", "a name of 65,535 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.damage);
        QFile damaged(QStringLiteral(QM_FUZZ_CORPUS_DIR "/cfb/") + QString::fromLatin1(c.file));
        ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
        writeBytes(QStringLiteral("hasarlı.xls"), damaged.readAll());
        EXPECT_TRUE(errorOf(path(QStringLiteral("hasarlı.xls"))).contains(QStringLiteral("okunamıyor")));
    }
}

// Numbers no cell holds, and numbers under a date format that are no date
// of the language's: the first are #NUM!, the others stay numbers.
TEST_F(HostileFiles, NumbersThatAreNoDateOrNoNumberAreKeptAsTheHostShowsThem) {
    WriteZip(path(QStringLiteral("tarih.xlsx")), {
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + kRel +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook><sheets><sheet name=\"Sayfa1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + kRel + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + kRel + "styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/styles.xml", "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>45351</v></c><c r=\"B1\" s=\"1\"><v>1e300</v></c>"
         "<c r=\"C1\" s=\"1\"><v>-1e9</v></c><c r=\"D1\" s=\"1\"><v>nan</v></c><c r=\"E1\"><v>inf</v></c>"
         "<c r=\"F1\"><v>1e300</v></c></row></sheetData></worksheet>"},
    });
    const SheetData sheet = ReadWorkbookFile(path(QStringLiteral("tarih.xlsx"))).sheets.at(0);
    EXPECT_EQ(sheet.value(0, 0), vb::Variant(QDate(2024, 2, 29)));
    EXPECT_EQ(sheet.value(0, 1), vb::Variant(1e300));
    EXPECT_EQ(sheet.value(0, 2), vb::Variant(-1e9));
    EXPECT_EQ(sheet.value(0, 3), files::ErrorValue(0x24));
    EXPECT_EQ(sheet.value(0, 4), files::ErrorValue(0x24));
    EXPECT_EQ(sheet.value(0, 5), vb::Variant(1e300));
    EXPECT_EQ(vb::IsSerialDate(std::nan("")), false);
}

} // namespace
} // namespace excel::testing
