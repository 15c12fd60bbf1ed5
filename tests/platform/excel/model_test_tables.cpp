// Worksheets read as tables through the data objects, with the connection
// strings of the template page of both editions.
#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/worksheetprovider.h"
#include "platform/vb/error.h"
#include "tests/platform/ado/support.h"
#include "tests/support/file_opens.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace excel;

namespace {

using adotest::ErrorOf;

QString firstEdition(const QString& dbq) {
    return QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=DBQ=") + dbq
         + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};MaxBufferSize=2048;MaxScanRows=8;"
                          "PageTimeout=5;SafeTransactions=0;Threads=3;UID=admin;UserCommitSync=Yes;");
}

QString secondEdition(const QString& dbq) {
    return QStringLiteral("DBQ=") + dbq + QStringLiteral(";Driver={Driver do Microsoft Excel(*.xls)};");
}

// The path the first edition hands the driver: the workbook's folder, a
// backslash and its name less its last four characters.
QString cutPath(const Workbook& book) {
    return book.Path() + QLatin1Char('\\') + book.Name().chopped(4);
}

class WorksheetTables : public ::testing::Test {
protected:
    void SetUp() override {
        book = app->Workbooks().Add();
        auto list = book->Sheets().Item(1);
        list->setName(QStringLiteral("Liste"));
        const char* header[] = {"GsmNo", "Ad", "", "Ad", "Tutar"};
        for (int c = 0; c < 5; ++c) list->Cells(1, c + 1).setValue(vb::Variant(header[c]));
        // Ten data rows; row 7 is empty, and the last used row is 11.
        for (int r = 2; r <= 11; ++r) {
            if (r == 7) continue;
            list->Cells(r, 1).setValue(vb::Variant(5320000000.0 + r));
            list->Cells(r, 2).setValue(vb::Variant(QStringLiteral("Kişi %1").arg(r)));
            if (r != 3) list->Cells(r, 5).setValue(vb::Variant(r * 1.5));
        }
        list->Cells(11, 1).setValue(vb::Variant("0532 000 00 11"));   // after the rows scanned
        list->Cells(11, 5).setValue(vb::Variant("yok"));
        list->Cells(12, 3).Font().setBold(true);                      // a font is no value
        book->Sheets().Item(2)->Cells(1, 1).setValue(vb::Variant("Boş"));
        book->SaveAs(dir.filePath(QStringLiteral("liste.xls")));
    }

    ado::ConnectionPtr open(const QString& connectionString) {
        auto c = std::make_shared<ado::Connection>();
        c->Open(connectionString);
        return c;
    }

    ado::RecordsetPtr select(const ado::ConnectionPtr& c, const QString& table) {
        auto rs = std::make_shared<ado::Recordset>();
        rs->Open(QStringLiteral("select * from [") + table + QLatin1Char(']'), c, ado::adOpenStatic,
                 ado::adLockBatchOptimistic);
        return rs;
    }

    QTemporaryDir dir;
    std::shared_ptr<Application> app = Application::New();
    std::shared_ptr<Workbook> book;
};

TEST_F(WorksheetTables, BothEditionsOpenTheSavedWorkbookAndListItsSheetsInOrder) {
    for (const QString& cs : {firstEdition(cutPath(*book)), secondEdition(book->FullName()),
                              secondEdition(book->Path() + QLatin1Char('\\') + book->Name())}) {
        const auto c = open(cs);
        const auto schema = c->OpenSchema(ado::adSchemaTables);
        QStringList tables;
        for (schema->MoveFirst(); !schema->Eof(); schema->MoveNext())
            tables << vb::CStr(schema->Fields(QStringLiteral("TABLE_NAME")).Value());
        EXPECT_EQ(tables, (QStringList{"Liste$", "Sayfa2$", "Sayfa3$"})) << cs.toStdString();
    }
}

