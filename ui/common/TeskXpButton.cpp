#include "ui/common/TeskXpButton.h"

#include "platform/forms/form.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QShortcutEvent>

namespace {

struct Rgb {
    int r, g, b;
    QRgb value() const { return qRgb(r, g, b); }
};

// A colour that steps down after each row (or band) it is drawn on, while
// its blue value is still at or above the limit.
struct Gradient {
    Rgb colour;
    int limit;
    Rgb step;
    void advance() {
        if (colour.b >= limit)
            colour = {colour.r - step.r, colour.g - step.g, colour.b - step.b};
    }
};

void pixel(QImage& img, int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
        img.setPixel(x, y, c.value());
}

// A horizontal line covers both of its ends.
void hline(QImage& img, int x0, int x1, int y, Rgb c) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        pixel(img, x, y, c);
}

// A pen `width` pixels wide covers, across its line, the pixels from
// width / 2 before the line up to the one before width / 2 after it (a
// 4-pixel pen on row y: rows y - 2 to y + 1; a 2-pixel pen on column x:
// columns x - 1 and x), and along it both ends.
void wideHLine(QImage& img, int x0, int x1, int y, int width, Rgb c) {
    for (int dy = -(width / 2); dy < width - width / 2; ++dy)
        hline(img, x0, x1, y + dy, c);
}

void wideVLine(QImage& img, int x, int y0, int y1, int width, Rgb c) {
    for (int dx = -(width / 2); dx < width - width / 2; ++dx)
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            pixel(img, x + dx, y, c);
}

// Both sides of a frame, rows y0 to y1, each row one step of the gradient: a
// stroke `pen` pixels wide and `rows` rows long at xLeft and at xRight.
// Returns the colour the gradient has come to.
Rgb sides(QImage& img, Gradient g, int y0, int y1, int xLeft, int xRight, int pen, int rows) {
    for (int y = y0; y <= y1; ++y) {
        wideVLine(img, xLeft, y, y + rows - 1, pen, g.colour);
        wideVLine(img, xRight, y, y + rows - 1, pen, g.colour);
        g.advance();
    }
    return g.colour;
}

// The same pixels at the four corners: (x, y) counted from the top left,
// mirrored to the other three.
void corners(QImage& img, int w, int h, int x, int y, Rgb c) {
    pixel(img, x, y, c);
    pixel(img, w - 1 - x, y, c);
    pixel(img, x, h - 1 - y, c);
    pixel(img, w - 1 - x, h - 1 - y, c);
}

void frame(QImage& img, int w, int h, Rgb c) {
    hline(img, 0, w - 1, 0, c);
    hline(img, 0, w - 1, h - 1, c);
    for (int y = 0; y < h; ++y) {
        pixel(img, 0, y, c);
        pixel(img, w - 1, y, c);
    }
}

int vbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbButtons(Qt::MouseButtons held) {
    return (held & Qt::LeftButton ? 1 : 0) | (held & Qt::RightButton ? 2 : 0) | (held & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

// The virtual-key code of a key, as the language's key events carry it.
int vkCode(const QKeyEvent* e) {
    const int key = e->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Space: return 32;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    return 0;
}

template <class Event, class... Args>
void raiseEvent(const Event& event, Args&... args) {
    if (event)
        forms::Form::RunEvent([&] { event(args...); });
}

const Rgb kBorder{0, 60, 116};
const Rgb kBorderBeside{122, 149, 168};
const Rgb kBorderInside{37, 87, 131};
const Rgb kDisabledFill{245, 244, 234};
const Rgb kDisabledFrame{201, 199, 186};
const Rgb kDisabledCorner{216, 213, 199};
const Rgb kDisabledCornerInside{234, 233, 222};
const QColor kDisabledText(161, 161, 146);

} // namespace

TeskXpButton::TeskXpButton(QWidget* container, const QString& name) : QWidget(container) {
    setObjectName(name);
    setProperty("qmKind", QStringLiteral("button"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The design size, until the window places it.
    resize(forms::ToPixels(1185), forms::ToPixels(765));
    if (container)
        QWidget::setFont(container->font());
    caption_ = name;
    enabled_ = true;
}

TeskXpButton::~TeskXpButton() = default;

QColor TeskXpButton::containerForeColor() const {
    return parentWidget() ? parentWidget()->palette().color(QPalette::WindowText) : QColor(0, 0, 0);
}

void TeskXpButton::setCaption(const QString& caption) {
    caption_ = caption;
    Redraw(Normal);
    SetAccessKey();
}

void TeskXpButton::setForeColor(const QColor& color) {
    foreColor_ = color;
    Redraw(Normal);
}

void TeskXpButton::setForeHover(const QColor& color) { foreHover_ = color; }

void TeskXpButton::ReadProperties(const PropertyBag& bag) {
    enabled_ = bag.value(QStringLiteral("Enabled"), true).toBool();
    const QFont containerFont = parentWidget() ? parentWidget()->font() : font();
    QWidget::setFont(bag.contains(QStringLiteral("Font")) ? bag.value(QStringLiteral("Font")).value<QFont>()
                                                          : containerFont);
    caption_ = bag.value(QStringLiteral("Caption"), objectName()).toString();
    foreColor_ = bag.value(QStringLiteral("ForeColor"), containerForeColor()).value<QColor>();
    foreHover_ = bag.value(QStringLiteral("ForeHover"), foreColor_).value<QColor>();
    QWidget::setEnabled(enabled_);
    SetAccessKey();
}

void TeskXpButton::WriteProperties(PropertyBag& bag) const {
    auto write = [&bag](const QString& key, const QVariant& value, const QVariant& byDefault) {
        if (value != byDefault)
            bag.insert(key, value);
    };
    const QFont containerFont = parentWidget() ? parentWidget()->font() : font();
    write(QStringLiteral("Enabled"), enabled_, true);
    write(QStringLiteral("Font"), font(), containerFont);
    write(QStringLiteral("Caption"), caption_, objectName());
    bag.insert(QStringLiteral("ForeColor"), foreColor_);
    write(QStringLiteral("ForeHover"), foreHover_, containerForeColor());
}

// ---- drawing

void TeskXpButton::beginFullPaint() {
    if (surface_.size() != QSize(ButtonWidth, ButtonHeight))
        surface_ = QImage(ButtonWidth, ButtonHeight, QImage::Format_RGB32);
    // The back colour is the system's window colour, whatever the container
    // is painted in.
    surface_.fill(QGuiApplication::palette().color(QPalette::Base));
}

void TeskXpButton::Redraw(DrawState state) {
    if (ButtonWidth <= 0 || ButtonHeight <= 0)
        return;
    if (!enabled_) {
        DrawDisabled();
    } else if (state == Pressed && LastButton == 1) {
        DrawPressedFace();
        DrawBorder();
    } else {
        DrawFace();
        if (IsHovering)
            DrawHoverFrame();
        else if (HasFocus)
            DrawFocusFrame();
        DrawBorder();
    }
    DrawCaption();
    SetRoundRegion();
}

void TeskXpButton::DrawFace() {
    beginFullPaint();
    const int w = ButtonWidth, h = ButtonHeight;
    Gradient g{{255, 255, 253}, 230, {1, 1, 1}};
    for (int y = 3; y <= h - 3; ++y) {
        hline(surface_, 0, w - 2, y, g.colour);
        g.advance();
    }
    hline(surface_, 0, w - 2, h - 2, {214, 208, 197});
    hline(surface_, 0, w - 2, h - 3, {226, 223, 214});
    hline(surface_, 0, w - 2, h - 4, {236, 235, 230});
}

void TeskXpButton::DrawPressedFace() {
    beginFullPaint();
    const int w = ButtonWidth, h = ButtonHeight;
    Gradient g{{239, 238, 231}, 218, {1, 1, 1}};
    for (int y = 3; y <= h - 2; y += 4) {
        wideHLine(surface_, 0, w - 2, y, 4, g.colour);
        g.advance();
    }
    hline(surface_, 0, w - 2, 1, {209, 204, 192});
    hline(surface_, 0, w - 2, 2, {220, 216, 207});
    hline(surface_, 0, w - 2, h - 3, {234, 233, 227});
    hline(surface_, 0, w - 2, h - 2, {242, 241, 238});
}

void TeskXpButton::DrawHoverFrame() {
    const int w = ButtonWidth, h = ButtonHeight;
    hline(surface_, 2, w - 3, 1, {255, 240, 207});
    hline(surface_, 1, w - 2, 2, {253, 216, 137});
    sides(surface_, {{254, 223, 154}, 49, {1, 3, 7}}, 2, h - 3, 1, w - 2, 1, 1);
    const Rgb inner = sides(surface_, {{252, 210, 121}, 57, {1, 4, 8}}, 3, h - 3, 2, w - 3, 1, 1);
    hline(surface_, 3, w - 2, h - 3, inner);
    hline(surface_, 2, w - 3, h - 2, {229, 151, 0});
}

void TeskXpButton::DrawFocusFrame() {
    const int w = ButtonWidth, h = ButtonHeight;
    hline(surface_, 2, w - 3, 1, {206, 231, 251});
    hline(surface_, 1, w - 2, 2, {188, 212, 246});
    // Strokes from (x, y) to (x, y + 1) with a 2-pixel pen.
    const Rgb last = sides(surface_, {{186, 211, 246}, 228, {4, 3, 1}}, 3, h - 4, 2, w - 2, 2, 2);
    hline(surface_, 1, w - 3, h - 3, last);
    pixel(surface_, 2, h - 2, {77, 125, 193});
    hline(surface_, 3, w - 4, h - 2, {97, 125, 229});
    pixel(surface_, w - 3, h - 2, {77, 125, 193});
}

void TeskXpButton::DrawBorder() {
    const int w = ButtonWidth, h = ButtonHeight;
    frame(surface_, w, h, kBorder);
    corners(surface_, w, h, 0, 1, kBorderBeside);
    corners(surface_, w, h, 1, 0, kBorderBeside);
    corners(surface_, w, h, 1, 1, kBorderInside);
}

void TeskXpButton::DrawDisabled() {
    beginFullPaint();
    const int w = ButtonWidth, h = ButtonHeight;
    surface_.fill(kDisabledFill.value());
    frame(surface_, w, h, kDisabledFrame);
    corners(surface_, w, h, 0, 1, kDisabledCorner);
    corners(surface_, w, h, 1, 0, kDisabledCorner);
    corners(surface_, w, h, 1, 1, kDisabledCorner);
    corners(surface_, w, h, 1, 2, kDisabledCornerInside);
    corners(surface_, w, h, 2, 1, kDisabledCornerInside);
}

void TeskXpButton::DrawCaption() {
    const QColor colour = !enabled_ ? kDisabledText : IsHovering ? foreHover_ : foreColor_;
    QPainter p(&surface_);
    QFont f = font();
    // Whole pixels in the caption's own colour, as the system draws text.
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    p.setPen(colour);
    constexpr int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const int w = ButtonWidth, h = ButtonHeight;
    const int th = p.boundingRect(QRect(0, 0, w, 0), flags, caption_).height();
    const int top = int(vb::RoundHalfEven(h / 2.0 - th / 2.0));
    const int bottom = int(vb::RoundHalfEven(h / 2.0 + th / 2.0));
    p.drawText(QRect(0, top, w, bottom - top), flags, caption_);
}

void TeskXpButton::SetRoundRegion() {
    const int w = ButtonWidth, h = ButtonHeight;
    QRegion region(0, 0, w, h);
    for (const QPoint& corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
        region -= QRegion(corner.x(), corner.y(), 1, 1);
    setMask(region);
    update();
}

void TeskXpButton::refresh() { update(); }

void TeskXpButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, surface_);
}

// ---- life cycle

void TeskXpButton::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ButtonWidth = width();
    ButtonHeight = height();
    Redraw(Normal);
}

void TeskXpButton::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Redraw(Normal);
}

