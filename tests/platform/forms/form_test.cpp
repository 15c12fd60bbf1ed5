#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/vb/error.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/timer.h"

#include <QElapsedTimer>
#include <functional>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace forms;

namespace {

std::vector<QString>& events() {
    static std::vector<QString> e;
    return e;
}

class frmProbe : public Form {
public:
    frmProbe() : Form(QStringLiteral("frmProbe")) { resize(200, 100); }
    int Target = 0;
    bool refuseUnload = false;
    void Form_Load() override { events().push_back(QStringLiteral("Load")); }
    void Form_Activate() override { events().push_back(QStringLiteral("Activate")); }
    void Form_Deactivate() override { events().push_back(QStringLiteral("Deactivate")); }
    void Form_QueryUnload(int& cancel, int mode) override {
        events().push_back(QStringLiteral("QueryUnload %1").arg(mode));
        if (refuseUnload) cancel = 1;
    }
    void Form_Unload(int&) override { events().push_back(QStringLiteral("Unload")); }
};

class frmOther : public Form {
public:
    frmOther() : Form(QStringLiteral("frmOther")) {}
    void Form_Activate() override { events().push_back(QStringLiteral("Other Activate")); }
};

class frmFixed : public Form {
public:
    frmFixed() : Form(QStringLiteral("frmFixed")) {}
    void Form_Resize() override { HoldSize(*this, 4755, 2670); }
};

// A window framed the way a window manager frames it: from the showing on,
// or only some time after it (frame left null until then).
class frmFramed : public Form {
public:
    frmFramed() : Form(QStringLiteral("frmFramed")) { resize(400, 300); }
    QMargins frame;
    bool holdsSize = false;
    void Form_Resize() override {
        if (holdsSize)
            HoldSize(*this, 4755, 2670);
    }

protected:
    QMargins windowFrame() const override { return frame; }
};

// Borders of 4 pixels and a title bar of 19 (in twips: 120 across, 405 down).
const QMargins kFrame(4, 23, 4, 4);

QRect workArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

class FormTest : public ::testing::Test {
protected:
    void SetUp() override { events().clear(); }
    void TearDown() override {
        for (Form* f : LoadedForms()) {
            if (auto* p = dynamic_cast<frmProbe*>(f)) p->refuseUnload = false;
            Unload(*f);
        }
        FlushUnloaded();
    }
};

TEST_F(FormTest, AFormReferenceLoadsItsWindowWhenTouchedNotWhenHandedOn) {
    FormRef nothing;
    EXPECT_EQ(nothing.TypeName(), QStringLiteral("Nothing"));
    EXPECT_THROW(nothing.Show(), vb::Error);

    const FormRef probe = FormRef::To<frmProbe>();
    const FormRef copy = probe;
    EXPECT_EQ(copy.TypeName(), QStringLiteral("frmProbe"));
    EXPECT_FALSE(copy.isLoaded());
    EXPECT_TRUE(events().empty());

    copy.Show();
    ASSERT_TRUE(IsLoaded<frmProbe>());
    EXPECT_EQ(copy, &Get<frmProbe>());
    EXPECT_EQ(events(), (std::vector<QString>{"Load", "Activate"}));

    // Unloaded meanwhile: the next touch loads a fresh instance.
    Get<frmProbe>().Target = 7;
    Unload(Get<frmProbe>());
    FlushUnloaded();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_EQ(probe.TypeName(), QStringLiteral("frmProbe"));
    EXPECT_EQ(static_cast<frmProbe&>(*probe).Target, 0);
    EXPECT_TRUE(IsLoaded<frmProbe>());
    EXPECT_EQ(FormRef(&Get<frmProbe>()), probe);
    EXPECT_FALSE(FormRef::To<frmOther>() == probe);
}

// A window both editions share, and one edition's variant of it.
class frmShared : public Form {
public:
    frmShared() : Form(QStringLiteral("frmShared")) {}
    FormRef self() { return FormRef(this); }
    virtual QString kind() const { return QStringLiteral("shared"); }
};

namespace second {
class frmShared : public ::frmShared {
public:
    using StandsFor = ::frmShared;
    FormRef own() { return FormRef(this); }
    QString kind() const override { return QStringLiteral("variant"); }
};
} // namespace second

TEST_F(FormTest, AVariantChosenStandsInForTheSharedWindowUnderBothNames) {
    // Not chosen: the shared class loads itself, and the variant cannot be
    // had from its instance.
    EXPECT_EQ(Get<frmShared>().kind(), QStringLiteral("shared"));
    EXPECT_TRUE(IsLoaded<second::frmShared>());
    EXPECT_EQ(IfLoaded<second::frmShared>(), nullptr);
    EXPECT_THROW(Get<second::frmShared>(), std::logic_error);
    Unload(Get<frmShared>());
    FlushUnloaded();

    UseVariant<second::frmShared>();
    const FormRef shared = FormRef::To<frmShared>();
    const FormRef variant = FormRef::To<second::frmShared>();
    EXPECT_EQ(shared, variant);
    EXPECT_EQ(variant.TypeName(), QStringLiteral("frmShared"));
    EXPECT_FALSE(IsLoaded<frmShared>());

    // Code that knows only the shared class loads the variant.
    frmShared& loaded = Get<frmShared>();
    EXPECT_EQ(loaded.kind(), QStringLiteral("variant"));
    EXPECT_EQ(&Get<second::frmShared>(), &loaded);
    EXPECT_EQ(IfLoaded<second::frmShared>(), &loaded);
    EXPECT_EQ(shared, &loaded);
    // From inside either class, the window names the one instance.
    EXPECT_EQ(loaded.self(), variant);
    EXPECT_EQ(Get<second::frmShared>().own(), shared);
    EXPECT_EQ(LoadedForms().size(), 1u);

    UnloadDefault<second::frmShared>();
    FlushUnloaded();
    EXPECT_FALSE(IsLoaded<frmShared>());
    DefaultMaker<frmShared>() = nullptr;
}

TEST_F(FormTest, AssigningAMemberLoadsTheDefaultInstanceOnce) {
    EXPECT_FALSE(IsLoaded<frmProbe>());
    Get<frmProbe>().Target = 7;
    EXPECT_TRUE(IsLoaded<frmProbe>());
    EXPECT_FALSE(Get<frmProbe>().isVisible());
    EXPECT_EQ(Get<frmProbe>().Target, 7);
    EXPECT_EQ(events(), (std::vector<QString>{"Load"}));
    EXPECT_EQ(Get<frmProbe>().className(), QStringLiteral("frmProbe"));
}

TEST_F(FormTest, UnloadDestroysAndTheNextReferenceLoadsAFreshInstance) {
    Get<frmProbe>().Target = 7;
    frmProbe* first = &Get<frmProbe>();
    Unload(*first);
    EXPECT_FALSE(IsLoaded<frmProbe>());
    EXPECT_EQ(IfLoaded<frmProbe>(), nullptr);
    EXPECT_EQ(Get<frmProbe>().Target, 0);
    EXPECT_EQ(events(), (std::vector<QString>{"Load", "QueryUnload 1", "Unload", "Load"}));
    EXPECT_EQ(LoadedForms().size(), 1u);
}

TEST_F(FormTest, QueryUnloadCanRefuse) {
    Get<frmProbe>().refuseUnload = true;
    Unload(Get<frmProbe>());
    EXPECT_TRUE(IsLoaded<frmProbe>());
    // The close box goes the same way, with its own mode.
    Get<frmProbe>().refuseUnload = false;
    Get<frmProbe>().Show();
    Get<frmProbe>().close();
    EXPECT_FALSE(IsLoaded<frmProbe>());
    EXPECT_NE(std::find(events().begin(), events().end(), QStringLiteral("QueryUnload 0")), events().end());
}

TEST_F(FormTest, ActivateOnShowAndWhenBroughtBackToTheFront) {
    Get<frmProbe>().Show();
    Get<frmProbe>().Show();  // already active: nothing
    Get<frmOther>().Show();
    Get<frmProbe>().ZOrder();
    EXPECT_EQ(events(), (std::vector<QString>{"Load", "Activate", "Deactivate", "Other Activate", "Activate"}));
    EXPECT_EQ(ActiveForm(), &Get<frmProbe>());
    Get<frmProbe>().Hide();
    EXPECT_EQ(ActiveForm(), nullptr);
}

TEST_F(FormTest, AClickInsideAnotherWindowActivatesIt) {
    Get<frmProbe>().Show();
    Get<frmOther>().Show();
    events().clear();
    QTest::mouseClick(&Get<frmProbe>(), Qt::LeftButton);
    EXPECT_EQ(events(), (std::vector<QString>{"Activate"}));
}

// As the sending pages are: their activation disables what it will fill
// and yields to the event loop before it enables it again.
class frmYielding : public Form {
public:
    frmYielding() : Form(QStringLiteral("frmYielding")) {
        resize(300, 200);
        button = new CommandButton(this, QStringLiteral("cmdGonder"), QStringLiteral("Gönder"));
        button->setGeometry(20, 20, 100, 30);
        button->Click = [] { events().push_back(QStringLiteral("Click")); };
    }
    void Form_Activate() override {
        events().push_back(QStringLiteral("Activate"));
        button->setEnabled(false);
        vb::DoEvents();
        button->setEnabled(true);
    }
    CommandButton* button;
};

// A person's press and release, queued by the window system as it queues
// them: both are waiting before the press is handled.
void queueClick(QWidget* target, QPoint at) {
    QWindow* window = target->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPointF local = target->mapTo(target->window(), at);
    const QPointF global = target->mapToGlobal(at);
    QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonRelease, local, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

TEST_F(FormTest, OnePressIsOneClickAlsoWhenItActivatesAWindowThatYields) {
    auto& f = Get<frmYielding>();
    f.Show();
    Get<frmOther>().Show();
    QApplication::processEvents();
    for (int round = 0; round < 2; ++round) {
        events().clear();
        queueClick(f.button, QPoint(50, 15));
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(events(), (std::vector<QString>{"Activate", "Click"})) << "round " << round;
        // Another window clicked, and back: the activation runs again, once.
        queueClick(&Get<frmOther>(), QPoint(5, 5));
        QApplication::processEvents();
    }
    // A click in the active window activates nothing.
    queueClick(f.button, QPoint(50, 15));
    QApplication::processEvents();
    events().clear();
    queueClick(f.button, QPoint(50, 15));
    QApplication::processEvents();
    EXPECT_EQ(events(), (std::vector<QString>{"Click"}));
}

TEST_F(FormTest, GeometryInTwips) {
    auto& f = Get<frmProbe>();
    f.Move(1500, 3000, 4500, 3000);
    EXPECT_EQ(f.Left(), 1500);
    EXPECT_EQ(f.Top(), 3000);
    EXPECT_EQ(f.Width(), 4500);
    EXPECT_EQ(f.Height(), 3000);
    EXPECT_EQ(f.ScaleWidth(), 4500);  // no frame without a window manager
    EXPECT_EQ(ToPixels(4755), 317);
    EXPECT_EQ(ToPixels(22), 1);  // 1.47
    EXPECT_EQ(ToPixels(1522), 101);  // 101.47
    EXPECT_GT(ScreenWidth(), 0);
    f.setLeft(ScreenWidth() - f.Width());
    EXPECT_EQ(f.Left() + f.Width(), ScreenWidth());
}

TEST_F(FormTest, AWindowCentredBeforeItIsShownStaysCentredWithItsFrame) {
    auto& f = Get<frmProbe>();
    f.centreOnScreen();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // As much room on either side, give or take the odd pixel.
    auto centred = [&] {
        const QRect frame = f.frameGeometry();
        return std::abs((frame.left() - screen.left()) - (screen.right() - frame.right())) <= 1 &&
               std::abs((frame.top() - screen.top()) - (screen.bottom() - frame.bottom())) <= 1;
    };
    EXPECT_TRUE(centred());
    f.Show();
    QApplication::processEvents();
    EXPECT_TRUE(centred()) << f.frameGeometry().x() << "," << f.frameGeometry().y();
    // Moved by the user afterwards, a second showing leaves it there.
    f.move(10, 10);
    f.Hide();
    f.Show();
    EXPECT_EQ(f.frameGeometry().topLeft(), QPoint(10, 10));
}

TEST_F(FormTest, SizeHoldingPinsAFixedWindow) {
    auto& f = Get<frmFixed>();
    f.Show();
    f.setWidth(3000);
    EXPECT_EQ(f.Width(), 4755);
    f.setHeight(9000);
    EXPECT_EQ(f.Height(), 2670);
    // A maximised window cannot be sized; the rule's error is ignored and
    // the window stays maximised, as it does in the language.
    f.setWindowState(vbMaximized);
    QApplication::processEvents();
    EXPECT_EQ(f.WindowState(), vbMaximized);
    EXPECT_THROW(f.setWidth(4755), vb::Error);
    f.setWindowState(vbNormal);
    QApplication::processEvents();
    EXPECT_EQ(f.Width(), 4755);
    EXPECT_EQ(f.Height(), 2670);
}

TEST_F(FormTest, TheBorderStyleIsWhatTheWindowManagerIsToldTheWindowOffers) {
    struct Case {
        int style;
        bool minButton, maxButton, controlBox;
        Qt::WindowType type;
        bool frameless, minimise, maximise, close, held;
    } cases[] = {
        {vbSizable, true, true, true, Qt::Window, false, true, true, true, false},
        {vbSizable, true, false, true, Qt::Window, false, true, false, true, false},
        {vbSizable, false, false, true, Qt::Window, false, false, false, true, false},
        {vbSizable, true, true, false, Qt::Window, false, false, false, false, false},
        // A fixed border is never maximised.
        {vbFixedSingle, true, true, true, Qt::Window, false, true, false, true, true},
        // A dialog's border has neither button, whatever is asked.
        {vbFixedDialog, true, true, true, Qt::Dialog, false, false, false, true, true},
        {vbFixedDialog, true, true, false, Qt::Dialog, false, false, false, false, true},
        {vbSizableToolWindow, true, true, true, Qt::Tool, false, false, false, true, false},
        {vbBSNone, true, true, true, Qt::Window, true, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " min " << c.minButton << " max " << c.maxButton
                                        << " box " << c.controlBox);
        auto& f = Get<frmProbe>();
        f.setTopmost(true);
        f.setBorderStyle(c.style, c.minButton, c.maxButton, c.controlBox);
        f.Show();
        const Qt::WindowFlags flags = f.windowFlags();
        EXPECT_EQ(f.BorderStyle(), c.style);
        EXPECT_EQ(flags & Qt::WindowType_Mask, c.type);
        EXPECT_EQ(flags.testFlag(Qt::FramelessWindowHint), c.frameless);
        EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), c.minimise);
        EXPECT_EQ(flags.testFlag(Qt::WindowMaximizeButtonHint), c.maximise);
        EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), c.close);
        EXPECT_TRUE(f.isTopmost()) << "the border leaves the window on top";
        EXPECT_EQ(f.sizeHeld(), c.held);
        EXPECT_EQ(f.minimumSize() == f.maximumSize(), c.held);
        EXPECT_TRUE(f.isVisible());
        Unload(f);
        FlushUnloaded();
    }
}

