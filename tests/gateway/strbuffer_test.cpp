#include "gateway/strBuffer_com.h"
#include "platform/vb/error.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace strBuffer_com;

// The pool lives as long as the process: every test gives back what it took.
class PoolTest : public ::testing::Test {
protected:
    std::vector<qint32> taken;
    qint32 claim() { return taken.emplace_back(AllocBuffer()); }
    void TearDown() override {
        for (qint32 slot : taken) FreeBuffer(slot);
    }
};

TEST_F(PoolTest, SlotsAreClaimedLowestFirst) {
    EXPECT_EQ(claim(), 0);
    EXPECT_EQ(claim(), 1);
    FreeBuffer(0);
    EXPECT_FALSE(BufferUsed(0));
    EXPECT_EQ(claim(), 0);
    EXPECT_EQ(claim(), 2);
}

TEST_F(PoolTest, CapacityGrowsInWholeSteps) {
    struct Case {
        std::vector<int> appends;
        qint32 capacity;
    } cases[] = {
        {{1}, 65536},
        {{65536}, 65536},
        {{65537}, 131072},
        {{70000}, 131072},
        {{65536, 1}, 131072},
        {{60000, 200000}, 262144},
    };
    for (const Case& c : cases) {
        qint32 slot = claim();
        QString expected;
        for (int n : c.appends) {
            QString piece(n, QChar(char16_t(u'a' + expected.size() % 26)));
            AppendToBuffer(piece, slot);
            expected += piece;
        }
        EXPECT_EQ(BufferCapacity(slot), c.capacity) << c.appends.size() << " " << c.appends.back();
        EXPECT_EQ(BufferLength(slot), expected.size());
        EXPECT_EQ(BufferText(slot), expected);
        FreeBuffer(slot);
    }
}

// What a slot holds comes back whole as text and as the UTF-8 a document
// is posted as, whatever its characters: of every width, pairs, and a half
// of a pair alone (which UTF-8 cannot hold: it goes out as "?").
TEST_F(PoolTest, TheTextComesBackWholeAndAsUtf8) {
    const QString pair = QString::fromUcs4(U"😀");
    const std::vector<QStringList> cases{
        {"<Message>", "Şğü€", pair, "</Message>"},
        {"a", QString(QChar(0xD800)), "b", pair + QChar(0xDC00)},
        {QString(70000, u'ş'), QString(QChar(0xDBFF))},
    };
    for (const QStringList& pieces : cases) {
        const qint32 slot = claim();
        QString expected;
        for (const QString& piece : pieces) {
            AppendToBuffer(piece, slot);
            expected += piece;
        }
        EXPECT_EQ(BufferText(slot), expected);
        EXPECT_EQ(BufferUtf8(slot), expected.toUtf8());
        EXPECT_EQ(BufferLength(slot), expected.size());
        FreeBuffer(slot);
        EXPECT_EQ(BufferUtf8(slot), QByteArray());
    }
}

TEST_F(PoolTest, TextsOfBlanksOnlyAreNotAppended) {
    qint32 slot = claim();
    AppendToBuffer(QStringLiteral("   "), slot);
    AppendToBuffer(QString(), slot);
    EXPECT_EQ(BufferLength(slot), 0);
    EXPECT_EQ(BufferCapacity(slot), 0);
    AppendToBuffer(QStringLiteral(" 1 "), slot);
    // Only U+0020 counts as a blank.
    AppendToBuffer(QStringLiteral("\t"), slot);
    EXPECT_EQ(BufferText(slot), QStringLiteral(" 1 \t"));
}

TEST_F(PoolTest, TextReadsAsOftenAsWantedAndFreeEmpties) {
    qint32 slot = claim();
    EXPECT_EQ(BufferText(slot), QString());
    AppendToBuffer(QStringLiteral("<a>"), slot);
    QString first = BufferText(slot);
    AppendToBuffer(QStringLiteral("<b>"), slot);
    EXPECT_EQ(first, QStringLiteral("<a>"));
    EXPECT_EQ(BufferText(slot), QStringLiteral("<a><b>"));
    EXPECT_EQ(BufferText(slot), QStringLiteral("<a><b>"));
    FreeBuffer(slot);
    EXPECT_FALSE(BufferUsed(slot));
    EXPECT_EQ(BufferText(slot), QString());
    EXPECT_EQ(BufferCapacity(slot), 0);
    FreeBuffer(slot);
    EXPECT_FALSE(BufferUsed(slot));
}

TEST_F(PoolTest, SlotNumbersOutsideThePoolRaise) {
    for (qint32 slot : {qint32(-1), kSlotCount, qint32(1 << 30)}) {
        auto subscript = [](auto&& call) {
            try {
                call();
            } catch (const vb::Error& e) {
                return e.number() == vb::errSubscript;
            }
            return false;
        };
        EXPECT_TRUE(subscript([&] { AppendToBuffer(QStringLiteral("x"), slot); })) << slot;
        EXPECT_TRUE(subscript([&] { BufferText(slot); })) << slot;
        EXPECT_TRUE(subscript([&] { FreeBuffer(slot); })) << slot;
    }
    // The last slot is an ordinary one, claimed or not.
    AppendToBuffer(QStringLiteral("x"), kSlotCount - 1);
    EXPECT_EQ(BufferText(kSlotCount - 1), QStringLiteral("x"));
    FreeBuffer(kSlotCount - 1);
}

TEST_F(PoolTest, AFullPoolAnswersSlotZero) {
    for (qint32 i = 0; i < kSlotCount; ++i)
        ASSERT_EQ(claim(), i);
    EXPECT_EQ(AllocBuffer(), 0);
    EXPECT_TRUE(BufferUsed(0));
    FreeBuffer(40000);
    EXPECT_EQ(AllocBuffer(), 40000);
}

} // namespace
