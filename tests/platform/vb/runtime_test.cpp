#include "platform/vb/clock.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>
#include <new>

using namespace vb;

namespace {

TEST(MsgBox, ScriptedAnswersComeFromTheQueueAndEveryBoxIsRecorded) {
    auto service = std::make_shared<ScriptedMsgBoxService>();
    SetMsgBoxService(service);
    service->queueAnswer(vbYes);
    EXPECT_EQ(MsgBox(QStringLiteral("Gönderilsin mi?"), vbQuestion + vbYesNo, QStringLiteral("Quillmere")), vbYes);
    EXPECT_EQ(MsgBox(QStringLiteral("Tekrar?"), vbQuestion + vbYesNo, QStringLiteral("Q")), vbNo);
    EXPECT_EQ(MsgBox(QStringLiteral("Bilgi"), vbInformation), vbOK);

    const auto& r = service->records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].prompt, QStringLiteral("Gönderilsin mi?"));
    EXPECT_EQ(r[0].buttons, 36);
    EXPECT_FALSE(r[0].unanswered);
    EXPECT_EQ(r[1].answer, vbNo);
    EXPECT_TRUE(r[1].unanswered);
    EXPECT_FALSE(r[2].unanswered);
    // An empty title stands for the application's title.
    EXPECT_EQ(r[2].title, AppTitle());
    SetMsgBoxService(nullptr);
}

// A box shows the first 1,024 characters of its prompt, and the stand-in
// records what it would show.
TEST(MsgBox, APromptIsShownUpTo1024Characters) {
    auto scripted = std::make_shared<vb::ScriptedMsgBoxService>();
    vb::SetMsgBoxService(scripted);
    const QString emoji = QStringLiteral("\U0001F600");
    const struct {
        QString prompt;
        QString shown;
    } cases[] = {
        {QString(1024, u'a'), QString(1024, u'a')},
        {QString(1025, u'a'), QString(1024, u'a')},
        {QString(5 * 1024 * 1024, u'x'), QString(1024, u'x')},
        // A pair of surrogates is never cut in half.
        {QString(1023, u'a') + emoji, QString(1023, u'a')},
        {QString(1022, u'a') + emoji + u'b', QString(1022, u'a') + emoji},
    };
    for (const auto& c : cases) {
        scripted->clearRecords();
        vb::MsgBox(c.prompt);
        ASSERT_EQ(scripted->records().size(), 1u);
        EXPECT_EQ(scripted->records()[0].prompt, c.shown) << c.prompt.size();
    }
    vb::SetMsgBoxService(nullptr);
}

TEST(Errors, DescriptionsAndTheCommonHandlerText) {
    try {
        Raise(errTypeMismatch);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 13);
        EXPECT_EQ(e.description(), QStringLiteral("Type mismatch"));
        EXPECT_EQ(UnexpectedErrorText(e.description()),
                  QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : Type mismatch"));
    }
    Error custom(1234, QStringLiteral("özel"));
    EXPECT_EQ(custom.description(), QStringLiteral("özel"));
}

// What a handler of the tests' own was given of the swallowed category.
QStringList g_swallowed;
void keepSwallowed(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (QByteArray(context.category) == "quillmere.swallowed")
        g_swallowed << message;
}

TEST(Errors, WhatIsSwallowedIsLoggedWhereItWasSwallowedOnceTheCategoryIsOn) {
    const QtMessageHandler previous = qInstallMessageHandler(keepSwallowed);
    g_swallowed.clear();
    vb::ResumeNext([] { vb::Raise(vb::errInvalidCall, QStringLiteral("deneme")); });
    EXPECT_TRUE(g_swallowed.isEmpty()) << "off unless a rule turns it on";

    QLoggingCategory::setFilterRules(QStringLiteral("quillmere.swallowed.debug=true"));
    vb::ResumeNext([] { vb::Raise(vb::errInvalidCall, QStringLiteral("deneme")); });
    vb::ResumeNext([] { throw std::bad_alloc(); });
    try {
        throw 42;
    } catch (...) {
        vb::LogSwallowed();
    }
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    ASSERT_EQ(g_swallowed.size(), 3);
    EXPECT_TRUE(g_swallowed[0].contains(QStringLiteral("runtime_test.cpp"))) << g_swallowed[0].toStdString();
    EXPECT_TRUE(g_swallowed[0].endsWith(QStringLiteral("run-time error 5: deneme"))) << g_swallowed[0].toStdString();
    EXPECT_TRUE(g_swallowed[1].endsWith(QStringLiteral("bad_alloc"))) << g_swallowed[1].toStdString();
    EXPECT_TRUE(g_swallowed[2].endsWith(QStringLiteral("an exception of no known type")));
}

TEST(Clock, TestsFixAndAdvanceIt) {
    SetClock(QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30, 999)));
    EXPECT_EQ(Now(), QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30)));
    EXPECT_EQ(CStr(Now()), QStringLiteral("04.03.2026 10:20:30"));
    AdvanceClock(86400000);
    EXPECT_EQ(Date(), QDate(2026, 3, 5));
    EXPECT_EQ(Time(), QTime(10, 20, 30));
    SetClock(std::nullopt);
    EXPECT_LE(qAbs(Now().secsTo(QDateTime::currentDateTime())), 2);
}

TEST(Timer, TicksOnlyWhileTheEventLoopRuns) {
    Timer t(nullptr, QStringLiteral("Timer1"));
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.setInterval(10);
    t.setEnabled(true);
    // Busy without yielding: no tick can run.
    QThread::msleep(60);
    EXPECT_EQ(ticks, 0);
    // Yielding lets the due tick run.
    QElapsedTimer clock;
    clock.start();
    while (ticks == 0 && clock.elapsed() < 5000) {
        DoEvents();
        QThread::msleep(5);
    }
    EXPECT_GE(ticks, 1);
    t.setEnabled(false);
    int before = ticks;
    QThread::msleep(30);
    DoEvents();
    EXPECT_EQ(ticks, before);
}

TEST(Timer, ZeroIntervalNeverTicksAndFireRunsTheHandler) {
    Timer t;
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.setInterval(0);
    t.setEnabled(true);
    QThread::msleep(20);
    DoEvents();
    EXPECT_EQ(ticks, 0);
    t.fire();
    EXPECT_EQ(ticks, 1);
}

// A loop that yields once per record: the first yield turns the event loop,
// the ones soon after it do not, and a yield once the interval has passed
// does again, so that a timer of the loop's window ticks while it runs.
TEST(PacedYield, TurnsTheEventLoopOncePerInterval) {
    PacedYield yield(std::chrono::milliseconds(200));
    int delivered = 0;
    auto post = [&] { QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { ++delivered; }, Qt::QueuedConnection); };
    post();
    yield();
    EXPECT_EQ(delivered, 1);
    post();
    yield();
    yield();
    EXPECT_EQ(delivered, 1);
    QThread::msleep(250);
    yield();
    EXPECT_EQ(delivered, 2);

    Timer t;
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.setInterval(20);
    t.setEnabled(true);
    PacedYield often;
    QElapsedTimer clock;
    clock.start();
    long yields = 0;
    while (ticks < 3 && clock.elapsed() < 5000) {
        often();
        ++yields;
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_GT(yields, 3);
}

} // namespace
