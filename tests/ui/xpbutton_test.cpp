#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "ui/common/TeskXpButton.h"

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A window with a text box before the button and a command button after it
// in the tab order.
class frmDugme : public forms::Form {
public:
    frmDugme() : forms::Form(QStringLiteral("frmDugme")) {
        resize(320, 200);
        txtOnce = new forms::TextBox(this, QStringLiteral("txtOnce"));
        txtOnce->setGeometry(10, 10, 100, 21);
        Dugme = new TeskXpButton(this, QStringLiteral("Dugme"));
        Dugme->setGeometry(20, 40, 75, 23);
        cmdSonra = new forms::CommandButton(this, QStringLiteral("cmdSonra"), QStringLiteral("Sonra"));
        cmdSonra->setGeometry(10, 170, 80, 23);
        setTabOrder(txtOnce, Dugme);
        setTabOrder(Dugme, cmdSonra);
    }
    forms::TextBox* txtOnce;
    TeskXpButton* Dugme;
    forms::CommandButton* cmdSonra;
};

struct Px {
    int x, y;
    int r, g, b;
};

// Where the cursor rests when it is over nothing of interest: the window's
// empty lower right corner.
const QPoint kRest(300, 180);

class XpButtonTest : public ::testing::Test {
protected:
    frmDugme* f = nullptr;
    TeskXpButton* b = nullptr;
    QStringList log;

    void SetUp() override { open(); }
    void TearDown() override { close(); }

    // A fresh window, active, with the focus in the text box, the cursor
    // resting away from the button, and the button without a caption.
    void open() {
        f = &forms::Get<frmDugme>();
        b = f->Dugme;
        f->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f));
        QTest::mouseMove(f, kRest);
        forms::SetFocus(f->txtOnce);
        QCoreApplication::processEvents();
        b->setCaption(QString());
        log.clear();
        recordEvents();
    }
    void close() {
        QTest::mouseMove(f, kRest);
        for (forms::Form* w : forms::LoadedForms())
            forms::Unload(*w);
        forms::FlushUnloaded();
    }

    void recordEvents() {
        auto mouse = [this](const char* name) {
            return [this, name](int& button, int&, float&, float&) {
                log << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(button);
            };
        };
        auto key = [this](const char* name) {
            return [this, name](int& code, int&) { log << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(code); };
        };
        b->Click = [this] { log << QStringLiteral("Click"); };
        b->MouseDown = mouse("MouseDown");
        b->MouseMove = mouse("MouseMove");
        b->MouseUp = mouse("MouseUp");
        b->MouseOver = [this] { log << QStringLiteral("MouseOver"); };
        b->MouseOut = [this] { log << QStringLiteral("MouseOut"); };
        b->KeyDown = key("KeyDown");
        b->KeyUp = key("KeyUp");
        b->KeyPress = [this](int& ascii) { log << QStringLiteral("KeyPress %1").arg(ascii); };
    }

    // What the screen shows of the button, over a colour it never draws, so
    // that what lies outside its window region stays that colour.
    QImage shot() const {
        QImage img(b->size(), QImage::Format_RGB32);
        img.fill(qRgb(1, 2, 3));
        b->render(&img);
        return img;
    }

    static void expectPixels(const QImage& img, const std::vector<Px>& pixels, const std::string& what) {
        for (const Px& p : pixels) {
            const QRgb c = img.pixel(p.x, p.y);
            EXPECT_EQ((std::array{qRed(c), qGreen(c), qBlue(c)}), (std::array{p.r, p.g, p.b}))
                << what << " at (" << p.x << ", " << p.y << ")";
        }
    }

    void hover(QPoint at = QPoint(10, 10)) { QTest::mouseMove(b, at); }
};

const QColor kBack = QColor(255, 255, 255);

std::vector<Px> border(int W, int H) {
    return {{0, 5, 0, 60, 116},        {W - 1, 5, 0, 60, 116},      {5, 0, 0, 60, 116},
            {5, H - 1, 0, 60, 116},    {0, 1, 122, 149, 168},       {1, 0, 122, 149, 168},
            {W - 2, 0, 122, 149, 168}, {W - 1, 1, 122, 149, 168},   {0, H - 2, 122, 149, 168},
            {1, H - 1, 122, 149, 168}, {W - 2, H - 1, 122, 149, 168}, {W - 1, H - 2, 122, 149, 168},
            {1, 1, 37, 87, 131},       {W - 2, 1, 37, 87, 131},     {1, H - 2, 37, 87, 131},
            {W - 2, H - 2, 37, 87, 131}};
}