TEST_F(WorksheetTables, WhatWasNeverSavedCannotBeOpened) {
    const auto unsaved = app->Workbooks().Add();
    // The first edition cuts "Kitap2" to "Ki"; the second empties "\Kitap2".
    for (const QString& cs : {firstEdition(cutPath(*unsaved)), secondEdition(QString()),
                              secondEdition(dir.filePath(QStringLiteral("yok.xls")))})
        EXPECT_EQ(ErrorOf([&] { open(cs); }), ado::errDataSource) << cs.toStdString();
    // Another driver's connection is not this provider's.
    EXPECT_EQ(ErrorOf([&] { open(QStringLiteral("DBQ=") + book->FullName() + QStringLiteral(";Driver={Text};")); }),
              ado::adErrProviderNotFound);
}

TEST_F(WorksheetTables, ASheetIsReadAsFieldsFromRowOneAndRecordsToTheLastUsedRow) {
    const auto rs = select(open(firstEdition(cutPath(*book))), QStringLiteral("Liste$"));
    ASSERT_EQ(rs->Fields().Count(), 5);
    QStringList names;
    for (int i = 0; i < 5; ++i) names << rs->Fields(i).Name();
    EXPECT_EQ(names, (QStringList{"GsmNo", "Ad", "F3", "Ad1", "Tutar"}));
    EXPECT_EQ(rs->RecordCount(), 10);

    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(QStringLiteral("GsmNo")).Value(), vb::Variant(5320000002.0));
    EXPECT_EQ(rs->Fields(QStringLiteral("Ad")).Value(), vb::Variant("Kişi 2"));
    EXPECT_TRUE(rs->Fields(QStringLiteral("F3")).Value().isNull());
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields(QStringLiteral("Tutar")).Value().isNull());   // an empty cell
    for (int i = 0; i < 4; ++i) rs->MoveNext();                            // the empty row 7
    for (int f = 0; f < 5; ++f) EXPECT_TRUE(rs->Fields(f).Value().isNull());
}

TEST_F(WorksheetTables, ColumnsAreTypedByTheirFirstRowsAndNoValueIsLost) {
    const auto rs = select(open(secondEdition(book->FullName())), QStringLiteral("Liste$"));
    EXPECT_EQ(rs->Fields(QStringLiteral("GsmNo")).Type(), ado::adDouble);
    EXPECT_EQ(rs->Fields(QStringLiteral("Ad")).Type(), ado::adVarWChar);
    EXPECT_EQ(rs->Fields(QStringLiteral("F3")).Type(), ado::adVarWChar);
    EXPECT_EQ(rs->Fields(QStringLiteral("Tutar")).Type(), ado::adDouble);
    rs->MoveLast();
    // Row 11 lies past the eight rows scanned: its texts arrive as texts.
    EXPECT_EQ(rs->Fields(QStringLiteral("GsmNo")).Value(), vb::Variant("0532 000 00 11"));
    EXPECT_EQ(rs->Fields(QStringLiteral("Tutar")).Value(), vb::Variant("yok"));

    // How deep the scan goes decides the type; either way every value comes.
    SheetData sheet;
    sheet.name = QStringLiteral("S");
    sheet.setValue(0, 0, vb::Variant("N"));
    sheet.setValue(1, 0, vb::Variant("bir"));
    for (int r = 2; r <= 9; ++r) sheet.setValue(r, 0, vb::Variant(r + 0.5));
    const ado::Rowset deep = SheetTable(sheet, 8);
    EXPECT_EQ(deep.fields[0].type, ado::adDouble);
    EXPECT_EQ(deep.rows[0][0], vb::Variant("bir"));
    EXPECT_EQ(deep.rows[1][0], vb::Variant(2.5));
    const ado::Rowset shallow = SheetTable(sheet, 1);
    EXPECT_EQ(shallow.fields[0].type, ado::adVarWChar);
    EXPECT_EQ(shallow.rows[1][0], vb::Variant("2,5"));   // the text the cell shows

    // A text too long for a text field makes the column a long one.
    sheet.setValue(10, 0, vb::Variant(QString(300, QLatin1Char('x'))));
    const ado::Rowset longer = SheetTable(sheet, 1);
    EXPECT_EQ(longer.fields[0].type, ado::adLongVarWChar);
    EXPECT_EQ(longer.rows[9][0].stringValue().size(), 300);
}

