#include "platform/vb/error.h"
#include "platform/vb/variant.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

using namespace vb;

namespace {

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(Variant, NumbersAsTextUseTheRegionalDecimalSeparator) {
    struct Case { double value; const char* text; } cases[] = {
        {0, "0"}, {1.5, "1,5"}, {-2.25, "-2,25"}, {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"}, {0.0001, "0,0001"}, {0.00001, "1E-05"}, {1.0 / 3, "0,333333333333333"},
        {1000, "1000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CStr(c.value), QString::fromUtf8(c.text)) << c.value;
    EXPECT_EQ(CStr(Variant::Integer(-7)), QStringLiteral("-7"));
    EXPECT_EQ(CStr(true), QStringLiteral("True"));
    EXPECT_EQ(CStr(Variant()), QString());
}

// The text of a number is printf's "%.15G" under the regional separator,
// wherever the exponent form starts, whatever the rounding of the fifteenth
// digit and for the values that are no numbers.
TEST(Variant, NumbersAsTextAreFifteenSignificantDigitsAsPrintfWritesThem) {
    auto printed = [](double value) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15G", value);
        return QString::fromLatin1(buf).replace(u'.', u',');
    };
    std::vector<double> values = {1e14,  999999999999999.0, 999999999999999.5, 99999999999999.95, 0.1, 0.3, 1.005,
                                  0.000123, 100.10, -7,    1e15 - 1, 1e16, 1e-4, 9.99999999999999e-5,
                                  1e-5,  0.1 + 0.2,         2.5e-308,          5e-324,   1.7976931348623157e308,
                                  -1e300, 123.456,          0.5,               -0.125,   12.5 + 99999,
                                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 bits(17);
    for (int i = 0; i < 20000; ++i) {
        double v;
        const std::uint64_t b = bits();
        std::memcpy(&v, &b, sizeof v);
        values.push_back(v);
        // Decimals of 1 to 17 digits, 0 to 19 of them after the separator,
        // and the doubles either side of each.
        std::uint64_t digits = b % 100000000000000000ull;
        for (int cut = int(b >> 58) % 17; cut > 0; --cut)
            digits /= 10;
        const double decimal = double(digits) / std::pow(10.0, int((b >> 40) % 20)) * ((b >> 39) & 1 ? -1 : 1);
        values.push_back(decimal);
        values.push_back(std::nextafter(decimal, 0.0));
        values.push_back(std::nextafter(decimal, 2 * decimal));
    }
    for (double v : values) {
        if (v == 0)
            continue;
        ASSERT_EQ(CStr(v), printed(v)) << printed(v).toStdString();
    }
}

TEST(Variant, DatesAsTextFollowTheRegionalFormats) {
    EXPECT_EQ(CStr(QDateTime(QDate(2026, 2, 1), QTime(9, 0, 0))), QStringLiteral("01.02.2026 09:00:00"));
    EXPECT_EQ(CStr(QDate(2026, 12, 31)), QStringLiteral("31.12.2026"));
    EXPECT_EQ(CStr(QDateTime(QDate(1899, 12, 30), QTime(23, 5, 7))), QStringLiteral("23:05:07"));
}

TEST(Variant, TextToDateAndBack) {
    QDateTime d = CDate(QStringLiteral("31.01.2026 23:59:59"));
    EXPECT_EQ(d, QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59)));
    EXPECT_EQ(CDate(QStringLiteral("1.2.2026")), QDateTime(QDate(2026, 2, 1), QTime(0, 0)));
    EXPECT_TRUE(IsDate(QStringLiteral("01.02.2026")));
    EXPECT_FALSE(IsDate(QStringLiteral("2026 şubat")));
    EXPECT_EQ(errorNumber([] { CDate(QStringLiteral("yarın")); }), errTypeMismatch);
}

TEST(Variant, WholeNumbersRoundHalfToEven) {
    struct Case { double in; int out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {12.5, 12}, {12.51, 13}, {2.4999, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CInt(c.in), c.out) << c.in;
        EXPECT_EQ(CLng(c.in), c.out) << c.in;
        EXPECT_EQ(RoundHalfEven(c.in), double(c.out)) << c.in;
    }
    EXPECT_EQ(CInt(QStringLiteral("2,5")), 2);
    EXPECT_EQ(CInt(QStringLiteral(" 3,5 ")), 4);
    EXPECT_EQ(CLng(QStringLiteral("1.000")), 1000);  // "." groups thousands in Turkish
    EXPECT_EQ(CInt(true), -1);
    EXPECT_EQ(CInt(Variant()), 0);
}

TEST(Variant, ConversionErrors) {
    EXPECT_EQ(errorNumber([] { CInt(QStringLiteral("abc")); }), errTypeMismatch);
    EXPECT_EQ(errorNumber([] { CInt(QStringLiteral("")); }), errTypeMismatch);
    EXPECT_EQ(errorNumber([] { CLng(QStringLiteral("5x")); }), errTypeMismatch);
    EXPECT_EQ(errorNumber([] { CInt(40000); }), errOverflow);
    EXPECT_EQ(errorNumber([] { CLng(3e9); }), errOverflow);
    EXPECT_EQ(errorNumber([] { CStr(Variant::Null()); }), errInvalidUseOfNull);
    EXPECT_EQ(errorNumber([] { CInt(Variant::Null()); }), errInvalidUseOfNull);
    EXPECT_EQ(errorNumber([] { CDbl(Variant::Null()); }), errInvalidUseOfNull);
}

TEST(Variant, CDblReadsRegionalNumbers) {
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("1,25")), 1.25);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("-1.234,5")), -1234.5);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("&H1F")), 31);
    EXPECT_DOUBLE_EQ(CDbl(QStringLiteral("2E3")), 2000);
}

