#include "platform/forms/controls.h"
#include "platform/vb/timer.h"
#include "state/mdlGenel.h"
#include "ui/common/frmBekle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

class WaitTest : public ::testing::Test {
protected:
    void TearDown() override {
        forms::UnloadDefault<frmBekle>();
        forms::FlushUnloaded();
        mdlGenel::ResetState();
    }
    // The caller's part: show, set the counters, show the speed line.
    frmBekle& start(qint32 total) {
        auto& w = forms::Get<frmBekle>();
        w.Show();
        frmBekle::Start(total);
        w.showSpeedLine();
        return w;
    }
};

TEST_F(WaitTest, TicksTurnTheCountersIntoCaptionBarAndRate) {
    struct Case { qint32 done, total; int bar; const char* caption; } cases[] = {
        {0, 250, 1, "0/250 (%1)"},
        {1, 200, 1, "1/200 (%1)"},     // 0.5 % rounds to 0, shown as 1
        {3, 200, 2, "3/200 (%2)"},     // 1.5 % rounds to 2
        {120, 500, 24, "120/500 (%24)"},
        {25, 200, 12, "25/200 (%12)"}, // 12.5 % rounds to 12
        {250, 250, 100, "250/250 (%100)"},
        {0, 0, 1, "0/0 (%1)"},
        {7, 0, 1, "7/0 (%1)"},
    };
    for (const auto& c : cases) {
        auto& w = start(c.total);
        mdlGenel::ProgressDone = c.done;
        w.Timer1->fire();
        EXPECT_EQ(w.ProgressBar1->Value(), c.bar) << c.caption;
        EXPECT_EQ(w.Caption(), QString::fromUtf8(c.caption));
        forms::Unload(w);
        forms::FlushUnloaded();
    }
}

TEST_F(WaitTest, DoneAboveTotalKeepsThePreviousValue) {
    auto& w = start(100);
    mdlGenel::ProgressDone = 40;
    w.Timer1->fire();
    mdlGenel::ProgressDone = 150;
    w.Timer1->fire();
    EXPECT_EQ(w.ProgressBar1->Value(), 40);
    EXPECT_EQ(w.Caption(), QStringLiteral("150/100 (%40)"));
}

TEST_F(WaitTest, TheRateIsTheAverageSinceLoading) {
    auto& w = start(1000);
    mdlGenel::ProgressDone = 0;
    w.Timer1->fire();
    EXPECT_EQ(w.lblIslemHiz->Caption(), QStringLiteral("0 kayıt/saniye"));
    w.Timer1->fire();
    mdlGenel::ProgressDone = 30;
    w.Timer1->fire();
    EXPECT_EQ(w.lblIslemHiz->Caption(), QStringLiteral("10 kayıt/saniye"));
    for (int i = 0; i < 7; ++i) w.Timer1->fire();
    mdlGenel::ProgressDone = 25;
    EXPECT_EQ(w.TickCount, 10);
    w.Timer1->fire();  // the eleventh tick; check the tenth's arithmetic below
    forms::Unload(w);
    forms::FlushUnloaded();
    // Reloading starts the average afresh: 25 records after ten ticks is 2.5,
    // which rounds to 2.
    auto& again = start(1000);
    EXPECT_EQ(again.TickCount, 0);
    mdlGenel::ProgressDone = 25;
    for (int i = 0; i < 10; ++i) again.Timer1->fire();
    EXPECT_EQ(again.lblIslemHiz->Caption(), QStringLiteral("2 kayıt/saniye"));
}

// A "Vazgeç" may unload the window in the middle of an operation: the
// counters go on, and the operation's next step loads it again, unseen and
// as designed, until the operation finishes it.
TEST_F(WaitTest, AnOperationGoesOnThroughAnUnloadOfTheWindow) {
    frmBekle& w = start(3);
    w.setTicking(true);
    w.setStatus(QStringLiteral("Birinci"));
    frmBekle::Advance();
    forms::Unload(w);
    forms::FlushUnloaded();
    frmBekle::Advance();
    frmBekle::CountOne();
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_EQ(mdlGenel::ProgressDone, 2);
    EXPECT_EQ(mdlGenel::ProgressTotal, 4);

    forms::Get<frmBekle>().setStatus(QStringLiteral("İkinci"));
    frmBekle& again = forms::Get<frmBekle>();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.Label1->Caption(), QStringLiteral("İkinci"));
    EXPECT_FALSE(again.Timer1->Enabled());
    EXPECT_FALSE(again.Label2->isVisibleTo(&again));
    EXPECT_FALSE(again.lblIslemHiz->isVisibleTo(&again));

    again.showSpeedCaption();
    EXPECT_TRUE(again.Label2->isVisibleTo(&again));
    EXPECT_FALSE(again.lblIslemHiz->isVisibleTo(&again));
    again.finish();
    EXPECT_FALSE(forms::IsLoaded<frmBekle>());
    EXPECT_EQ(mdlGenel::ProgressDone, 2);
}

TEST_F(WaitTest, TheWindowTicksOnItsOwnOnlyWhileEnabled) {
    auto& w = start(10);
    EXPECT_TRUE(w.isTopmost());
    EXPECT_EQ(w.Left() + w.Width(), forms::ScreenWidth());
    EXPECT_EQ(w.ScaleWidth(), 5160);
    EXPECT_FALSE(w.Timer1->Enabled());
    EXPECT_EQ(w.Timer1->Interval(), 1000);
    w.Timer1->setInterval(10);
    w.Timer1->setEnabled(true);
    QElapsedTimer t;
    t.start();
    while (w.TickCount == 0 && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(w.TickCount, 1);
    w.Timer1->setEnabled(false);
}

} // namespace
