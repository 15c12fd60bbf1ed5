#include "tests/platform/ado/support.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <gtest/gtest.h>

using namespace ado;
using adotest::Column;
using adotest::ErrorOf;
using adotest::MadeUp;

namespace {

RecordsetPtr basket() {
    auto rs = std::make_shared<Recordset>();
    rs->Fields().Append(QStringLiteral("MSG"), adVarChar, 160);
    rs->Fields().Append(QStringLiteral("GSM"), adVarChar, 20);
    rs->Open();
    return rs;
}

void add(const RecordsetPtr& rs, const QString& msg, const QString& gsm) {
    rs->AddNew();
    rs->Fields(0).setValue(msg);
    rs->Fields(1).setValue(gsm);
    rs->UpdateBatch(adAffectAll);
}

// n rows numbered 1..n in the field "No".
RecordsetPtr numbered(long n) {
    auto rs = std::make_shared<Recordset>();
    rs->Fields().Append(QStringLiteral("No"), adInteger, 4);
    rs->Open();
    for (long i = 1; i <= n; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(int(i));
        rs->UpdateBatch(adAffectAll);
    }
    return rs;
}

TEST(Recordset, AMadeUpRecordsetHoldsRowsInTheOrderOfAddition) {
    auto rs = basket();
    EXPECT_EQ(rs->State(), adStateOpen);
    EXPECT_TRUE(rs->Bof() && rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
    add(rs, QStringLiteral("Merhaba"), QStringLiteral("5321234567"));
    add(rs, QStringLiteral("Selam"), QStringLiteral("5331234567"));
    EXPECT_FALSE(rs->Bof() || rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(Column(rs, QStringLiteral("gsm")), (QStringList{"5321234567", "5331234567"}));
    EXPECT_TRUE(rs->Eof());

    rs->MoveFirst();
    Field f = rs->Fields(QStringLiteral("Msg"));
    EXPECT_EQ(f.Name(), QStringLiteral("MSG"));
    EXPECT_EQ(f.Type(), adVarChar);
    EXPECT_EQ(f.DefinedSize(), 160);
    EXPECT_EQ(f.Value(), vb::Variant("Merhaba"));
    EXPECT_EQ(rs->Fields().Count(), 2);
    EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Yok")); }), adErrItemNotFound);
    EXPECT_EQ(ErrorOf([&] { rs->Fields(2); }), adErrItemNotFound);

    rs->MoveLast();
    EXPECT_EQ(rs->Fields(0).Value(), vb::Variant("Selam"));
    rs->MovePrevious();
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), adErrNoCurrentRecord);
}

TEST(Recordset, FieldsAreFoundByNameWithoutRegardToCaseTheTurkishWayToo) {
    auto rs = std::make_shared<Recordset>();
    for (const char* name : {"Tarih", "ışık", "Müşteri", "LIST"})
        rs->Fields().Append(QString::fromUtf8(name), adVarChar, 20);
    rs->Open();
    const std::pair<const char*, const char*> cases[] = {
        {"TARİH", "Tarih"}, {"tarih", "Tarih"}, {"IŞIK", "ışık"}, {"MÜŞTERİ", "Müşteri"}, {"list", "LIST"}};
    for (const auto& [asked, found] : cases)
        EXPECT_EQ(rs->Fields(QString::fromUtf8(asked)).Name(), QString::fromUtf8(found)) << asked;
    EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Tarihi")); }), 3265);

    // "i" and "ı" are two names by either rule, but "I" is each of them by
    // one: it cannot be added beside them, and it finds the earlier.
    auto pair = std::make_shared<Recordset>();
    pair->Fields().Append(QStringLiteral("i"), adVarChar, 5);
    pair->Fields().Append(QStringLiteral("ı"), adVarChar, 5);
    for (const char* taken : {"I", "İ", "ı"})
        EXPECT_EQ(ErrorOf([&] { pair->Fields().Append(QString::fromUtf8(taken), adVarChar, 5); }), adErrObjectInCollection)
            << taken;
    pair->Open();
    EXPECT_EQ(pair->Fields(QStringLiteral("I")).Name(), QStringLiteral("i"));
    EXPECT_EQ(pair->Fields(QStringLiteral("İ")).Name(), QStringLiteral("i"));
    EXPECT_EQ(pair->Fields(QStringLiteral("ı")).Name(), QStringLiteral("ı"));
}

TEST(Recordset, AValueLongerThanItsFieldFailsAndValuesTakeTheFieldsType) {
    auto rs = basket();
    rs->AddNew();
    EXPECT_TRUE(rs->Fields(0).Value().isNull());
    EXPECT_EQ(ErrorOf([&] { rs->Fields(0).setValue(QString(161, u'x')); }), errMultipleStep);
    EXPECT_TRUE(rs->Fields(0).Value().isNull());
    rs->Fields(0).setValue(QString(160, u'x'));
    rs->Fields(1).setValue(5321234567.0);
    EXPECT_EQ(rs->Fields(1).Value(), vb::Variant("5321234567"));

    auto typed = std::make_shared<Recordset>();
    typed->Fields().Append(QStringLiteral("n"), adInteger, 4);
    typed->Open();
    typed->AddNew();
    typed->Fields(0).setValue(QStringLiteral("12"));
    EXPECT_EQ(typed->Fields(0).Value(), vb::Variant::Long(12));
    EXPECT_EQ(ErrorOf([&] { typed->Fields(0).setValue(QStringLiteral("on iki")); }), errMultipleStep);
    typed->Fields(0).setValue(vb::Variant());
    EXPECT_TRUE(typed->Fields(0).Value().isNull());
}

TEST(Recordset, NoCurrentRecordNoOpenRecordsetAndNoRowsRaise) {
    auto rs = basket();
    EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), adErrNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), adErrNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->Fields(0).Value(); }), adErrNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), adErrNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->Open(); }), adErrObjectOpen);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Append(QStringLiteral("X"), adVarChar, 5); }), adErrIllegalOperation);
    add(rs, QStringLiteral("a"), QStringLiteral("1"));
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->Fields(0).Value(); }), adErrNoCurrentRecord);

    // Emptying a basket: close, append again (the fields are still there),
    // open again.
    rs->Close();
    EXPECT_EQ(rs->State(), adStateClosed);
    EXPECT_EQ(ErrorOf([&] { rs->RecordCount(); }), adErrObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rs->Close(); }), adErrObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Append(QStringLiteral("MSG"), adVarChar, 160); }), adErrObjectInCollection);
    rs->Open();
    EXPECT_EQ(rs->Fields().Count(), 2);
    EXPECT_TRUE(rs->Bof() && rs->Eof());

    auto fieldless = std::make_shared<Recordset>();
    EXPECT_EQ(ErrorOf([&] { fieldless->Open(); }), adErrInvalidArgument);
    auto readOnly = std::make_shared<Recordset>();
    readOnly->Fields().Append(QStringLiteral("A"), adVarChar, 5);
    readOnly->Open(adOpenStatic, adLockReadOnly);
    EXPECT_EQ(ErrorOf([&] { readOnly->AddNew(); }), adErrFeatureNotAvailable);
    EXPECT_EQ(ErrorOf([&] { rs->Requery(); }), adErrIllegalOperation);
}

