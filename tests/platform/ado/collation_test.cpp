// Texts in Sort and Filter as a Turkish desktop compares them: by the
// Turkish alphabet, letter case ignored by the Turkish pairs I/ı and İ/i.
#include "tests/platform/ado/support.h"

#include "platform/ado/ado.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace ado;
using adotest::Column;

namespace {

// One text field; a null entry is a Null value.
RecordsetPtr texts(const std::vector<const char*>& values) {
    auto rs = std::make_shared<Recordset>();
    rs->Fields().Append(QStringLiteral("Ad"), adVarWChar, 255);
    rs->Open();
    for (const char* v : values) {
        rs->AddNew();
        rs->Fields(0).setValue(v ? vb::Variant(QString::fromUtf8(v)) : vb::Variant::Null());
    }
    rs->Update();
    return rs;
}

QStringList list(const std::vector<const char*>& values) {
    QStringList out;
    for (const char* v : values)
        out << (v ? QString::fromUtf8(v) : QStringLiteral("<null>"));
    return out;
}

struct OrderCase {
    const char* what;
    std::vector<const char*> added;
    std::vector<const char*> sorted;   // texts equal under the rule keep the order of addition
};

class TextOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(TextOrder, FollowsTheTurkishAlphabetWithoutRegardToCase) {
    auto rs = texts(GetParam().added);
    rs->setSort(QStringLiteral("Ad ASC"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), list(GetParam().sorted)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Collation, TextOrder,
    ::testing::Values(
        OrderCase{"names", {"Zeynep", "Çiğdem", "Ceren", "Dilek", "Can"}, {"Can", "Ceren", "Çiğdem", "Dilek", "Zeynep"}},
        OrderCase{"each Turkish letter after its Latin one",
                  {"ülke", "uzak", "vazo", "şeker", "sabun", "tarak", "öykü", "ordu", "pamuk", "ığdır", "ilaç", "hala",
                   "jale", "ağa", "agu", "ahu"},
                  {"agu", "ağa", "ahu", "hala", "ığdır", "ilaç", "jale", "ordu", "öykü", "pamuk", "sabun", "şeker",
                   "tarak", "uzak", "ülke", "vazo"}},
        OrderCase{"capitals",
                  {"ÜZÜM", "Uzay", "ŞİŞ", "Sis", "ÖRDEK", "Oya", "ĞĞ", "GG", "ÇAY", "Cam"},
                  {"Cam", "ÇAY", "GG", "ĞĞ", "Oya", "ÖRDEK", "Sis", "ŞİŞ", "Uzay", "ÜZÜM"}},
        OrderCase{"I with ı, İ with i",
                  {"İzmir", "IŞIK", "istanbul", "Irmak", "ışık", "İSTANBUL", "ılık"},
                  {"ılık", "Irmak", "IŞIK", "ışık", "istanbul", "İSTANBUL", "İzmir"}},
        OrderCase{"I is not i", {"ali", "ALI", "Ali", "alı", "ALİ"}, {"ALI", "alı", "ali", "Ali", "ALİ"}},
        OrderCase{"q, w and x in their Latin places",
                  {"zil", "Walter", "xenon", "rakı", "Quark", "vişne", "yaprak", "pirinç"},
                  {"pirinç", "Quark", "rakı", "vişne", "Walter", "xenon", "yaprak", "zil"}},
        OrderCase{"Null, empty, blanks and punctuation, digits, letters",
                  {"a", "10", "", "9", "-", nullptr, " a", "0", "Ab", "ab", "(532)"},
                  {nullptr, "", " a", "(532)", "-", "0", "10", "9", "a", "Ab", "ab"}},
        OrderCase{"numbers as text",
                  {"5321111111", "05321111111", "+905321111111", "532 111 11 11", "5059998877"},
                  {"+905321111111", "05321111111", "5059998877", "532 111 11 11", "5321111111"}},
        OrderCase{"an accent outside the alphabet goes with its letter, after it",
                  {"Kb", "Kazma", "KÂZIM", "Kazım", "kâzım"},
                  {"Kazım", "KÂZIM", "kâzım", "Kazma", "Kb"}},
        OrderCase{"other letters after z", {"日本", "Ωmega", "zebra", "ωmega", "ß"}, {"zebra", "ß", "Ωmega", "ωmega", "日本"}}));

TEST(Collation, DescendingReversesTheOrderAndKeepsEqualTextsInTheirs) {
    auto rs = texts({"ışık", "Çiğdem", "IŞIK", nullptr, "Zeynep"});
    rs->setSort(QStringLiteral("Ad DESC"));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), (QStringList{"Zeynep", "ışık", "IŞIK", "Çiğdem", "<null>"}));
}

