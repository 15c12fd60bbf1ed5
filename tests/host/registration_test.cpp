// The host's plain parts: class ids of the registration, what typing into a
// cell stores, and the sheet model over a worksheet.
#include "host/registration.h"
#include "host/sheetmodel.h"
#include "platform/excel/application.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(HostRegistration, ClassIdIsDerivedFromTheProgIdInRegistryForm) {
    const QString id = host::ClassIdFor(QStringLiteral("Quillmere.Connect"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")).match(id).hasMatch())
        << id.toStdString();
    EXPECT_EQ(id, host::ClassIdFor(QStringLiteral("Quillmere.Connect")));
    // One key for both spellings, as the registry has it.
    EXPECT_EQ(id, host::ClassIdFor(QStringLiteral("quillmere.Connect")));
    EXPECT_NE(id, host::ClassIdFor(QStringLiteral("Quillmere.Connect2")));
}

TEST(HostTypedCell, ReadsWhatIsTypedAsExcelDoes) {
    // Regional settings are Turkish in the tests: "," is the decimal point.
    const struct {
        const char* typed;
        vb::Variant stored;
    } cases[] = {
        {"", vb::Variant()},
        {"Ayşe", vb::Variant(QStringLiteral("Ayşe"))},
        {"12,5", vb::Variant(12.5)},
        {"05321234567", vb::Variant(5321234567.0)},
        {"'05321234567", vb::Variant(QStringLiteral("05321234567"))},
        {"0532 123 45 67", vb::Variant(QStringLiteral("0532 123 45 67"))},
        // Dates and groups of thousands as a Turkish desktop writes them;
        // what fits neither stays the text typed.
        {"12.03.2024", vb::Variant(QDateTime(QDate(2024, 3, 12), QTime(0, 0)))},
        {"29.02.2024 18:30", vb::Variant(QDateTime(QDate(2024, 2, 29), QTime(18, 30)))},
        {"08:30", vb::Variant(QDateTime(QDate(1899, 12, 30), QTime(8, 30)))},
        {"1.5.24", vb::Variant(QDateTime(QDate(2024, 5, 1), QTime(0, 0)))},
        {"30.5", vb::Variant(QDateTime(QDate(QDate::currentDate().year(), 5, 30), QTime(0, 0)))},
        {"31.02.2024", vb::Variant(QStringLiteral("31.02.2024"))},
        {"1.234,5", vb::Variant(1234.5)},
        {"1.234.567", vb::Variant(1234567.0)},
        {"12.3456", vb::Variant(QStringLiteral("12.3456"))},
        {"DOĞRU", vb::Variant(true)},
        {"YANLIŞ", vb::Variant(false)},
        {"-0,5", vb::Variant(-0.5)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(host::TypedCellValue(QString::fromUtf8(c.typed)), c.stored) << c.typed;
}

class HostSheetModel : public ::testing::Test {
protected:
    std::shared_ptr<excel::Application> app = excel::Application::New();
    std::shared_ptr<excel::Workbook> book = app->Workbooks().Add();
    std::shared_ptr<excel::Worksheet> sheet = book->ActiveSheet();
    host::SheetModel model;
};

TEST_F(HostSheetModel, ShowsValuesFontsAndColoursOfTheCells) {
    sheet->Range(QStringLiteral("B2")).setValue(vb::Variant(1234.5));
    sheet->Range(QStringLiteral("A1")).setValue(QStringLiteral("Tutar"));
    sheet->Range(QStringLiteral("A1")).Font().setBold(true);
    sheet->Range(QStringLiteral("A1")).Font().setColor(255);
    model.setSheet(sheet);

    EXPECT_EQ(model.rowCount(), host::SheetModel::kShownRows);
    EXPECT_EQ(model.columnCount(), host::SheetModel::kShownColumns);
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("1234,5"));
    EXPECT_EQ(model.data(model.index(1, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    EXPECT_TRUE(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_FALSE(model.data(model.index(5, 5), Qt::DisplayRole).isValid());
    EXPECT_EQ(model.headerData(27, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("AB"));
}

TEST_F(HostSheetModel, TypingWritesTheCellAndCellsWrittenBeyondTheGridGrowIt) {
    model.setSheet(sheet);
    ASSERT_TRUE(model.setData(model.index(2, 0), QStringLiteral("'007"), Qt::EditRole));
    EXPECT_EQ(sheet->Range(QStringLiteral("A3")).Value(), vb::Variant(QStringLiteral("007")));

    int inserted = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    const int beyond = host::SheetModel::kShownRows + 10;
    sheet->Cells(beyond, 1).setValue(QStringLiteral("son"));
    model.cellsChanged({beyond, 1, 1, 1});
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(model.rowCount(), beyond);
    EXPECT_EQ(model.data(model.index(beyond - 1, 0), Qt::DisplayRole).toString(), QStringLiteral("son"));

    // A change to whole columns does not make every row of the sheet shown.
    model.cellsChanged({1, 1, excel::kMaxRows, 1});
    EXPECT_EQ(model.rowCount(), beyond);
}

TEST_F(HostSheetModel, TheGridDrawsABoundedPartOfALongTextAndEditsAllOfIt) {
    const QString longest(excel::kMaxCellText, u'ş');
    sheet->Range(QStringLiteral("A1")).setValue(longest);
    // An emoji, two UTF-16 units, across the end of the part drawn.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\xB1");
    sheet->Range(QStringLiteral("A2")).setValue(QString(host::kShownCharacters - 1, u'a') + emoji + QStringLiteral("son"));
    model.setSheet(sheet);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), longest.left(host::kShownCharacters));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::EditRole).toString(), longest);
    EXPECT_EQ(model.data(model.index(1, 0), Qt::DisplayRole).toString(), QString(host::kShownCharacters - 1, u'a'));
    // A text longer than a cell holds is refused, as the host refuses it.
    EXPECT_FALSE(model.setData(model.index(2, 0), QString(excel::kMaxCellText + 1, u'x'), Qt::EditRole));
    EXPECT_TRUE(sheet->Range(QStringLiteral("A3")).Value().isEmpty());
}

} // namespace