TEST(Variant, ValIgnoresTheRegionAndStopsAtTheFirstNonDigit) {
    struct Case { const char* text; double value; } cases[] = {
        {"12abc", 12}, {" 1 2 3", 123}, {"1.5", 1.5}, {"1,5", 1}, {"", 0}, {"abc", 0},
        {"-4.25e1x", -42.5}, {"&HFF", 255}, {"05", 5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(Variant, IsNumeric) {
    EXPECT_TRUE(IsNumeric(QStringLiteral("12")));
    EXPECT_TRUE(IsNumeric(QStringLiteral(" 1,5 ")));
    EXPECT_TRUE(IsNumeric(5));
    EXPECT_TRUE(IsNumeric(Variant()));
    EXPECT_FALSE(IsNumeric(QStringLiteral("")));
    EXPECT_FALSE(IsNumeric(QStringLiteral("12a")));
    EXPECT_FALSE(IsNumeric(Variant::Null()));
}

TEST(Variant, KindsAndEquality) {
    EXPECT_EQ(TypeName(Variant()), QStringLiteral("Empty"));
    EXPECT_EQ(TypeName(Variant::Null()), QStringLiteral("Null"));
    EXPECT_EQ(TypeName(QStringLiteral("a")), QStringLiteral("String"));
    EXPECT_EQ(TypeName(3), QStringLiteral("Long"));
    EXPECT_EQ(TypeName(Variant::Integer(3)), QStringLiteral("Integer"));
    EXPECT_EQ(TypeName(2.5), QStringLiteral("Double"));
    EXPECT_EQ(TypeName(QDate(2026, 1, 1)), QStringLiteral("Date"));
    EXPECT_EQ(Variant(QStringLiteral("x")), Variant("x"));
    EXPECT_NE(Variant(1), Variant(1.0));
    EXPECT_EQ(Variant::Null(), Variant::Null());
}

// A value takes another of any kind, copied or moved, and keeps it whole:
// a date where a number was, a number where a date was.
TEST(Variant, AValueTakesAnotherOfAnyKind) {
    const QDateTime when(QDate(2024, 2, 29), QTime(18, 30));
    const std::vector<Variant> kinds{Variant(), Variant::Null(), Variant(2.5), Variant(when), Variant("metin"),
                                     Variant(true), Variant::Error(2007), Variant::Long(7)};
    for (const Variant& from : kinds) {
        for (const Variant& to : kinds) {
            Variant copied = to;
            copied = from;
            EXPECT_EQ(copied, from);
            Variant moved = to;
            Variant source = from;
            moved = std::move(source);
            EXPECT_EQ(moved, from);
            Variant constructed(std::move(copied));
            EXPECT_EQ(constructed, from);
        }
    }
    Variant self(when);
    self = *&self;
    EXPECT_EQ(self.dateValue(), when);
    EXPECT_EQ(Variant(2.5).dateValue(), QDateTime());
    EXPECT_EQ(Variant(when).doubleValue(), 0);
}

TEST(Variant, AnErrorValueIsItsOwnKind) {
    const Variant div0 = Variant::Error(2007);
    EXPECT_TRUE(div0.isError());
    EXPECT_EQ(div0.errorCode(), 2007);
    EXPECT_EQ(TypeName(div0), QStringLiteral("Error"));
    EXPECT_EQ(CStr(div0), QStringLiteral("Error 2007"));
    EXPECT_EQ(div0, Variant::Error(2007));
    EXPECT_NE(div0, Variant::Error(2042));
    EXPECT_NE(div0, Variant(2007.0));
    EXPECT_FALSE(IsNumeric(div0));
    EXPECT_EQ(errorNumber([div0] { CDbl(div0); }), errTypeMismatch);
}

TEST(Variant, SerialDates) {
    EXPECT_DOUBLE_EQ(ToSerialDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0);
    EXPECT_DOUBLE_EQ(ToSerialDate(QDateTime(QDate(2026, 1, 1), QTime(12, 0))), 46023.5);
    EXPECT_EQ(FromSerialDate(46023.5), QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
    EXPECT_EQ(CDate(46023.25), QDateTime(QDate(2026, 1, 1), QTime(6, 0)));
}

} // namespace