void TeskXpButton::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        // The control's own setting, not a disabled container's.
        enabled_ = !testAttribute(Qt::WA_ForceDisabled);
        Redraw(Normal);
    } else if (e->type() == QEvent::FontChange) {
        Redraw(Normal);
    }
}

void TeskXpButton::SetAccessKey() {
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    accessKey_.clear();
    const QString& c = caption_;
    if (c.size() < 2)
        return;
    const qsizetype p = c.indexOf(u'&');
    if (p < 0 || p == c.size() - 1)
        return;
    if (c.at(p + 1) != u'&') {
        accessKey_ = vb::LCase(c.mid(p + 1, 1));
    } else {
        const qsizetype q = c.indexOf(u'&', p + 2);
        if (q < 0)
            return;
        if (q == c.size() - 1)
            return;  // nothing follows: the key stays empty
        if (c.at(q + 1) == u'&')
            return;
        accessKey_ = vb::LCase(c.mid(q + 1, 1));
    }
    shortcutId_ = grabShortcut(QKeySequence::mnemonic(QStringLiteral("&") + accessKey_));
}

bool TeskXpButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut && static_cast<QShortcutEvent*>(e)->shortcutId() == shortcutId_) {
        if (isEnabled()) {
            LastButton = 1;
            clickHandler();
        }
        return true;
    }
    return QWidget::event(e);
}

// ---- mouse

bool TeskXpButton::IsMouseOver(const QPointF& globalPos) const {
    return QApplication::widgetAt(globalPos.toPoint()) == this;
}

void TeskXpButton::hoverTick(bool cursorOver) {
    if (!HoverTimerRunning || cursorOver)
        return;
    HoverTimerRunning = false;
    IsHovering = false;
    IsInside = 0;
    Redraw(Normal);
    raiseEvent(MouseOut);
}

void TeskXpButton::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    hoverTick(false);
}