std::vector<Px> operator+(std::vector<Px> a, const std::vector<Px>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

enum class Look { Normal, Focus, Hover, HoverWithFocus, Pressed, Disabled };

// The pixels each look fixes, at 75 x 23 and at 96 x 63 (where every
// gradient has run into its limit).
std::vector<Px> expected(Look look, int W, int H) {
    const bool small = H == 23;
    switch (look) {
    case Look::Normal:
        return border(W, H) + std::vector<Px>{
            {5, 1, 255, 255, 255}, {5, 2, 255, 255, 255}, {W / 2, 1, 255, 255, 255}, {W - 2, 2, 255, 255, 255},
            {5, 3, 255, 255, 253}, {5, 10, 248, 248, 246}, {W - 2, 10, 248, 248, 246},
            {5, H - 4, 236, 235, 230}, {5, H - 3, 226, 223, 214}, {5, H - 2, 214, 208, 197},
            {W - 2, H - 2, 37, 87, 131}}
            + (small ? std::vector<Px>{{5, 18, 240, 240, 238}}
                     : std::vector<Px>{{5, 27, 231, 231, 229}, {5, 50, 231, 231, 229}});
    case Look::Focus:
        return border(W, H) + std::vector<Px>{
            {2, 1, 206, 231, 251}, {W - 3, 1, 206, 231, 251}, {1, 2, 188, 212, 246}, {W - 2, 2, 188, 212, 246},
            {1, 3, 186, 211, 246}, {2, 3, 186, 211, 246}, {W - 3, 3, 186, 211, 246}, {W - 2, 3, 186, 211, 246},
            {2, 10, 158, 190, 239}, {W - 2, 10, 158, 190, 239}, {5, 10, 248, 248, 246},
            {2, H - 2, 77, 125, 193}, {W - 3, H - 2, 77, 125, 193}, {3, H - 2, 97, 125, 229},
            {W - 4, H - 2, 97, 125, 229}, {5, H - 4, 236, 235, 230}}
            + (small ? std::vector<Px>{{1, 19, 122, 163, 230}, {W - 3, 19, 122, 163, 230},
                                       {1, 20, 118, 160, 229}, {W - 3, 20, 118, 160, 229}, {5, 20, 118, 160, 229}}
                     : std::vector<Px>{{2, 22, 110, 154, 227}, {W - 2, 59, 110, 154, 227},
                                       {1, 60, 110, 154, 227}, {W - 3, 60, 110, 154, 227}});
    case Look::Hover:
    case Look::HoverWithFocus:
        return border(W, H) + std::vector<Px>{
            {2, 1, 255, 240, 207}, {W - 3, 1, 255, 240, 207}, {2, 2, 253, 216, 137}, {W - 3, 2, 253, 216, 137},
            {1, 2, 254, 223, 154}, {W - 2, 2, 254, 223, 154}, {1, 10, 246, 199, 98}, {W - 2, 10, 246, 199, 98},
            {2, 3, 252, 210, 121}, {2, 7, 248, 194, 89}, {W - 3, 7, 248, 194, 89},
            {2, 12, 243, 174, 49}, {W - 3, 12, 243, 174, 49}, {1, 18, 238, 175, 42}, {1, H - 3, 238, 175, 42},
            {3, H - 3, 243, 174, 49}, {W - 2, H - 3, 243, 174, 49}, {2, H - 2, 229, 151, 0},
            {W - 3, H - 2, 229, 151, 0}, {5, 10, 248, 248, 246}}
            + (small ? std::vector<Px>{}
                     : std::vector<Px>{{W - 2, 50, 238, 175, 42}, {2, 50, 243, 174, 49}});
    case Look::Pressed:
        return border(W, H) + std::vector<Px>{
            {5, 1, 209, 204, 192}, {5, 2, 220, 216, 207}, {5, 3, 239, 238, 231}, {2, 3, 239, 238, 231},
            {5, 7, 238, 237, 230}, {5, 11, 237, 236, 229}, {5, 15, 236, 235, 228}, {5, 19, 235, 234, 227},
            {W - 2, 19, 235, 234, 227}, {5, H - 3, 234, 233, 227}, {5, H - 2, 242, 241, 238}}
            + (small ? std::vector<Px>{}
                     : std::vector<Px>{{5, 31, 232, 231, 224}, {5, 55, 226, 225, 218}, {5, 59, 225, 224, 217}});
    case Look::Disabled: {
        std::vector<Px> px{{5, 5, 245, 244, 234}, {W / 2, H / 2, 245, 244, 234}, {W - 3, H - 4, 245, 244, 234},
                           {0, 5, 201, 199, 186}, {W - 1, 5, 201, 199, 186}, {5, 0, 201, 199, 186},
                           {5, H - 1, 201, 199, 186}};
        for (auto [x, y] : {std::pair{0, 1}, {1, 0}, {1, 1}})
            px = px + std::vector<Px>{{x, y, 216, 213, 199}, {W - 1 - x, y, 216, 213, 199},
                                      {x, H - 1 - y, 216, 213, 199}, {W - 1 - x, H - 1 - y, 216, 213, 199}};
        for (auto [x, y] : {std::pair{1, 2}, {2, 1}})
            px = px + std::vector<Px>{{x, y, 234, 233, 222}, {W - 1 - x, y, 234, 233, 222},
                                      {x, H - 1 - y, 234, 233, 222}, {W - 1 - x, H - 1 - y, 234, 233, 222}};
        return px;
    }
    }
    return {};
}

TEST_F(XpButtonTest, EachLookIsDrawnPixelForPixelOnTheRoundedRegion) {
    ASSERT_EQ(QGuiApplication::palette().color(QPalette::Base), kBack);
    struct Case { Look look; const char* name; } looks[] = {
        {Look::Normal, "normal"},   {Look::Focus, "focus"},     {Look::Hover, "hover"},
        {Look::HoverWithFocus, "hover over focus"}, {Look::Pressed, "pressed"}, {Look::Disabled, "disabled"},
    };
    for (QSize size : {QSize(75, 23), QSize(96, 63)}) {
        const int W = size.width(), H = size.height();
        for (const Case& c : looks) {
            const std::string what = std::string(c.name) + " " + std::to_string(W) + "x" + std::to_string(H);
            close();
            open();
            b->resize(size);
            if (c.look == Look::Disabled)
                b->setEnabled(false);
            if (c.look == Look::Focus || c.look == Look::HoverWithFocus)
                b->setFocus();
            if (c.look == Look::Hover || c.look == Look::HoverWithFocus)
                hover();
            if (c.look == Look::Pressed)
                QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
            const QImage img = shot();
            expectPixels(img, expected(c.look, W, H), what);
            // The four corner pixels lie outside the window region.
            for (QPoint corner : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)}) {
                EXPECT_EQ(img.pixel(corner), qRgb(1, 2, 3)) << what;
                EXPECT_FALSE(b->mask().contains(corner)) << what;
            }
            EXPECT_TRUE(b->mask().contains(QPoint(1, 0)));
            EXPECT_EQ(b->mask().boundingRect(), QRect(0, 0, W, H));
            if (c.look == Look::Pressed)
                QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
        }
    }
}