// A letter typed with a separate accent (s and U+0327) is the letter.
const std::vector<const char*> kPeople = {
    "IŞIK", "ışık", "Işık", "işik", "İSTANBUL", "istanbul", "Istanbul", "Çiğdem", "çiğdem", "ÇİĞDEM",
    "CIGDEM", "Zeynep", "Kâzım", "Kazım", "şeker", "s\u0327eker", nullptr, ""};

struct FilterCase {
    const char* criteria;
    std::vector<const char*> shown;
};

class TextFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(TextFilters, CompareByTheSameRule) {
    auto rs = texts(kPeople);
    rs->setFilter(QString::fromUtf8(GetParam().criteria));
    EXPECT_EQ(Column(rs, QStringLiteral("Ad")), list(GetParam().shown)) << GetParam().criteria;
}

INSTANTIATE_TEST_SUITE_P(
    Collation, TextFilters,
    ::testing::Values(
        FilterCase{"Ad = 'ışık'", {"IŞIK", "ışık", "Işık"}},
        FilterCase{"Ad = 'İSTANBUL'", {"İSTANBUL", "istanbul"}},
        FilterCase{"Ad = 'ISTANBUL'", {"Istanbul"}},
        FilterCase{"Ad = 'çiğdem'", {"Çiğdem", "çiğdem", "ÇİĞDEM"}},
        FilterCase{"Ad = 'ŞEKER'", {"şeker", "s\u0327eker"}},
        FilterCase{"Ad = 'Kazım'", {"Kazım"}},
        FilterCase{"Ad = ''", {""}},
        FilterCase{"Ad <> 'istanbul' AND Ad <> 'ışık' AND Ad <> 'çiğdem'",
                   {"işik", "Istanbul", "CIGDEM", "Zeynep", "Kâzım", "Kazım", "şeker", "s\u0327eker", ""}},
        FilterCase{"Ad < 'd'", {"Çiğdem", "çiğdem", "ÇİĞDEM", "CIGDEM", ""}},
        FilterCase{"Ad >= 'ı' AND Ad < 'i'", {"IŞIK", "ışık", "Işık", "Istanbul"}},
        FilterCase{"Ad > 'Kazım' AND Ad <= 'KAZMA'", {"Kâzım"}},
        FilterCase{"Ad >= 'z'", {"Zeynep"}},
        FilterCase{"Ad LIKE 'ış*'", {"IŞIK", "ışık", "Işık"}},
        FilterCase{"Ad LIKE 'i%'", {"işik", "İSTANBUL", "istanbul"}},
        FilterCase{"Ad LIKE '*STANBUL'", {"İSTANBUL", "istanbul", "Istanbul"}},
        FilterCase{"Ad LIKE '*ĞD*'", {"Çiğdem", "çiğdem", "ÇİĞDEM"}},
        FilterCase{"Ad LIKE 'Ş*'", {"şeker", "s\u0327eker"}}));

// What "<" and "=" let through is what the sort puts before a text and
// beside it, for texts of every kind the rule tells apart.
TEST(Collation, FiltersAgreeWithTheSort) {
    const std::vector<const char*> all = {
        "", " ", "!", "(", "+90", "-", "0", "05", "10", "9", "a", "A", "â", "Â", "ab", "ağ", "ah", "ç", "Ç", "ı", "I",
        "i", "İ", "ii", "İı", "IŞIK", "ışık", "Kazım", "Kâzım", "kâzıma", "q", "w", "x", "z", "zz", "ß", "é", "Ω",
        "ω", "日", "😀", "s\u0327", "ş", "ǖ", "ü", "ü\u0304", "u"};
    auto sorted = texts(all);
    sorted->setSort(QStringLiteral("Ad ASC"));
    const QStringList order = Column(sorted, QStringLiteral("Ad"));
    auto filtered = texts(all);
    filtered->setSort(QStringLiteral("Ad ASC"));
    for (const char* t : all) {
        const QString text = QString::fromUtf8(t);
        filtered->setFilter(QStringLiteral("Ad < '%1'").arg(text));
        const QStringList before = Column(filtered, QStringLiteral("Ad"));
        filtered->setFilter(QStringLiteral("Ad = '%1'").arg(text));
        QStringList equal = Column(filtered, QStringLiteral("Ad"));
        EXPECT_TRUE(equal.contains(text)) << t;
        EXPECT_EQ(before, order.mid(0, before.size())) << t;
        QStringList run = order.mid(before.size(), equal.size());
        std::sort(run.begin(), run.end());
        std::sort(equal.begin(), equal.end());
        EXPECT_EQ(run, equal) << t;
    }
}

} // namespace