void TeskXpButton::mouseMoveEvent(QMouseEvent* e) {
    const bool over = IsMouseOver(e->globalPosition());
    hoverTick(over);
    int button = vbButtons(e->buttons());
    int shift = vbShift(e->modifiers());
    float x = float(e->position().x()), y = float(e->position().y());
    if (button >= 2) {
        raiseEvent(MouseMove, button, shift, x, y);
        return;
    }
    if (!over) {
        if (IsInside == 0)
            return;
        Redraw(Normal);
        raiseEvent(MouseMove, button, shift, x, y);
        return;
    }
    if (IsInside == 1)
        return;
    IsInside = 1;
    if (button == 0 && !IsHovering) {
        HoverTimerRunning = true;
        IsHovering = true;
        IsInside = 0;
        Redraw(Normal);
        raiseEvent(MouseOver);
    } else if (button == 1) {
        // The pressed look with the hover's caption colour.
        IsHovering = true;
        Redraw(Pressed);
        IsHovering = false;
    }
    raiseEvent(MouseMove, button, shift, x, y);
}

void TeskXpButton::mouseDownHandler(int button, int shift, float x, float y) {
    if (!enabled_)
        return;
    LastButton = button;
    refresh();
    if (button != 2)
        Redraw(Pressed);
    raiseEvent(MouseDown, button, shift, x, y);
}

void TeskXpButton::mousePressEvent(QMouseEvent* e) {
    hoverTick(IsMouseOver(e->globalPosition()));
    pressedHere_ = true;
    mouseDownHandler(vbButton(e->button()), vbShift(e->modifiers()), float(e->position().x()),
                     float(e->position().y()));
}

void TeskXpButton::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click is no press of its own; the mouse
    // stays with the button until the release, which is a mouse up only.
    pressedHere_ = false;
    if (LastButton == 1)
        mouseDownHandler(1, 0, 0, 0);
    e->accept();
}

void TeskXpButton::mouseReleaseEvent(QMouseEvent* e) {
    hoverTick(IsMouseOver(e->globalPosition()));
    const QRegion region = mask().isEmpty() ? QRegion(rect()) : mask();
    const bool click = pressedHere_ && region.contains(e->position().toPoint());
    pressedHere_ = false;
    Redraw(Normal);
    refresh();
    int button = vbButton(e->button());
    int shift = vbShift(e->modifiers());
    float x = float(e->position().x()), y = float(e->position().y());
    raiseEvent(MouseUp, button, shift, x, y);
    if (click)
        clickHandler();
}

void TeskXpButton::clickHandler() {
    if (LastButton != 1)
        return;
    Redraw(Normal);
    refresh();
    raiseEvent(Click);
}

// ---- keyboard and focus

void TeskXpButton::sendTab(bool back) {
    QMetaObject::invokeMethod(
        this,
        [this, back] {
            // Each half of the keystroke goes to the control that has the
            // focus at that moment.
            auto focused = [this]() -> QWidget* {
                QWidget* w = window()->focusWidget();
                return w ? w : this;
            };
            const Qt::Key key = back ? Qt::Key_Backtab : Qt::Key_Tab;
            const Qt::KeyboardModifiers modifiers = back ? Qt::ShiftModifier : Qt::NoModifier;
            QKeyEvent press(QEvent::KeyPress, key, modifiers);
            QCoreApplication::sendEvent(focused(), &press);
            QKeyEvent release(QEvent::KeyRelease, key, modifiers);
            QCoreApplication::sendEvent(focused(), &release);
        },
        Qt::QueuedConnection);
}

void TeskXpButton::keyPressEvent(QKeyEvent* e) {
    int code = vkCode(e);
    int shift = vbShift(e->modifiers());
    LastKeyCode = code;
    if (code == 32 || code == 13)
        Redraw(Pressed);
    else if (code == 37 || code == 39)
        sendTab(false);
    else if (code == 40 || code == 38)
        sendTab(true);
    raiseEvent(KeyDown, code, shift);
    if (!e->text().isEmpty() && !(e->modifiers() & Qt::AltModifier)) {
        int keyAscii = e->text().at(0).unicode();
        raiseEvent(KeyPress, keyAscii);
    }
    // Esc still reaches the window's cancel button.
    if (code == 27)
        e->ignore();
}

void TeskXpButton::keyReleaseEvent(QKeyEvent* e) {
    // A held key repeats its press only, as the system does.
    if (e->isAutoRepeat())
        return;
    int code = vkCode(e);
    int shift = vbShift(e->modifiers());
    if ((code == 13 && LastKeyCode == 13) || (code == 32 && LastKeyCode == 32)) {
        Redraw(Normal);
        LastButton = 1;
        refresh();
        raiseEvent(Click);
    }
    raiseEvent(KeyUp, code, shift);
}

void TeskXpButton::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    HasFocus = true;
    Redraw(Pressed);
}

void TeskXpButton::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    HasFocus = false;
    Redraw(Normal);
}