TEST_F(FormTest, AnEmptyCaptionIsAnEmptyTitleNotTheProgramsName) {
    auto& f = Get<frmProbe>();
    f.Show();
    EXPECT_EQ(f.Caption(), QString());
    ASSERT_NE(f.windowHandle(), nullptr);
    // Qt would put the program's name in an empty title.
    EXPECT_FALSE(f.windowHandle()->title().isEmpty());
    EXPECT_TRUE(f.windowHandle()->title().trimmed().isEmpty());
    f.setCaption(QStringLiteral("120/500 (%24)"));
    EXPECT_EQ(f.windowHandle()->title(), QStringLiteral("120/500 (%24)"));
    f.setCaption(QString());
    EXPECT_EQ(f.Caption(), QString());
    EXPECT_TRUE(f.windowHandle()->title().trimmed().isEmpty());
}

TEST_F(FormTest, AHeldSizeIsTheOnlyOneTheWindowManagerIsOffered) {
    auto& f = Get<frmFixed>();
    f.Show();
    EXPECT_TRUE(f.sizeHeld());
    EXPECT_EQ(f.minimumSize(), f.size());
    EXPECT_EQ(f.maximumSize(), f.size());
    // Code still sizes a window whose size is held, and the size held
    // follows.
    auto& probe = Get<frmProbe>();
    probe.Show();
    HoldSize(probe, 6000, 3000);
    EXPECT_TRUE(probe.sizeHeld());
    probe.setWidth(7500);
    EXPECT_EQ(probe.Width(), 7500);
    EXPECT_EQ(probe.maximumSize(), probe.size());
    EXPECT_EQ(probe.minimumSize(), probe.size());
    // A minimum size is no held size.
    auto& other = Get<frmOther>();
    other.Show();
    HoldSize(other, 3000, 3000, false);
    EXPECT_FALSE(other.sizeHeld());
    EXPECT_NE(other.minimumSize(), other.maximumSize());
}