// The pixels of one colour: how many, and their bounding box.
std::pair<int, QRect> ink(const QImage& img, const QColor& colour) {
    int n = 0;
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour.rgb()) {
                ++n;
                box |= QRect(x, y, 1, 1);
            }
    return {n, box};
}

TEST_F(XpButtonTest, TheCaptionIsCentredInTheColourOfTheState) {
    const QColor fore(0, 0, 255), hoverColour(255, 0, 0), disabled(161, 161, 146);
    b->setForeColor(fore);
    b->setForeHover(hoverColour);
    b->setCaption(QStringLiteral("Kapat"));
    for (QSize size : {QSize(75, 23), QSize(96, 63)}) {
        b->resize(size);
        auto [n, box] = ink(shot(), fore);
        EXPECT_GT(n, 10);
        // Centred across, and within the face down.
        EXPECT_LE(std::abs(box.left() - (size.width() - 1 - box.right())), 2) << box.left() << " " << box.right();
        EXPECT_LE(std::abs(box.top() - (size.height() - 1 - box.bottom())), 4) << box.top() << " " << box.bottom();
        EXPECT_GT(box.top(), 2);
        EXPECT_LT(box.bottom(), size.height() - 3);

        // Hover wins over focus, and takes the hover colour.
        b->setFocus();
        hover();
        EXPECT_GT(ink(shot(), hoverColour).first, 10);
        EXPECT_EQ(ink(shot(), fore).first, 0);
        QTest::mouseMove(f, kRest);
        EXPECT_GT(ink(shot(), fore).first, 10);

        b->setEnabled(false);
        EXPECT_GT(ink(shot(), disabled).first, 10);
        EXPECT_EQ(ink(shot(), fore).first, 0);
        b->setEnabled(true);
    }
    // A word-wrapped caption is centred as a block.
    b->resize(75, 63);
    b->setCaption(QStringLiteral("Pencereyi kapat"));
    auto [n, box] = ink(shot(), fore);
    EXPECT_GT(n, 10);
    EXPECT_LE(std::abs(box.top() - (63 - 1 - box.bottom())), 4) << box.top() << " " << box.bottom();
}