TEST_F(WorksheetTables, RequeryReadsTheFileAgain) {
    const auto rs = select(open(firstEdition(cutPath(*book))), QStringLiteral("liste$"));
    EXPECT_EQ(rs->RecordCount(), 10);
    book->Sheets().Item(1)->Cells(20, 2).setValue(vb::Variant("yeni"));
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 10);   // not saved yet
    book->Save();
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 19);
}

TEST_F(WorksheetTables, AConnectionReadsItsFileOnceUntilTheFileChanges) {
    FileOpens opens(dir.path());
    ASSERT_TRUE(opens.watching());
    const QString file = QStringLiteral("liste.xls");
    const auto c = open(firstEdition(cutPath(*book)));
    EXPECT_EQ(opens.since(file), 1);
    // The table list and the tables come from that reading, and so do those
    // of a second connection on the file as it was.
    c->OpenSchema(ado::adSchemaTables);
    const auto rs = select(c, QStringLiteral("Liste$"));
    const auto other = open(secondEdition(book->FullName()));
    other->OpenSchema(ado::adSchemaTables);
    EXPECT_TRUE(select(other, QStringLiteral("Sayfa2$"))->Eof());
    EXPECT_EQ(opens.since(file), 0);
    // Once its rows are in a recordset, a sheet's cells are not kept: a
    // table asked for again comes from the file.
    EXPECT_EQ(select(other, QStringLiteral("Liste$"))->RecordCount(), 10);
    EXPECT_EQ(opens.since(file), 1);

    // A requery reads the file again, once.
    rs->Requery();
    EXPECT_EQ(opens.since(file), 1);

    // Saved since: the next statement reads it again, and sees what was
    // saved; a new connection takes that reading.
    book->Sheets().Item(1)->Cells(20, 2).setValue(vb::Variant("yeni"));
    book->Save();
    opens.since(file);
    const auto schema = c->OpenSchema(ado::adSchemaTables);
    EXPECT_EQ(opens.since(file), 1);
    EXPECT_EQ(select(open(secondEdition(book->FullName())), QStringLiteral("Liste$"))->RecordCount(), 19);
    EXPECT_EQ(opens.since(file), 0);
    EXPECT_EQ(select(c, QStringLiteral("Liste$"))->RecordCount(), 19);
    EXPECT_EQ(opens.since(file), 1);
}

TEST_F(WorksheetTables, AnEmptySheetHasNoRecordsAndOtherStatementsFail) {
    const auto c = open(firstEdition(cutPath(*book)));
    const auto empty = select(c, QStringLiteral("Sayfa3$"));
    EXPECT_TRUE(empty->Bof());
    EXPECT_TRUE(empty->Eof());
    const auto headerOnly = select(c, QStringLiteral("Sayfa2$"));
    EXPECT_EQ(headerOnly->Fields(0).Name(), QStringLiteral("Boş"));
    EXPECT_TRUE(headerOnly->Eof());
    for (const char* sql : {"select * from [Yok$]", "select * from [Liste]", "delete from [Liste$]",
                            "select GsmNo from [Liste$]"})
        EXPECT_EQ(ErrorOf([&] { c->Execute(QString::fromUtf8(sql)); }), ado::errSqlStatement) << sql;
}

// Headers that every look-up of a field would take for one name (letter
// case ignored, by the Turkish pairs too) get numbers, so that each field
// answers to its own name; the numbers go on past names already taken.
TEST_F(WorksheetTables, HeadersAlikeUnderEitherRuleOfLetterCaseGetNumbers) {
    const QStringList headers{"ADI", "adı", "Adı", "IŞIK", "ışık", "Ad", "Ad", "Ad1", "", "F9", "ad"};
    auto sheet = book->Sheets().Item(3);
    for (int c = 0; c < headers.size(); ++c) {
        sheet->Cells(1, c + 1).setValue(vb::Variant(headers[c]));
        sheet->Cells(2, c + 1).setValue(vb::Variant(QStringLiteral("değer %1").arg(c)));
    }
    book->Save();
    const auto rs = select(open(firstEdition(cutPath(*book))), QStringLiteral("Sayfa3$"));
    const QStringList expected{"ADI", "adı1", "Adı2", "IŞIK", "ışık1", "Ad", "Ad1", "Ad11", "F9", "F91", "ad2"};
    ASSERT_EQ(rs->Fields().Count(), expected.size());
    // Each name finds its own column, and the names go into a recordset of
    // one's own making as they are.
    ado::Recordset copy;
    for (int c = 0; c < expected.size(); ++c) {
        EXPECT_EQ(rs->Fields(c).Name(), expected[c]);
        EXPECT_EQ(rs->Fields(expected[c]).Value(), vb::Variant(QStringLiteral("değer %1").arg(c))) << c;
        copy.Fields().Append(rs->Fields(c).Name(), rs->Fields(c).Type(), rs->Fields(c).DefinedSize());
    }
    EXPECT_EQ(copy.Fields().Count(), expected.size());
}