TEST(Recordset, ClonesShareRowsAndKeepTheirOwnPosition) {
    auto list = basket();
    auto clone = list->Clone();
    auto second = clone->Clone();
    EXPECT_TRUE(clone->Bof() && clone->Eof());
    add(list, QStringLiteral("a"), QStringLiteral("1"));
    add(list, QStringLiteral("b"), QStringLiteral("2"));
    add(clone, QStringLiteral("c"), QStringLiteral("3"));
    for (const auto& rs : {list, clone, second}) {
        EXPECT_EQ(rs->RecordCount(), 3);
        EXPECT_EQ(Column(rs, QStringLiteral("GSM")), (QStringList{"1", "2", "3"}));
    }

    list->MoveFirst();
    clone->MoveFirst();
    clone->MoveNext();
    clone->Delete();
    EXPECT_EQ(list->Fields(1).Value(), vb::Variant("1"));
    EXPECT_EQ(Column(second, QStringLiteral("GSM")), (QStringList{"1", "3"}));
    EXPECT_EQ(list->RecordCount(), 2);

    // A value assigned through one is read through the other.
    list->MoveFirst();
    list->Fields(1).setValue(QStringLiteral("9"));
    second->MoveFirst();
    EXPECT_EQ(second->Fields(1).Value(), vb::Variant("9"));

    // Closing the original leaves the clones open.
    list->Close();
    EXPECT_EQ(clone->State(), adStateOpen);
    EXPECT_EQ(Column(clone, QStringLiteral("GSM")), (QStringList{"9", "3"}));
    auto readOnly = clone->Clone(adLockReadOnly);
    EXPECT_EQ(ErrorOf([&] { readOnly->AddNew(); }), adErrFeatureNotAvailable);
}