TEST_F(XpButtonTest, AMouseClickRaisesItsEventsInOrder) {
    hover(QPoint(10, 10));
    hover(QPoint(12, 10));
    hover(QPoint(14, 10));  // no further MouseMove until the cursor has left
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(14, 10));
    // The pressed look until the release.
    expectPixels(shot(), {{5, 3, 239, 238, 231}}, "pressed");
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(14, 10));
    EXPECT_EQ(log, (QStringList{"MouseOver", "MouseMove 0", "MouseMove 0", "MouseDown 1", "MouseUp 1", "Click"}));
    // The release repaints the normal look, with the hover frame while the
    // cursor stays.
    expectPixels(shot(), {{5, 3, 255, 255, 253}, {2, 12, 243, 174, 49}}, "released");
    log.clear();
    QTest::mouseMove(f, kRest);
    EXPECT_EQ(log, (QStringList{"MouseOut"}));
    // The click gave the button the focus, whose look is left.
    expectPixels(shot(), {{2, 12, 150, 184, 237}}, "left");
    // In again: MouseOver once more.
    log.clear();
    hover(QPoint(20, 12));
    EXPECT_EQ(log, (QStringList{"MouseOver", "MouseMove 0"}));
}

TEST_F(XpButtonTest, DraggingOutEndsTheHoverAtOnceAndReleasingOutsideIsNoClick) {
    hover(QPoint(10, 10));
    hover(QPoint(12, 10));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(12, 10));
    log.clear();
    // The button keeps the mouse while it is held.
    QTest::mouseMove(b, QPoint(200, 100));
    EXPECT_EQ(log, (QStringList{"MouseOut"}));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_EQ(log, (QStringList{"MouseOut", "MouseUp 1"}));
}

TEST_F(XpButtonTest, OnlyTheLeftButtonPressesAndClicks) {
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(10, 10));
    // No pressed look for the right button.
    expectPixels(shot(), {{5, 3, 255, 255, 253}}, "right press");
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(b, Qt::MiddleButton, {}, QPoint(10, 10));
    EXPECT_EQ(log, (QStringList{"MouseDown 2", "MouseUp 2", "MouseDown 4", "MouseUp 4"}));

    // A double click: the second press is a mouse down at 0, 0 and its
    // release a mouse up, with no second Click.
    log.clear();
    float x = -1, y = -1;
    b->MouseDown = [&](int& button, int&, float& px, float& py) {
        log << QStringLiteral("MouseDown %1").arg(button);
        x = px;
        y = py;
    };
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(x, 10);
    QTest::mouseDClick(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log, (QStringList{"MouseDown 1", "MouseUp 1", "Click", "MouseDown 1", "MouseUp 1"}));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // A disabled button raises nothing.
    log.clear();
    b->setEnabled(false);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(XpButtonTest, SpaceAndEnterClickOnTheirRelease) {
    b->setFocus();
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_EQ(log, (QStringList{"KeyDown 32", "KeyPress 32"}));
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(log, (QStringList{"KeyDown 32", "KeyPress 32", "Click", "KeyUp 32"}));

    log.clear();
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(log, (QStringList{"KeyDown 13", "KeyPress 13", "Click", "KeyUp 13"}));

    // Space pressed, Enter pressed, Space released: the last key down was
    // Enter, so the release is no click.
    log.clear();
    QTest::keyPress(b, Qt::Key_Space);
    QTest::keyPress(b, Qt::Key_Return);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_FALSE(log.contains(QStringLiteral("Click")));
    QTest::keyRelease(b, Qt::Key_Return);
    EXPECT_EQ(log.count(QStringLiteral("Click")), 1);

    // After a keyboard click the button counts as pressed by the left
    // button: Space now shows the pressed look until its release.
    QTest::keyPress(b, Qt::Key_Space);
    expectPixels(shot(), {{5, 3, 239, 238, 231}}, "space held");
    QTest::keyRelease(b, Qt::Key_Space);
    expectPixels(shot(), {{5, 3, 255, 255, 253}, {2, 3, 186, 211, 246}}, "space released");
}