TEST_F(FormTest, MinimumSizeOnlyHoldsFromBelow) {
    auto& f = Get<frmProbe>();
    f.Show();
    f.setWidth(9000);
    f.setHeight(9000);
    HoldSize(f, 6000, 6000, false);
    EXPECT_EQ(f.Width(), 9000);
    f.setWidth(3000);
    HoldSize(f, 6000, 6000, false);
    EXPECT_EQ(f.Width(), 6000);
    EXPECT_EQ(f.Height(), 9000);
}

TEST_F(FormTest, TheHeldSizeIsTheOuterSizeOnceTheFrameIsKnown) {
    for (bool framedLater : {false, true}) {
        SCOPED_TRACE(framedLater ? "framed after the showing" : "framed at the showing");
        auto& f = Get<frmFramed>();
        f.holdsSize = true;
        f.Move(1500, 1500);
        if (!framedLater)
            f.frame = kFrame;
        f.Show();
        if (framedLater) {
            EXPECT_EQ(f.ScaleWidth(), 4755) << "no frame known yet";
            f.frame = kFrame;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.ScaleWidth() == 4755 - 120; }, 3000)) << f.ScaleWidth();
        EXPECT_EQ(f.ScaleHeight(), 2670 - 405);
        EXPECT_EQ(f.Width(), 4755);
        EXPECT_EQ(f.Height(), 2670);
        // The frame, not the client, is where the window was put.
        EXPECT_EQ(f.Left(), 1500);
        EXPECT_EQ(f.Top(), 1500);
        EXPECT_EQ(f.geometry().topLeft(), QPoint(100 + 4, 100 + 23));
        // Dragged larger, it returns to its outer size.
        f.resize(600, 600);
        EXPECT_EQ(f.Width(), 4755);
        EXPECT_EQ(f.Height(), 2670);
        Unload(f);
        FlushUnloaded();
    }
}