TEST(Recordset, ADeletedRecordStaysCurrentUntilTheNextMove) {
    auto rs = basket();
    add(rs, QStringLiteral("a"), QStringLiteral("1"));
    add(rs, QStringLiteral("b"), QStringLiteral("2"));
    rs->MoveFirst();
    rs->Delete();
    EXPECT_FALSE(rs->Bof() || rs->Eof());
    EXPECT_EQ(rs->AbsolutePosition(), adPosUnknown);
    EXPECT_EQ(ErrorOf([&] { rs->Fields(0).Value(); }), adErrNoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), adErrNoCurrentRecord);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(1).Value(), vb::Variant("2"));
    rs->Delete();
    rs->MoveNext();
    EXPECT_TRUE(rs->Bof() && rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
}

TEST(Recordset, EmptyingALargeBufferRowByRowLeavesOtherPositionsInPlace) {
    const long n = 5000;
    auto buffer = numbered(n);
    auto reader = buffer->Clone();
    reader->setAbsolutePosition(n - 10);
    buffer->MoveFirst();
    long walked = 0;
    while (!buffer->Eof()) {
        if (buffer->Fields(0).Value() == vb::Variant::Long(n - 10)) {
            buffer->MoveNext();   // the reader's row is kept
            continue;
        }
        buffer->Delete();
        buffer->UpdateBatch(adAffectAll);
        buffer->MoveNext();
        ++walked;
    }
    EXPECT_EQ(walked, n - 1);
    EXPECT_EQ(buffer->RecordCount(), 1);
    EXPECT_EQ(reader->Fields(0).Value(), vb::Variant::Long(n - 10));
    EXPECT_EQ(reader->AbsolutePosition(), 1);
    reader->MoveNext();
    EXPECT_TRUE(reader->Eof());
    // Rows added after the emptying start a new walk as usual.
    buffer->AddNew();
    buffer->Fields(0).setValue(1);
    EXPECT_EQ(Column(reader, QStringLiteral("No")), (QStringList{QString::number(n - 10), "1"}));
}

struct PagingCase {
    long rows;
    long pages;
    long lastPageRows;
};

class Paging : public ::testing::TestWithParam<PagingCase> {};

TEST_P(Paging, PagesOf65535RecordsCoverEveryRowOnce) {
    const PagingCase c = GetParam();
    auto rs = numbered(c.rows);
    rs->setPageSize(65535);
    ASSERT_EQ(rs->PageCount(), c.pages);
    long expected = 1;
    for (long page = 1; page <= c.pages; ++page) {
        rs->setAbsolutePage(page);
        EXPECT_EQ(rs->AbsolutePage(), page);
        long inPage = 0;
        while (inPage < 65535 && !rs->Eof()) {
            ASSERT_EQ(rs->Fields(0).Value(), vb::Variant::Long(qint32(expected)));
            ++expected;
            ++inPage;
            rs->MoveNext();
        }
        EXPECT_EQ(inPage, page == c.pages ? c.lastPageRows : 65535);
    }
    EXPECT_EQ(expected - 1, c.rows);
    EXPECT_EQ(rs->AbsolutePage(), c.rows == 0 ? adPosBOF : adPosEOF);
    EXPECT_EQ(ErrorOf([&] { rs->setAbsolutePage(c.pages + 1); }), adErrInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { rs->setPageSize(0); }), adErrInvalidArgument);
}