// Thousands of columns of one name: every one gets a name of its own.
TEST_F(WorksheetTables, ThousandsOfColumnsOfOneNameAreNumberedInTurn) {
    SheetData sheet;
    sheet.name = QStringLiteral("S");
    constexpr int kColumns = 16384;
    for (int c = 0; c < kColumns; ++c) sheet.setValue(0, c, vb::Variant("Ad"));
    const ado::Rowset table = SheetTable(sheet);
    ASSERT_EQ(int(table.fields.size()), kColumns);
    EXPECT_EQ(table.fields[0].name, QStringLiteral("Ad"));
    for (int c = 1; c < kColumns; ++c) ASSERT_EQ(table.fields[c].name, QStringLiteral("Ad%1").arg(c));
}

TEST_F(WorksheetTables, WorkbooksOfOtherWritersAreReadAndTheirSheetsFoundUnderTurkishRules) {
    const QString file = QStringLiteral(QM_CORPUS_DIR "/lo-ornek.xls");
    const auto c = open(secondEdition(file));
    for (const char* table : {"Müşteriler$", "MÜŞTERİLER$", "müşteriler$"}) {
        const auto rs = select(c, QString::fromUtf8(table));
        EXPECT_EQ(rs->RecordCount(), 5) << table;
    }
    const auto rs = select(c, QStringLiteral("MÜŞTERİLER$"));
    EXPECT_EQ(rs->Fields(QStringLiteral("GsmNo")).Value(), vb::Variant("05321234567"));
    EXPECT_EQ(rs->Fields(QStringLiteral("Tarih")).Value(), vb::Variant(QDate(2024, 2, 29)));
    for (int i = 0; i < 2; ++i) rs->MoveNext();
    // A formula's last value; an error value as the host shows it.
    EXPECT_EQ(rs->Fields(QStringLiteral("Tutar")).Value(), vb::Variant(1234.06));
    EXPECT_EQ(rs->Fields(QStringLiteral("Durum")).Value(), vb::Variant("#DIV/0!"));
    const auto text = select(c, QStringLiteral("uzun metin$"));
    EXPECT_EQ(vb::CStr(text->Fields(QStringLiteral("Mesaj")).Value()).size(), 9000);
}

TEST_F(WorksheetTables, TheDriversWayOfFindingTheFile) {
    book->SaveAs(dir.filePath(QStringLiteral("liste.xlsx")));
    const QString xls = dir.filePath(QStringLiteral("liste.xls"));
    const QString xlsx = dir.filePath(QStringLiteral("liste.xlsx"));
    struct Case {
        QString dbq;
        QString found;
    } cases[] = {
        {dir.filePath(QStringLiteral("liste")), xls},          // no extension: the .xls file
        {xls, xls},
        {dir.filePath(QStringLiteral("liste.")), xlsx},        // ".xlsx" cut by four
        {QDir::toNativeSeparators(dir.path()) + QStringLiteral("\\liste"), xls},
        {dir.filePath(QStringLiteral("list")), QString()},
        {dir.path(), QString()},                               // a folder is no workbook
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveWorkbookPath(c.dbq), c.found) << c.dbq.toStdString();

    // The first edition's cut of a .xlsx name opens that file.
    const auto rs = select(open(firstEdition(cutPath(*book))), QStringLiteral("Liste$"));
    EXPECT_EQ(rs->RecordCount(), 10);
}

} // namespace
