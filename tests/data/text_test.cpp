#include "data/text.h"

#include "platform/vb/variant.h"

#include <gtest/gtest.h>

using mdlGenel::FoldSmsText;
using mdlGenel::NormalizeGsmNumber;

namespace {

TEST(FoldSmsText, TurkishLettersAndDocumentBreakers) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"Ödeme günü: <yarın> & şimdi", "Odeme gunu: [yarin] - simdi"},
        {"a\r\nb", "ab"},
        {"a\rb\nc", "abc"},
        {"a\r\r\n\nb\n\r", "ab"},
        {"ÜüĞğİıŞşÇçÖöé", "UuGgIiSsCcOoe"},
        {"~x~", " x "},
        {"it's à la carte", "it's à la carte"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldSmsText(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(NormalizeGsmNumber, FirstEditionAcceptsTheFourPrefixes) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"5321234567", "5321234567"},
        {"05321234567", "5321234567"},
        {"+90 (532) 123-45-67", "5321234567"},
        {"0532.123.45.67", "5321234567"},
        {" 532 123 45 67 ", "5321234567"},
        {"[0532]{1234567}", "5321234567"},
        {"5051234567", "5051234567"},
        {"5431234567", "5431234567"},
        {"5551234567", "5551234567"},
        {"5121234567", ""},       // 51: not a prefix of this edition
        {"5921234567", ""},
        {"532123456", ""},        // nine digits
        {"532123a567", ""},       // letters among the digits
        {"   ", ""},
        {"", ""},
        {"4321234567", ""},
        {"0053153100531421.44e5", ""},   // a number to the language, ending in an exponent
        {"5321234e10", ""},
        // Non-breaking spaces, as pasted cells have them between digit groups.
        {"0532\u00A0123\u00A045\u00A067", "5321234567"},
        {"\u00A0+90\u202F532\u2007123 45 67\u00A0", "5321234567"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeGsmNumber(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

// What is left of the text must read as a number, however long: digits as
// long as a double holds them, a tab around them, a hexadecimal literal.
TEST(NormalizeGsmNumber, TheWholeTextMustReadAsANumber) {
    const QString number = QStringLiteral("5321234567");
    struct Case { QString in; QString out; } cases[] = {
        {QString(290, u'1') + number, number},
        {QString(400, u'9') + number, QString()},   // beyond a double
        {QStringLiteral("\t0") + number, number},
        {number + u'\t', QString()},   // the last ten are no digits
        {QStringLiteral("&H") + number, number},
        {QStringLiteral("&X") + number, QString()},
        {QStringLiteral("1e") + number, QString()},
        {QStringLiteral("x") + number, QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeGsmNumber(c.in), c.out) << c.in.toStdString();
}

TEST(NormalizeGsmCell, ANumberWithAFractionIsNoMobileNumber) {
    const struct {
        vb::Variant value;
        const char* out;
    } cases[] = {
        {vb::Variant(5551234583.7), ""},  // "5551234583,7" under Turkish settings
        {vb::Variant(5551234583.0), "5551234583"},
        {vb::Variant(905321234567.0), "5321234567"},
        {vb::Variant(QStringLiteral("5551234583")), "5551234583"},
        // A text keeps the rule for texts: its separators are dropped.
        {vb::Variant(QStringLiteral("0555.123.45.83")), "5551234583"},
        {vb::Variant(), ""},
        {vb::Variant::Null(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mdlGenel::NormalizeGsmCell(c.value), QString::fromUtf8(c.out)) << vb::CStr(c.value).toStdString();
}

} // namespace

namespace {

// Numbers held as integers stay apart from each other as their texts do.
TEST(NumberSet, HoldsEachTextOnce) {
    mdlGenel::NumberSet set{QStringLiteral("5000000000")};
    const QString texts[] = {
        QStringLiteral("5321234567"), QStringLiteral("05321234567"), QStringLiteral("0"), QStringLiteral("00"),
        QStringLiteral("999999999999999999"), QStringLiteral("9999999999999999999"), QStringLiteral("532 123"),
        QStringLiteral("١٢٣"), QString(),
    };
    EXPECT_TRUE(set.contains(QStringLiteral("5000000000")));
    for (const QString& t : texts) {
        EXPECT_FALSE(set.contains(t)) << t.toStdString();
        set.insert(t);
        EXPECT_TRUE(set.contains(t)) << t.toStdString();
    }
    for (const QString& t : texts)
        EXPECT_TRUE(set.contains(t)) << t.toStdString();
    EXPECT_FALSE(set.contains(QStringLiteral("000")));
    EXPECT_FALSE(set.contains(QStringLiteral("99999999999999999")));
    EXPECT_FALSE(set.contains(QStringLiteral("532123")));
}

// A set grown far past its first size, and one given its size at once, hold
// every number added and no other.
TEST(NumberSet, GrowsWithoutLosingNumbers) {
    auto number = [](int i) { return QStringLiteral("0532%1").arg(i * 7, 7, 10, QLatin1Char('0')); };
    mdlGenel::NumberSet grown, sized;
    sized.reserve(20000);
    for (int i = 0; i < 20000; i += 2) {
        grown.insert(number(i));
        sized.insert(number(i));
        grown.insert(number(i));
    }
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(grown.contains(number(i)), i % 2 == 0) << i;
        ASSERT_EQ(sized.contains(number(i)), i % 2 == 0) << i;
    }
    EXPECT_FALSE(grown.contains(number(0).mid(1)));
}

} // namespace
