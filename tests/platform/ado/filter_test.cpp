#include "tests/platform/ado/support.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <gtest/gtest.h>

using namespace ado;
using adotest::Column;
using adotest::ErrorOf;
using adotest::MadeUp;

namespace {

// A sheet as the workbook reader gives it: text columns and a number column.
RecordsetPtr sheet() {
    auto rs = std::make_shared<Recordset>();
    rs->Fields().Append(QStringLiteral("Ad"), adVarWChar, 255);
    rs->Fields().Append(QStringLiteral("Sehir"), adVarWChar, 255);
    rs->Fields().Append(QStringLiteral("Yas"), adDouble, 8);
    rs->Fields().Append(QStringLiteral("Kod"), adVarWChar, 255);
    rs->Open();
    struct R { const char* ad; const char* sehir; double yas; const char* kod; };
    for (const R& r : {R{"Ali", "Ankara", 30, "10"}, R{"Ayşe", "İzmir", 25, "7"}, R{"Veli", "ankara", 41, "x"},
                       R{"Can", "Bursa", 35, "3"}, R{"Elif", "Ankara", 52, "12"}}) {
        rs->AddNew();
        rs->Fields(0).setValue(r.ad);
        rs->Fields(1).setValue(r.sehir);
        rs->Fields(2).setValue(r.yas);
        rs->Fields(3).setValue(r.kod);
    }
    rs->AddNew();
    rs->Fields(0).setValue(QStringLiteral("Boş"));
    return rs;
}

RecordsetPtr report() {
    return MadeUp({"GsmNo", "Durum"}, {{"5321111111", "Beklemede"},
                                       {"5322222222", "İletildi"},
                                       {"5323333333", "Zaman Aşımı"},
                                       {"5324444444", "Reddedildi"},
                                       {"5325555555", "Reddedildi"}});
}

struct FilterCase {
    const char* criteria;
    QStringList names;
};

class FilterTexts : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterTexts, LetThroughTheRowsTheyDescribe) {
    auto rs = sheet();
    rs->setFilter(QString::fromUtf8(GetParam().criteria));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), GetParam().names);
    EXPECT_EQ(rs->RecordCount(), GetParam().names.size());
}

INSTANTIATE_TEST_SUITE_P(
    Filter, FilterTexts,
    ::testing::Values(
        // the template page's conditions, joined with " and "
        FilterCase{"Sehir = 'Ankara'", {"Ali", "Veli", "Elif"}},
        FilterCase{"Sehir = 'Ankara' and Yas > 35", {"Veli", "Elif"}},
        FilterCase{"Sehir = 'Ankara' and Yas > 35 and Ad <> 'Elif'", {"Veli"}},
        FilterCase{"Yas >= 35", {"Veli", "Can", "Elif"}},
        FilterCase{"Yas <= 30", {"Ali", "Ayşe"}},
        FilterCase{"Yas < 30 OR Yas > 50", {"Ayşe", "Elif"}},
        FilterCase{"Yas > '40'", {"Veli", "Elif"}},
        FilterCase{"Yas = 30.0", {"Ali"}},
        FilterCase{"Ad like 'A*'", {"Ali", "Ayşe"}},
        FilterCase{"Ad LIKE '%l%'", {"Ali", "Veli", "Elif"}},
        FilterCase{"Ad Like 'can'", {"Can"}},
        FilterCase{"Ad < 'B'", {"Ali", "Ayşe"}},
        FilterCase{"sehir = 'ANKARA' And (Ad = 'Ali' oR Ad = 'Elif')", {"Ali", "Elif"}},
        FilterCase{"[Sehir] = 'Bursa'", {"Can"}},
        FilterCase{"Kod = NULL", {"Boş"}},
        FilterCase{"Sehir = 'Yok'", {}}));

struct StatusCase {
    const char* criteria;
    QStringList statuses;
};

