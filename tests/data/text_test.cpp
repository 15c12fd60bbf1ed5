#include "data/text.h"

#include <gtest/gtest.h>

using mdlGenel::FoldSmsText;
using mdlGenel::NormalizeGsmNumber;

namespace {

TEST(FoldSmsText, TurkishLettersAndDocumentBreakers) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"Ödeme günü: <yarın> & şimdi", "Odeme gunu: [yarin] - simdi"},
        {"a\r\nb", "ab"},
        {"a\rb\nc", "abc"},
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeGsmNumber(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

} // namespace