// The login window's way: its size held, flush right while it loads, and
// framed only after it was shown. Returns the client's place before that.
QPoint ShowFlushRightFramedLater(frmFramed& f) {
    f.holdsSize = true;
    f.setTop(3000);
    f.moveFlushRight();
    f.Show();
    const QPoint unframed = f.geometry().topLeft();
    f.frame = kFrame;
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.ScaleWidth() == 4755 - 120; }, 3000)) << f.ScaleWidth();
    return unframed;
}

TEST_F(FormTest, FlushRightPutsTheRightEdgeOfTheFrameAtTheEdgeOfTheWorkArea) {
    auto& f = Get<frmFramed>();
    ShowFlushRightFramedLater(f);
    const QRect area = workArea();
    EXPECT_EQ(f.geometry().right() + kFrame.right(), area.right()) << "not a pixel past it";
    EXPECT_EQ(f.Left() + f.Width(), ToTwips(area.x() + area.width()));
    EXPECT_EQ(f.Top(), 3000);
    // Once the frame is known the rule places it at once.
    f.setLeft(0);
    f.moveFlushRight();
    EXPECT_EQ(f.geometry().right() + kFrame.right(), area.right());
}

TEST_F(FormTest, ALateAnswerOfTheWindowManagerDoesNotTakeTheFittedWindowBack) {
    auto& f = Get<frmFramed>();
    const QPoint unframed = ShowFlushRightFramedLater(f);
    const QRect fitted = f.geometry();
    // The window system's answer to a step of the fitting, arriving after
    // it: the window where it was before it was flush, the height not yet
    // held. No size is held for it.
    f.windowHandle()->setGeometry(QRect(unframed, QSize(fitted.width(), 178)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.geometry() == fitted; }, 3000)) << f.geometry().x();
    // Moved elsewhere by code, it stays there.
    const QRect moved(QPoint(20, 200), fitted.size());
    f.setGeometry(moved);
    QTest::qWait(300);
    EXPECT_EQ(f.geometry(), moved);
}