class StatusFilters : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusFilters, ShowTheTickedStatuses) {
    auto rs = report();
    auto shown = rs->Clone();
    shown->setFilter(QString());
    shown->setFilter(QString::fromUtf8(GetParam().criteria));
    EXPECT_EQ(Column(shown, QStringLiteral("Durum")), GetParam().statuses);
    // The filter belongs to the clone it was put on.
    EXPECT_EQ(rs->RecordCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Filter, StatusFilters,
    ::testing::Values(
        StatusCase{"", {"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi", "Reddedildi"}},
        StatusCase{"Durum = 'Reddedildi'", {"Reddedildi", "Reddedildi"}},
        StatusCase{"Durum = 'İletildi' OR Durum = 'Reddedildi'", {"İletildi", "Reddedildi", "Reddedildi"}},
        StatusCase{"Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'", {"Zaman Aşımı", "Reddedildi", "Reddedildi"}},
        StatusCase{"Durum = 'Beklemede' OR Durum = 'İletildi' OR Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'",
                   {"Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi", "Reddedildi"}},
        StatusCase{"Durum = 'Reddedildi' OR Durum = 'Zaman Aşımı'", {"Zaman Aşımı", "Reddedildi", "Reddedildi"}}));

struct BadCase {
    const char* criteria;
    int error;
};

class MalformedCriteria : public ::testing::TestWithParam<BadCase> {};

TEST_P(MalformedCriteria, RaiseAndLeaveTheFilterInForce) {
    auto rs = sheet();
    rs->setFilter(QStringLiteral("Sehir = 'Ankara'"));
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->setFilter(QString::fromUtf8(GetParam().criteria)); }), GetParam().error);
    EXPECT_EQ(rs->Filter(), QStringLiteral("Sehir = 'Ankara'"));
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Ali", "Veli", "Elif"}));
}

INSTANTIATE_TEST_SUITE_P(
    Filter, MalformedCriteria,
    ::testing::Values(BadCase{"Ad = 'O'Brien'", adErrInvalidArgument},
                      BadCase{"Ad = 'O''Brien'", adErrInvalidArgument},
                      BadCase{"Ad Soyad = 'Ali'", adErrInvalidArgument},
                      BadCase{"Adi Soyadi = 'Ali'", adErrItemNotFound},
                      BadCase{"Meslek = 'Ali'", adErrItemNotFound},
                      BadCase{"Yas > 'otuz'", vb::errTypeMismatch},
                      BadCase{"Kod > 5", vb::errTypeMismatch},
                      BadCase{"Yas > otuz", adErrInvalidArgument},
                      BadCase{"Ad = ", adErrInvalidArgument},
                      BadCase{"Ad 'Ali'", adErrInvalidArgument},
                      BadCase{"Ad = 'Ali' and", adErrInvalidArgument},
                      BadCase{"Ad = 'Ali", adErrInvalidArgument},
                      BadCase{"(Ad = 'Ali'", adErrInvalidArgument},
                      BadCase{"Ad LIKE 5", adErrInvalidArgument},
                      BadCase{"Ad > NULL", adErrInvalidArgument}));

// Long filters cost what their length costs: groups nest a hundred deep at
// most, and thousands of clauses joined are matched one after the other.
TEST(Filter, DeepGroupsAreRefusedAndLongJoinsMatch) {
    auto rs = sheet();
    auto nested = [](int depth) {
        return QString(depth, u'(') + QStringLiteral("Sehir = 'Ankara'") + QString(depth, u')');
    };
    rs->setFilter(nested(100));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Ali", "Veli", "Elif"}));
    EXPECT_EQ(ErrorOf([&] { rs->setFilter(nested(101)); }), adErrInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { rs->setFilter(QString(100000, u'(')); }), adErrInvalidArgument);

    QStringList clauses;
    for (int i = 0; i < 50000; ++i)
        clauses << QStringLiteral("Sehir = 'Yok%1'").arg(i);
    rs->setFilter(clauses.join(QStringLiteral(" OR ")) + QStringLiteral(" OR Ad = 'Elif'"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), QStringList{"Elif"});
    rs->setFilter(QStringLiteral("Ad = 'Elif' AND ") + QStringList(50000, QStringLiteral("Sehir = 'Ankara'")).join(QStringLiteral(" AND ")));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), QStringList{"Elif"});
}

