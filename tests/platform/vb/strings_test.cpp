#include "platform/vb/error.h"
#include "platform/vb/strings.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {

TEST(Strings, OneBasedPositions) {
    QString s = QStringLiteral("Merhaba dünya");
    EXPECT_EQ(Mid(s, 1, 7), QStringLiteral("Merhaba"));
    EXPECT_EQ(Mid(s, 9), QStringLiteral("dünya"));
    EXPECT_EQ(Mid(s, 40), QString());
    EXPECT_EQ(Left(s, 3), QStringLiteral("Mer"));
    EXPECT_EQ(Right(s, 5), QStringLiteral("dünya"));
    EXPECT_EQ(Left(s, 100), s);
    EXPECT_EQ(InStr(s, QStringLiteral("a")), 5);
    EXPECT_EQ(InStr(6, s, QStringLiteral("a")), 7);
    EXPECT_EQ(InStr(s, QStringLiteral("x")), 0);
    EXPECT_EQ(InStr(3, s, QString()), 3);
    EXPECT_EQ(InStr(QString(), QStringLiteral("a")), 0);
    EXPECT_EQ(InStrRev(s, QStringLiteral("a")), 13);
    EXPECT_THROW(Mid(s, 0), Error);
    EXPECT_THROW(Left(s, -1), Error);
}

TEST(Strings, LengthsCountUtf16Units) {
    EXPECT_EQ(Len(QStringLiteral("ğüşiöç")), 6);
    EXPECT_EQ(Len(QString::fromUtf8("\xF0\x9F\x98\x80")), 2);  // one emoji, two units
}

TEST(Strings, LeftWholeNeverKeepsHalfAPair) {
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const struct {
        QString text;
        int length;
        QString left;
    } cases[] = {
        {QStringLiteral("ab") + smile, 3, QStringLiteral("ab")},
        {QStringLiteral("ab") + smile, 4, QStringLiteral("ab") + smile},
        {QStringLiteral("ab") + smile, 2, QStringLiteral("ab")},
        {smile + smile, 3, smile},
        {smile, 1, QString()},
        {QStringLiteral("abc"), 2, QStringLiteral("ab")},
        {QStringLiteral("abc"), 10, QStringLiteral("abc")},
        // A half that is already alone is no pair to keep whole.
        {QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b"), 2, QStringLiteral("a") + QChar(0xD83D)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeftWhole(c.text, c.length), c.left) << c.length;
    EXPECT_THROW(LeftWhole(smile, -1), Error);
}

TEST(Strings, TrimRemovesBlanksOnly) {
    EXPECT_EQ(Trim(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(Trim(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
    EXPECT_EQ(LTrim(QStringLiteral("  x ")), QStringLiteral("x "));
    EXPECT_EQ(RTrim(QStringLiteral("  x ")), QStringLiteral("  x"));
    EXPECT_EQ(Trim(QStringLiteral("   ")), QString());
}

TEST(Strings, ReplaceAndSplit) {
    EXPECT_EQ(Replace(QStringLiteral("a'b''c"), QStringLiteral("'"), QStringLiteral("''")), QStringLiteral("a''b''''c"));
    EXPECT_EQ(Replace(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(Split(QString(), QStringLiteral(",")).size(), 0);
    EXPECT_EQ(Split(QStringLiteral("a,,b"), QStringLiteral(",")), (QStringList{"a", "", "b"}));
}

} // namespace