TEST_F(FormTest, NoWindowIsPlacedWithItsTitleBarAboveTheWorkArea) {
    auto& f = Get<frmFramed>();
    f.frame = kFrame;
    f.Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.ScaleWidth() == f.Width() - 120; }, 3000));
    const int top = ToTwips(workArea().top());
    struct Case {
        const char* what;
        std::function<void()> place;
        int expectedTop;
    };
    const Case cases[] = {
        {"Move above", [&] { f.Move(1500, top - 300); }, top},
        {"Top far above", [&] { f.setTop(top - 4500); }, top},
        {"Left of a window above", [&] { f.setGeometry(QRect(QPoint(50, workArea().top() - 10), f.size())); f.setLeft(3000); }, top},
        {"Top below", [&] { f.setTop(top + 600); }, top + 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.place();
        EXPECT_EQ(f.Top(), c.expectedTop);
        EXPECT_GE(f.geometry().top() - kFrame.top(), workArea().top());
    }
}

TEST_F(FormTest, EnterAndEscapePressTheDefaultAndCancelButtons) {
    auto& f = Get<frmProbe>();
    auto* ok = new CommandButton(&f, QStringLiteral("btnOK"), QStringLiteral("Tamam"));
    auto* cancel = new CommandButton(&f, QStringLiteral("btnVazgec"), QStringLiteral("Vazgeç"));
    auto* text = new TextBox(&f, QStringLiteral("txtAd"));
    ok->setDefaultButton(true);
    cancel->setCancelButton(true);
    int oks = 0, cancels = 0;
    auto* lines = new TextBox(&f, QStringLiteral("txtMesaj"), /*multiLine=*/true);
    ok->Click = [&] { ++oks; };
    cancel->Click = [&] { ++cancels; };
    // The buttons take Enter and Esc before the box's own key handler,
    // which would swallow them.
    std::vector<int> seen;
    text->KeyPress = [&](int& key) {
        seen.push_back(key);
        if (key == 13)
            key = 0;
    };
    f.Show();
    SetFocus(text);
    text->typeText(QStringLiteral("ab\r"));
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(text->Text(), QStringLiteral("ab"));
    QTest::keyClick(text->editor(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(seen, (std::vector<int>{'a', 'b'}));
    // A multi-line box breaks its line.
    lines->typeText(QStringLiteral("x\ry"));
    EXPECT_EQ(lines->Text(), QStringLiteral("x\r\ny"));
    EXPECT_EQ(oks, 1);
    // Enter on a focused button presses that button.
    SetFocus(cancel);
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(cancels, 2);
    ok->setEnabled(false);
    SetFocus(text);
    text->typeText(QStringLiteral("\r"));
    EXPECT_EQ(oks, 1);
}

TEST_F(FormTest, AnErrorLeftUnhandledByAHandlerIsShownAndEndsIt) {
    auto service = std::make_shared<vb::ScriptedMsgBoxService>();
    vb::SetMsgBoxService(service);
    auto& f = Get<frmProbe>();
    auto* b = new CommandButton(&f, QStringLiteral("cmdX"));
    b->Click = [] { vb::Raise(vb::errTypeMismatch); };
    b->click();
    ASSERT_EQ(service->records().size(), 1u);
    EXPECT_EQ(service->records()[0].prompt, QStringLiteral("Type mismatch"));
    vb::SetMsgBoxService(nullptr);
}

} // namespace

namespace {

class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

class frmPaced : public Form {
public:
    frmPaced() : Form(QStringLiteral("frmPaced")) { resize(200, 100); }
    PaintCounter* counter = new PaintCounter(this);
};

TEST_F(FormTest, PaintsDuringALongLoopArePacedButNotLost) {
    auto& f = Get<frmPaced>();
    f.counter->setGeometry(0, 0, 50, 50);
    f.Show();
    QApplication::processEvents();
    const int before = f.counter->paints;
    QElapsedTimer t;
    t.start();
    int updates = 0;
    while (t.elapsed() < 100) {
        f.counter->update();
        vb::DoEvents();
        ++updates;
    }
    const int during = f.counter->paints - before;
    EXPECT_GT(updates, 50 * during) << updates << " updates, " << during << " paints";
    // The last update is painted once the loop has stopped.
    const int afterLoop = f.counter->paints;
    f.counter->update();
    QElapsedTimer w;
    w.start();
    while (f.counter->paints == afterLoop && w.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GT(f.counter->paints, afterLoop);
}

} // namespace