INSTANTIATE_TEST_SUITE_P(Recordset, Paging,
                         ::testing::Values(PagingCase{0, 0, 0}, PagingCase{65535, 1, 65535},
                                           PagingCase{65536, 2, 1}, PagingCase{150000, 3, 18930}));

TEST(Recordset, WatchersHearOfChangesMadeThroughAnyClone) {
    auto list = basket();
    auto clone = list->Clone();
    std::vector<Change> heard;
    int id = clone->Subscribe([&](Change c) { heard.push_back(c); });
    add(list, QStringLiteral("a"), QStringLiteral("1"));
    EXPECT_EQ(heard, (std::vector<Change>{Change::RowAdded, Change::ValueChanged, Change::ValueChanged}));
    heard.clear();
    clone->MoveFirst();
    list->MoveFirst();
    list->Delete();
    clone->setFilter(QStringLiteral("GSM = '1'"));
    clone->Close();
    EXPECT_EQ(heard, (std::vector<Change>{Change::Moved, Change::RowDeleted, Change::Reset, Change::Closed}));
    clone->Unsubscribe(id);
    clone->Fields().Count();
    EXPECT_EQ(heard.size(), 4u);
}

// A provider of rows kept in memory, read again on every statement.
std::vector<std::vector<vb::Variant>>& sheetRows() {
    static std::vector<std::vector<vb::Variant>> rows;
    return rows;
}

class SheetProvider : public Provider {
public:
    Rowset Execute(const QString& commandText, long* recordsAffected) override {
        if (!commandText.startsWith(QLatin1String("select * from [Sayfa1$]")))
            vb::Raise(errSqlStatement, QStringLiteral("no such table"));
        if (recordsAffected)
            *recordsAffected = -1;
        Rowset r;
        r.fields = {FieldInfo{QStringLiteral("Ad"), adVarWChar, 255}, FieldInfo{QStringLiteral("Yas"), adDouble, 8}};
        r.rows = sheetRows();
        return r;
    }
    Rowset OpenSchema(int) override { return TablesSchema({{QStringLiteral("Sayfa1$"), QStringLiteral("TABLE")}}); }
};

TEST(Recordset, ARegisteredProviderServesItsConnectionStringsAndRequeryReadsItAgain) {
    RegisterProvider(
        QStringLiteral("Sheet"),
        [](const QString& cs) { return ConnectionStringValue(cs, QStringLiteral("Provider")) == u"QmSheet"; },
        [](const QString&) { return std::make_unique<SheetProvider>(); });
    sheetRows() = {{vb::Variant("Ali"), vb::Variant(30.0)}, {vb::Variant("Veli"), vb::Variant(41.0)}};
    auto c = std::make_shared<Connection>();
    c->Open(QStringLiteral("Provider=QmSheet;DBQ=/tmp/x"));
    EXPECT_EQ(Column(c->OpenSchema(adSchemaTables), QStringLiteral("TABLE_NAME")), QStringList{"Sayfa1$"});

    auto rs = std::make_shared<Recordset>();
    rs->Open(QStringLiteral("select * from [Sayfa1$]"), c, adOpenStatic, adLockBatchOptimistic);
    auto sheet = rs->Clone();
    rs->Close();
    sheet->setFilter(QStringLiteral("Yas > 35"));
    EXPECT_EQ(Column(sheet, QStringLiteral("Ad")), QStringList{"Veli"});

    sheetRows().push_back({vb::Variant("Ayşe"), vb::Variant(52.0)});
    sheet->setFilter(QString());
    sheet->Requery();
    EXPECT_EQ(Column(sheet, QStringLiteral("Ad")), (QStringList{"Ali", "Veli", "Ayşe"}));

    // A filter in force is applied to the rows read again.
    sheet->setFilter(QStringLiteral("Yas < 45"));
    sheetRows().pop_back();
    sheetRows().push_back({vb::Variant("Can"), vb::Variant(20.0)});
    sheet->Requery();
    EXPECT_EQ(Column(sheet, QStringLiteral("Ad")), (QStringList{"Ali", "Veli", "Can"}));
    EXPECT_EQ(sheet->Filter(), QStringLiteral("Yas < 45"));
}

} // namespace