TEST_F(XpButtonTest, TheAccessKeyComesFromTheAmpersand) {
    struct Case { const char* caption; const char* key; } cases[] = {
        {"&Kapat", "k"}, {"Ara && &Bul", "b"}, {"Ara && Bul", ""}, {"Kapat&", ""}, {"K", ""}, {"&", ""},
        {"Ka&pat", "p"}, {"&&", ""}, {"Ara &&&Bul", "b"}, {"&Şimdi", "ş"},
    };
    for (const auto& c : cases) {
        b->setCaption(QString::fromUtf8(c.caption));
        EXPECT_EQ(b->AccessKey(), QString::fromUtf8(c.key)) << c.caption;
    }

    b->setCaption(QStringLiteral("&Kapat"));
    QTest::keyClick(f, Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(log, (QStringList{"Click"}));
    // A caption without it frees the key.
    log.clear();
    b->setCaption(QStringLiteral("Kapat"));
    QTest::keyClick(f, Qt::Key_K, Qt::AltModifier);
    EXPECT_TRUE(log.isEmpty());
    b->setCaption(QStringLiteral("&Kapat"));
    b->setEnabled(false);
    QTest::keyClick(f, Qt::Key_K, Qt::AltModifier);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(XpButtonTest, ArrowKeysMoveTheFocusAfterTheirKeyDown) {
    struct Case { Qt::Key key; int code; const char* to; } cases[] = {
        {Qt::Key_Right, 39, "cmdSonra"},
        {Qt::Key_Left, 37, "cmdSonra"},
        {Qt::Key_Down, 40, "txtOnce"},
        {Qt::Key_Up, 38, "txtOnce"},
    };
    for (const auto& c : cases) {
        b->setFocus();
        ASSERT_TRUE(b->hasFocus());
        log.clear();
        bool focusedAtKeyDown = false;
        b->KeyDown = [&](int& code, int&) {
            log << QStringLiteral("KeyDown %1").arg(code);
            focusedAtKeyDown = b->hasFocus();
        };
        QTest::keyPress(b, c.key);
        EXPECT_TRUE(focusedAtKeyDown) << c.code;
        QCoreApplication::processEvents();
        QWidget* focus = f->focusWidget();
        const QString owner = focus == f->txtOnce->editor() ? QStringLiteral("txtOnce") : focus->objectName();
        EXPECT_EQ(owner, QString::fromLatin1(c.to)) << c.code;
        EXPECT_EQ(log, (QStringList{QStringLiteral("KeyDown %1").arg(c.code)}));
        // The focus look went with the focus.
        expectPixels(shot(), {{2, 3, 255, 255, 253}}, "after the move");
    }
}

TEST_F(XpButtonTest, SavedPropertiesAreReadWithTheirDefaults) {
    QPalette pal = f->palette();
    pal.setColor(QPalette::WindowText, QColor(10, 20, 30));
    f->setPalette(pal);
    TeskXpButton::PropertyBag empty;
    b->ReadProperties(empty);
    EXPECT_TRUE(b->Enabled());
    EXPECT_EQ(b->Caption(), QStringLiteral("Dugme"));
    EXPECT_EQ(b->ForeColor(), QColor(10, 20, 30));
    EXPECT_EQ(b->ForeHover(), QColor(10, 20, 30));
    EXPECT_EQ(b->Font(), f->font());

    b->ReadProperties({{"Enabled", false}, {"Caption", "&Kapat"}, {"ForeColor", QColor(200, 0, 0)}});
    EXPECT_FALSE(b->Enabled());
    EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(b->AccessKey(), QStringLiteral("k"));
    // ForeHover takes the ForeColor just read.
    EXPECT_EQ(b->ForeHover(), QColor(200, 0, 0));

    TeskXpButton::PropertyBag written;
    b->WriteProperties(written);
    EXPECT_EQ(written.value("Enabled"), QVariant(false));
    EXPECT_EQ(written.value("Caption"), QVariant(QStringLiteral("&Kapat")));
    EXPECT_EQ(written.value("ForeColor"), QVariant(QColor(200, 0, 0)));
    EXPECT_EQ(written.value("ForeHover"), QVariant(QColor(200, 0, 0)));
    EXPECT_FALSE(written.contains("Font"));
    // Values equal to their defaults are left out, but the fore colour.
    b->ReadProperties(empty);
    written.clear();
    b->WriteProperties(written);
    EXPECT_EQ(written.keys(), (QStringList{"ForeColor"}));
}

} // namespace
