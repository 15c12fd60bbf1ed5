// The placeholder merge of one row: its marks, its names, its values.
#include "platform/ado/ado.h"
#include "platform/vb/error.h"
#include "sending/merge.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

using sending::MergeTemplate;

// A row of a sheet: a name it lacks raises 3265, as a recordset's lookup
// does (which also ignores letter case: see the row merger below).
vb::Variant cell(const QString& name) {
    static const QMap<QString, vb::Variant> row{
        {QStringLiteral("ad"), vb::Variant(QStringLiteral("Ali"))},
        {QStringLiteral("şehir"), vb::Variant(QStringLiteral(" İzmir "))},
        {QStringLiteral("tutar"), vb::Variant(1234.5)},
        {QStringLiteral("tarih"), vb::Variant(QDate(2007, 1, 5))},
        {QStringLiteral("boş"), vb::Variant::Null()},
        {QStringLiteral("a##b"), vb::Variant(QStringLiteral("x"))},
    };
    const auto it = row.find(name.toLower());
    if (it == row.end())
        vb::Raise(ado::adErrItemNotFound);
    return *it;
}

struct Merged {
    const char* templateText;
    const char* result;
};

class MergesTo : public ::testing::TestWithParam<Merged> {};

TEST_P(MergesTo, TheRowsValues) {
    EXPECT_EQ(MergeTemplate(QString::fromUtf8(GetParam().templateText), cell), QString::fromUtf8(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(
    Merge, MergesTo,
    ::testing::Values(
        // Without both marks the template goes out as it is.
        Merged{"Merhaba", "Merhaba"}, Merged{"Merhaba [##Ad", "Merhaba [##Ad"}, Merged{"Ad##] bey", "Ad##] bey"},
        Merged{"", ""},
        // A word, a blank, a placeholder and a comma.
        Merged{"Sayın [##Ad##],", "Sayın Ali,"},
        // Values as they are, blanks included; placeholders side by side.
        Merged{"[##Şehir##]'de", " İzmir 'de"}, Merged{"[##Ad##][##Ad##]", "AliAli"},
        // Numbers and dates in the regional form; an empty cell adds nothing.
        Merged{"[##Tutar##] TL, [##Tarih##]", "1234,5 TL, 05.01.2007"}, Merged{"<[##Boş##]>", "<>"},
        // A closing mark left behind the last placeholder stays.
        Merged{"[##Ad##] ##] son", "Ali ##] son"},
        // The name runs to the first closing mark.
        Merged{"[##a##b##]", "x"}));

struct Refused {
    const char* templateText;
    int error;
};

class RefusedTemplates : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedTemplates, RaiseTheirError) {
    try {
        MergeTemplate(QString::fromUtf8(GetParam().templateText), cell);
        ADD_FAILURE() << "merged";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Merge, RefusedTemplates,
    ::testing::Values(
        // The second placeholder lacks its closing mark.
        Refused{"[##Ad##] ve [##Tutar", vb::errInvalidCall},
        // A closing mark before the first opening one.
        Refused{"##] [##Ad##]", vb::errInvalidCall}, Refused{"[##]", vb::errInvalidCall},
        // Names the row lacks: an unknown one, the empty one, one with a
        // blank the column's name does not have.
        Refused{"[##Soyad##]", ado::adErrItemNotFound}, Refused{"[####]", ado::adErrItemNotFound},
        Refused{"[## Ad##]", ado::adErrItemNotFound},
        // The first bad placeholder is the one reported.
        Refused{"[##Yok##] [##Ad", ado::adErrItemNotFound}, Refused{"[##Ad [##Yok##]", ado::adErrItemNotFound}));

TEST(Merge, TheRowMergerLooksNamesUpOnceAndMergesEveryRow) {
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(QStringLiteral("Ad"), ado::adVarWChar, 50);
    rs->Fields().Append(QStringLiteral("Borç"), ado::adDouble, 8);
    rs->Open();
    for (auto [name, debt] : {std::pair{"Ali", 10.25}, {"Ayşe", 0.0}}) {
        rs->AddNew();
        rs->Fields(0).setValue(QString::fromUtf8(name));
        rs->Fields(1).setValue(debt);
        rs->UpdateBatch();
    }
    sending::RowMerger merger(QStringLiteral("Sayın [##ad##], borcunuz [##BORÇ##] TL."));
    QStringList merged;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        merged << merger.Merge(*rs);
    EXPECT_EQ(merged, (QStringList{"Sayın Ali, borcunuz 10,25 TL.", "Sayın Ayşe, borcunuz 0 TL."}));

    rs->MoveFirst();
    for (auto [text, error] : {std::pair{"[##Soyad##] [##Ad", int(ado::adErrItemNotFound)}, {"[##Ad##] [##Ad", 5}}) {
        sending::RowMerger bad{QString::fromUtf8(text)};
        try {
            bad.Merge(*rs);
            ADD_FAILURE() << text;
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), error) << text;
        }
    }
}

} // namespace