TEST(Filter, HiddenRowsAreHiddenFromEveryWalkAndTheEmptyTextShowsThemAgain) {
    auto rs = report();
    rs->setPageSize(2);
    rs->setFilter(QStringLiteral("Durum = 'Reddedildi' OR Durum = 'Zaman Aşımı'"));
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->PageCount(), 2);
    rs->setAbsolutePage(2);
    EXPECT_EQ(rs->Fields(0).Value(), vb::Variant("5325555555"));
    rs->MoveLast();
    rs->MovePrevious();
    EXPECT_EQ(rs->Fields(0).Value(), vb::Variant("5324444444"));

    rs->setFilter(QStringLiteral("Durum = 'Yok'"));
    EXPECT_TRUE(rs->Bof() && rs->Eof());
    EXPECT_EQ(rs->PageCount(), 0);

    rs->setFilter(QString());
    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_EQ(rs->Filter(), QString());

    // A row added while a filter is in force is seen, whatever it holds.
    rs->setFilter(QStringLiteral("Durum = 'Beklemede'"));
    rs->AddNew();
    rs->Fields(1).setValue(QStringLiteral("İletildi"));
    EXPECT_EQ(rs->RecordCount(), 2);
}

TEST(RecordsetSort, OrdersTheWalkAndRejectsColumnsOfMixedKinds) {
    auto rs = sheet();
    rs->setSort(QStringLiteral("Yas ASC"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Boş", "Ayşe", "Ali", "Can", "Veli", "Elif"}));
    rs->setSort(QStringLiteral("yas desc"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Elif", "Veli", "Can", "Ali", "Ayşe", "Boş"}));
    rs->setFilter(QStringLiteral("Sehir = 'Ankara'"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Elif", "Veli", "Ali"}));
    rs->setSort(QStringLiteral("Sehir ASC, Ad DESC"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Veli", "Elif", "Ali"}));
    rs->setFilter(QString());
    rs->setSort(QString());
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Ali", "Ayşe", "Veli", "Can", "Elif", "Boş"}));

    rs->setSort(QStringLiteral("Ad DESC"));
    rs->MoveFirst();
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->setSort(QStringLiteral("Meslek ASC")); }), adErrItemNotFound);
    EXPECT_EQ(rs->Sort(), QStringLiteral("Ad DESC"));
    EXPECT_EQ(rs->AbsolutePosition(), 2);

    // A column holding a number in one row and a text in another.
    auto mixed = std::make_shared<Recordset>();
    mixed->Fields().Append(QStringLiteral("Deger"), adVariant, 0);
    mixed->Open();
    for (const vb::Variant& v : {vb::Variant(3.0), vb::Variant("iki"), vb::Variant(1.0)}) {
        mixed->AddNew();
        mixed->Fields(0).setValue(v);
    }
    EXPECT_EQ(ErrorOf([&] { mixed->setSort(QStringLiteral("Deger ASC")); }), adErrInvalidArgument);
    EXPECT_EQ(mixed->Sort(), QString());
    EXPECT_EQ(Column(mixed, QStringLiteral("Deger")), (QStringList{"3", "iki", "1"}));
}

TEST(RecordsetSort, AColumnCaptionWithABlankSortsByThatColumn) {
    auto rs = MadeUp({"Ad Soyad"}, {{"Zeki"}, {"Ahmet"}});
    rs->setSort(QStringLiteral("Ad Soyad ASC"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad Soyad")), (QStringList{"Ahmet", "Zeki"}));
}

} // namespace
